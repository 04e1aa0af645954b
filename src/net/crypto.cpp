// HKDF over the platform's HMAC, and the hex and base64 text forms of bytes.
#include "net/crypto.h"

#include "base/secure_memory.h"

namespace quillnet {

namespace {

const char HEX_DIGITS[] = "0123456789abcdef";
const char BASE64_ALPHABET[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

int base64_value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

}  // namespace

std::string hkdf_sha256(const std::string& ikm, const std::string& salt, const std::string& info,
                        std::size_t length) {
    if (length > 255 * SHA256_BYTES) return std::string();
    // Every intermediate is key material: each is wiped before it is given back, and the
    // output has its room from the start so that growing it leaves no copy behind.
    unsigned char prk[SHA256_BYTES];
    // An absent salt is a string of hash-length zeros.
    const std::string extract_key = salt.empty() ? std::string(SHA256_BYTES, '\0') : salt;
    const bool extracted = hmac_sha256(extract_key, ikm, prk);
    WipedString prk_text(std::string(reinterpret_cast<const char*>(prk), sizeof prk));
    secure_zero(prk, sizeof prk);
    if (!extracted) return std::string();
    std::string okm;
    okm.reserve(length + SHA256_BYTES);
    WipedString previous;
    WipedString message;
    message.get().reserve(SHA256_BYTES + info.size() + 1);
    for (unsigned counter = 1; okm.size() < length; ++counter) {
        unsigned char block[SHA256_BYTES];
        message.get().assign(previous.get());
        message.get() += info;
        message.get() += static_cast<char>(counter);
        const bool expanded = hmac_sha256(prk_text.get(), message.get(), block);
        previous.get().assign(reinterpret_cast<const char*>(block), sizeof block);
        secure_zero(block, sizeof block);
        if (!expanded) {
            secure_wipe(okm);
            return std::string();
        }
        okm += previous.get();
    }
    secure_zero(&okm[length], okm.size() - length);
    okm.resize(length);
    return okm;
}

std::string hex_encode(const std::string& bytes) {
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        text.push_back(HEX_DIGITS[b >> 4]);
        text.push_back(HEX_DIGITS[b & 0x0F]);
    }
    return text;
}

bool hex_decode(const std::string& text, std::string& bytes) {
    if (text.size() % 2 != 0) return false;
    std::string out;
    out.reserve(text.size() / 2);
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int high = hex_value(text[i]);
        const int low = hex_value(text[i + 1]);
        if (high < 0 || low < 0) return false;
        out.push_back(static_cast<char>((high << 4) | low));
    }
    bytes = std::move(out);
    return true;
}

std::string base64_encode(const std::string& bytes) {
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const std::uint32_t v = (static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << 16) |
                                (static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8) |
                                static_cast<unsigned char>(bytes[i + 2]);
        text.push_back(BASE64_ALPHABET[(v >> 18) & 63]);
        text.push_back(BASE64_ALPHABET[(v >> 12) & 63]);
        text.push_back(BASE64_ALPHABET[(v >> 6) & 63]);
        text.push_back(BASE64_ALPHABET[v & 63]);
    }
    const std::size_t rest = bytes.size() - i;
    if (rest > 0) {
        std::uint32_t v = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << 16;
        if (rest == 2) v |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
        text.push_back(BASE64_ALPHABET[(v >> 18) & 63]);
        text.push_back(BASE64_ALPHABET[(v >> 12) & 63]);
        text.push_back(rest == 2 ? BASE64_ALPHABET[(v >> 6) & 63] : '=');
        text.push_back('=');
    }
    return text;
}

bool base64_decode(const std::string& text, std::string& bytes) {
    if (text.size() % 4 != 0) return false;
    std::string out;
    out.reserve(text.size() / 4 * 3);
    for (std::size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        int padding = 0;
        if (last && text[i + 3] == '=') padding = text[i + 2] == '=' ? 2 : 1;
        std::uint32_t v = 0;
        for (std::size_t k = 0; k < 4; ++k) {
            int d = 0;
            if (k < 4 - static_cast<std::size_t>(padding)) {
                d = base64_value(text[i + k]);
                if (d < 0) return false;
            }
            v = (v << 6) | static_cast<std::uint32_t>(d);
        }
        out.push_back(static_cast<char>((v >> 16) & 0xFF));
        if (padding < 2) out.push_back(static_cast<char>((v >> 8) & 0xFF));
        if (padding < 1) out.push_back(static_cast<char>(v & 0xFF));
        // Bits the padding leaves unused must be zero, so every byte string has one form.
        if ((padding == 1 && (v & 0xFF) != 0) || (padding == 2 && (v & 0xFFFF) != 0)) return false;
    }
    bytes = std::move(out);
    return true;
}

}  // namespace quillnet
