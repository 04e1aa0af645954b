// The main window on a working desk: a hidden window never takes the keyboard, the
// dialogs open where they can be seen, one modal window at a time, the tray icon
// comes back after the shell restarts, and the compose field has the focus.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "app_fixture.h"
#include "dialog_driver.h"
#include "ui/ids.h"
#include "ui/tray.h"

using namespace quillnet;

namespace {

BOOL CALLBACK count_class(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<std::pair<const wchar_t*, int>*>(context);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    wchar_t name[64] = L"";
    GetClassNameW(window, name, 64);
    if (pid == GetCurrentProcessId() && IsWindowVisible(window) && std::wstring(name) == search->first)
        ++search->second;
    return TRUE;
}

int visible_windows_of(const wchar_t* window_class) {
    std::pair<const wchar_t*, int> search{window_class, 0};
    EnumWindows(count_class, reinterpret_cast<LPARAM>(&search));
    return search.second;
}

// The window lies inside the work area and is centred on it (within a pixel).
void expect_centred_in_work_area(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    EXPECT_GE(r.left, area.left);
    EXPECT_GE(r.top, area.top);
    EXPECT_LE(r.right, area.right);
    EXPECT_LE(r.bottom, area.bottom);
    EXPECT_NEAR((r.left + r.right) / 2, (area.left + area.right) / 2, 1);
    EXPECT_NEAR((r.top + r.bottom) / 2, (area.top + area.bottom) / 2, 1);
}

// Presses a key as the keyboard would deliver it to whatever has the focus (or the window).
void press_to(HWND target, UINT key) {
    PostMessageW(target, WM_KEYDOWN, key, 1);
    PostMessageW(target, WM_KEYUP, key, 0xC0000001);
    qntest::pump_for(100);
}

}  // namespace

TEST(OnTheDesk, AHiddenWindowTurnsNoKeyIntoAPageAfterADialogCloses) {
    qntest::RunningApp program(L"desk-hidden-keys", qntest::AppConfig{});
    AppState& s = program.state();
    HWND window = program.window();
    SendMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_FALSE(IsWindowVisible(window));
    const std::wstring before = qntest::window_text(s.log_view);

    for (int command : {IDM_ABOUT, IDM_CONFIGURATION}) {
        qntest::DialogScript script;
        script.step([](HWND dialog) { PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0); });
        script.run(command == IDM_ABOUT ? L"QNAboutDialog" : L"QNConfigDialog",
                   [&] { SendMessageW(window, WM_COMMAND, command, 0); });
        EXPECT_FALSE(IsWindowVisible(window));
        EXPECT_NE(GetActiveWindow(), window) << command;
        press_to(GetFocus() ? GetFocus() : window, VK_F4);
        press_to(s.input_edit, VK_F4);
    }
    // Text typed into the hidden compose field and Enter send nothing either.
    SetWindowTextW(s.input_edit, L"typed elsewhere");
    PostMessageW(s.input_edit, WM_KEYDOWN, VK_RETURN, 0x001C0001);
    PostMessageW(s.input_edit, WM_CHAR, L'\r', 0x001C0001);
    qntest::pump_for(100);
    EXPECT_EQ(qntest::window_text(s.log_view), before);

    // Shown again, F4 pages as before.
    SendMessageW(window, WM_COMMAND, IDM_OPEN, 0);
    press_to(s.input_edit, VK_F4);
    EXPECT_NE(qntest::last_log_line(s.log_view).find(L"\u00bb Will Call"), std::wstring::npos);
}

