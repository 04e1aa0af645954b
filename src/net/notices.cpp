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
    sink_ = nullptr;
    posted_.clear();
    texts_.clear();
}

void NoticeBoard::reset(std::function<void(const std::string&)> sink) {
    std::lock_guard<std::mutex> lock(mutex_);
    window_ = nullptr;
    sink_ = std::move(sink);
    posted_.clear();
    texts_.clear();
}

void NoticeBoard::post(NoticeReason reason, const std::string& address, std::int64_t clock_offset_ms) {
    WindowHandle window;
    std::function<void(const std::string&)> sink;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if ((!window_ && !sink_) || posted_.size() >= MAX_NOTICES) return;
        if (!posted_.emplace(address, static_cast<int>(reason)).second) return;
        window = window_;
        sink = sink_;
        texts_.push_back(notice_text(reason, address, clock_offset_ms));
    }
    if (!window) {
        sink(notice_text(reason, address, clock_offset_ms));
        return;
    }
    post_or_free(window, WM_APP_ENGINE_NOTICE, new EngineNotice{notice_text(reason, address, clock_offset_ms)});
}

std::vector<std::string> NoticeBoard::posted_texts() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return texts_;
}

}  // namespace quillnet
