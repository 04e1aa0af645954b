// The raised-flags board on the real main window with a real peer on loopback: rows,
// caption, colours, Clear and the Delete key, the selection through a rebuild, the
// flag lines of the log and the tray tooltip's count.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app_fixture.h"
#include "net/line_kinds.h"
#include "test_peer.h"
#include "ui/board.h"
#include "ui/colour.h"
#include "ui/ids.h"
#include "ui/sending.h"

using namespace quillnet;

namespace {

HWND board_list(AppState& s) { return GetDlgItem(s.main_window, ID_BOARD_LIST); }
HWND board_caption(AppState& s) { return GetDlgItem(s.main_window, ID_BOARD_CAPTION); }
HWND board_clear(AppState& s) { return GetDlgItem(s.main_window, ID_BOARD_CLEAR); }

std::vector<std::wstring> rows_of(HWND list) {
    std::vector<std::wstring> rows;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        std::wstring row(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
        const LRESULT got = SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&row[0]));
        row.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        rows.push_back(row);
    }
    return rows;
}

// Selects a row the way a click does: the list's selection, then its notification.
void select_row(AppState& s, int row) {
    SendMessageW(board_list(s), LB_SETCURSEL, static_cast<WPARAM>(row), 0);
    SendMessageW(s.main_window, WM_COMMAND, MAKEWPARAM(ID_BOARD_LIST, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(board_list(s)));
}

bool ends_with(const std::wstring& text, const std::wstring& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

bool log_has_line_ending(HWND log_view, const std::wstring& tail) {
    for (const std::wstring& line : qntest::log_lines(log_view))
        if (ends_with(line, tail)) return true;
    return false;
}

// "HH:MM:SS" + "  " + rest.
bool timed(const std::wstring& line, const std::wstring& rest) {
    return line.size() == 10 + rest.size() && line[2] == L':' && line[5] == L':' && line.substr(8, 2) == L"  " &&
           line.substr(10) == rest;
}

bool listed_by(qntest::TestPeer& peer, const std::string& id) {
    for (const PeerRecord& record : peer.engine().snapshot_peers())
        if (record.id == id && record.speaks_l1) return true;
    return false;
}

// The program and one peer that list each other.
bool meet(AppState& s, qntest::TestPeer& peer) {
    return qntest::pump_until([&] {
        bool seen_here = false;
        for (const PeerRecord& record : s.engine.snapshot_peers()) seen_here = seen_here || record.id == peer.id();
        return seen_here && listed_by(peer, s.engine.instance_id());
    });
}

struct RowPaint {
    COLORREF fill = 0;
    int light = 0;  // pixels near white
    int dark = 0;   // pixels near the dark text colour
};

// Draws one row through the window procedure into a bitmap of its own.
RowPaint paint_row(AppState& s, int row, bool selected) {
    RowPaint paint;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    const int width = 400, height = 24;
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(dc, bitmap);
    SelectObject(dc, s.normal_font);
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_LISTBOX;
    item.CtlID = ID_BOARD_LIST;
    item.itemID = static_cast<UINT>(row);
    item.itemAction = ODA_DRAWENTIRE;
    item.itemState = selected ? ODS_SELECTED : 0;
    item.hwndItem = board_list(s);
    item.hDC = dc;
    item.rcItem = RECT{0, 0, width, height};
    SendMessageW(s.main_window, WM_DRAWITEM, ID_BOARD_LIST, reinterpret_cast<LPARAM>(&item));
    paint.fill = GetPixel(dc, width - 10, height / 2);
    for (int x = 0; x < width; ++x) {
        for (int y = 4; y < height - 4; ++y) {
            const COLORREF c = GetPixel(dc, x, y);
            if (GetRValue(c) > 230 && GetGValue(c) > 230 && GetBValue(c) > 230) ++paint.light;
            if (GetRValue(c) < 60 && GetGValue(c) < 60 && GetBValue(c) < 60) ++paint.dark;
        }
    }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return paint;
}

}  // namespace

TEST(Board, RowsCaptionColoursAndTooltipFollowEveryFlagSet) {
    qntest::AppConfig config;
    config.room = "Front";
    qntest::RunningApp program(L"board-rows", config);
    AppState& s = program.state();
    EXPECT_EQ(qntest::window_text(board_caption(s)), L"Raised flags (0)");
    EXPECT_EQ(GetWindowLongW(board_list(s), GWL_STYLE) & (LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS |
                                                         LBS_EXTENDEDSEL | LBS_MULTIPLESEL),
              LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS);
    EXPECT_EQ(qntest::window_text(board_clear(s)), L"Clear");
    EXPECT_FALSE(IsWindowEnabled(board_clear(s)));
    EXPECT_STREQ(s.tray_icon.szTip, L"Quillnet \u2014 Front");

    qntest::TestPeer peer("Dr Lee", "Op 1", program.ports.discovery, program.ports.spare(0));
    ASSERT_TRUE(peer.started());
    ASSERT_TRUE(meet(s, peer));
    EXPECT_EQ(peer.engine().raise_flag("red"), RaiseResult::raised);  // matched without regard to case
    ASSERT_TRUE(qntest::pump_until([&] { return rows_of(board_list(s)).size() == 1; }, 3000));
    EXPECT_EQ(rows_of(board_list(s)), std::vector<std::wstring>{L"Op 1  \u2014  red  (just now)"});
    EXPECT_EQ(qntest::window_text(board_caption(s)), L"Raised flags (1)");
    EXPECT_STREQ(s.tray_icon.szTip, L"Quillnet \u2014 Front \u2014 1 flag raised");

    // The own Yellow (a light colour) after the peer's red, and a label this copy has no
    // colour for. (Announced ages are whole seconds, so raises a second apart keep their order.)
    qntest::pump_for(1100);
    send_flag(3);
    qntest::pump_for(1100);
    peer.engine().raise_flag("Teal");
    ASSERT_TRUE(qntest::pump_until([&] { return rows_of(board_list(s)).size() == 3; }, 3000));
    const std::vector<std::wstring> rows = rows_of(board_list(s));
    EXPECT_EQ(rows[0], L"Op 1  \u2014  red  (just now)");
    EXPECT_EQ(rows[1], L"Front  \u2014  Yellow  (just now)");
    EXPECT_EQ(rows[2], L"Op 1  \u2014  Teal  (just now)");
    EXPECT_EQ(qntest::window_text(board_caption(s)), L"Raised flags (3)");
    EXPECT_STREQ(s.tray_icon.szTip, L"Quillnet \u2014 Front \u2014 3 flags raised");

    const RowPaint red = paint_row(s, 0, false);
    EXPECT_EQ(red.fill, RGB(220, 40, 40));
    EXPECT_GT(red.light, 20);  // white text on a dark tile
    EXPECT_EQ(red.dark, 0);
    const RowPaint yellow = paint_row(s, 1, false);
    EXPECT_EQ(yellow.fill, RGB(230, 190, 30));
    EXPECT_GT(yellow.dark, 20);  // dark text on a light tile
    const RowPaint teal = paint_row(s, 2, false);
    EXPECT_EQ(teal.fill, RGB(0x78, 0x78, 0x78));
    const RowPaint selected = paint_row(s, 2, true);
    EXPECT_EQ(selected.fill, RGB(0x78, 0x78, 0x78));  // the colour stays, an outline marks it
    EXPECT_GT(selected.dark, teal.dark + 60);  // its sides inside the rows counted

    // The peer leaves: its rows go at once, with a line each that is not saved.
    peer.stop();
    ASSERT_TRUE(qntest::pump_until([&] { return rows_of(board_list(s)).size() == 1; }, 3000));
    EXPECT_TRUE(log_has_line_ending(s.log_view, L"  \u2691 red of Op 1 no longer shown (Op 1 left)"));
    EXPECT_TRUE(log_has_line_ending(s.log_view, L"  \u2691 Teal of Op 1 no longer shown (Op 1 left)"));
    EXPECT_EQ(qntest::read_file(program.history_file).find("no longer shown"), std::string::npos);
    EXPECT_STREQ(s.tray_icon.szTip, L"Quillnet \u2014 Front \u2014 1 flag raised");
}

TEST(Board, ClearAndDeleteClearTheSelectedRowAndTheSelectionSurvivesARebuild) {
    qntest::RunningApp program(L"board-clear", qntest::AppConfig{});
    AppState& s = program.state();
    qntest::TestPeer peer("Dr Lee", "Op 1", program.ports.discovery, program.ports.spare(0));
    ASSERT_TRUE(meet(s, peer));
    send_flag(1);  // own Blue, the oldest
    qntest::pump_for(1100);
    peer.engine().raise_flag("Red");
    ASSERT_TRUE(qntest::pump_until([&] { return rows_of(board_list(s)).size() == 2; }, 3000));
    ASSERT_EQ(rows_of(board_list(s))[1], L"Op 1  \u2014  Red  (just now)");

    // The peer's row selected; the row before it goes: the selection moves up with Red.
    select_row(s, 1);
    EXPECT_TRUE(IsWindowEnabled(board_clear(s)));
    ASSERT_TRUE(s.engine.clear_own_flag("Blue"));
    refresh_board();
    ASSERT_EQ(rows_of(board_list(s)).size(), 1u);
    EXPECT_EQ(SendMessageW(board_list(s), LB_GETCURSEL, 0, 0), 0);
    EXPECT_TRUE(IsWindowEnabled(board_clear(s)));
    send_flag(3);  // own Yellow after it
    ASSERT_EQ(rows_of(board_list(s)).size(), 2u);
    EXPECT_EQ(SendMessageW(board_list(s), LB_GETCURSEL, 0, 0), 0);

    // Delete in the list on the own row: cleared here, logged and saved.
    select_row(s, 1);
    SetFocus(board_list(s));
    PostMessageW(board_list(s), WM_KEYDOWN, VK_DELETE, 0);
    ASSERT_TRUE(qntest::pump_until([&] { return rows_of(board_list(s)).size() == 1; }, 3000));
    EXPECT_TRUE(timed(qntest::last_log_line(s.log_view), L"\u2691 Yellow cleared"));
    EXPECT_NE(qntest::read_file(program.history_file).find("\xE2\x9A\x91 Yellow cleared\r\n"), std::string::npos);
    EXPECT_TRUE(s.engine.own_flags().empty());
    EXPECT_EQ(SendMessageW(board_list(s), LB_GETCURSEL, 0, 0), LB_ERR);
    EXPECT_FALSE(IsWindowEnabled(board_clear(s)));

    // Clear on the peer's row: CLEAR goes to Op 1 as a page, with the page's statuses.
    select_row(s, 0);
    SendMessageW(s.main_window, WM_COMMAND, MAKEWPARAM(ID_BOARD_CLEAR, BN_CLICKED),
                 reinterpret_cast<LPARAM>(board_clear(s)));
    EXPECT_TRUE(qntest::pump_until(
        [&] {
            return timed(qntest::last_log_line(s.log_view), L"You \u2192 Op 1:  clear \u2691 Red   \u2713 delivered (1/1)");
        },
        5000))
        << qntest::utf8(qntest::last_log_line(s.log_view));
    ASSERT_TRUE(qntest::pump_until([&] { return peer.engine().own_flags().empty(); }, 3000));
    ASSERT_TRUE(qntest::pump_until([&] { return rows_of(board_list(s)).empty(); }, 3000));
    EXPECT_EQ(qntest::window_text(board_caption(s)), L"Raised flags (0)");
    // Nothing selected now: Clear and Delete do nothing.
    EXPECT_FALSE(IsWindowEnabled(board_clear(s)));
    const std::size_t lines = qntest::log_lines(s.log_view).size();
    PostMessageW(board_list(s), WM_KEYDOWN, VK_DELETE, 0);
    qntest::pump_for(300);
    EXPECT_EQ(qntest::log_lines(s.log_view).size(), lines);
    // An empty board keeps no refresh timer: an idle copy does not wake for it.
    EXPECT_FALSE(KillTimer(s.main_window, BOARD_REFRESH_TIMER));
}

TEST(Board, PeersClearOfAnOwnFlagIsLoggedAndANinthFlagIsNotKept) {
    qntest::AppConfig config;
    config.extra_ini = "[flags]\r\nRed = #DC2828\r\nTeal = #008080\r\n";
    qntest::RunningApp program(L"board-cleared-by", config);
    AppState& s = program.state();
    qntest::TestPeer peer("Dr Lee", "Op 2", program.ports.discovery, program.ports.spare(0));
    ASSERT_TRUE(meet(s, peer));
    send_flag(0);
    ASSERT_TRUE(qntest::pump_until([&] {
        for (const PeerRecord& record : peer.engine().snapshot_peers())
            if (record.id == s.engine.instance_id() && !record.flags.empty()) return true;
        return false;
    }, 3000));
    int attempted = 0;
    peer.engine().clear_peer_flag(s.engine.instance_id(), "Red", 0, attempted);
    EXPECT_EQ(attempted, 1);
    ASSERT_TRUE(qntest::pump_until([&] { return rows_of(board_list(s)).empty(); }, 5000))
        << qntest::utf8(qntest::last_log_line(s.log_view)) << " " << peer.results.size();
    EXPECT_TRUE(timed(qntest::last_log_line(s.log_view), L"\u2691 Red cleared by Dr Lee (Op 2)"));
    EXPECT_NE(qntest::read_file(program.history_file).find("Red cleared by Dr Lee (Op 2)\r\n"), std::string::npos);

    // Eight raised: a ninth press still sends the page and says it is not kept (not saved).
    for (const char* label : {"A", "B", "C", "D", "E", "F", "G", "H"}) s.engine.raise_flag(label);
    const std::size_t teal = s.settings.flags.size() - 1;
    ASSERT_EQ(s.settings.flags[teal].name, "Teal");
    send_flag(static_cast<int>(teal));
    EXPECT_TRUE(timed(qntest::last_log_line(s.log_view), L"\u2691 Teal not kept on the board (8 flags are raised)"));
    EXPECT_EQ(qntest::read_file(program.history_file).find("not kept"), std::string::npos);
    ASSERT_TRUE(qntest::pump_until([&] { return peer.received.size() == 2; }, 5000));
    EXPECT_EQ(peer.received[1].kind, KIND_FLAG);
    EXPECT_EQ(peer.received[1].text, "Teal");
    EXPECT_EQ(qntest::window_text(board_caption(s)), L"Raised flags (8)");
}
