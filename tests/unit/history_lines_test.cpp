// History file lines: splitting what a user or an older run left in the file, and
// trimming to the newest 1000 lines at start-up.
#include <gtest/gtest.h>

#include "base/text.h"
#include "history/history_lines.h"

using namespace quillnet;

namespace {

using Lines = std::vector<std::string>;

std::string numbered_lines(std::size_t count, const char* ending) {
    std::string out;
    for (std::size_t i = 1; i <= count; ++i) out += "line " + std::to_string(i) + ending;
    return out;
}

}  // namespace

TEST(HistorySplit, LineBreaksAndEmptyLines) {
    EXPECT_EQ(split_history_lines(""), Lines{});
    EXPECT_EQ(split_history_lines("a\r\nb\r\n"), (Lines{"a", "b"}));
    EXPECT_EQ(split_history_lines("a\nb\n"), (Lines{"a", "b"}));
    EXPECT_EQ(split_history_lines("a\r\nb"), (Lines{"a", "b"}));            // last line without a break
    EXPECT_EQ(split_history_lines("a\n\n\r\nb\n"), (Lines{"a", "", "", "b"}));  // empty lines stay
    EXPECT_EQ(split_history_lines("\n"), Lines{""});
    EXPECT_EQ(split_history_lines("a\r\r\nb"), (Lines{"a\r", "b"}));         // only one CR is removed
    EXPECT_EQ(split_history_lines("a\rb\n"), Lines{"a\rb"});                // a lone CR is no break
    EXPECT_EQ(split_history_lines("a\n\r"), (Lines{"a", ""}));
}

TEST(HistoryLoad, TextIsEachLineWithCrLf) {
    HistoryLoad load = prepare_history("one\ntwo\r\nthree");
    EXPECT_EQ(load.text, u"one\r\ntwo\r\nthree\r\n");
    EXPECT_FALSE(load.rewrite);
    EXPECT_TRUE(load.rewritten.empty());

    EXPECT_EQ(prepare_history("").text, u"");
    EXPECT_EQ(prepare_history("\n\n").text, u"\r\n\r\n");
    EXPECT_EQ(prepare_history("09:41:07  You \xE2\x86\x92 1 room:  \xF0\x9F\x98\x80\r\n").text,
              u"09:41:07  You \u2192 1 room:  \U0001F600\r\n");
}

TEST(HistoryLoad, ByteOrderMarkStaysInTheFirstLine) {
    EXPECT_EQ(prepare_history("\xEF\xBB\xBFhello\r\n").text, u"\uFEFFhello\r\n");
}

TEST(HistoryLoad, ZeroByteEndsTheShownTextButNotTheFile) {
    std::string bytes = "one\r\ntw";
    bytes += '\0';
    bytes += "o\r\nthree\r\n";
    const HistoryLoad load = prepare_history(bytes);
    EXPECT_EQ(load.text, u"one\r\ntw");
    EXPECT_FALSE(load.rewrite);

    // When a trim rewrites the file, the lines after the zero byte are kept there.
    std::string long_file = numbered_lines(1000, "\r\n") + "x";
    long_file += '\0';
    long_file += "y\r\nlast\r\n";
    const HistoryLoad trimmed = prepare_history(long_file);
    ASSERT_TRUE(trimmed.rewrite);
    EXPECT_EQ(trimmed.rewritten.substr(0, 8), "line 3\r\n");
    const std::string tail("\nx\0y\r\nlast\r\n", 12);
    EXPECT_EQ(trimmed.rewritten.substr(trimmed.rewritten.size() - tail.size()), tail);
    const std::u16string shown_end = u"line 1000\r\nx";
    EXPECT_EQ(trimmed.text.substr(trimmed.text.size() - shown_end.size()), shown_end);
}

TEST(HistoryLoad, ExactlyThousandLinesAreKeptWhole) {
    const std::string bytes = numbered_lines(1000, "\r\n");
    const HistoryLoad load = prepare_history(bytes);
    EXPECT_FALSE(load.rewrite);
    EXPECT_EQ(load.text.substr(0, 8), u"line 1\r\n");
    EXPECT_EQ(split_history_lines(bytes).size(), 1000u);
}

TEST(HistoryLoad, ThousandAndOneLinesLoseTheOldest) {
    for (const char* ending : {"\r\n", "\n"}) {
        const HistoryLoad load = prepare_history(numbered_lines(1001, ending));
        ASSERT_TRUE(load.rewrite) << "ending " << (ending[0] == '\r' ? "CR LF" : "LF");
        // What is written back is CR LF lines 2..1001, and the view shows the same.
        std::string expected;
        for (int i = 2; i <= 1001; ++i) expected += "line " + std::to_string(i) + "\r\n";
        EXPECT_EQ(load.rewritten, expected);
        EXPECT_EQ(load.text, std::u16string(expected.begin(), expected.end()));
    }
}

TEST(HistoryLoad, TrimCountsEmptyLinesAndTheUnterminatedLast) {
    std::string bytes(1000, '\n');  // 1000 empty lines
    bytes += "tail";
    const HistoryLoad load = prepare_history(bytes);
    ASSERT_TRUE(load.rewrite);
    EXPECT_EQ(split_history_lines(load.rewritten).size(), 1000u);
    EXPECT_EQ(load.rewritten.substr(load.rewritten.size() - 6), "tail\r\n");
}

