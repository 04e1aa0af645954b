// Saving a new site key and switching the running program over to it.
#include <windows.h>

#include <utility>

#include "ui/app_state.h"
#include "app/startup.h"
#include "config/settings_reader.h"
#include "config/settings_writer.h"
#include "app/key_apply.h"
#include "ui/board.h"
#include "ui/main_window.h"
#include "ui/rooms_list.h"

namespace quillnet {

bool save_site_key(const std::string& key_text) {
    AppState* s = app();
    if (!s) return false;
    // The file may have been edited since start-up; only the key changes in it. One
    // that is there but cannot be read is not overwritten with defaults.
    SettingsFile file = read_settings_file(s->settings.ini_path);
    if (file.unreadable) return false;
    Settings on_disk = std::move(file.settings);
    on_disk.site_key = key_text;
    if (!save_settings(on_disk)) return false;

    s->settings.site_key = key_text;
    // The engine still holds the old key: its BYE goes out in the old mode, then the
    // new start announces HELLO in the new one.
    s->engine.stop();
    start_engine(*s);
    refresh_rooms_list();
    refresh_board();
    if (s->main_window) SetWindowTextW(s->main_window, main_window_title().c_str());
    return true;
}

}  // namespace quillnet
