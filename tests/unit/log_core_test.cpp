// Conversation log bookkeeping: status choice, pending positions as results arrive in
// either order, and the texts of the log lines.
#include <gtest/gtest.h>

#include "base/text.h"
#include "ui/log_core.h"

using namespace quillnet;

namespace {

// A stand-in for the log view's text, edited the way the window edits it.
struct FakeView {
    std::u16string text;
    PendingDeliveries pending;

    void add_outgoing(const std::string& id, const std::u16string& line, int recipients) {
        const auto start = static_cast<std::int32_t>(text.size());
        text += line + provisional_status(recipients) + u"\r\n";
        record_outgoing(pending, id, start, line, recipients);
    }
    bool apply(const std::string& id, std::int32_t ack, std::int32_t attempted, std::u16string* saved = nullptr) {
        StatusReplacement r;
        if (!take_delivery_result(pending, id, ack, attempted, r)) return false;
        text.replace(static_cast<std::size_t>(r.start), static_cast<std::size_t>(r.length), r.final_status);
        if (saved) *saved = r.finished_line;
        return true;
    }
};

}  // namespace

TEST(LogStatus, FinalStatusFollowsTheOrderOfTests) {
    EXPECT_EQ(final_status(2, 2), u"   \u2713 delivered (2/2)");
    EXPECT_EQ(final_status(1, 3), u"   \u26A0 1/3 delivered");
    EXPECT_EQ(final_status(0, 3), u"   \u2717 not delivered (0/3)");
    EXPECT_EQ(final_status(3, 2), u"   \u2713 delivered (3/2)");
    EXPECT_EQ(final_status(0, 0), u"   \u2713 delivered (0/0)");
    // Negative counts: the not-delivered form always shows 0 acknowledged.
    EXPECT_EQ(final_status(-1, 3), u"   \u2717 not delivered (0/3)");
    EXPECT_EQ(final_status(-1, -2), u"   \u2713 delivered (-1/-2)");
    EXPECT_EQ(final_status(-5, -2), u"   \u2717 not delivered (0/-2)");
    EXPECT_EQ(final_status(2147483647, 2147483647), u"   \u2713 delivered (2147483647/2147483647)");
}

TEST(LogStatus, ProvisionalStatusDependsOnRecipients) {
    EXPECT_EQ(provisional_status(1), u"   \u2026");
    EXPECT_EQ(provisional_status(5), u"   \u2026");
    EXPECT_EQ(provisional_status(0), u"   (no rooms online)");
    EXPECT_EQ(provisional_status(-1), u"   (no rooms online)");
}

TEST(LogPending, NoRecipientsIsFinalAndNeverPending) {
    FakeView view;
    view.add_outgoing("id-0", u"10:00:00  You \u2192 everyone:  hi", 0);
    EXPECT_TRUE(view.pending.empty());
    EXPECT_EQ(view.text, u"10:00:00  You \u2192 everyone:  hi   (no rooms online)\r\n");
    EXPECT_FALSE(view.apply("id-0", 1, 1));
    EXPECT_EQ(view.text, u"10:00:00  You \u2192 everyone:  hi   (no rooms online)\r\n");
}

TEST(LogPending, RecordedPositionIsLineStartPlusUtf16Length) {
    PendingDeliveries pending;
    const std::u16string line = u"a\U0001F600b";  // four UTF-16 units
    EXPECT_TRUE(record_outgoing(pending, "m", 100, line, 2));
    ASSERT_EQ(pending.count("m"), 1u);
    EXPECT_EQ(pending["m"].status_start, 104);
    EXPECT_EQ(pending["m"].status_length, 4);
    EXPECT_EQ(pending["m"].line_text, line);
    // Recording the same id again overwrites the entry.
    EXPECT_TRUE(record_outgoing(pending, "m", 10, u"xy", 1));
    EXPECT_EQ(pending.size(), 1u);
    EXPECT_EQ(pending["m"].status_start, 12);
}

TEST(LogPending, FirstResultFirstShiftsTheLaterLine) {
    FakeView view;
    view.text = u"\U0001F600 earlier line with an emoji\r\n";
    const std::u16string a = u"09:41:07  You \u2192 2 rooms:  A \U0001D11E";
    const std::u16string b = u"09:41:08  You \u2192 everyone:  \u00BB B";
    view.add_outgoing("A", a, 2);
    view.add_outgoing("B", b, 3);
    const std::int32_t b_before = view.pending["B"].status_start;

    std::u16string saved;
    ASSERT_TRUE(view.apply("A", 2, 2, &saved));
    EXPECT_EQ(saved, a + u"   \u2713 delivered (2/2)");
    // "   ✓ delivered (2/2)" is 20 units against 4 for "   …".
    EXPECT_EQ(view.pending["B"].status_start, b_before + 16);

    ASSERT_TRUE(view.apply("B", 1, 3, &saved));
    EXPECT_EQ(saved, b + u"   \u26A0 1/3 delivered");
    EXPECT_TRUE(view.pending.empty());
    EXPECT_EQ(view.text, u"\U0001F600 earlier line with an emoji\r\n" + a + u"   \u2713 delivered (2/2)\r\n" + b +
                             u"   \u26A0 1/3 delivered\r\n");
}

