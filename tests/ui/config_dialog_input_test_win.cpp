// The configuration dialog driven by keyboard and buttons: F1..F10 send nothing while
// it is open, Tab, Enter and Escape, a second request, the start-at-login box, the
// volume label, Test and Browse.
#include <windows.h>
#include <commctrl.h>
#include <dlgs.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "config/config_dialog.h"
#include "ui/app_state.h"
#include "app_fixture.h"
#include "config/startup_shortcut.h"
#include "config_dialog_fixture.h"
#include "dialog_driver.h"
#include "ui/ids.h"

namespace {

using namespace quillnet;
using qntest::click;
using qntest::DialogScript;
using qntest::press_key;
using qntest::RunningApp;
using qntest::window_text;

void open_dialog(HWND main) { SendMessageW(main, WM_COMMAND, IDM_CONFIGURATION, 0); }

BOOL CALLBACK count_dialogs(HWND window, LPARAM context) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    wchar_t name[64] = L"";
    GetClassNameW(window, name, 64);
    if (pid == GetCurrentProcessId() && std::wstring(name) == L"QNConfigDialog") ++*reinterpret_cast<int*>(context);
    return TRUE;
}

int open_dialog_count() {
    int count = 0;
    EnumWindows(count_dialogs, reinterpret_cast<LPARAM>(&count));
    return count;
}

TEST_F(ConfigDialogTest, FunctionKeysSendNothingWhileOpenAndTabEnterAndEscapeWorkAsInADialog) {
    RunningApp program(L"cfg-keys", {});
    AppState& state = program.state();
    HWND main = state.main_window;
    const std::wstring log_before = window_text(state.log_view);

    DialogScript script;
    script.step([&](HWND dialog) {
        press_key(main, VK_F1);
        press_key(GetDlgItem(dialog, 10), VK_F2);
        press_key(GetDlgItem(dialog, 10), VK_TAB);
    });
    script.step([&](HWND dialog) {
        EXPECT_EQ(window_text(state.log_view), log_before);  // no quick message went out
        EXPECT_EQ(GetFocus(), GetDlgItem(dialog, 11));
        // Enter on a focused push button presses that button, not OK.
        SetFocus(GetDlgItem(dialog, 15));
        press_key(GetDlgItem(dialog, 15), VK_RETURN);
    });
    script.step([&](HWND dialog) {
        EXPECT_TRUE(IsWindow(dialog));
        EXPECT_EQ(state.settings.room, "Front");
        SetFocus(GetDlgItem(dialog, 11));
        SetDlgItemTextW(dialog, 11, L"Via Enter");
        press_key(GetDlgItem(dialog, 11), VK_RETURN);
    });
    ASSERT_TRUE(script.run(L"QNConfigDialog", [&] { open_dialog(main); }));
    EXPECT_EQ(state.settings.room, "Via Enter");
    EXPECT_EQ(window_text(state.log_view), log_before);

    // The main loop's keys work again once the dialog is gone.
    press_key(main, VK_F1);
    EXPECT_TRUE(qntest::pump_until(
        [&] { return window_text(state.log_view).find(L"\u00BB Yes") != std::wstring::npos; }));
}

TEST_F(ConfigDialogTest, ASecondRequestBringsTheOpenDialogForwardInsteadOfBuildingAnother) {
    RunningApp program(L"cfg-second", {});
    AppState& state = program.state();
    HWND main = state.main_window;
    DialogScript script;
    script.step([&](HWND dialog) {
        EXPECT_EQ(open_dialog_count(), 1);
        SetForegroundWindow(main);
        // As the tray menu would deliver it while the dialog is open.
        SendMessageW(main, WM_COMMAND, IDM_CONFIGURATION, 0);
        EXPECT_EQ(open_dialog_count(), 1);
        EXPECT_EQ(open_configuration_dialog(), dialog);
        EXPECT_EQ(GetForegroundWindow(), dialog);
    });
    script.step([](HWND dialog) { click(dialog, IDCANCEL); });
    ASSERT_TRUE(script.run(L"QNConfigDialog", [&] { open_dialog(main); }));
    EXPECT_EQ(open_dialog_count(), 0);
    EXPECT_EQ(open_configuration_dialog(), nullptr);
    // And it opens again afterwards.
    DialogScript again;
    again.step([](HWND dialog) { click(dialog, IDCANCEL); });
    EXPECT_TRUE(again.run(L"QNConfigDialog", [&] { open_dialog(main); }));
}

