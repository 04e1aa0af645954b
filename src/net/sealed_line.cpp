// Building and reading sealed lines.
#include "net/sealed_line.h"

#include "base/secure_memory.h"
#include "net/crypto.h"
#include "net/wire.h"

namespace quillnet {

namespace {

constexpr std::size_t KEY_ID_DIGITS = 16;
constexpr std::size_t MAX_COUNTER_DIGITS = 20;   // 18446744073709551615
constexpr std::size_t MAX_TIMESTAMP_DIGITS = 18;  // far beyond any real clock, within int64
// "QS1", key id, salt, the longest counter, four separators and the LF.
constexpr std::size_t LINE_OVERHEAD = 3 + KEY_ID_DIGITS + 2 * SEALED_SALT_BYTES + MAX_COUNTER_DIGITS + 4 + 1;

void make_nonce(std::uint64_t counter, unsigned char nonce[GCM_NONCE_BYTES]) {
    for (std::size_t i = 0; i < 4; ++i) nonce[i] = 0;
    for (std::size_t i = 0; i < 8; ++i) nonce[4 + i] = static_cast<unsigned char>(counter >> (56 - 8 * i));
}

bool is_hex_text(const std::string& text, std::size_t digits, bool lower_only) {
    if (text.size() != digits) return false;
    for (const char c : text) {
        const bool ok = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (!lower_only && c >= 'A' && c <= 'F');
        if (!ok) return false;
    }
    return true;
}

// Decimal without sign or leading zeros, at most 2^64 - 1.
bool read_counter(const std::string& text, std::uint64_t& value) {
    if (text.empty() || text.size() > MAX_COUNTER_DIGITS || (text.size() > 1 && text[0] == '0')) return false;
    std::uint64_t v = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (v > (UINT64_MAX - digit) / 10) return false;
        v = v * 10 + digit;
    }
    value = v;
    return true;
}

bool take_counter(std::atomic<std::uint64_t>& counter, std::uint64_t& value) {
    std::uint64_t current = counter.load();
    do {
        // The last value is never handed out, so the counter can never wrap to reuse one.
        if (current == UINT64_MAX) return false;
    } while (!counter.compare_exchange_weak(current, current + 1));
    value = current;
    return true;
}

}  // namespace

std::string derive_session_key(const SiteKey& key, const std::string& salt) {
    const WipedString ikm(std::string(reinterpret_cast<const char*>(key.data()), key.size()));
    return hkdf_sha256(ikm.get(), salt, "quillnet sealed v1", AES_KEY_BYTES);
}

bool start_session(const SiteKey& key, SealedSession& session) {
    unsigned char salt[SEALED_SALT_BYTES];
    if (!crypto_random(salt, sizeof salt)) return false;
    session.salt.assign(reinterpret_cast<const char*>(salt), sizeof salt);
    session.key_id = site_key_id(key);
    session.session_key = derive_session_key(key, session.salt);
    session.counter = 0;
    return session.key_id.size() == KEY_ID_DIGITS && session.session_key.size() == AES_KEY_BYTES;
}

std::string seal_line(SealedSession& session, std::int64_t timestamp_ms, const std::string& recipient,
                      const std::string& inner) {
    std::uint64_t counter = 0;
    if (session.session_key.size() != AES_KEY_BYTES || !take_counter(session.counter, counter)) return std::string();
    std::string line;
    line.reserve(LINE_OVERHEAD + (inner.size() + recipient.size() + 64) / 3 * 4);
    line += SEALED_KIND;
    line += FIELD_SEPARATOR;
    line += session.key_id;
    line += FIELD_SEPARATOR;
    line += hex_encode(session.salt);
    line += FIELD_SEPARATOR;
    line += std::to_string(counter);
    std::string plaintext = std::to_string(timestamp_ms);
    plaintext += FIELD_SEPARATOR;
    plaintext += recipient;
    plaintext += FIELD_SEPARATOR;
    plaintext += inner;
    unsigned char nonce[GCM_NONCE_BYTES];
    make_nonce(counter, nonce);
    std::string sealed;
    if (!aes256_gcm_seal(reinterpret_cast<const unsigned char*>(session.session_key.data()), nonce, line, plaintext,
                         sealed)) {
        return std::string();
    }
    line += FIELD_SEPARATOR;
    line += base64_encode(sealed);
    line += LINE_TERMINATOR;
    return line;
}

