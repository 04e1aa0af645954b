// The one application state of the running program (Win32 layer). The entry function
// owns it; every window operation reaches it through app() and does nothing while
// that is null.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <map>
#include <string>
#include <vector>

#include "config/settings.h"
#include "net/engine.h"
#include "ui/ids.h"
#include "ui/log_core.h"

namespace quillnet {

struct AppState {
    Settings settings;
    NetworkEngine engine;
    HINSTANCE instance = nullptr;
    HWND main_window = nullptr;
    HWND banner = nullptr;
    HWND rooms_caption = nullptr;
    HWND rooms_list = nullptr;
    HWND everyone_check = nullptr;
    HWND log_view = nullptr;
    HWND input_edit = nullptr;
    HWND send_button = nullptr;
    HWND quick_label = nullptr;
    HWND flags_label = nullptr;
    std::vector<HWND> quick_buttons;
    std::vector<HWND> flag_buttons;
    // The window's dots per inch; layout numbers and font heights are scaled by dpi / 96.
    unsigned dpi = 96;
    HFONT normal_font = nullptr;
    HFONT large_font = nullptr;
    HACCEL accelerators = nullptr;
    NOTIFYICONDATAW tray_icon{};
    HICON large_icon = nullptr;
    HICON small_icon = nullptr;
    HICON alert_icon = nullptr;
    bool tray_icon_present = false;
    bool tray_flashing = false;
    bool tray_alert_icon_shown = false;
    bool exiting = false;
    bool tray_hint_shown = false;
    std::vector<std::string> room_keys;
    ColourRef banner_colour = IDLE_BANNER_COLOUR;
    std::wstring banner_text;
    HBRUSH banner_brush = nullptr;
    ColourRef banner_base_colour = 0;
    ColourRef banner_light_colour = 0;
    std::int32_t banner_blink_count = 0;
    PendingDeliveries pending_deliveries;
    // The local date (yyyymmdd) of the last line written to the log; a line on a later
    // day is preceded by a dated separator.
    int log_day = 0;
    // The room name of each row of the rooms list, beside room_keys.
    std::vector<std::wstring> room_names;
    // The rooms whose departure emptied the user's selection. While set, a send with
    // the box off and nothing selected is refused rather than going to everyone.
    std::vector<std::wstring> departed_selection;
    // The control that had the focus when the window was last deactivated.
    HWND last_focus = nullptr;
};

// The process-wide pointer to the state; null before start-up and after shutdown.
AppState* app();
void set_app(AppState* state);

}  // namespace quillnet
