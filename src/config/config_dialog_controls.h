// The handles of the configuration dialog's editable controls, shared by its window
// procedure and its OK handler (Win32 layer, used only by src/config/config_*_win.cpp).
#pragma once

#include <windows.h>

#include <array>
#include <string>

namespace quillnet {

constexpr int QUICK_FIELD_COUNT = 10;

// Control ids of the dialog.
enum ConfigControlId : int {
    IDC_CFG_USER = 10,
    IDC_CFG_ROOM = 11,
    IDC_CFG_SOUND_ENABLED = 12,
    IDC_CFG_SOUND_FILE = 13,
    IDC_CFG_BROWSE = 14,
    IDC_CFG_TEST = 15,
    IDC_CFG_VOLUME = 16,
    IDC_CFG_VOLUME_LABEL = 17,
    IDC_CFG_START_AT_LOGIN = 18,
    IDC_CFG_ALWAYS_ON_TOP = 19,
    IDC_CFG_START_MINIMIZED = 20,
    IDC_CFG_AUTO_MINIMIZE = 21,
    IDC_CFG_BRING_TO_FRONT = 22,
    IDC_CFG_INTERRUPT_SCREENSAVER = 23,
    IDC_CFG_QUICK_BASE = 40,
    // Privacy of the desk.
    IDC_CFG_PRIVATE_BALLOONS = 30,
    IDC_CFG_HISTORY_DAYS = 31,
};

struct ConfigDialogControls {
    HWND user_edit = nullptr;
    HWND room_edit = nullptr;
    std::array<HWND, QUICK_FIELD_COUNT> quick_edits{};
    HWND always_on_top = nullptr;
    HWND start_minimized = nullptr;
    HWND auto_minimize = nullptr;
    HWND bring_to_front = nullptr;
    HWND interrupt_screensaver = nullptr;
    HWND start_at_login = nullptr;
    HWND sound_enabled = nullptr;
    HWND sound_file_edit = nullptr;
    HWND volume_trackbar = nullptr;
    HWND volume_label = nullptr;
    // Privacy of the desk.
    HWND private_balloons = nullptr;
    HWND history_days_edit = nullptr;
};

// The one set of handles; one dialog is open at a time.
ConfigDialogControls& config_dialog_controls();

// The whole text of a control.
std::wstring control_text(HWND control);
bool is_checked(HWND check_box);
int trackbar_position(HWND trackbar);

}  // namespace quillnet
