// How the main window lives in the tray: close and minimise hide it, the tray icon
// brings it back, Exit alone ends the loop; the start-up variants (start minimised, a
// taken message port) and the banner click.
#include <windows.h>

#include <gtest/gtest.h>

#include <thread>

#include "alert/alerts.h"
#include "base/win_text.h"
#include "app_fixture.h"
#include "test_peer.h"
#include "ui/ids.h"

using namespace quillnet;

namespace {

void tray_click(HWND window, UINT mouse_message) {
    SendMessageW(window, WM_APP_TRAY, 1, static_cast<LPARAM>(mouse_message));
}

std::wstring last_log_line(HWND log_view) {
    std::wstring text = qntest::window_text(log_view);
    if (text.size() >= 2 && text.compare(text.size() - 2, 2, L"\r\n") == 0) text.resize(text.size() - 2);
    const std::size_t start = text.rfind(L"\r\n");
    return start == std::wstring::npos ? text : text.substr(start + 2);
}

}  // namespace

TEST(WindowLife, CloseHidesTheWindowAndTheHintComesOnlyTheFirstTime) {
    qntest::RunningApp program(L"close", qntest::AppConfig{});
    AppState& s = program.state();
    HWND window = program.window();
    ASSERT_TRUE(IsWindowVisible(window));
    EXPECT_TRUE(s.tray_icon_present);
    EXPECT_FALSE(s.tray_hint_shown);

    SendMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_TRUE(s.tray_hint_shown);
    EXPECT_FALSE(qntest::take_quit());

    tray_click(window, WM_LBUTTONUP);
    EXPECT_TRUE(IsWindowVisible(window));
    // The system close command (close box, Alt+F4) takes the same way.
    SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    qntest::pump_for(50);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_FALSE(s.exiting);
    EXPECT_EQ(program.exit(), 0);
}

TEST(WindowLife, MinimiseHidesAndOneTrayClickBringsItBackRestoredInFront) {
    qntest::RunningApp program(L"minimise", qntest::AppConfig{});
    HWND window = program.window();
    ShowWindow(window, SW_MINIMIZE);
    qntest::pump_for(50);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_FALSE(program.state().tray_hint_shown);  // only a close shows the hint

    tray_click(window, WM_LBUTTONUP);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_FALSE(IsIconic(window));
    EXPECT_EQ(GetForegroundWindow(), window);

    ShowWindow(window, SW_MINIMIZE);
    qntest::pump_for(50);
    tray_click(window, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_FALSE(IsIconic(window));

    // Other mouse messages of the icon do nothing.
    SendMessageW(window, WM_CLOSE, 0, 0);
    tray_click(window, WM_MOUSEMOVE);
    tray_click(window, WM_LBUTTONDOWN);
    EXPECT_FALSE(IsWindowVisible(window));
    // "Open Quillnet" of the tray menu does what the click does.
    SendMessageW(window, WM_COMMAND, IDM_OPEN, 0);
    EXPECT_TRUE(IsWindowVisible(window));
}

TEST(WindowLife, StartMinimisedStaysInTheTrayAndCountsAsTheHint) {
    qntest::AppConfig config;
    config.start_minimized = true;
    qntest::RunningApp program(L"start-minimised", config);
    AppState& s = program.state();
    qntest::pump_for(200);
    EXPECT_FALSE(IsWindowVisible(program.window()));
    EXPECT_TRUE(s.tray_icon_present);
    EXPECT_TRUE(s.tray_hint_shown);
    // The log is primed all the same.
    EXPECT_NE(qntest::window_text(s.log_view).find(L"Started as \"Desk\" in room \"Front\"."), std::wstring::npos);

    tray_click(program.window(), WM_LBUTTONUP);
    EXPECT_TRUE(IsWindowVisible(program.window()));
    SendMessageW(program.window(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindowVisible(program.window()));
    EXPECT_TRUE(s.tray_hint_shown);
}

TEST(WindowLife, TakenMessagePortShowsOneErrorBoxAndTheWindowStillWorks) {
    const qntest::TestPorts ports = qntest::next_test_ports();
    qntest::PortBlocker blocker(ports.message);
    ASSERT_TRUE(blocker.valid());
    qntest::BoxAnswerer answerer(L"Quillnet \u2014 network error", IDOK);
    qntest::RunningApp program(L"taken-port", qntest::AppConfig{}, ports);
    qntest::pump_for(300);
    const std::vector<std::wstring> boxes = answerer.finish();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], L"Could not bind TCP message port " + std::to_wstring(ports.message) +
                            L" (is another copy running?).");

    AppState& s = program.state();
    EXPECT_TRUE(IsWindowVisible(program.window()));
    EXPECT_FALSE(s.engine.running());
    EXPECT_EQ(qntest::window_text(s.rooms_caption), L"Online rooms (0)");
    SetWindowTextW(s.input_edit, L"anyone there?");
    SendMessageW(program.window(), WM_COMMAND, ID_SEND_BUTTON, 0);
    const std::wstring line = last_log_line(s.log_view);
    EXPECT_NE(line.find(L"  You \u2192 everyone:  anyone there?   (no rooms online)"), std::wstring::npos) << line;
    EXPECT_EQ(program.exit(), 0);
}