TEST(OnTheDesk, DialogsOfAMinimisedOrHiddenWindowOpenCentredOnTheWorkArea) {
    qntest::RunningApp program(L"desk-placement", qntest::AppConfig{});
    HWND window = program.window();
    ShowWindow(window, SW_MINIMIZE);
    qntest::pump_for(50);
    ASSERT_FALSE(IsWindowVisible(window));

    for (const wchar_t* window_class : {L"QNAboutDialog", L"QNConfigDialog"}) {
        qntest::DialogScript script;
        script.step([&](HWND dialog) {
            expect_centred_in_work_area(dialog);
            EXPECT_FALSE(IsWindowEnabled(window));
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        const int command = std::wstring(window_class) == L"QNAboutDialog" ? IDM_ABOUT : IDM_CONFIGURATION;
        EXPECT_TRUE(script.run(window_class, [&] { SendMessageW(window, WM_COMMAND, command, 0); }));
        EXPECT_TRUE(IsWindowEnabled(window));
    }
}

TEST(OnTheDesk, StartedMinimisedTheConfigurationOpensOnTheWorkArea) {
    qntest::AppConfig config;
    config.start_minimized = true;
    qntest::RunningApp program(L"desk-placement-tray", config);
    qntest::DialogScript script;
    script.step([&](HWND dialog) {
        expect_centred_in_work_area(dialog);
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_TRUE(script.run(L"QNConfigDialog", [&] { SendMessageW(program.window(), WM_COMMAND, IDM_CONFIGURATION, 0); }));
}

TEST(OnTheDesk, OneModalWindowAtATimeAndASecondRequestBringsItForward) {
    qntest::RunningApp program(L"desk-one-modal", qntest::AppConfig{});
    HWND window = program.window();

    // About over the open configuration dialog, over the site key window, and over About.
    for (const wchar_t* first : {L"QNConfigDialog", L"QNKeyWindow", L"QNAboutDialog"}) {
        qntest::DialogScript script;
        script.step([&](HWND) { PostMessageW(window, WM_COMMAND, IDM_ABOUT, 0); });
        script.step([&](HWND dialog) {
            EXPECT_EQ(visible_windows_of(L"QNAboutDialog") + visible_windows_of(L"QNConfigDialog") +
                          visible_windows_of(L"QNKeyWindow"),
                      1)
                << first;
            EXPECT_EQ(GetForegroundWindow(), dialog);
            EXPECT_FALSE(IsWindowEnabled(window));
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        const std::wstring name = first;
        const int command = name == L"QNAboutDialog" ? IDM_ABOUT : name == L"QNKeyWindow" ? IDM_SITE_KEY : IDM_CONFIGURATION;
        EXPECT_TRUE(script.run(first, [&] { SendMessageW(window, WM_COMMAND, command, 0); })) << first;
        qntest::pump_for(100);
        EXPECT_EQ(visible_windows_of(L"QNAboutDialog"), 0);
        EXPECT_TRUE(IsWindowEnabled(window));
    }

    // About while the Clear History question is open: nothing opens over it.
    qntest::DialogScript question;
    question.step([&](HWND) { PostMessageW(window, WM_COMMAND, IDM_ABOUT, 0); });
    question.step([&](HWND box) {
        EXPECT_EQ(visible_windows_of(L"QNAboutDialog"), 0);
        EXPECT_FALSE(IsWindowEnabled(window));
        PostMessageW(box, WM_COMMAND, IDNO, 0);
    });
    EXPECT_TRUE(question.run(L"#32770", [&] { SendMessageW(window, WM_COMMAND, IDM_CLEAR_HISTORY, 0); }));
    qntest::pump_for(100);
    EXPECT_EQ(visible_windows_of(L"QNAboutDialog"), 0);
    EXPECT_TRUE(IsWindowEnabled(window));
}

TEST(OnTheDesk, TheComposeFieldHasTheFocusWhenTheWindowBecomesActive) {
    qntest::RunningApp program(L"desk-focus", qntest::AppConfig{});
    AppState& s = program.state();
    HWND window = program.window();
    qntest::pump_for(50);
    EXPECT_EQ(GetFocus(), s.input_edit);  // after start-up

    SendMessageW(window, WM_CLOSE, 0, 0);
    SendMessageW(window, WM_APP_TRAY, 1, WM_LBUTTONUP);
    qntest::pump_for(50);
    EXPECT_EQ(GetFocus(), s.input_edit);  // after a tray restore

    // Another window takes the activation and gives it back (Alt+Tab).
    HWND other = CreateWindowExW(0, L"STATIC", L"other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                                 nullptr, nullptr, nullptr);
    SetForegroundWindow(other);
    qntest::pump_for(50);
    SetForegroundWindow(window);
    qntest::pump_for(50);
    EXPECT_EQ(GetFocus(), s.input_edit);

    // Where the user put the focus in the window, it stays.
    SetFocus(s.send_button);
    SetForegroundWindow(other);
    qntest::pump_for(50);
    SetForegroundWindow(window);
    qntest::pump_for(50);
    EXPECT_EQ(GetFocus(), s.send_button);
    DestroyWindow(other);
}

TEST(OnTheDesk, TheTrayIconComesBackWhenTheShellRestarts) {
    qntest::RunningApp program(L"desk-tray", qntest::AppConfig{});
    AppState& s = program.state();
    ASSERT_TRUE(s.tray_icon_present);
    // The shell forgets the icon (Explorer restarted) and announces itself again.
    NOTIFYICONDATAW gone = s.tray_icon;
    ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &gone));
    EXPECT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &gone));
    SendMessageW(program.window(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    NOTIFYICONDATAW back = s.tray_icon;
    EXPECT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &back));
    EXPECT_TRUE(s.tray_icon_present);
}

TEST(OnTheDesk, AFailedTrayAddIsTriedAgainUntilTheShellTakesIt) {
    qntest::RunningApp program(L"desk-tray-retry", qntest::AppConfig{});
    AppState& s = program.state();
    // The shell refuses a second add of the same icon: a failed add, as before the
    // task bar exists.
    add_tray_icon_again();
    ASSERT_FALSE(s.tray_icon_present);
    NOTIFYICONDATAW gone = s.tray_icon;
    ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &gone));
    EXPECT_TRUE(qntest::pump_until([&] { return s.tray_icon_present; }, TRAY_RETRY_MS + 3000));
    NOTIFYICONDATAW back = s.tray_icon;
    EXPECT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &back));
}
