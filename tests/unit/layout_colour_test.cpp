// Main window layout arithmetic and the colours of text on tiles and of the banner blink.
#include <gtest/gtest.h>

#include "ui/colour.h"
#include "ui/layout.h"

using namespace quillnet;

TEST(Layout, FixedControlsAtTheMinimumClientSize) {
    const MainLayout l = compute_layout(764, 581, 5, 6);
    EXPECT_EQ(l.banner, (ControlRect{0, 0, 764, 60}));
    EXPECT_EQ(l.quick_label, (ControlRect{12, 455, 144, 18}));
    EXPECT_EQ(l.flags_label, (ControlRect{12, 537, 144, 18}));
    EXPECT_EQ(l.rooms_caption, (ControlRect{12, 72, 210, 18}));
    EXPECT_EQ(l.rooms_list, (ControlRect{12, 90, 210, 283}));
    EXPECT_EQ(l.everyone_check, (ControlRect{12, 377, 210, 22}));
    EXPECT_EQ(l.log_view, (ControlRect{234, 196, 518, 203}));
    EXPECT_EQ(l.input_edit, (ControlRect{12, 411, 642, 30}));
    EXPECT_EQ(l.send_button, (ControlRect{662, 411, 90, 30}));
}

TEST(Layout, WidthEightHundredGivesQuick118AndSixFlags97) {
    const MainLayout l = compute_layout(800, 600, 10, 6);
    ASSERT_EQ(l.quick_buttons.size(), 10u);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(l.quick_buttons[i], (ControlRect{162 + (i % 5) * 126, i < 5 ? 468 : 508, 118, 32})) << i;
    }
    // The row ends 12 px from the right edge less the division's remainder (4).
    EXPECT_EQ(l.quick_buttons[4].x + l.quick_buttons[4].width, 800 - 12 - 4);
    ASSERT_EQ(l.flag_buttons.size(), 6u);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(l.flag_buttons[i], (ControlRect{162 + i * 105, 548, 97, 40})) << i;
    EXPECT_EQ(l.flag_buttons[5].x + l.flag_buttons[5].width, 800 - 12 - 4);
}

TEST(Layout, SevenQuickButtonsLeaveTwoInTheSecondRow) {
    const MainLayout l = compute_layout(800, 600, 7, 1);
    ASSERT_EQ(l.quick_buttons.size(), 7u);
    EXPECT_EQ(l.quick_buttons[4].y, 468);
    EXPECT_EQ(l.quick_buttons[5], (ControlRect{162, 508, 118, 32}));
    EXPECT_EQ(l.quick_buttons[6], (ControlRect{288, 508, 118, 32}));
    // One flag takes the whole row: (800 - 166 - 8) / 1.
    EXPECT_EQ(l.flag_buttons[0], (ControlRect{162, 548, 626, 40}));
}

TEST(Layout, MinimumWidthsApplyBelowTheirThresholds) {
    EXPECT_EQ(compute_layout(556, 600, 1, 1).quick_buttons[0].width, 70);
    EXPECT_EQ(compute_layout(555, 600, 1, 1).quick_buttons[0].width, 70);
    EXPECT_EQ(compute_layout(561, 600, 1, 1).quick_buttons[0].width, 71);
    EXPECT_EQ(compute_layout(300, 600, 1, 1).quick_buttons[0].width, 70);
    const MainLayout narrow = compute_layout(400, 600, 5, 6);
    EXPECT_EQ(narrow.quick_buttons[4], (ControlRect{162 + 4 * 78, 468, 70, 32}));  // runs past the edge
    EXPECT_EQ(narrow.flag_buttons[5], (ControlRect{162 + 5 * 68, 548, 60, 40}));
}