TEST(WindowLife, ExitRemovesTheTrayIconSaysByeAndEndsTheLoopWithZero) {
    const qntest::TestPorts ports = qntest::next_test_ports();
    qntest::DiscoveryListener listener(ports.discovery);
    ASSERT_TRUE(listener.valid());
    qntest::RunningApp program(L"exit", qntest::AppConfig{}, ports);
    AppState& s = program.state();
    const std::string id = s.engine.instance_id();
    EXPECT_TRUE(qntest::pump_until([&] { return listener.heard("HELLO", id); }, 5000));
    EXPECT_FALSE(listener.heard("BYE", id));

    // Exit while the window is hidden in the tray.
    SendMessageW(program.window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(program.exit(), 0);
    EXPECT_FALSE(s.tray_icon_present);
    EXPECT_FALSE(s.engine.running());
    EXPECT_TRUE(s.exiting);
    EXPECT_EQ(app(), nullptr);
    EXPECT_TRUE(qntest::pump_until([&] { return listener.heard("BYE", id); }, 5000));
}

TEST(WindowLife, BannerClickAndActivationEndTheAlerts) {
    qntest::RunningApp program(L"banner", qntest::AppConfig{});
    AppState& s = program.state();
    HWND window = program.window();
    show_flag_banner(L"Lab", L"Red", 0x2828DC);
    ASSERT_NE(qntest::window_text(s.banner), L"Quillnet \u2014 Front");
    // A double-click notification is not a click.
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(ID_BANNER, STN_DBLCLK), reinterpret_cast<LPARAM>(s.banner));
    EXPECT_NE(qntest::window_text(s.banner), L"Quillnet \u2014 Front");
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(ID_BANNER, STN_CLICKED), reinterpret_cast<LPARAM>(s.banner));
    EXPECT_EQ(qntest::window_text(s.banner), L"Quillnet \u2014 Front");
    EXPECT_EQ(s.banner_colour, 0x48372Du);

    s.tray_flashing = true;
    SetTimer(window, TRAY_FLASH_TIMER, TRAY_FLASH_MS, nullptr);
    SendMessageW(window, WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_TRUE(s.tray_flashing);
    SendMessageW(window, WM_ACTIVATE, WA_CLICKACTIVE, 0);
    EXPECT_FALSE(s.tray_flashing);

    // Commands the window does not know, the dialog manager's IDOK and IDCANCEL among
    // them, change nothing.
    const std::wstring log_before = qntest::window_text(s.log_view);
    for (int id : {1, 2, 204, 999, 1010, 2006, 3000}) SendMessageW(window, WM_COMMAND, id, 0);
    EXPECT_EQ(qntest::window_text(s.log_view), log_before);
    EXPECT_TRUE(IsWindowVisible(window));
}

namespace {

// Waits on its own thread for the tray menu (class "#32768") of this process, reads
// its items and picks one by its mnemonic, as a user pressing that key would.
struct TrayMenuChooser {
    wchar_t mnemonic;
    int item_count = -1;
    UINT first_id = 0;

    static DWORD WINAPI run(void* context) {
        auto* self = static_cast<TrayMenuChooser*>(context);
        for (int tries = 0; tries < 500; ++tries) {
            HWND menu_window = qntest::find_own_window(L"#32768");
            if (menu_window) {
                HMENU menu = reinterpret_cast<HMENU>(SendMessageW(menu_window, MN_GETHMENU, 0, 0));
                self->item_count = GetMenuItemCount(menu);
                self->first_id = GetMenuItemID(menu, 0);
                PostMessageW(menu_window, WM_CHAR, self->mnemonic, 0);
                return 0;
            }
            Sleep(10);
        }
        return 0;
    }
};

}  // namespace

TEST(WindowLife, TrayMenuOffersItsItemsAndItsExitEndsTheProgram) {
    const qntest::TestPorts ports = qntest::next_test_ports();
    qntest::DiscoveryListener listener(ports.discovery);
    qntest::AppConfig config;
    config.start_minimized = true;
    qntest::RunningApp program(L"tray-exit", config, ports);
    AppState& s = program.state();
    const std::string id = s.engine.instance_id();

    TrayMenuChooser open{L'o'};
    HANDLE chooser = CreateThread(nullptr, 0, TrayMenuChooser::run, &open, 0, nullptr);
    tray_click(program.window(), WM_RBUTTONUP);
    WaitForSingleObject(chooser, 10000);
    CloseHandle(chooser);
    EXPECT_EQ(open.item_count, 6);
    EXPECT_EQ(open.first_id, static_cast<UINT>(IDM_OPEN));
    EXPECT_TRUE(qntest::pump_until([&] { return IsWindowVisible(program.window()) != FALSE; }, 3000));

    SendMessageW(program.window(), WM_CLOSE, 0, 0);
    TrayMenuChooser exit_item{L'x'};
    chooser = CreateThread(nullptr, 0, TrayMenuChooser::run, &exit_item, 0, nullptr);
    tray_click(program.window(), WM_RBUTTONUP);
    WaitForSingleObject(chooser, 10000);
    CloseHandle(chooser);
    int code = -1;
    EXPECT_TRUE(qntest::pump_until([&] { return qntest::take_quit(&code); }, 5000));
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(s.tray_icon_present);
    EXPECT_FALSE(IsWindow(program.window()));
    EXPECT_TRUE(qntest::pump_until([&] { return listener.heard("BYE", id); }, 5000));
}

