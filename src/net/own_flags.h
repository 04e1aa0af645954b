// The flags this copy has raised: at most MAX_OWN_FLAGS, oldest raise first, each
// under its announced label. Thread-safe; the window raises and clears, the heartbeat
// thread reads them into every announcement, the receiver clears on CLEAR.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace quillnet {

constexpr std::size_t MAX_OWN_FLAGS = 8;

struct OwnFlag {
    std::string label;           // the announced label
    std::int64_t raised_ms = 0;  // milliseconds_since_start() at the raise
};

enum class OwnRaise { added, refreshed, not_kept };

class OwnFlags {
public:
    // Adds label (already announced form) with raised_ms now, or moves it to the newest
    // place with a fresh raise time; not_kept when full and label is not raised. An
    // empty label is never kept (it could not be announced).
    OwnRaise raise(const std::string& label, std::int64_t now);
    bool clear(const std::string& label);
    // The flag with label, when raised.
    bool find(const std::string& label, OwnFlag& flag) const;
    std::vector<OwnFlag> list() const;

private:
    mutable std::mutex mutex_;
    std::vector<OwnFlag> flags_;
};

}  // namespace quillnet