TEST_F(ConfigDialogTest, TheStartAtLoginBoxShowsAndDrivesTheShortcut) {
    RunningApp program(L"cfg-login", {});
    HWND main = program.state().main_window;
    ASSERT_TRUE(set_start_at_login(true));

    DialogScript untick;
    untick.step([](HWND dialog) {
        EXPECT_EQ(SendDlgItemMessageW(dialog, 18, BM_GETCHECK, 0, 0), BST_CHECKED);
        SendDlgItemMessageW(dialog, 18, BM_CLICK, 0, 0);
        click(dialog, IDOK);
    });
    ASSERT_TRUE(untick.run(L"QNConfigDialog", [&] { open_dialog(main); }));
    EXPECT_FALSE(startup_shortcut_exists());

    DialogScript tick;
    tick.step([](HWND dialog) {
        EXPECT_EQ(SendDlgItemMessageW(dialog, 18, BM_GETCHECK, 0, 0), BST_UNCHECKED);
        SendDlgItemMessageW(dialog, 18, BM_CLICK, 0, 0);
        click(dialog, IDOK);
    });
    ASSERT_TRUE(tick.run(L"QNConfigDialog", [&] { open_dialog(main); }));
    EXPECT_TRUE(startup_shortcut_exists());

    // OK with the box unticked and no shortcut present does nothing to the folder.
    set_start_at_login(false);
    DialogScript plain;
    plain.step([](HWND dialog) { click(dialog, IDOK); });
    ASSERT_TRUE(plain.run(L"QNConfigDialog", [&] { open_dialog(main); }));
    EXPECT_FALSE(startup_shortcut_exists());
}

TEST_F(ConfigDialogTest, VolumeLabelFollowsTheTrackbarTestPlaysAndBrowsePicksAFile) {
    RunningApp program(L"cfg-sound", {});
    AppState& state = program.state();
    HWND main = state.main_window;
    const std::wstring wav = program.folder + L"\\ding.wav";
    ASSERT_TRUE(qntest::write_file(wav, std::string("RIFF\x24\0\0\0WAVE", 12)));
    std::wstring filters;
    LRESULT filter_index = -1;

    DialogScript script;
    script.step([](HWND dialog) {
        HWND trackbar = GetDlgItem(dialog, 16);
        SendMessageW(trackbar, WM_KEYDOWN, VK_HOME, 0);
        EXPECT_EQ(window_text(GetDlgItem(dialog, 17)), L"0%");
        SendMessageW(trackbar, WM_KEYDOWN, VK_RIGHT, 0);
        const LRESULT position = SendMessageW(trackbar, TBM_GETPOS, 0, 0);
        EXPECT_EQ(position, 1);
        EXPECT_EQ(window_text(GetDlgItem(dialog, 17)), std::to_wstring(position) + L"%");
        // Test plays the dialog's values even with the sound switched off; without
        // an audio device it must neither block nor fail the dialog.
        EXPECT_EQ(SendDlgItemMessageW(dialog, 12, BM_GETCHECK, 0, 0), BST_UNCHECKED);
        click(dialog, 15);
    });
    script.step([](HWND dialog) { click(dialog, 14); });
    script.step([&](HWND) {
        HWND open = qntest::find_own_window(L"#32770");
        ASSERT_NE(open, nullptr);
        HWND types = GetDlgItem(open, cmb1);
        const LRESULT count = SendMessageW(types, CB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            wchar_t item[128] = L"";
            SendMessageW(types, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item));
            filters += item;
            filters += L"|";
        }
        filter_index = SendMessageW(types, CB_GETCURSEL, 0, 0);
        HWND name = GetDlgItem(open, cmb13) ? GetDlgItem(open, cmb13) : GetDlgItem(open, edt1);
        SetWindowTextW(name, wav.c_str());
        PostMessageW(open, WM_COMMAND, IDOK, 0);
    });
    script.step([&](HWND dialog) {
        EXPECT_EQ(qntest::find_own_window(L"#32770"), nullptr);
        EXPECT_EQ(_wcsicmp(window_text(GetDlgItem(dialog, 13)).c_str(), wav.c_str()), 0);
        click(dialog, 14);
    });
    script.step([&](HWND) {
        HWND open = qntest::find_own_window(L"#32770");
        ASSERT_NE(open, nullptr);
        PostMessageW(open, WM_COMMAND, IDCANCEL, 0);
    });
    script.step([&](HWND dialog) {
        EXPECT_EQ(_wcsicmp(window_text(GetDlgItem(dialog, 13)).c_str(), wav.c_str()), 0);  // kept on cancel
        click(dialog, IDCANCEL);
    });
    ASSERT_TRUE(script.run(L"QNConfigDialog", [&] { open_dialog(main); }, 30000));
    EXPECT_EQ(script.steps_done(), 6);
    EXPECT_EQ(filters, L"WAV audio (*.wav)|All files (*.*)|");
    EXPECT_EQ(filter_index, 0);
    EXPECT_EQ(state.settings.sound_file, "");  // nothing is kept without OK
    EXPECT_EQ(state.settings.volume, 80);
}

// Keeps the dialog open over the main window for QN_HOLD_MS milliseconds so that a
// screenshot can be taken from outside (run with --gtest_also_run_disabled_tests).
TEST_F(ConfigDialogTest, DISABLED_HoldOpenForAScreenshot) {
    RunningApp program(L"cfg-shot", {});
    const char* hold = std::getenv("QN_HOLD_MS");
    const int ticks = (hold ? std::atoi(hold) : 6000) / 60;
    DialogScript script;
    for (int i = 0; i < ticks; ++i) script.step([](HWND) {});
    script.step([](HWND dialog) { click(dialog, IDCANCEL); });
    EXPECT_TRUE(script.run(L"QNConfigDialog", [&] { open_dialog(program.state().main_window); }, 120000));
}

}  // namespace