TEST(WindowLife, TabMovesBetweenTheTabStopsThroughTheMessageLoop) {
    qntest::RunningApp program(L"tab-order", qntest::AppConfig{});
    AppState& s = program.state();
    SetFocus(s.everyone_check);
    const auto press_tab = [&] {
        PostMessageW(GetFocus(), WM_KEYDOWN, VK_TAB, 0x000F0001);
        PostMessageW(GetFocus(), WM_KEYUP, VK_TAB, 0xC00F0001);
        qntest::pump_for(50);
    };
    // Creation order: the check box, the board (Seen and Clear are disabled), Send, the
    // flags, then the quick buttons.
    press_tab();
    EXPECT_EQ(GetDlgCtrlID(GetFocus()), ID_BOARD_LIST);
    press_tab();
    EXPECT_EQ(GetFocus(), s.send_button);
    press_tab();
    EXPECT_EQ(GetFocus(), s.flag_buttons[0]);
    for (int i = 0; i < 6; ++i) press_tab();
    EXPECT_EQ(GetFocus(), s.quick_buttons[0]);
}

TEST(WindowLife, EndOfSessionSaysGoodbyeAndTakesTheIconAway) {
    const qntest::TestPorts ports = qntest::next_test_ports();
    qntest::DiscoveryListener listener(ports.discovery);
    qntest::RunningApp program(L"end-session", qntest::AppConfig{}, ports);
    AppState& s = program.state();
    const std::string id = s.engine.instance_id();
    SendMessageW(program.window(), WM_ENDSESSION, FALSE, 0);  // log-off cancelled: nothing happens
    EXPECT_TRUE(s.engine.running());
    EXPECT_TRUE(s.tray_icon_present);
    SendMessageW(program.window(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_FALSE(s.engine.running());
    EXPECT_FALSE(s.tray_icon_present);
    EXPECT_TRUE(qntest::pump_until([&] { return listener.heard("BYE", id); }, 5000));
    EXPECT_EQ(program.exit(), 0);
}

namespace {

// Pages sent while the window takes nothing off its queue (a busy window, or one the
// engine outpaces): they are acknowledged and wait in the queue.
std::vector<std::string> burst_behind_a_busy_window(std::uint16_t message_port, int count) {
    std::vector<std::string> texts;
    for (int i = 0; i < count; ++i)
        texts.push_back("Mrs Example is ready in Op 2, chart and X-rays on the desk #" + std::to_string(i));
    std::vector<std::string> acknowledged;
    std::thread sender([&] { acknowledged = qntest::send_pages(message_port, texts); });
    sender.join();
    return acknowledged;
}

std::size_t missing_from(const std::string& history, const std::vector<std::string>& texts) {
    std::size_t missing = 0;
    for (const std::string& text : texts) missing += history.find(":  " + text + "\r\n") == std::string::npos;
    return missing;
}

}  // namespace

TEST(WindowLife, PagesAcknowledgedAndStillQueuedReachHistoryAtTheEndOfTheSessionAndAtExit) {
    {
        // More pages than the view holds.
        qntest::AppConfig config;
        config.extra_ini = "log_view_lines = 150\r\n";
        qntest::RunningApp program(L"end-session-burst", config);
        AppState& s = program.state();
        const std::vector<std::string> acknowledged = burst_behind_a_busy_window(program.ports.message, 200);
        ASSERT_EQ(acknowledged.size(), 200u);
        // The end of the session is sent: it comes ahead of every page in the queue.
        SendMessageW(program.window(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
        EXPECT_EQ(missing_from(qntest::read_file(program.history_file), acknowledged), 0u);
        // Shown too, while the window is there, newest last and within the view's
        // limit; no alert for any of them.
        const std::vector<std::wstring> lines = qntest::log_lines(s.log_view);
        EXPECT_LE(lines.size(), 150u);
        EXPECT_GE(lines.size(), 140u);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back().substr(8), L"  Reception (Front):  " + to_wide(acknowledged.back()));
        EXPECT_FALSE(s.tray_flashing);
        EXPECT_EQ(program.exit(), 0);
    }
    {
        qntest::RunningApp program(L"exit-burst", qntest::AppConfig{});
        const std::vector<std::string> acknowledged = burst_behind_a_busy_window(program.ports.message, 200);
        ASSERT_EQ(acknowledged.size(), 200u);
        // Exit chosen while the pages wait: the command is handled ahead of them.
        SendMessageW(program.window(), WM_COMMAND, IDM_EXIT, 0);
        EXPECT_TRUE(qntest::pump_until([] { return qntest::take_quit(); }, 10000));
        EXPECT_EQ(missing_from(qntest::read_file(program.history_file), acknowledged), 0u);
    }
}
