// The board, the awaiting pages and the log lines of acknowledgements and raised
// flags, worked out without a window; and the room the layout gives the board.
#include <gtest/gtest.h>

#include "base/text.h"
#include "ui/awaiting_pages.h"
#include "ui/board_rows.h"
#include "ui/layout.h"
#include "ui/loop_lines.h"

using namespace quillnet;

namespace {

BoardSource source(const std::string& id, const std::string& user, const std::string& room,
                   std::vector<BoardSource::Flag> flags, bool own = false) {
    BoardSource s;
    s.id = id;
    s.user = user;
    s.room = room;
    s.own = own;
    s.flags = std::move(flags);
    return s;
}

AwaitingPage page(const std::string& id, std::int64_t shown_ms, bool urgent = false,
                  const std::string& kind = "QUICK", const std::string& sender = "S", const std::string& text = "x") {
    AwaitingPage p;
    p.page_id = id;
    p.sender_id = sender;
    p.shown_ms = shown_ms;
    p.urgent = urgent;
    p.kind = kind;
    p.text = text;
    return p;
}

std::vector<std::string> ids(const std::vector<AwaitingPage>& pages) {
    std::vector<std::string> out;
    for (const AwaitingPage& p : pages) out.push_back(p.page_id);
    return out;
}

}  // namespace

TEST(BoardAge, TextsAtEveryBoundary) {
    EXPECT_EQ(flag_age_text(0), u"(just now)");
    EXPECT_EQ(flag_age_text(59), u"(just now)");
    EXPECT_EQ(flag_age_text(60), u"(1 min)");
    EXPECT_EQ(flag_age_text(119), u"(1 min)");
    EXPECT_EQ(flag_age_text(3599), u"(59 min)");
    EXPECT_EQ(flag_age_text(3600), u"(1 h 00 min)");
    EXPECT_EQ(flag_age_text(3600 + 9 * 60 + 59), u"(1 h 09 min)");
    EXPECT_EQ(flag_age_text(26 * 3600 + 45 * 60), u"(26 h 45 min)");
    EXPECT_EQ(flag_age_text(4294967295LL), u"(1193046 h 28 min)");
    // A raise ahead of the clock (announced age larger than the uptime) is just now.
    EXPECT_EQ(flag_age_seconds(5000, 1000), 0);
    EXPECT_EQ(flag_age_seconds(1000, 60999), 59);
    EXPECT_EQ(flag_age_seconds(-3600000, 0), 3600);
}

TEST(BoardRows, OrderSourcesColoursAndText) {
    const std::vector<FlagDefinition> own_flags = {{"Red", 0x0000FF}, {"Teal", 0x808000}};
    const std::vector<BoardSource> sources = {
        source("me", "Desk", "Front", {{"Teal", 5000}}, true),
        source("b", "Dr Lee", "Op 1", {{"RED", 1000}, {"Gold", 9000}}),
        source("a", "Nurse", "Op 2", {{"red", 1000}}),
        source("c", "Sam", "", {{"Red", 1000}}),
    };
    const BoardContent board = build_board(sources, own_flags);
    ASSERT_EQ(board.rows.size(), 5u);
    EXPECT_EQ(board.raised, 5u);
    // Ties at 1000 go by InstanceId: a, b, c; then the own flag at 5000, Gold at 9000.
    EXPECT_EQ(board.rows[0].owner_id, "a");
    EXPECT_EQ(board.rows[1].owner_id, "b");
    EXPECT_EQ(board.rows[2].owner_id, "c");
    EXPECT_EQ(board.rows[3].owner_id, "me");
    EXPECT_TRUE(board.rows[3].own);
    EXPECT_EQ(board.rows[4].label, "Gold");
    // The receiver's own colour whatever the ASCII case, grey for a label it lacks.
    EXPECT_EQ(board.rows[0].colour, 0x0000FFu);
    EXPECT_EQ(board.rows[1].colour, 0x0000FFu);
    EXPECT_EQ(board.rows[3].colour, 0x808000u);
    EXPECT_EQ(board.rows[4].colour, UNKNOWN_BOARD_COLOUR);
    // The room names the source; the user when the room is empty.
    EXPECT_EQ(board_row_text(board.rows[1], 1000), u"Op 1  \u2014  RED  (just now)");
    EXPECT_EQ(board_row_text(board.rows[2], 61000), u"Sam  \u2014  Red  (1 min)");
    EXPECT_EQ(board.rows[2].owner_room, "Sam");
    EXPECT_EQ(board_row_text(board.rows[3], 5000 + 7200000), u"Front  \u2014  Teal  (2 h 00 min)");
    EXPECT_EQ(find_board_row(board.rows, "b", "Gold"), 4);
    EXPECT_EQ(find_board_row(board.rows, "b", "gold"), -1);

    // Ties in time and owner go by label, byte for byte (upper case first).
    const BoardContent same = build_board({source("x", "U", "R", {{"b", 1}, {"B", 1}, {"a", 1}})}, {});
    EXPECT_EQ(same.rows[0].label, "B");
    EXPECT_EQ(same.rows[1].label, "a");
    EXPECT_EQ(same.rows[2].label, "b");
}