SealedCheck read_sealed_fields(const std::string& line, const std::string& own_key_id, SealedFields& fields) {
    const std::string prefix = std::string(SEALED_KIND) + FIELD_SEPARATOR;
    if (line.compare(0, prefix.size(), prefix) != 0) return SealedCheck::not_sealed;
    // The four fields after the kind, found in place: anyone can send these lines at
    // full rate, so reading one copies only what is needed.
    std::size_t cut[5];
    cut[0] = prefix.size() - 1;
    for (int i = 1; i < 5; ++i) {
        cut[i] = i < 4 ? line.find(FIELD_SEPARATOR, cut[i - 1] + 1) : line.size();
        if (cut[i] == std::string::npos) return SealedCheck::malformed;
    }
    if (line.find(FIELD_SEPARATOR, cut[3] + 1) != std::string::npos) return SealedCheck::malformed;
    const auto field = [&](int i) { return line.substr(cut[i] + 1, cut[i + 1] - cut[i] - 1); };
    const std::string key_id = field(0);
    if (key_id != own_key_id) {
        return is_hex_text(key_id, KEY_ID_DIGITS, true) ? SealedCheck::other_key : SealedCheck::malformed;
    }
    const std::string salt_text = field(1);
    if (!is_hex_text(salt_text, 2 * SEALED_SALT_BYTES, false) || !hex_decode(salt_text, fields.salt) ||
        !read_counter(field(2), fields.counter) || !base64_decode(field(3), fields.sealed) ||
        fields.sealed.size() < GCM_TAG_BYTES) {
        return SealedCheck::malformed;
    }
    fields.additional = line.substr(0, cut[3]);
    return SealedCheck::accepted;
}

bool decrypt_sealed(const std::string& session_key, const SealedFields& fields, std::string& plaintext) {
    if (session_key.size() != AES_KEY_BYTES) return false;
    unsigned char nonce[GCM_NONCE_BYTES];
    make_nonce(fields.counter, nonce);
    return aes256_gcm_open(reinterpret_cast<const unsigned char*>(session_key.data()), nonce, fields.additional,
                           fields.sealed, plaintext);
}

bool read_plaintext(const std::string& plaintext, SealedPlaintext& parts) {
    const std::size_t first = plaintext.find(FIELD_SEPARATOR);
    if (first == std::string::npos || first == 0 || first > MAX_TIMESTAMP_DIGITS) return false;
    const std::size_t second = plaintext.find(FIELD_SEPARATOR, first + 1);
    if (second == std::string::npos) return false;
    std::int64_t timestamp = 0;
    for (std::size_t i = 0; i < first; ++i) {
        const char c = plaintext[i];
        if (c < '0' || c > '9') return false;
        timestamp = timestamp * 10 + (c - '0');
    }
    parts.timestamp = timestamp;
    parts.recipient = plaintext.substr(first + 1, second - first - 1);
    parts.inner = plaintext.substr(second + 1);
    return true;
}

std::size_t max_sealed_plaintext(std::size_t line_limit) {
    if (line_limit <= LINE_OVERHEAD) return 0;
    const std::size_t payload_bytes = (line_limit - LINE_OVERHEAD) / 4 * 3;
    return payload_bytes > GCM_TAG_BYTES ? payload_bytes - GCM_TAG_BYTES : 0;
}

std::size_t max_sealed_inner(std::size_t line_limit, std::size_t recipient_bytes) {
    const std::size_t fixed = MAX_TIMESTAMP_DIGITS + 2 + recipient_bytes;
    const std::size_t plaintext = max_sealed_plaintext(line_limit);
    return plaintext > fixed ? plaintext - fixed : 0;
}

std::string cut_utf8(const std::string& text, std::size_t max_bytes) {
    if (text.size() <= max_bytes) return text;
    std::size_t end = max_bytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return text.substr(0, end);
}

}  // namespace quillnet