TEST(Layout, TinyAndZeroSizesStayWellDefined) {
    // Negative numerators truncate toward zero and the minimums take over.
    const MainLayout l = compute_layout(0, 0, 10, 3);
    EXPECT_EQ(l.quick_buttons[0].width, 70);
    EXPECT_EQ(l.flag_buttons[0].width, 60);
    EXPECT_EQ(l.rooms_list.height, -298);
    EXPECT_EQ(l.log_view.width, -246);
    EXPECT_EQ(l.board_list.width, -246);
    EXPECT_EQ(l.send_button.x, -102);
    const MainLayout odd = compute_layout(-5, -5, 1, 1);
    EXPECT_EQ(odd.quick_buttons[0].width, 70);
    EXPECT_EQ(odd.banner.width, -5);
    const MainLayout big = compute_layout(65535, 65535, 10, 100);
    EXPECT_EQ(big.quick_buttons[9].x, 162 + 4 * ((65535 - 206) / 5 + 8));
    EXPECT_EQ(big.flag_buttons[99].x, 162 + 99 * ((65535 - 166 - 800) / 100 + 8));
}

TEST(Layout, EmptyListsGetNoButtons) {
    const MainLayout l = compute_layout(800, 600, 0, 0);
    EXPECT_TRUE(l.quick_buttons.empty());
    EXPECT_TRUE(l.flag_buttons.empty());
    EXPECT_TRUE(compute_layout(800, 600, -1, -3).flag_buttons.empty());
}

TEST(Colour, TextOnBackgroundByLuminance) {
    EXPECT_DOUBLE_EQ(luminance(make_colour(255, 255, 255)), 255.0);
    EXPECT_DOUBLE_EQ(luminance(make_colour(100, 0, 0)), 29.9);
    EXPECT_EQ(text_colour_on(0x48372D), LIGHT_TEXT);            // the idle banner
    EXPECT_EQ(text_colour_on(make_colour(0, 0, 0)), LIGHT_TEXT);
    EXPECT_EQ(text_colour_on(make_colour(255, 255, 0)), DARK_TEXT);  // yellow
    EXPECT_EQ(text_colour_on(make_colour(255, 0, 0)), LIGHT_TEXT);   // red: 76.2
    EXPECT_EQ(text_colour_on(make_colour(0, 255, 0)), DARK_TEXT);    // green: 149.7
    EXPECT_EQ(text_colour_on(make_colour(140, 140, 140)), DARK_TEXT);  // exactly 140 is not below
    EXPECT_EQ(text_colour_on(make_colour(139, 139, 139)), LIGHT_TEXT);
    EXPECT_EQ(text_colour_on(0x787878), LIGHT_TEXT);
    EXPECT_EQ(text_colour_on(0xFF000000u | make_colour(255, 255, 255)), DARK_TEXT);  // high byte ignored
}

TEST(Colour, BlinkColourMovesTowardWhite) {
    EXPECT_EQ(lighten_for_blink(make_colour(0, 0, 0)), make_colour(140, 140, 140));
    EXPECT_EQ(lighten_for_blink(make_colour(100, 100, 100)), make_colour(185, 185, 185));
    EXPECT_EQ(lighten_for_blink(0x787878), 0xC2C2C2u);
    EXPECT_EQ(lighten_for_blink(make_colour(255, 254, 1)), make_colour(255, 254, 140));
    EXPECT_EQ(lighten_for_blink(make_colour(200, 0, 100)), make_colour(230, 140, 185));
    for (unsigned v = 0; v < 256; ++v) {
        const unsigned out = colour_red(lighten_for_blink(make_colour(v, 0, 0)));
        EXPECT_GE(out, v);
        EXPECT_LE(out, 255u);
    }
}

TEST(Layout, AtAnotherDpiEveryNumberScalesAndRoundsToTheNearestPixel) {
    EXPECT_EQ(scale_px(-16, 96), -16);
    EXPECT_EQ(scale_px(-16, 144), -24);
    EXPECT_EQ(scale_px(-26, 120), -33);  // 32.5 rounds away from zero
    const MainLayout at192 = compute_layout(1600, 1200, 10, 6, 192);
    EXPECT_EQ(at192.banner.height, 120);
    EXPECT_EQ(at192.quick_buttons[0].width, 237);  // (1600 - 412) / 5
    EXPECT_EQ(at192.flag_buttons[0].width, 195);   // (1600 - 332 - 96) / 6
    EXPECT_EQ(at192.send_button.x, 1600 - 204);
}