TEST(LogPending, LaterResultFirstLeavesTheEarlierLine) {
    FakeView view;
    const std::u16string a = u"\U0001F600\U0001F600 A";
    const std::u16string b = u"B";
    const std::u16string c = u"C";
    view.add_outgoing("A", a, 1);
    view.add_outgoing("B", b, 1);
    view.add_outgoing("C", c, 1);
    const std::int32_t a_before = view.pending["A"].status_start;
    const std::int32_t c_before = view.pending["C"].status_start;

    ASSERT_TRUE(view.apply("B", 0, 1));
    EXPECT_EQ(view.pending["A"].status_start, a_before);
    EXPECT_EQ(view.pending["C"].status_start, c_before + 20);  // "   ✗ not delivered (0/1)" is 24 units

    ASSERT_TRUE(view.apply("C", 1, 1));
    ASSERT_TRUE(view.apply("A", 1, 1));
    EXPECT_EQ(view.text, a + u"   \u2713 delivered (1/1)\r\n" + b + u"   \u2717 not delivered (0/1)\r\n" + c +
                             u"   \u2713 delivered (1/1)\r\n");
}

TEST(LogPending, ResultForUnknownOrFinishedIdChangesNothing) {
    FakeView view;
    view.add_outgoing("A", u"line", 1);
    const std::u16string before = view.text;
    EXPECT_FALSE(view.apply("other", 1, 1));
    EXPECT_EQ(view.text, before);
    EXPECT_TRUE(view.apply("A", 1, 1));
    const std::u16string after = view.text;
    EXPECT_FALSE(view.apply("A", 0, 1));  // a second result for the same message
    EXPECT_EQ(view.text, after);
    view.pending.clear();  // Clear History
    view.add_outgoing("B", u"x", 1);
    view.pending.clear();
    EXPECT_FALSE(view.apply("B", 1, 1));
}

TEST(LogPending, PositionsNearTheTopOfTheRangeDoNotOverflow) {
    PendingDeliveries pending;
    record_outgoing(pending, "A", 2147483640, u"0123456789", 1);
    EXPECT_EQ(pending["A"].status_start, 2147483647);
    record_outgoing(pending, "B", 0, u"x", 1);
    StatusReplacement r;
    ASSERT_TRUE(take_delivery_result(pending, "B", 1, 1, r));
    EXPECT_EQ(pending["A"].status_start, 2147483647);
}

TEST(LogText, TargetDescriptions) {
    EXPECT_EQ(describe_target_text(0), u"everyone");
    EXPECT_EQ(describe_target_text(1), u"1 room");
    EXPECT_EQ(describe_target_text(2), u"2 rooms");
    EXPECT_EQ(describe_target_text(12), u"12 rooms");
}

TEST(LogText, OutgoingLines) {
    EXPECT_EQ(outgoing_typed_line(u"09:41:07", u"2 rooms", u"hello") + final_status(2, 2),
              u"09:41:07  You \u2192 2 rooms:  hello   \u2713 delivered (2/2)");
    EXPECT_EQ(outgoing_quick_line(u"09:41:07", u"1 room", u"Next Case"),
              u"09:41:07  You \u2192 1 room:  \u00BB Next Case");
    EXPECT_EQ(outgoing_flag_line(u"09:41:07", u"Red", u"everyone"), u"09:41:07  You raised a \u2691 Red flag to everyone");
}

TEST(LogText, IncomingLinesBySenderAndKind) {
    const std::u16string label = sender_label(u"Ann", u"Op 2");
    EXPECT_EQ(label, u"Ann (Op 2)");
    EXPECT_EQ(sender_label(u"Ann", u""), u"Ann");
    EXPECT_EQ(incoming_line(u"08:00:01", "MSG", label, u"hi"), u"08:00:01  Ann (Op 2):  hi");
    EXPECT_EQ(incoming_line(u"08:00:01", "QUICK", label, u"Come Here"), u"08:00:01  Ann (Op 2):  \u00BB Come Here");
    EXPECT_EQ(incoming_line(u"08:00:01", "FLAG", u"Ann", u"Blue"), u"08:00:01  \u2691 Blue FLAG from Ann");
    // Only the exact upper-case words are special.
    EXPECT_EQ(incoming_line(u"08:00:01", "flag", u"Ann", u"Blue"), u"08:00:01  Ann:  Blue");
    EXPECT_EQ(incoming_line(u"08:00:01", "QUICK ", u"Ann", u"x"), u"08:00:01  Ann:  x");
    EXPECT_EQ(incoming_line(u"08:00:01", "", u"Ann", u""), u"08:00:01  Ann:  ");
}

