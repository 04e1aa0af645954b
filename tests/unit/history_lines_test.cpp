// History file lines: splitting what a user or an older run left in the file, and
// trimming to the newest 1000 lines at start-up.
#include <gtest/gtest.h>

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
