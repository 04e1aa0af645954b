// The configuration dialog opened by command 200 on the real main window: its
// controls, OK taking the edits into the settings, the file, the window and the
// engine, and Cancel, Escape and the close box changing nothing.
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/config_dialog.h"
#include "ui/app_state.h"
#include "base/win_text.h"
#include "app_fixture.h"
#include "config/settings_writer.h"
#include "config/startup_shortcut.h"
#include "config_dialog_fixture.h"
#include "dialog_driver.h"
#include "ui/ids.h"

namespace {

using namespace quillnet;
using qntest::click;
using qntest::DialogScript;
using qntest::RunningApp;
using qntest::window_text;

struct ExpectedControl {
    const wchar_t* window_class;
    std::wstring text;
    int x, y, width, height, id;
};

std::vector<ExpectedControl> expected_controls() {
    std::vector<ExpectedControl> c = {
        {L"Static", L"Your name:", 15, 17, 125, 20, 0},
        {L"Edit", L"Desk", 140, 14, 335, 24, 10},
        {L"Static", L"Room / location:", 15, 49, 125, 20, 0},
        {L"Edit", L"Front", 140, 46, 335, 24, 11},
        {L"Static", L"Quick messages (sent with the function keys):", 15, 82, 460, 20, 0},
    };
    const wchar_t* quick[] = {L"Yes",  L"No",   L"Take Msg",  L"Will Call", L"Pt Ready",
                              L"Do Premed", L"Wait", L"Next Case", L"Come Here", L"EMERG"};
    for (int i = 0; i < 10; ++i) {
        c.push_back({L"Static", L"F" + std::to_wstring(i + 1), 25, 109 + 28 * i, 32, 20, 0});
        c.push_back({L"Edit", quick[i], 60, 106 + 28 * i, 415, 24, 40 + i});
    }
    const std::vector<ExpectedControl> right = {
        {L"Static", L"Window behavior (this workstation):", 505, 16, 360, 20, 0},
        {L"Button", L"Keep the window always on top", 505, 42, 360, 22, 19},
        {L"Button", L"Start minimized (in the tray)", 505, 70, 360, 22, 20},
        {L"Button", L"Auto-minimize to tray after sending", 505, 98, 360, 22, 21},
        {L"Button", L"Bring to the front on receive", 505, 126, 360, 22, 22},
        {L"Button", L"Interrupt screen saver on receive", 505, 154, 360, 22, 23},
        {L"Button", L"Start automatically when I log in", 505, 182, 360, 22, 18},
        {L"Static", L"Notification sound:", 505, 226, 360, 20, 0},
        {L"Button", L"Play a tone/sound when a message arrives", 505, 252, 360, 22, 12},
        {L"Static", L"Sound file (.wav, blank = built-in tone):", 505, 284, 360, 20, 0},
        {L"Edit", L"", 505, 306, 360, 24, 13},
        {L"Button", L"Browse\u2026", 505, 336, 90, 26, 14},
        {L"Button", L"Test", 601, 336, 70, 26, 15},
        {L"Static", L"Volume:", 505, 376, 60, 20, 0},
        {L"msctls_trackbar32", L"", 565, 372, 200, 30, 16},
        {L"Static", L"80%", 773, 376, 50, 20, 17},
        {L"Button", L"Private balloons: name the sender, never the text", 15, 394, 460, 22, 30},
        {L"Static", L"Keep history for days (0 = no limit):", 15, 431, 300, 20, 0},
        {L"Edit", L"0", 315, 428, 70, 24, 31},
        {L"Static", L"Urgent pages:", 15, 469, 125, 20, 0},
        {L"Edit", L"EMERG", 140, 466, 335, 24, 60},
        {L"Static", L"Repeat every (s):", 15, 503, 165, 20, 0},
        {L"Edit", L"20", 182, 500, 50, 24, 61},
        {L"Static", L"Tell sender after (s):", 240, 503, 172, 20, 0},
        {L"Edit", L"60", 415, 500, 60, 24, 62},
        {L"Static", L"Quick messages and flags, comma-separated; 0 s: off.", 15, 528, 470, 20, 0},
        {L"Button", L"OK", 665, 520, 90, 28, 1},
        {L"Button", L"Cancel", 765, 520, 90, 28, 2},
    };
    c.insert(c.end(), right.begin(), right.end());
    return c;
}

std::wstring class_of(HWND window) {
    wchar_t name[64] = L"";
    GetClassNameW(window, name, 64);
    return name;
}

LONG style_of(HWND window) { return GetWindowLongW(window, GWL_STYLE); }

void check_style(HWND control, const std::wstring& window_class, int id) {
    const LONG style = style_of(control);
    const LONG common = WS_CHILD | WS_VISIBLE;
    EXPECT_EQ(style & common, common) << id;
    if (_wcsicmp(window_class.c_str(), L"Edit") == 0) {
        // The edit control takes WS_BORDER out of its style and draws the border itself.
        const LONG edit = WS_TABSTOP | ES_AUTOHSCROLL;
        EXPECT_EQ(style & edit, edit) << id;
    } else if (_wcsicmp(window_class.c_str(), L"Button") == 0) {
        EXPECT_TRUE(style & WS_TABSTOP) << id;
        const LONG type = style & BS_TYPEMASK;
        if ((id >= 18 && id <= 23) || id == 12 || id == 30) {
            EXPECT_EQ(type, BS_AUTOCHECKBOX) << id;
            EXPECT_TRUE(style & BS_MULTILINE) << id;
        } else {
            EXPECT_EQ(type, id == IDOK ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) << id;
        }
    } else if (_wcsicmp(window_class.c_str(), L"Static") == 0) {
        EXPECT_FALSE(style & WS_TABSTOP) << id;
    }
}

// The control's text laid out in its own font within its width (less the box of a
// check box) takes no more lines than its height shows.
bool text_fits(HWND control, bool check_box) {
    const std::wstring text = window_text(control);
    if (text.empty()) return true;
    RECT r = qntest::child_rect(control);
    const int height = r.bottom - r.top;
    RECT area{0, 0, (r.right - r.left) - (check_box ? GetSystemMetrics(SM_CXMENUCHECK) + 4 : 4), 0};
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
    DrawTextW(dc, text.c_str(), -1, &area, DT_CALCRECT | DT_WORDBREAK);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return area.bottom <= height;
}

TEST_F(ConfigDialogTest, OpensByCommandWithEveryControlInPlaceAndTheOwnerDisabled) {
    RunningApp program(L"cfg-controls", {});
    AppState& state = program.state();
    HWND main = state.main_window;
    DialogScript script;
    script.step([&](HWND dialog) {
        EXPECT_EQ(window_text(dialog), L"Quillnet Configuration");
        EXPECT_EQ(open_configuration_dialog(), dialog);
        EXPECT_EQ(GetWindow(dialog, GW_OWNER), main);
        EXPECT_FALSE(IsWindowEnabled(main));
        const LONG style = style_of(dialog);
        EXPECT_EQ(style & (WS_POPUP | WS_CAPTION | WS_SYSMENU), WS_POPUP | WS_CAPTION | WS_SYSMENU);
        EXPECT_FALSE(style & WS_THICKFRAME);
        const LONG ex_style = GetWindowLongW(dialog, GWL_EXSTYLE);
        EXPECT_TRUE(ex_style & WS_EX_DLGMODALFRAME);
        EXPECT_TRUE(ex_style & WS_EX_TOPMOST);
        RECT client{};
        GetClientRect(dialog, &client);
        EXPECT_EQ(client.right, 880);
        EXPECT_EQ(client.bottom, 560);
        RECT owner{}, frame{};
        GetWindowRect(main, &owner);
        GetWindowRect(dialog, &frame);
        EXPECT_EQ(frame.left, owner.left + ((owner.right - owner.left) - (frame.right - frame.left)) / 2);
        EXPECT_EQ(frame.top, owner.top + ((owner.bottom - owner.top) - (frame.bottom - frame.top)) / 2);
        EXPECT_EQ(GetFocus(), GetDlgItem(dialog, 10));

        // Children in creation order, which is the Tab order.
        const std::vector<ExpectedControl> expected = expected_controls();
        std::vector<HWND> children;
        for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            children.push_back(child);
        ASSERT_EQ(children.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const ExpectedControl& e = expected[i];
            HWND child = children[i];
            EXPECT_EQ(_wcsicmp(class_of(child).c_str(), e.window_class), 0) << i << " " << class_of(child).size();
            EXPECT_EQ(window_text(child), e.text) << "control " << i;
            EXPECT_EQ(GetDlgCtrlID(child), e.id) << "control " << i;
            const RECT r = qntest::child_rect(child);
            EXPECT_EQ(r.left, e.x) << "control " << i;
            EXPECT_EQ(r.top, e.y) << "control " << i;
            EXPECT_EQ(r.right - r.left, e.width) << "control " << i;
            EXPECT_EQ(r.bottom - r.top, e.height) << "control " << i;
            if (e.id != 16) {  // a trackbar draws no text and keeps no font
                EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0)), state.normal_font) << i;
            }
            check_style(child, e.window_class, e.id);
            if (e.id != 16 && e.id != 10 && e.id != 11 && e.id != 13 && e.id != 31 && (e.id < 40 || e.id >= 50)) {
                const bool check_box = (e.id >= 18 && e.id <= 23) || e.id == 12 || e.id == 30;
                EXPECT_TRUE(text_fits(child, check_box)) << "text does not fit: control " << i;
            }
        }

