// Identifiers of the main window's controls, commands, timers and private messages.
#pragma once

namespace quillnet {

enum ControlId : int {
    ID_BANNER = 100,
    ID_ROOMS_CAPTION = 101,
    ID_ROOMS_LIST = 102,
    ID_EVERYONE_CHECK = 103,
    ID_LOG_VIEW = 104,
    ID_INPUT_EDIT = 105,
    ID_SEND_BUTTON = 106,
    ID_QUICK_LABEL = 107,
    ID_FLAGS_LABEL = 108,
    ID_BOARD_CAPTION = 110,
    ID_BOARD_LIST = 111,
    ID_BOARD_CLEAR = 112,
    ID_SEEN_BUTTON = 113,
};

constexpr int QUICK_BUTTON_BASE = 1000;
constexpr int FLAG_BUTTON_BASE = 2000;

constexpr int IDM_CONFIGURATION = 200;
constexpr int IDM_ABOUT = 201;
constexpr int IDM_EXIT = 202;
constexpr int IDM_OPEN = 203;
constexpr int IDM_CLEAR_HISTORY = 205;
constexpr int IDM_SITE_KEY = 206;
constexpr int IDM_NETWORK_CHECK = 207;
// F11: acknowledges the pages shown (always in the accelerator table).
constexpr int IDM_ACKNOWLEDGE = 208;

constexpr unsigned BANNER_TIMEOUT_TIMER = 1;
constexpr unsigned TRAY_FLASH_TIMER = 2;
constexpr unsigned BANNER_BLINK_TIMER = 3;
// Retries adding the tray icon while the shell's notification area is not there.
constexpr unsigned TRAY_RETRY_TIMER = 4;
constexpr unsigned TRAY_RETRY_MS = 5000;
// Refreshes the ages on the board; runs only while the board has rows.
constexpr unsigned BOARD_REFRESH_TIMER = 10;
constexpr unsigned BOARD_REFRESH_MS = 15000;
// Repeats the alert of the newest urgent page that awaits; runs only while one does.
constexpr unsigned URGENT_REPEAT_TIMER = 11;
constexpr unsigned BANNER_TIMEOUT_MS = 15000;
constexpr unsigned TRAY_FLASH_MS = 600;
constexpr unsigned BANNER_BLINK_MS = 350;

constexpr unsigned WM_APP_TRAY = 0x800A;

constexpr unsigned IDLE_BANNER_COLOUR = 0x48372D;

}  // namespace quillnet
