// The sent-page memory and the escalation check.
#include "net/sent_pages.h"

#include <algorithm>

namespace quillnet {

namespace {

// Length of the UTF-8 sequence that starts with lead (1 for a stray byte).
std::size_t sequence_length(unsigned char lead) {
    if (lead >= 0xF0 && lead < 0xF8) return 4;
    if (lead >= 0xE0 && lead < 0xF0) return 3;
    if (lead >= 0xC0 && lead < 0xE0) return 2;
    return 1;
}

// While an urgent page waits for its delivery result (a few seconds at most), its
// check is looked at this often.
constexpr std::int64_t RESULT_LOOK_MS = 250;

}  // namespace

std::string page_body(const std::string& kind, const std::string& text) {
    std::string body;
    if (kind == "QUICK") body = "\xC2\xBB ";
    if (kind == "FLAG") body = "\xE2\x9A\x91 ";
    body += text;
    std::size_t units = 0;
    std::size_t i = 0;
    while (i < body.size()) {
        const std::size_t length = std::min(sequence_length(static_cast<unsigned char>(body[i])), body.size() - i);
        const std::size_t cost = length == 4 ? 2 : 1;
        if (units + cost > PAGE_BODY_UNITS) return body.substr(0, i) + "\xE2\x80\xA6";
        units += cost;
        i += length;
    }
    return body;
}

void SentPages::remember(SentPage page) {
    std::lock_guard<std::mutex> lock(mutex_);
    pages_.push_back(std::move(page));
    while (pages_.size() > capacity_) pages_.pop_front();
}

SentPage* SentPages::find(const std::string& page_id) {
    for (auto it = pages_.rbegin(); it != pages_.rend(); ++it) {
        if (it->id == page_id) return &*it;
    }
    return nullptr;
}

void SentPages::record_delivery(const std::string& page_id, const std::string& recipient_id, bool delivered) {
    std::lock_guard<std::mutex> lock(mutex_);
    SentPage* page = find(page_id);
    if (!page) return;
    for (auto& r : page->recipients) {
        if (r.id == recipient_id) r.delivered = delivered;
    }
}

void SentPages::record_result(const std::string& page_id, std::int64_t now) {
    std::lock_guard<std::mutex> lock(mutex_);
    SentPage* page = find(page_id);
    if (page) page->result_ms = now;
}

bool SentPages::note_seen(const std::string& page_id, const std::string& recipient_id, const std::string& address,
                          PageSeen& seen) {
    std::lock_guard<std::mutex> lock(mutex_);
    SentPage* page = find(page_id);
    if (!page) return false;
    for (auto& r : page->recipients) {
        if (r.id != recipient_id || r.address != address) continue;
        if (r.seen) return false;
        r.seen = true;
        seen = PageSeen{page->id, r.user, r.room, page->body};
        return true;
    }
    return false;
}

std::vector<PageNotSeen> SentPages::due_checks(std::int64_t now, std::int64_t escalate_ms, std::int64_t& next_due) {
    std::vector<PageNotSeen> reports;
    next_due = -1;
    if (escalate_ms <= 0) return reports;
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& page : pages_) {
        if (!page.urgent || page.checked) continue;
        if (page.result_ms < 0) {
            // Its result is on its way: look again shortly after.
            const std::int64_t soon = now + RESULT_LOOK_MS;
            if (next_due < 0 || soon < next_due) next_due = soon;
            continue;
        }
        const std::int64_t due = std::max(page.sent_ms + escalate_ms, page.result_ms);
        if (due > now) {
            if (next_due < 0 || due < next_due) next_due = due;
            continue;
        }
        page.checked = true;
        PageNotSeen report{page.id, page.body, {}};
        for (const auto& r : page.recipients) {
            if (!r.delivered || !r.speaks_l1 || r.seen) continue;
            const bool room_saw = std::any_of(page.recipients.begin(), page.recipients.end(),
                                              [&](const SentRecipient& o) { return o.seen && o.room == r.room; });
            if (!room_saw) report.recipients.emplace_back(r.user, r.room);
        }
        if (!report.recipients.empty()) reports.push_back(std::move(report));
    }
    return reports;
}

std::size_t SentPages::size() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return pages_.size();
}

}  // namespace quillnet