TEST(BoardRows, SharedRoomsAreToldApartAndRowsStopAt64) {
    const std::vector<BoardSource> sources = {
        source("me", "Desk", "Op 1", {{"Red", 1}}, true),
        source("p", "Dr Lee", "Op 1", {{"Red", 2}}),
        source("q", "Nurse", "Op 3", {{"Red", 3}}),
        source("r", "Sam", "Op 3", {{"Red", 4}}),
    };
    const BoardContent board = build_board(sources, {});
    ASSERT_EQ(board.rows.size(), 4u);
    EXPECT_EQ(board.rows[0].source, "Op 1");  // own flags keep the own room
    EXPECT_EQ(board.rows[1].source, "Dr Lee (Op 1)");
    EXPECT_EQ(board.rows[1].owner_room, "Op 1");
    EXPECT_EQ(board.rows[2].source, "Nurse (Op 3)");
    EXPECT_EQ(board.rows[3].source, "Sam (Op 3)");

    std::vector<BoardSource> many;
    for (int i = 0; i < 9; ++i) {
        std::vector<BoardSource::Flag> flags;
        for (int k = 0; k < 8; ++k) flags.push_back({"F" + std::to_string(k), 1000 * (i * 8 + k)});
        many.push_back(source("id" + std::to_string(i), "U", "R" + std::to_string(i), flags));
    }
    const BoardContent full = build_board(many, {});
    EXPECT_EQ(full.raised, 72u);
    ASSERT_EQ(full.rows.size(), MAX_BOARD_ROWS);
    // The oldest 64 are shown.
    EXPECT_EQ(full.rows.back().raised_ms, 63000);
}

TEST(BoardTooltip, SuffixFitsByCuttingTheRoom) {
    EXPECT_EQ(tray_tooltip_text(u"Op 1", 0, 128), u"Quillnet \u2014 Op 1");
    EXPECT_EQ(tray_tooltip_text(u"Op 1", 1, 128), u"Quillnet \u2014 Op 1 \u2014 1 flag raised");
    EXPECT_EQ(tray_tooltip_text(u"Op 1", 12, 128), u"Quillnet \u2014 Op 1 \u2014 12 flags raised");
    const std::u16string long_room(200, u'r');
    const std::u16string cut = tray_tooltip_text(long_room, 3, 120);
    EXPECT_EQ(cut.size(), 120u);
    EXPECT_EQ(cut.substr(cut.size() - 17), u" \u2014 3 flags raised");
    // A surrogate pair at the cut goes whole.
    std::u16string emoji_room(103, u'r');
    emoji_room += u"\U0001F600";
    const std::u16string at_pair = tray_tooltip_text(emoji_room, 1, 11 + 104 + 15);
    EXPECT_EQ(at_pair, u"Quillnet \u2014 " + std::u16string(103, u'r') + u" \u2014 1 flag raised");
}

