// One sealed line: "QS1" US key id US salt US counter US base64(ciphertext + tag) LF,
// whose AES-256-GCM plaintext is timestamp US recipient US inner line. Building it,
// reading its fields, and the sizes it takes. Stateless; the memories that decide
// which lines are accepted live in sealed_wire.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#include "net/site_key.h"

namespace quillnet {

constexpr const char* SEALED_KIND = "QS1";
constexpr std::size_t SEALED_SALT_BYTES = 16;
// A line's timestamp must lie within this many milliseconds of the receiver's clock.
constexpr std::int64_t SEALED_WINDOW_MS = 300000;
// A sealed acknowledgement is longer than the open protocol's 256-byte reply limit.
constexpr std::size_t SEALED_ACK_READ_LIMIT = 1024;

// The sending side of one run of the engine: a fresh salt and the session key derived
// from it. Every thread of the run takes counter values from the same atomic.
struct SealedSession {
    std::string key_id;       // 16 lower-case hex digits
    std::string salt;         // SEALED_SALT_BYTES bytes
    std::string session_key;  // 32 bytes
    std::atomic<std::uint64_t> counter{0};
};

// HKDF-SHA256(site key, salt, "quillnet sealed v1", 32); empty on failure.
std::string derive_session_key(const SiteKey& key, const std::string& salt);
// A new session with a salt from the system's random generator; false on failure.
bool start_session(const SiteKey& key, SealedSession& session);

// The sealed line (with its LF) carrying inner (an open-protocol line without its LF)
// for recipient, stamped with timestamp_ms. Takes the next counter value; empty when
// the counter is spent or the cipher fails.
std::string seal_line(SealedSession& session, std::int64_t timestamp_ms, const std::string& recipient,
                      const std::string& inner);

// Why a received line was dropped, in the order the checks are made.
enum class SealedCheck {
    accepted,
    not_sealed,   // does not begin with "QS1" US
    malformed,    // fields, counter, base64 or plaintext out of form
    other_key,    // well formed, with another site key's id
    throttled,    // a salt not yet authenticated while the budget for new salts is spent
    forged,       // does not authenticate under the session key of its salt
    clock,        // timestamp outside the window
    replayed,     // (salt, counter) accepted before, or older than the replay memory reaches
    misdirected,  // wrong recipient, or an inner kind not allowed on this port
    departed,     // an announcement from an instance that said BYE within the window
};

struct SealedFields {
    std::string salt;        // SEALED_SALT_BYTES bytes
    std::uint64_t counter = 0;
    std::string sealed;      // ciphertext followed by the tag
    std::string additional;  // the line up to, not including, the US before the payload
};

// The form checks on a line without its LF, and the key id: accepted, not_sealed,
// malformed or other_key.
SealedCheck read_sealed_fields(const std::string& line, const std::string& own_key_id, SealedFields& fields);
// Decrypts and authenticates under session_key (32 bytes).
bool decrypt_sealed(const std::string& session_key, const SealedFields& fields, std::string& plaintext);

struct SealedPlaintext {
    std::int64_t timestamp = 0;
    std::string recipient;
    std::string inner;
};
// timestamp US recipient US inner, the timestamp plain decimal digits.
bool read_plaintext(const std::string& plaintext, SealedPlaintext& parts);

// The longest plaintext whose sealed line, LF included, fits line_limit bytes whatever
// the counter.
std::size_t max_sealed_plaintext(std::size_t line_limit);
// The longest inner line that fits line_limit for a recipient id of recipient_bytes,
// whatever the timestamp and counter.
std::size_t max_sealed_inner(std::size_t line_limit, std::size_t recipient_bytes);
// text cut to at most max_bytes without splitting a UTF-8 character.
std::string cut_utf8(const std::string& text, std::size_t max_bytes);

}  // namespace quillnet
