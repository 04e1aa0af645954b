// Notice texts and the once-per-source rule.
#include "net/notices.h"

namespace quillnet {

std::string notice_text(NoticeReason reason, const std::string& address, std::int64_t clock_offset_ms) {
    switch (reason) {
        case NoticeReason::open_copy:
            return address + " runs Quillnet without the site key; it cannot page this room or be paged.";
        case NoticeReason::other_key:
            return address + " runs Quillnet with a different site key; it cannot page this room or be paged.";
        case NoticeReason::clock_off: {
            const std::int64_t off = clock_offset_ms < 0 ? -clock_offset_ms : clock_offset_ms;
            const std::int64_t minutes = (off + 30000) / 60000;
            return address + " runs Quillnet with a clock " + std::to_string(minutes) +
                   " minutes off; its pages are refused.";
        }
        case NoticeReason::sealed_announcement:
            return address + " runs Quillnet with a site key; set the same key to page it.";
        case NoticeReason::sealed_page:
            return address + " sent a sealed page; set the site key to receive pages from it.";
    }
    return std::string();
}

void NoticeBoard::reset(WindowHandle window) {
    std::lock_guard<std::mutex> lock(mutex_);
    window_ = window;
    posted_.clear();
}

void NoticeBoard::post(NoticeReason reason, const std::string& address, std::int64_t clock_offset_ms) {
    WindowHandle window;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!window_ || posted_.size() >= MAX_NOTICES) return;
        if (!posted_.emplace(address, static_cast<int>(reason)).second) return;
        window = window_;
    }
    post_or_free(window, WM_APP_ENGINE_NOTICE, new EngineNotice{notice_text(reason, address, clock_offset_ms)});
}

}  // namespace quillnet