TEST(AwaitingPages, AcknowledgeTakesOnlyPagesShownASecondBefore) {
    AwaitingPages pages;
    pages.add(page("1", 1000));
    pages.add(page("2", 5000));
    pages.add(page("3", 5001));
    EXPECT_EQ(pages.count(), 3u);
    EXPECT_EQ(ids(pages.acknowledge(6000)), (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(pages.count(), 1u);
    EXPECT_TRUE(pages.acknowledge(6000).empty());
    EXPECT_EQ(ids(pages.acknowledge(6001)), (std::vector<std::string>{"3"}));
    EXPECT_EQ(pages.count(), 0u);
}

TEST(AwaitingPages, BeyondAHundredTheOldestNonUrgentGoesElseTheOldest) {
    AwaitingPages pages;
    pages.add(page("u0", 0, true));
    for (int i = 1; i < 100; ++i) pages.add(page("n" + std::to_string(i), i));
    pages.add(page("new", 100));
    EXPECT_EQ(pages.count(), MAX_AWAITING_PAGES);
    std::vector<std::string> left = ids(pages.acknowledge(1000000));
    EXPECT_EQ(left.front(), "u0");  // the urgent one stayed, n1 went
    EXPECT_EQ(left[1], "n2");
    EXPECT_EQ(left.back(), "new");

    AwaitingPages urgent;
    for (int i = 0; i < 101; ++i) urgent.add(page("u" + std::to_string(i), i, true));
    left = ids(urgent.acknowledge(1000000));
    ASSERT_EQ(left.size(), 100u);
    EXPECT_EQ(left.front(), "u1");
}

TEST(AwaitingPages, FlagPagesOfOneSenderAndLabelAreAcknowledgedTogether) {
    AwaitingPages pages;
    pages.add(page("1", 0, false, "FLAG", "A", "Red"));
    pages.add(page("2", 0, false, "FLAG", "B", "Red"));
    pages.add(page("3", 0, false, "QUICK", "A", "Red"));
    pages.add(page("4", 0, false, "FLAG", "A", "Blue"));
    pages.add(page("5", 0, false, "FLAG", "A", "Red"));
    EXPECT_EQ(ids(pages.acknowledge_flag("A", "Red")), (std::vector<std::string>{"1", "5"}));
    EXPECT_EQ(pages.count(), 3u);
    EXPECT_TRUE(pages.acknowledge_flag("A", "red").empty());
}

TEST(AwaitingPages, UrgentRepeatsGoToTheNewestAndStopAfterFifteen) {
    AwaitingPages pages;
    EXPECT_FALSE(pages.repeats_pending());
    EXPECT_EQ(pages.take_repeat(), nullptr);
    pages.add(page("old", 0, true));
    pages.add(page("plain", 0, false));
    EXPECT_TRUE(pages.repeats_pending());
    pages.add(page("new", 0, true));
    for (int i = 0; i < URGENT_REPEATS; ++i) {
        const AwaitingPage* next = pages.take_repeat();
        ASSERT_NE(next, nullptr);
        EXPECT_EQ(next->page_id, "new");
    }
    // The newest ran out: the older urgent page has its own fifteen.
    for (int i = 0; i < URGENT_REPEATS; ++i) {
        const AwaitingPage* next = pages.take_repeat();
        ASSERT_NE(next, nullptr);
        EXPECT_EQ(next->page_id, "old");
    }
    EXPECT_FALSE(pages.repeats_pending());
    EXPECT_EQ(pages.take_repeat(), nullptr);
    EXPECT_EQ(pages.count(), 3u);  // still awaiting, only the repeats are spent
}

TEST(LoopLines, EveryLineOfAcknowledgementsAndFlags) {
    const std::u16string t = u"09:41:07";
    EXPECT_EQ(seen_by_line(t, u"Dr Lee (Op 1)", u"\u00BB Will Call"),
              u"09:41:07  \u2713 seen by Dr Lee (Op 1):  \u00BB Will Call");
    EXPECT_EQ(not_seen_line(t, u"Dr Lee (Op 1)", u"\u00BB EMERG"),
              u"09:41:07  \u26A0 not seen yet by Dr Lee (Op 1):  \u00BB EMERG");
    EXPECT_EQ(own_flag_cleared_line(t, u"Red"), u"09:41:07  \u2691 Red cleared");
    EXPECT_EQ(flag_cleared_by_line(t, u"Red", u"Dr Lee (Op 2)"), u"09:41:07  \u2691 Red cleared by Dr Lee (Op 2)");
    EXPECT_EQ(flag_gone_line(t, u"Red", u"Op 1"), u"09:41:07  \u2691 Red of Op 1 no longer shown (Op 1 left)");
    EXPECT_EQ(flag_not_kept_line(t, u"Teal"), u"09:41:07  \u2691 Teal not kept on the board (8 flags are raised)");
    EXPECT_EQ(clear_request_line(t, u"Op 1", u"Red"), u"09:41:07  You \u2192 Op 1:  clear \u2691 Red");
}

TEST(Layout, TheBoardHasRoomAboveTheLogAtEverySizeAndDpi) {
    for (const unsigned dpi : {96u, 120u, 144u, 192u}) {
        // The minimum client size of the window at that DPI, and a larger one.
        for (const int grow : {0, 300}) {
            const int w = scale_px(764, dpi) + grow;
            const int h = scale_px(581, dpi) + grow;
            SCOPED_TRACE(std::to_string(dpi) + " " + std::to_string(w) + "x" + std::to_string(h));
            const MainLayout l = compute_layout(w, h, 10, 6, dpi);
            // Caption, Seen and Clear on one line below the banner, left to right.
            EXPECT_GE(l.seen_button.y, l.banner.y + l.banner.height);
            EXPECT_LE(l.board_caption.x + l.board_caption.width, l.seen_button.x);
            EXPECT_LT(l.seen_button.x + l.seen_button.width, l.board_clear.x);
            EXPECT_EQ(l.board_clear.x + l.board_clear.width, w - scale_px(12, dpi));
            EXPECT_GE(l.board_caption.width, scale_px(150, dpi));
            // The list below them, the log below the list, both the column's width.
            EXPECT_GE(l.board_list.y, l.board_clear.y + l.board_clear.height);
            EXPECT_EQ(l.board_list.height, scale_px(BOARD_LIST_HEIGHT, dpi));
            EXPECT_GT(l.log_view.y, l.board_list.y + l.board_list.height);
            EXPECT_EQ(l.board_list.width, l.log_view.width);
            // The log still ends where it did, above the compose line, with room for lines.
            EXPECT_EQ(l.log_view.y + l.log_view.height, l.input_edit.y - scale_px(12, dpi));
            EXPECT_GE(l.log_view.height, scale_px(200, dpi));
        }
    }
    const MainLayout l = compute_layout(800, 600, 5, 6);
    EXPECT_EQ(l.board_caption, (ControlRect{234, 72, 338, 18}));
    EXPECT_EQ(l.seen_button, (ControlRect{580, 66, 110, 26}));
    EXPECT_EQ(l.board_clear, (ControlRect{698, 66, 90, 26}));
    EXPECT_EQ(l.board_list, (ControlRect{234, 96, 554, 92}));
    EXPECT_EQ(l.log_view, (ControlRect{234, 196, 554, 222}));
}
