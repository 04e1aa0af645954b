// Awaiting pages: the bound of 100, acknowledgement of what was shown long enough,
// and the urgent repeats.
#include "ui/awaiting_pages.h"

#include <algorithm>

#include "net/announcement.h"
#include "net/line_kinds.h"

namespace quillnet {

void AwaitingPages::add(AwaitingPage page) {
    page.repeats_left = page.urgent ? URGENT_REPEATS : 0;
    pages_.push_back(std::move(page));
    if (pages_.size() <= MAX_AWAITING_PAGES) return;
    auto dropped = std::find_if(pages_.begin(), pages_.end(), [](const AwaitingPage& p) { return !p.urgent; });
    if (dropped == pages_.end()) dropped = pages_.begin();
    pages_.erase(dropped);
}

std::vector<AwaitingPage> AwaitingPages::acknowledge(std::int64_t now_ms) {
    std::vector<AwaitingPage> taken;
    std::vector<AwaitingPage> kept;
    for (AwaitingPage& page : pages_) {
        if (now_ms - page.shown_ms >= SHOWN_BEFORE_ACK_MS)
            taken.push_back(std::move(page));
        else
            kept.push_back(std::move(page));
    }
    pages_.swap(kept);
    return taken;
}

std::vector<AwaitingPage> AwaitingPages::acknowledge_flag(const std::string& sender_id, const std::string& label) {
    std::vector<AwaitingPage> taken;
    std::vector<AwaitingPage> kept;
    for (AwaitingPage& page : pages_) {
        if (page.kind == KIND_FLAG && page.sender_id == sender_id && announced_label(page.text) == label)
            taken.push_back(std::move(page));
        else
            kept.push_back(std::move(page));
    }
    pages_.swap(kept);
    return taken;
}

const AwaitingPage* AwaitingPages::take_repeat() {
    for (auto page = pages_.rbegin(); page != pages_.rend(); ++page) {
        if (page->urgent && page->repeats_left > 0) {
            --page->repeats_left;
            return &*page;
        }
    }
    return nullptr;
}

bool AwaitingPages::repeats_pending() const {
    return std::any_of(pages_.begin(), pages_.end(),
                       [](const AwaitingPage& p) { return p.urgent && p.repeats_left > 0; });
}

}  // namespace quillnet