        // Values from the live settings written by the fixture.
        const auto checked = [&](int id) { return SendDlgItemMessageW(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED; };
        EXPECT_FALSE(checked(19));  // always on top
        EXPECT_FALSE(checked(20));  // start minimised
        EXPECT_FALSE(checked(21));  // auto-minimise
        EXPECT_FALSE(checked(22));  // bring to front
        EXPECT_FALSE(checked(23));  // screen saver
        EXPECT_EQ(checked(18), startup_shortcut_exists());
        EXPECT_FALSE(checked(12));  // sound
        EXPECT_FALSE(checked(30));  // private balloons
        EXPECT_TRUE(style_of(GetDlgItem(dialog, 31)) & ES_NUMBER);
        HWND trackbar = GetDlgItem(dialog, 16);
        EXPECT_EQ(SendMessageW(trackbar, TBM_GETRANGEMIN, 0, 0), 0);
        EXPECT_EQ(SendMessageW(trackbar, TBM_GETRANGEMAX, 0, 0), 100);
        EXPECT_EQ(SendMessageW(trackbar, TBM_GETPOS, 0, 0), 80);

        // Tab visits the controls with a tab stop in creation order and wraps.
        const int tab_order[] = {10, 11, 40, 41, 42, 43, 44, 45, 46, 47, 48, 49, 19, 20,
                                 21, 22, 23, 18, 12, 13, 14, 15, 16, 30, 31, 60, 61, 62, 1, 2, 10};
        HWND at = GetDlgItem(dialog, 10);
        for (std::size_t i = 1; i < sizeof tab_order / sizeof tab_order[0]; ++i) {
            at = GetNextDlgTabItem(dialog, at, FALSE);
            EXPECT_EQ(GetDlgCtrlID(at), tab_order[i]) << "tab stop " << i;
        }
    });
    script.step([](HWND dialog) { click(dialog, IDCANCEL); });
    EXPECT_TRUE(script.run(L"QNConfigDialog", [&] { SendMessageW(main, WM_COMMAND, IDM_CONFIGURATION, 0); }));
    EXPECT_EQ(script.steps_done(), 2);
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_EQ(open_configuration_dialog(), nullptr);
    EXPECT_EQ(qntest::find_own_window(L"QNConfigDialog"), nullptr);
}

