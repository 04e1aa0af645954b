// The pages shown here that wait for a person to acknowledge them, and the repeats
// left to the urgent ones (no window needed).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quillnet {

// Pages that await at most; beyond that the oldest non-urgent one stops awaiting (the
// oldest of all when every one is urgent).
constexpr std::size_t MAX_AWAITING_PAGES = 100;
// Repeats of an urgent page's alert after its first one.
constexpr int URGENT_REPEATS = 15;
// A page is acknowledged by a person only when it was on the screen at least this long.
constexpr std::int64_t SHOWN_BEFORE_ACK_MS = 1000;

struct AwaitingPage {
    std::string page_id;  // the page's MessageId (field 0)
    std::string sender_id;
    std::string sender_address;
    std::uint16_t reply_port = 0;
    std::int64_t arrived_ms = 0;
    std::int64_t shown_ms = 0;  // when its line was shown here
    std::string kind;
    std::string user;  // the sender's user and room as the page named them
    std::string room;
    std::string text;
    std::uint32_t colour = 0;  // a flag's colour as sent
    bool urgent = false;
    int repeats_left = 0;
};

class AwaitingPages {
public:
    // Starts awaiting page (urgent ones with URGENT_REPEATS repeats left).
    void add(AwaitingPage page);
    // Every page shown at least SHOWN_BEFORE_ACK_MS before now_ms stops awaiting and is
    // returned, oldest first.
    std::vector<AwaitingPage> acknowledge(std::int64_t now_ms);
    // Every FLAG page of sender_id whose text announces as label stops awaiting and is returned.
    std::vector<AwaitingPage> acknowledge_flag(const std::string& sender_id, const std::string& label);
    // The newest urgent page with repeats left, which loses one; null when none has.
    const AwaitingPage* take_repeat();
    // True while an urgent page awaits with repeats left.
    bool repeats_pending() const;
    std::size_t count() const { return pages_.size(); }
    void clear() { pages_.clear(); }

private:
    std::vector<AwaitingPage> pages_;  // oldest first
};

}  // namespace quillnet
