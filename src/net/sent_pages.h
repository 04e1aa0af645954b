// The pages this copy sent in this run (the last SENT_PAGES_KEPT MSG, QUICK and FLAG
// pages with at least one recipient): who they went to, who took them, who saw them,
// and the once-per-page check of urgent ones. Thread-safe: send_message adds, delivery
// workers record outcomes, the receiver notes SEEN frames, the heartbeat thread checks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "net/events.h"

namespace quillnet {

constexpr std::size_t SENT_PAGES_KEPT = 1000;
// A body is cut to this many UTF-16 units, then "…" is appended.
constexpr std::size_t PAGE_BODY_UNITS = 80;

// What a page's log line shows after the sender: the text, "» " + a quick message or
// "⚑ " + a flag label, cut to PAGE_BODY_UNITS UTF-16 units + "…" when longer.
std::string page_body(const std::string& kind, const std::string& text);

struct SentRecipient {
    std::string id;
    std::string address;  // where the page was delivered
    std::string user;     // the recipient's user and room at the send
    std::string room;
    bool speaks_l1 = false;
    bool delivered = false;
    bool seen = false;
};

struct SentPage {
    std::string id;
    std::string body;
    bool urgent = false;
    std::int64_t sent_ms = 0;
    std::int64_t result_ms = -1;  // when the delivery result came; -1 until then
    bool checked = false;         // the escalation check ran
    std::vector<SentRecipient> recipients;
};

class SentPages {
public:
    explicit SentPages(std::size_t capacity = SENT_PAGES_KEPT) : capacity_(capacity) {}

    void remember(SentPage page);
    void record_delivery(const std::string& page_id, const std::string& recipient_id, bool delivered);
    void record_result(const std::string& page_id, std::int64_t now);
    // A SEEN for page_id from recipient_id that came from address: true (and seen
    // filled) only for the first one of a recipient of a remembered page from the
    // address the page was delivered to.
    bool note_seen(const std::string& page_id, const std::string& recipient_id, const std::string& address,
                   PageSeen& seen);
    // Runs the check of every urgent page whose moment (the later of its send plus
    // escalate_ms and its delivery result) has come; each page is checked once. Returns
    // the reports that name at least one recipient; next_due receives the next moment a
    // check waits for (-1: none; a page still waiting for its result asks for a look
    // shortly after now).
    // escalate_ms 0 turns the check off.
    std::vector<PageNotSeen> due_checks(std::int64_t now, std::int64_t escalate_ms, std::int64_t& next_due);
    std::size_t size() const;

private:
    SentPage* find(const std::string& page_id);

    mutable std::mutex mutex_;
    std::size_t capacity_;
    std::deque<SentPage> pages_;
};

}  // namespace quillnet
