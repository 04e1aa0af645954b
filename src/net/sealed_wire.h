// Sealed mode for one run of the engine: seals outgoing lines under the run's session
// and judges incoming ones (form and key id, authentication, clock, replay, recipient
// and kind, and announcements after a BYE), keeping the bounded memories that takes.
// Shared by the receiver threads and the delivery threads; every method is thread-safe.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "net/sealed_line.h"
#include "net/sealed_memory.h"
#include "net/site_key.h"

namespace quillnet {

// Milliseconds since 1970-01-01 00:00 UTC.
using WallClock = std::function<std::int64_t()>;
std::int64_t system_wall_clock();
// Milliseconds that only ever move forward (milliseconds_since_start unless a test sets
// one): the ages the memories keep are measured on it, so setting the wall clock
// changes nothing about what they remember.
using MonotonicClock = std::function<std::int64_t()>;

// Where a line came in, which decides the recipient and the inner kinds allowed.
enum class SealedPort { discovery, frame, acknowledgement };

// Bounds of the memories; a site has a few dozen copies, each announcing every few
// seconds, which the replay memory holds for the whole window many times over.
constexpr std::size_t SESSION_KEY_CACHE_SIZE = 256;
constexpr std::size_t REPLAY_MEMORY_SIZE = 32768;
constexpr std::size_t BYE_MEMORY_SIZE = 4096;
constexpr std::size_t UNTRIED_KEY_CACHE_SIZE = 16;
// Session keys derived a second for salts not heard before. A copy meets a new salt
// when another copy starts (or a qnsend runs); a made-up salt costs a derivation of
// its own, so beyond this such lines are dropped before it (256 cost well under 1 %
// of one core even where a derivation takes 30 µs).
constexpr std::int64_t NEW_SALT_DERIVATIONS_PER_SECOND = 256;

struct SealedOpening {
    SealedCheck check = SealedCheck::malformed;
    std::string inner;                // the open-protocol line, when accepted
    std::int64_t timestamp = 0;       // the sender's timestamp, when accepted
    std::int64_t clock_offset_ms = 0;  // sender's clock minus ours, when check is clock
};

class SealedWire {
public:
    SealedWire(const SiteKey& key, WallClock clock, MonotonicClock monotonic = MonotonicClock());
    // Wipes the site key and the session key from memory.
    ~SealedWire();
    SealedWire(const SealedWire&) = delete;
    SealedWire& operator=(const SealedWire&) = delete;

    // False when no session could be made (no random bytes): nothing is then sealed.
    bool ready() const { return ready_; }
    const std::string& key_id() const { return session_.key_id; }

    // The sealed line (with LF) for inner (without LF), or empty on failure.
    std::string seal(const std::string& recipient, const std::string& inner);
    // Judges one received line (without its LF) that came in on port, for the instance
    // own_id. Accepted lines are remembered, so the same line is never accepted twice.
    SealedOpening open(const std::string& line, SealedPort port, const std::string& own_id);

private:
    // Empty key when the salt is new and the budget is spent (throttled set).
    bool session_key_for(const std::string& salt, std::string& key, bool& cached, bool& throttled);

    SiteKey site_key_;
    WallClock clock_;
    MonotonicClock monotonic_;
    SealedSession session_;
    bool ready_ = false;
    std::mutex mutex_;
    SessionKeyCache keys_{SESSION_KEY_CACHE_SIZE};
    // Keys derived for salts that have not authenticated a line yet, so that lines
    // repeating one salt (a new session whose first lines were damaged on the way, or a
    // flood) cost one derivation, not one each. Small: made-up salts churn it.
    SessionKeyCache untried_{UNTRIED_KEY_CACHE_SIZE};
    ReplayMemory replays_{REPLAY_MEMORY_SIZE, SEALED_WINDOW_MS};
    ByeMemory byes_{BYE_MEMORY_SIZE, SEALED_WINDOW_MS};
    DerivationBudget new_salts_{NEW_SALT_DERIVATIONS_PER_SECOND};
};

// The inner kinds a sealed line may carry on port (an acknowledgement also needs
// exactly two fields).
bool inner_allowed_on(const std::string& inner, SealedPort port);

}  // namespace quillnet