TEST(LogText, StartUpLinesAndTime) {
    EXPECT_EQ(startup_separator(2024, 3, 7, 9, 5),
              u"\u2500\u2500\u2500\u2500\u2500\u2500  2024-03-07 09:05  \u2500\u2500\u2500\u2500\u2500\u2500");
    EXPECT_EQ(start_notice(u"Bob", u"Front Desk"),
              u"Started as \"Bob\" in room \"Front Desk\".  Waiting for other rooms\u2026");
    EXPECT_EQ(time_of_day_text(0, 0, 0), u"00:00:00");
    EXPECT_EQ(time_of_day_text(23, 59, 7), u"23:59:07");
}

namespace {

// The log view bounded to limit lines, edited the way the window edits it, beside the
// whole log as it would read unbounded.
struct BoundedView {
    explicit BoundedView(std::size_t view_limit) : limit(view_limit) {}
    std::size_t limit;
    std::u16string text;
    ViewLines lines;
    PendingDeliveries pending;
    std::vector<std::u16string> whole;              // every line ever written, statuses applied
    std::map<std::string, std::size_t> line_of;     // pending id -> index in whole
    std::vector<std::u16string> saved;

    void append(const std::u16string& line_with_break) {
        const std::int32_t cut = trim_for_append(lines, pending, 1, limit);
        text.erase(0, static_cast<std::size_t>(cut));
        text += line_with_break;
        note_appended(lines, line_with_break);
    }
    void add_line(const std::u16string& line) {
        append(line + u"\r\n");
        whole.push_back(line);
    }
    void add_outgoing(const std::string& id, const std::u16string& line) {
        const std::int32_t cut = trim_for_append(lines, pending, 1, limit);
        text.erase(0, static_cast<std::size_t>(cut));
        const auto start = static_cast<std::int32_t>(text.size());
        text += line + provisional_status(1) + u"\r\n";
        note_appended(lines, line + provisional_status(1) + u"\r\n");
        record_outgoing(pending, id, start, line, 1);
        line_of[id] = whole.size();
        whole.push_back(line + provisional_status(1));
    }
    void apply(const std::string& id, std::int32_t ack, std::int32_t attempted) {
        StatusReplacement r;
        if (!take_delivery_result(pending, id, ack, attempted, r)) return;
        saved.push_back(r.finished_line);
        whole[line_of[id]] = r.finished_line;
        if (r.start < 0) return;
        text.replace(static_cast<std::size_t>(r.start), static_cast<std::size_t>(r.length), r.final_status);
        note_replaced(lines, r.start, static_cast<std::int32_t>(r.final_status.size()) - r.length);
    }
    // The view must be exactly the newest lines of the whole log.
    std::u16string expected_view() const {
        std::u16string out;
        for (std::size_t i = whole.size() - lines.lengths.size(); i < whole.size(); ++i) out += whole[i] + u"\r\n";
        return out;
    }
};

}  // namespace

TEST(LogViewLines, TheViewKeepsAtMostTheLimitAndCutsTheOldestInChunks) {
    EXPECT_EQ(trim_chunk(5000), 250u);
    EXPECT_EQ(trim_chunk(100), 5u);
    EXPECT_EQ(trim_chunk(10), 1u);
    BoundedView view(100);
    std::size_t cuts = 0;
    for (int i = 0; i < 1000; ++i) {
        const std::size_t before = view.lines.lengths.size();
        view.add_line(u"page " + u16(std::to_string(i).c_str()) + u" \U0001F600");
        if (view.lines.lengths.size() < before) ++cuts;
        ASSERT_LE(view.lines.lengths.size(), 100u);
        ASSERT_EQ(view.lines.total, static_cast<std::int64_t>(view.text.size()));
    }
    EXPECT_EQ(view.text, view.expected_view());
    // 900 lines beyond the limit, five at a time.
    EXPECT_EQ(cuts, 180u);

    // Two lines at once (a day's separator before a page) still fit under the limit.
    ViewLines lines;
    PendingDeliveries none;
    note_appended(lines, std::u16string(100 * 1, u'x').append(u"\r\n"));
    for (int i = 1; i < 100; ++i) note_appended(lines, u"y\r\n");
    EXPECT_EQ(trim_for_append(lines, none, 2, 100), 102 + 4 * 3);
    EXPECT_EQ(lines.lengths.size(), 95u);
    EXPECT_EQ(trim_for_append(lines, none, 2, 100), 0);
}