TEST_F(ConfigDialogTest, OkTakesTheEditsIntoSettingsFileWindowTrayAndTheEnginesHeartbeat) {
    RunningApp program(L"cfg-ok", {});
    AppState& state = program.state();
    HWND main = state.main_window;
    ASSERT_FALSE(GetWindowLongW(main, GWL_EXSTYLE) & WS_EX_TOPMOST);
    std::wstring label_after_keys;
    int position_after_keys = -1;

    DialogScript script;
    script.step([](HWND dialog) {
        SetDlgItemTextW(dialog, 10, L"Nurse \u00C5sa");
        SetDlgItemTextW(dialog, 11, L"Lab 2");
        SetDlgItemTextW(dialog, 40, L"Ready");
        SetDlgItemTextW(dialog, 42, L"  padded  ");
        SetDlgItemTextW(dialog, 48, L"");
        SetDlgItemTextW(dialog, 49, L"");
        SetDlgItemTextW(dialog, 13, L"C:\\sounds\\ding.wav");
        SetDlgItemTextW(dialog, 60, L" emerg ,Red,, Call Dr ");
        SetDlgItemTextW(dialog, 61, L"0");
        SetDlgItemTextW(dialog, 62, L"9999");  // beyond 3600: the default, as in the file
        for (int id : {19, 21, 12, 23}) SendDlgItemMessageW(dialog, id, BM_CLICK, 0, 0);
        // The trackbar moved by keys, as a user would: three steps left from the end.
        HWND trackbar = GetDlgItem(dialog, 16);
        for (UINT key : {VK_END, VK_LEFT, VK_LEFT, VK_LEFT}) SendMessageW(trackbar, WM_KEYDOWN, key, 0);
    });
    script.step([&](HWND dialog) {
        label_after_keys = window_text(GetDlgItem(dialog, 17));
        position_after_keys = static_cast<int>(SendDlgItemMessageW(dialog, 16, TBM_GETPOS, 0, 0));
        // Nothing is applied before OK.
        EXPECT_EQ(state.settings.user, "Desk");
        EXPECT_EQ(state.settings.volume, 80);
    });
    script.step([](HWND dialog) { click(dialog, IDOK); });
    ASSERT_TRUE(script.run(L"QNConfigDialog", [&] { SendMessageW(main, WM_COMMAND, IDM_CONFIGURATION, 0); }));

    EXPECT_EQ(position_after_keys, 97);
    EXPECT_EQ(label_after_keys, L"97%");
    const Settings& s = state.settings;
    EXPECT_EQ(s.user, "Nurse \xC3\x85sa");
    EXPECT_EQ(s.room, "Lab 2");
    const std::vector<std::string> quick = {"Ready", "No", "  padded  ", "Will Call", "Pt Ready",
                                            "Do Premed", "Wait", "Next Case"};
    EXPECT_EQ(s.quick_messages, quick);
    EXPECT_TRUE(s.sound_enabled);
    EXPECT_EQ(s.sound_file, "C:\\sounds\\ding.wav");
    EXPECT_EQ(s.volume, 97);
    EXPECT_TRUE(s.always_on_top);
    EXPECT_FALSE(s.start_minimized);
    EXPECT_TRUE(s.auto_minimize_after_send);
    EXPECT_FALSE(s.bring_to_front_on_receive);
    EXPECT_TRUE(s.interrupt_screensaver_on_receive);
    EXPECT_EQ(s.urgent, (std::vector<std::string>{"emerg", "Red", "Call Dr"}));
    EXPECT_EQ(s.urgent_repeat_s, 0);
    EXPECT_EQ(s.urgent_escalate_s, 60);
    EXPECT_EQ(s.discovery_port, program.ports.discovery);  // untouched fields stay
    EXPECT_EQ(s.heartbeat_ms, 500);

    const std::string file = qntest::read_file(program.ini_path);
    EXPECT_EQ(file, settings_text(s));
    EXPECT_NE(file.find("user = Nurse \xC3\x85sa\r\n"), std::string::npos);
    EXPECT_NE(file.find("3 =   padded  \r\n"), std::string::npos);
    EXPECT_NE(file.find("[loop]\r\nurgent = emerg, Red, Call Dr\r\nurgent_repeat_s = 0\r\n"), std::string::npos);

    EXPECT_EQ(window_text(main), L"Quillnet \u2014 Nurse \u00C5sa (Lab 2)");
    ASSERT_EQ(state.quick_buttons.size(), 8u);
    EXPECT_EQ(window_text(state.quick_buttons[0]), L"F1  Ready");
    EXPECT_EQ(window_text(state.quick_buttons[7]), L"F8  Next Case");
    ASSERT_NE(state.accelerators, nullptr);
    const int keys = CopyAcceleratorTableW(state.accelerators, nullptr, 0);
    EXPECT_EQ(keys, 9);  // F1..F8 and F11
    std::vector<ACCEL> table(static_cast<std::size_t>(keys));
    CopyAcceleratorTableW(state.accelerators, table.data(), keys);
    EXPECT_EQ(table[7].key, VK_F8);
    EXPECT_EQ(table[7].cmd, QUICK_BUTTON_BASE + 7);
    EXPECT_EQ(table.back().key, VK_F11);
    EXPECT_EQ(std::wstring(state.tray_icon.szTip), L"Quillnet \u2014 Lab 2");
    EXPECT_TRUE(GetWindowLongW(main, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(state.banner_text, L"Quillnet \u2014 Lab 2");
    // The quick buttons were laid out for the window's size again.
    RECT last = qntest::child_rect(state.quick_buttons[7]);
    RECT client{};
    GetClientRect(main, &client);
    EXPECT_EQ(last.top, client.bottom - 92);

    // The engine announces the new identity in its next HEARTBEAT.
    const std::string heartbeat =
        qntest::wait_for_heartbeat(program.ports.discovery, state.engine.instance_id(), "Nurse \xC3\x85sa", 10000);
    EXPECT_EQ(heartbeat, "HEARTBEAT\x1F" + state.engine.instance_id() + "\x1FNurse \xC3\x85sa\x1FLab 2\x1F" +
                             std::to_string(program.ports.message) + "\x1FL1\n");
}

TEST_F(ConfigDialogTest, CancelEscapeAndTheCloseBoxChangeNothing) {
    RunningApp program(L"cfg-cancel", {});
    AppState& state = program.state();
    HWND main = state.main_window;
    const Settings before = state.settings;
    const std::string file_before = qntest::read_file(program.ini_path);
    const bool shortcut_before = startup_shortcut_exists();
    const std::wstring title_before = window_text(main);

    const auto edit_everything = [](HWND dialog) {
        SetDlgItemTextW(dialog, 10, L"Changed");
        SetDlgItemTextW(dialog, 11, L"Elsewhere");
        for (int id = 40; id < 50; ++id) SetDlgItemTextW(dialog, id, L"");
        for (int id : {12, 18, 19, 20, 21, 22, 23}) SendDlgItemMessageW(dialog, id, BM_CLICK, 0, 0);
        SendDlgItemMessageW(dialog, 16, WM_KEYDOWN, VK_HOME, 0);
    };
    const std::vector<std::function<void(HWND)>> closers = {
        [](HWND dialog) { click(dialog, IDCANCEL); },
        [](HWND dialog) { qntest::press_key(GetDlgItem(dialog, 11), VK_ESCAPE); },
        [](HWND dialog) { PostMessageW(dialog, WM_CLOSE, 0, 0); },
    };
    for (std::size_t i = 0; i < closers.size(); ++i) {
        DialogScript script;
        script.step(edit_everything);
        script.step([](HWND dialog) { SetFocus(GetDlgItem(dialog, 11)); });
        script.step(closers[i]);
        EXPECT_TRUE(script.run(L"QNConfigDialog", [&] { SendMessageW(main, WM_COMMAND, IDM_CONFIGURATION, 0); }))
            << "closer " << i;
        EXPECT_TRUE(state.settings == before) << "closer " << i;
        EXPECT_EQ(qntest::read_file(program.ini_path), file_before) << "closer " << i;
        EXPECT_EQ(startup_shortcut_exists(), shortcut_before) << "closer " << i;
        EXPECT_EQ(window_text(main), title_before);
        EXPECT_EQ(state.quick_buttons.size(), 10u);
        EXPECT_TRUE(IsWindowEnabled(main));
    }
}

TEST_F(ConfigDialogTest, AllQuickFieldsEmptyLeaveNoButtonsOrKeysAndTheNextStartBringsTheDefaults) {
    auto program = std::make_unique<RunningApp>(L"cfg-noquick", qntest::AppConfig{});
    AppState& state = program->state();
    DialogScript script;
    script.step([](HWND dialog) {
        for (int id = 40; id < 50; ++id) SetDlgItemTextW(dialog, id, L"");
        click(dialog, IDOK);
    });
    ASSERT_TRUE(script.run(L"QNConfigDialog",
                           [&] { SendMessageW(state.main_window, WM_COMMAND, IDM_CONFIGURATION, 0); }));
    EXPECT_TRUE(state.settings.quick_messages.empty());
    EXPECT_TRUE(state.quick_buttons.empty());
    EXPECT_EQ(CopyAcceleratorTableW(state.accelerators, nullptr, 0), 1);  // F11 alone
    const std::string file = qntest::read_file(program->ini_path);
    EXPECT_EQ(file.find("1 = "), std::string::npos);
    EXPECT_NE(file.find("[quick_messages]"), std::string::npos);

    const std::wstring folder = program->folder;
    const qntest::TestPorts ports = program->ports;
    EXPECT_EQ(program->exit(), 0);
    program.reset();
    RunningApp again(folder, ports);
    EXPECT_EQ(again.state().settings.quick_messages, default_quick_messages());
    EXPECT_EQ(again.state().quick_buttons.size(), 10u);
}

TEST_F(ConfigDialogTest, AnEmptyFieldBetweenFilledOnesKeepsItsSlotForTheRun) {
    auto program = std::make_unique<RunningApp>(L"cfg-gap", qntest::AppConfig{});
    AppState& state = program->state();
    DialogScript script;
    script.step([](HWND dialog) {
        SetDlgItemTextW(dialog, 40, L"Alpha");
        SetDlgItemTextW(dialog, 41, L"");
        SetDlgItemTextW(dialog, 42, L"Gamma");
        for (int id = 43; id < 50; ++id) SetDlgItemTextW(dialog, id, L"");
        click(dialog, IDOK);
    });
    ASSERT_TRUE(script.run(L"QNConfigDialog",
                           [&] { SendMessageW(state.main_window, WM_COMMAND, IDM_CONFIGURATION, 0); }));
    EXPECT_EQ(state.settings.quick_messages, (std::vector<std::string>{"Alpha", "", "Gamma"}));
    ASSERT_EQ(state.quick_buttons.size(), 3u);
    EXPECT_EQ(window_text(state.quick_buttons[1]), L"F2  ");
    EXPECT_EQ(window_text(state.quick_buttons[2]), L"F3  Gamma");
    EXPECT_EQ(CopyAcceleratorTableW(state.accelerators, nullptr, 0), 4);  // and F11

    const std::wstring folder = program->folder;
    const qntest::TestPorts ports = program->ports;
    program.reset();
    RunningApp again(folder, ports);
    EXPECT_EQ(again.state().settings.quick_messages, (std::vector<std::string>{"Alpha", "Gamma"}));
}

TEST_F(ConfigDialogTest, AClearedNameBecomesWorkstationAndAClearedRoomTakesTheName) {
    RunningApp program(L"cfg-names", {});
    AppState& state = program.state();
    HWND main = state.main_window;

    DialogScript first;
    first.step([](HWND dialog) {
        SetDlgItemTextW(dialog, 10, L"");
        SetDlgItemTextW(dialog, 11, L"Op 3");
        click(dialog, IDOK);
    });
    ASSERT_TRUE(first.run(L"QNConfigDialog", [&] { SendMessageW(main, WM_COMMAND, IDM_CONFIGURATION, 0); }));
    EXPECT_EQ(state.settings.user, "Workstation");
    EXPECT_EQ(state.settings.room, "Op 3");
    EXPECT_EQ(window_text(main), L"Quillnet \u2014 Workstation (Op 3)");

    DialogScript second;
    second.step([](HWND dialog) {
        EXPECT_EQ(window_text(GetDlgItem(dialog, 10)), L"Workstation");
        SetDlgItemTextW(dialog, 10, L"  Dr Lee  ");
        SetDlgItemTextW(dialog, 11, L"");
        click(dialog, IDOK);
    });
    ASSERT_TRUE(second.run(L"QNConfigDialog", [&] { SendMessageW(main, WM_COMMAND, IDM_CONFIGURATION, 0); }));
    EXPECT_EQ(state.settings.user, "  Dr Lee  ");
    EXPECT_EQ(state.settings.room, "  Dr Lee  ");
    EXPECT_EQ(state.banner_text, L"Quillnet \u2014   Dr Lee  ");
}

TEST_F(ConfigDialogTest, OkLeavesTheBannerOfAnUnseenFlagUp) {
    RunningApp program(L"cfg-banner", {});
    AppState& state = program.state();
    HWND main = state.main_window;
    ShowWindow(main, SW_HIDE);
    auto* flag = new IncomingMessage(qntest::incoming("FLAG", "Nurse", "Lab", "Red", make_colour(220, 40, 40)));
    SendMessageW(main, WM_APP_MESSAGE_RECEIVED, 0, reinterpret_cast<LPARAM>(flag));
    ASSERT_TRUE(state.tray_flashing);

    DialogScript script;
    script.step([](HWND dialog) {
        SetDlgItemTextW(dialog, 11, L"Recovery");
        click(dialog, IDOK);
    });
    ASSERT_TRUE(script.run(L"QNConfigDialog", [&] { SendMessageW(main, WM_COMMAND, IDM_CONFIGURATION, 0); }));
    EXPECT_EQ(state.settings.room, "Recovery");
    EXPECT_EQ(state.banner_text, L"\u2691   Lab   \u2014   Red");
    EXPECT_EQ(std::wstring(state.tray_icon.szTip), L"Quillnet \u2014 Recovery");
}

}  // namespace
