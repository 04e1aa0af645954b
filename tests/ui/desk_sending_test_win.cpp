// Sending on a working desk: no audience widened behind the user's back, one press
// one page, pending lines kept at Exit, and a dated line when the day changes.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app_fixture.h"
#include "test_peer.h"
#include "ui/ids.h"

using namespace quillnet;
using qntest::last_log_line;
using qntest::log_lines;
using qntest::utf8;

namespace {

bool ends_with(const std::wstring& text, const std::wstring& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

void choose_rooms(AppState& s, const std::vector<std::string>& ids) {
    SendMessageW(s.everyone_check, BM_SETCHECK, BST_UNCHECKED, 0);
    SendMessageW(s.rooms_list, LB_SETSEL, FALSE, -1);
    for (std::size_t row = 0; row < s.room_keys.size(); ++row) {
        for (const std::string& id : ids) {
            if (s.room_keys[row] == id) SendMessageW(s.rooms_list, LB_SETSEL, TRUE, static_cast<LPARAM>(row));
        }
    }
}

// The user clicks the check box: its state flips and the window hears of it.
void user_clicks_everyone(AppState& s) {
    const bool on = SendMessageW(s.everyone_check, BM_GETCHECK, 0, 0) == BST_CHECKED;
    SendMessageW(s.everyone_check, BM_SETCHECK, on ? BST_UNCHECKED : BST_CHECKED, 0);
    SendMessageW(s.main_window, WM_COMMAND, MAKEWPARAM(ID_EVERYONE_CHECK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(s.everyone_check));
}

// A press and release followed by the second click of a double-click, as the mouse
// delivers them to a button.
void double_click(HWND button) {
    const LPARAM at = MAKELPARAM(5, 5);
    PostMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(button, WM_LBUTTONUP, 0, at);
    PostMessageW(button, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    PostMessageW(button, WM_LBUTTONUP, 0, at);
    qntest::pump_for(150);
}

const std::wstring REFUSED = L"   \u2717 not sent: Op 1 left; select a room or tick Send to everyone";

}  // namespace

TEST(DeskSending, WhenEverySelectedRoomLeftASendIsRefusedUntilTheUserChooses) {
    qntest::RunningApp program(L"desk-left", qntest::AppConfig{});
    AppState& s = program.state();
    qntest::TestPeer op1("Nurse", "Op 1", program.ports.discovery, program.ports.spare(0));
    ASSERT_TRUE(op1.started());
    ASSERT_TRUE(qntest::pump_until([&] { return s.room_keys.size() == 1; }));
    choose_rooms(s, {op1.id()});
    op1.stop();
    ASSERT_TRUE(qntest::pump_until([&] { return s.room_keys.empty(); }));

    const std::size_t before = log_lines(s.log_view).size();
    SetWindowTextW(s.input_edit, L"patient note");
    SendMessageW(program.window(), WM_COMMAND, ID_SEND_BUTTON, 0);
    EXPECT_EQ(last_log_line(s.log_view), REFUSED);
    EXPECT_EQ(qntest::window_text(s.input_edit), L"patient note");  // kept for a second try
    SendMessageW(program.window(), WM_COMMAND, QUICK_BUTTON_BASE + 3, 0);
    SendMessageW(program.window(), WM_COMMAND, FLAG_BUTTON_BASE, 0);
    const std::vector<std::wstring> lines = log_lines(s.log_view);
    ASSERT_EQ(lines.size(), before + 3);
    for (std::size_t i = before; i < lines.size(); ++i) EXPECT_EQ(lines[i], REFUSED);
    EXPECT_EQ(qntest::read_file(program.history_file).find("patient"), std::string::npos);

    // Ticking and unticking the box is the user's choice: everyone it is.
    user_clicks_everyone(s);
    user_clicks_everyone(s);
    SendMessageW(program.window(), WM_COMMAND, ID_SEND_BUTTON, 0);
    EXPECT_TRUE(ends_with(last_log_line(s.log_view), L"  You \u2192 everyone:  patient note   (no rooms online)"))
        << utf8(last_log_line(s.log_view));
}

TEST(DeskSending, OnePressOnePageWhenATileOrAQuickButtonIsDoubleClicked) {
    qntest::RunningApp program(L"desk-double", qntest::AppConfig{});
    AppState& s = program.state();
    std::size_t before = log_lines(s.log_view).size();
    double_click(s.flag_buttons[0]);
    EXPECT_EQ(log_lines(s.log_view).size(), before + 1);
    before = log_lines(s.log_view).size();
    double_click(s.quick_buttons[8]);
    EXPECT_EQ(log_lines(s.log_view).size(), before + 1);
    before = log_lines(s.log_view).size();
    SendMessageW(program.window(), WM_COMMAND, MAKEWPARAM(FLAG_BUTTON_BASE + 1, BN_DOUBLECLICKED),
                 reinterpret_cast<LPARAM>(s.flag_buttons[1]));
    SendMessageW(program.window(), WM_COMMAND, MAKEWPARAM(QUICK_BUTTON_BASE + 1, BN_DOUBLECLICKED),
                 reinterpret_cast<LPARAM>(s.quick_buttons[1]));
    EXPECT_EQ(log_lines(s.log_view).size(), before);
}

TEST(DeskSending, LinesStillPendingAtExitAreSavedWithTheirStatus) {
    qntest::RunningApp program(L"desk-pending-exit", qntest::AppConfig{});
    AppState& s = program.state();
    // A room whose port takes the connection but never answers: the line stays pending.
    qntest::PortBlocker silent(program.ports.spare(5));
    ASSERT_TRUE(silent.valid());
    qntest::announce_room(program.ports.discovery, "{SILENT}", "Quiet", "Quiet", program.ports.spare(5));
    ASSERT_TRUE(qntest::pump_until([&] { return s.room_keys.size() == 1; }));
    SendMessageW(program.window(), WM_COMMAND, QUICK_BUTTON_BASE, 0);
    const std::wstring pending = last_log_line(s.log_view);
    ASSERT_TRUE(ends_with(pending, L"   \u2026")) << utf8(pending);
    const std::wstring history = program.history_file;
    EXPECT_EQ(program.exit(), 0);
    EXPECT_NE(qntest::read_file(history).find(utf8(pending) + "\r\n"), std::string::npos);
}

TEST(DeskSending, ANewDayStartsWithADatedLineThatTheHistoryKeeps) {
    qntest::RunningApp program(L"desk-new-day", qntest::AppConfig{});
    AppState& s = program.state();
    const std::vector<std::wstring> start = log_lines(s.log_view);
    ASSERT_EQ(start.size(), 2u);
    // A line on the same day adds no separator.
    SetWindowTextW(s.input_edit, L"same day");
    SendMessageW(program.window(), WM_COMMAND, ID_SEND_BUTTON, 0);
    EXPECT_EQ(log_lines(s.log_view).size(), 3u);

    s.log_day = 20000101;  // the last line was written on another day
    SetWindowTextW(s.input_edit, L"next day");
    SendMessageW(program.window(), WM_COMMAND, ID_SEND_BUTTON, 0);
    const std::vector<std::wstring> lines = log_lines(s.log_view);
    ASSERT_EQ(lines.size(), 5u);
    SYSTEMTIME now{};
    GetLocalTime(&now);
    wchar_t date[16];
    swprintf(date, 16, L"%04d-%02d-%02d ", now.wYear, now.wMonth, now.wDay);
    EXPECT_EQ(lines[3].substr(0, 8), L"\u2500\u2500\u2500\u2500\u2500\u2500  ");
    EXPECT_EQ(lines[3].substr(8, 11), date);
    EXPECT_EQ(lines[3].size(), start[0].size());
    EXPECT_TRUE(ends_with(lines[4], L"next day   (no rooms online)"));
    const std::string history = qntest::read_file(program.history_file);
    EXPECT_NE(history.find(utf8(lines[3]) + "\r\n" + utf8(lines[4]) + "\r\n"), std::string::npos);
}

TEST(DeskSending, TheRoomsListAndTheEveryoneBoxNeverClaimDifferentTargetsAndTheLogIsNotGrey) {
    qntest::RunningApp program(L"desk-target", qntest::AppConfig{});
    AppState& s = program.state();
    qntest::announce_room(program.ports.discovery, "{OP2}", "Nurse", "Op 2", program.ports.spare(7));
    ASSERT_TRUE(qntest::pump_until([&] { return s.room_keys.size() == 1; }));
    ASSERT_EQ(SendMessageW(s.everyone_check, BM_GETCHECK, 0, 0), BST_CHECKED);
    // The user clicks a room: that room is the target, the box goes off.
    SendMessageW(s.rooms_list, LB_SETSEL, TRUE, 0);
    SendMessageW(program.window(), WM_COMMAND, MAKEWPARAM(ID_ROOMS_LIST, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(s.rooms_list));
    EXPECT_EQ(SendMessageW(s.everyone_check, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(SendMessageW(s.rooms_list, LB_GETSELCOUNT, 0, 0), 1);
    // The user ticks the box: no row stays highlighted.
    user_clicks_everyone(s);
    EXPECT_EQ(SendMessageW(s.rooms_list, LB_GETSELCOUNT, 0, 0), 0);

    HDC dc = GetDC(s.log_view);
    const LRESULT brush = SendMessageW(program.window(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                       reinterpret_cast<LPARAM>(s.log_view));
    EXPECT_EQ(GetBkColor(dc), GetSysColor(COLOR_WINDOW));
    ReleaseDC(s.log_view, dc);
    EXPECT_EQ(reinterpret_cast<HBRUSH>(brush), GetSysColorBrush(COLOR_WINDOW));
}