TEST(HistoryJoin, FromAGivenLine) {
    EXPECT_EQ(join_history_lines({"a", "", "c"}), "a\r\n\r\nc\r\n");
    EXPECT_EQ(join_history_lines({"a", "b", "c"}, 2), "c\r\n");
    EXPECT_EQ(join_history_lines({"a"}, 1), "");
    EXPECT_EQ(join_history_lines({"a"}, 5), "");
}

namespace {

const std::string RULE = "\xE2\x94\x80\xE2\x94\x80\xE2\x94\x80\xE2\x94\x80\xE2\x94\x80\xE2\x94\x80";

std::string separator(const std::string& stamp) { return RULE + "  " + stamp + "  " + RULE; }

const LocalMoment NOW{2026, 12, 8, 9, 15, 0};

}  // namespace

TEST(HistoryAge, LinesTakeTheDateOfTheSeparatorAboveThemAndOldOnesLeave) {
    const Lines file = {
        separator("2026-11-01 08:00"), "08:01:00  Desk (Front):  old page", "   continued without a time",
        separator("2026-12-01 09:15"), "09:16:00  Desk (Front):  a week ago",
        separator("2026-12-07 09:14"), "09:14:30  Desk (Front):  a day and a minute ago",
        separator("2026-12-07 09:16"), "09:16:00  Desk (Front):  just under a day ago",
    };
    EXPECT_EQ(drop_old_history_lines(file, 0, NOW), file);  // no limit
    EXPECT_EQ(drop_old_history_lines(file, 1, NOW), (Lines{file[7], file[8]}));
    EXPECT_EQ(drop_old_history_lines(file, 7, NOW), (Lines{file.begin() + 3, file.end()}));
    EXPECT_EQ(drop_old_history_lines(file, 40, NOW), file);
    // A whole year: the month boundary and the year's own length count.
    EXPECT_EQ(drop_old_history_lines({separator("2025-12-08 09:15")}, 365, NOW).size(), 1u);
    EXPECT_EQ(drop_old_history_lines({separator("2025-12-08 09:14")}, 365, NOW).size(), 0u);
}

TEST(HistoryAge, ARunPastMidnightMovesToTheNextDayButLateDeliveryResultsDoNot) {
    const Lines file = {
        separator("2026-12-06 22:00"),
        "23:59:50  You \xE2\x86\x92 everyone:  late",
        "23:59:40  You \xE2\x86\x92 everyone:  finished after the line above",
        "00:00:10  Desk (Front):  after midnight, 2026-12-07",
        "09:30:00  Desk (Front):  2026-12-07 09:30, no day change seen",
    };
    // Cut-off 2026-12-07 09:15: the lines of the 6th leave, the rest is the 7th.
    EXPECT_EQ(drop_old_history_lines(file, 1, NOW), (Lines{file[4]}));
    // Cut-off 2026-12-06 09:15: all stay.
    EXPECT_EQ(drop_old_history_lines(file, 2, NOW), file);
}

TEST(HistoryAge, LinesAboveTheFirstSeparatorHaveNoDateAndLeaveWhenThereIsALimit) {
    const Lines file = {"09:00:00  Desk (Front):  trimmed run", "", separator("2026-12-08 09:00"),
                        "09:01:00  Desk (Front):  today", "not a separator  2026-12-08 09:00"};
    EXPECT_EQ(drop_old_history_lines(file, 30, NOW), (Lines{file[2], file[3], file[4]}));
    EXPECT_EQ(drop_old_history_lines({"hand-written", "12:00:00  x"}, 30, NOW), Lines{});
    // Separators that are not quite ones give no date.
    EXPECT_EQ(drop_old_history_lines({separator("2026-13-08 09:00"), separator("2026-12-08 9:00"),
                                      RULE + " 2026-12-08 09:00  " + RULE},
                                     30, NOW),
              Lines{});
}

TEST(HistoryLoad, AnAgeLimitRewritesTheFileOnlyWhenLinesLeaveAndTheThousandRuleStillHolds) {
    const std::string recent = separator("2026-12-08 09:00") + "\r\n" + numbered_lines(1200, "\r\n");
    HistoryLoad load = prepare_history(recent, 30, NOW);
    ASSERT_TRUE(load.rewrite);
    EXPECT_EQ(split_history_lines(load.rewritten).size(), history_keep_lines);
    EXPECT_EQ(split_history_lines(load.rewritten).back(), "line 1200");

    const std::string young = separator("2026-12-08 09:00") + "\r\n09:01:00  a\r\n";
    load = prepare_history(young, 30, NOW);
    EXPECT_FALSE(load.rewrite);
    EXPECT_EQ(load.text, utf8_to_utf16(young));

    load = prepare_history(separator("2026-10-01 09:00") + "\r\n09:01:00  a\r\n" + young, 30, NOW);
    ASSERT_TRUE(load.rewrite);
    EXPECT_EQ(load.rewritten, young);
    EXPECT_EQ(load.text, utf8_to_utf16(young));
}
