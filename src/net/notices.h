// The log notices that explain why another copy cannot be reached: chosen by reason,
// posted at most once per source address and reason in one run of the engine.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "net/events.h"

namespace quillnet {

enum class NoticeReason {
    open_copy,           // sealed mode: an open-protocol announcement
    other_key,           // a sealed line under another site key
    clock_off,           // a sealed line whose timestamp is outside the window
    sealed_announcement, // open mode: a sealed datagram
    sealed_page,         // open mode: a sealed frame on the message port
};

// The notice text for address; clock_offset_ms is used by clock_off only.
std::string notice_text(NoticeReason reason, const std::string& address, std::int64_t clock_offset_ms);

// Most (address, reason) pairs remembered in one run; past that no new notice is
// posted, so a flood of made-up sources cannot flood the log.
constexpr std::size_t MAX_NOTICES = 1024;

class NoticeBoard {
public:
    // Starts a run: notices go to window and every pair may be noticed again.
    void reset(WindowHandle window);
    // Starts a run whose notices go to sink (a program without a window) instead.
    void reset(std::function<void(const std::string&)> sink);
    // Posts the notice unless this pair was noticed already in the run.
    void post(NoticeReason reason, const std::string& address, std::int64_t clock_offset_ms = 0);
    // The texts posted in this run, oldest first (at most MAX_NOTICES).
    std::vector<std::string> posted_texts() const;

private:
    mutable std::mutex mutex_;
    WindowHandle window_ = nullptr;
    std::function<void(const std::string&)> sink_;
    std::set<std::pair<std::string, int>> posted_;
    std::vector<std::string> texts_;
};

}  // namespace quillnet