TEST(LogViewLines, PendingLinesKeepTheirStatusPlaceAcrossCutsAndTrimmedOnesStillReachHistory) {
    // Pages and outgoing lines mixed, results arriving late and out of order: whatever
    // has been cut, every status lands on its own line and every result is saved.
    BoundedView view(100);
    std::vector<std::string> waiting;
    unsigned seed = 7;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
    for (int i = 0; i < 3000; ++i) {
        if (next() % 3 == 0) {
            const std::string id = "m-" + std::to_string(i);
            view.add_outgoing(id, u"You \u2192 1 room:  \U0001F4AC " + u16(std::to_string(i).c_str()));
            waiting.push_back(id);
        } else {
            view.add_line(u"page " + u16(std::to_string(i).c_str()));
        }
        // Results come for a random waiting line, some only hundreds of lines later.
        if (!waiting.empty() && next() % 4 == 0) {
            const std::size_t k = next() % waiting.size();
            view.apply(waiting[k], static_cast<std::int32_t>(next() % 3), 2);
            waiting.erase(waiting.begin() + static_cast<std::ptrdiff_t>(k));
        }
        ASSERT_EQ(view.text, view.expected_view()) << "after line " << i;
    }
    const std::size_t saved_before = view.saved.size();
    std::size_t trimmed = 0;
    for (const auto& entry : view.pending) trimmed += in_view(entry.second) ? 0 : 1;
    EXPECT_GT(trimmed, 0u);
    for (const std::string& id : waiting) view.apply(id, 2, 2);
    EXPECT_EQ(view.text, view.expected_view());
    EXPECT_EQ(view.saved.size(), saved_before + waiting.size());
    EXPECT_TRUE(view.pending.empty());
    EXPECT_EQ(view.saved.back(), view.whole[view.line_of[waiting.back()]]);
}

TEST(LogViewLines, ResetTakesTheLinesOfATextWithOrWithoutAFinalBreak) {
    ViewLines lines;
    reset_view_lines(lines, u"one\r\ntwo\r\nthree");
    EXPECT_EQ(lines.lengths, (std::deque<std::int32_t>{5, 5, 5}));
    EXPECT_EQ(lines.total, 15);
    reset_view_lines(lines, u"");
    EXPECT_TRUE(lines.lengths.empty());
    EXPECT_EQ(lines.total, 0);
    note_replaced(lines, 3, 4);  // nothing to change: no crash, nothing recorded
    EXPECT_EQ(lines.total, 0);
}

TEST(LogWordBreak, WrapsBeforeWordsAndLooksOnlyAtTheLineGiven) {
    const std::u16string text = u"Mrs Example is  ready\tin Op 2";
    const char16_t* t = text.c_str();
    const int n = static_cast<int>(text.size());
    EXPECT_EQ(log_word_break(t, 10, n, 0), 4);    // inside "Example": its start
    EXPECT_EQ(log_word_break(t, 4, n, 0), 0);     // at "Example": the word before
    EXPECT_EQ(log_word_break(t, 17, n, 0), 16);   // after two spaces: "ready"
    EXPECT_EQ(log_word_break(t, 23, n, 0), 22);   // after a tab: "in"
    EXPECT_EQ(log_word_break(t, 2, n, 0), 0);     // no break before: the line's start
    EXPECT_EQ(log_word_break(t, 5, n, 1), 12);    // the next word after "Example"
    EXPECT_EQ(log_word_break(t, 26, n, 1), 28);   // "2"
    EXPECT_EQ(log_word_break(t, 29, n, 1), n);    // none left: the end
    EXPECT_EQ(log_word_break(t, 3, n, 2), 1);
    EXPECT_EQ(log_word_break(t, 4, n, 2), 0);
    EXPECT_EQ(log_word_break(t, n, n, 2), 0);
    // Out of range and unknown requests stay inside the text.
    EXPECT_EQ(log_word_break(t, -3, n, 0), 0);
    EXPECT_EQ(log_word_break(t, n + 9, n, 1), n);
    EXPECT_EQ(log_word_break(t, 4, n, 7), 0);
    EXPECT_EQ(log_word_break(nullptr, 4, n, 0), 0);
    EXPECT_EQ(log_word_break(t, 4, 0, 0), 0);
}
