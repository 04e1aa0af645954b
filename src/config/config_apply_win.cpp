// OK of the configuration dialog: the edited values go into the live settings, the
// start-at-login shortcut and the file, and the running program takes them over.
#include <windows.h>

#include <string>
#include <vector>

#include "alert/alerts.h"
#include "app/app_state.h"
#include "base/file_io.h"
#include "base/win_text.h"
#include "config/config_dialog.h"
#include "config/config_dialog_controls.h"
#include "config/settings_reader.h"
#include "config/settings_writer.h"
#include "config/startup_shortcut.h"
#include "ui/main_window.h"
#include "ui/sending.h"

namespace quillnet {

namespace {

std::string utf8_text(HWND control) { return to_utf8(control_text(control)); }

// The ten fields F1..F10; empty fields at the end are dropped, an empty field
// before a filled one stays so that the later keys keep their slots.
std::vector<std::string> read_quick_messages(const ConfigDialogControls& c) {
    std::vector<std::string> texts;
    for (HWND edit : c.quick_edits) texts.push_back(utf8_text(edit));
    while (!texts.empty() && texts.back().empty()) texts.pop_back();
    return texts;
}

void read_controls(const ConfigDialogControls& c, Settings& s) {
    s.user = utf8_text(c.user_edit);
    s.room = utf8_text(c.room_edit);
    if (s.user.empty()) s.user = "Workstation";
    if (s.room.empty()) s.room = s.user;
    s.quick_messages = read_quick_messages(c);
    s.sound_enabled = is_checked(c.sound_enabled);
    s.sound_file = utf8_text(c.sound_file_edit);
    s.volume = trackbar_position(c.volume_trackbar);
    s.always_on_top = is_checked(c.always_on_top);
    s.start_minimized = is_checked(c.start_minimized);
    s.auto_minimize_after_send = is_checked(c.auto_minimize);
    s.bring_to_front_on_receive = is_checked(c.bring_to_front);
    s.interrupt_screensaver_on_receive = is_checked(c.interrupt_screensaver);
}

// The running program follows the new settings.
void reapply_settings(AppState& state) {
    if (state.main_window) SetWindowTextW(state.main_window, main_window_title().c_str());
    state.engine.set_identity(state.settings.user, state.settings.room);
    create_quick_buttons();
    build_accelerators();
    update_compose_limit();
    if (state.main_window) {
        RECT client{};
        GetClientRect(state.main_window, &client);
        layout_controls(client.right - client.left, client.bottom - client.top);
    }
    update_tray_tooltip();
    apply_always_on_top();
    // A flashing tray icon means a page is still unseen; its banner stays up.
    if (!state.tray_flashing) reset_banner();
}

// The record to save: the file as it is now (an administrator may have edited what
// the dialog does not show while it was open), or the running record when the file
// cannot be read; the dialog's fields go over it.
Settings record_to_save(const ConfigDialogControls& c, const Settings& running) {
    Settings saved = running;
    std::string bytes;
    if (read_file_bytes(running.ini_path, bytes)) saved = parse_settings_text(bytes, running.ini_path);
    read_controls(c, saved);
    return saved;
}

void report_unsaved(HWND dialog, const std::wstring& path) {
    const std::wstring text = L"Your changes apply until you exit Quillnet, but they could not be saved to\n" + path +
                              L"\n\nAsk your administrator to let you change that file, or to make the changes there.";
    MessageBoxW(dialog, text.c_str(), L"Quillnet", MB_OK | MB_ICONWARNING);
}

}  // namespace

void apply_configuration(HWND dialog) {
    AppState* state = app();
    if (state) {
        const ConfigDialogControls& c = config_dialog_controls();
        const Settings saved = record_to_save(c, state->settings);
        read_controls(c, state->settings);
        set_start_at_login(is_checked(c.start_at_login));
        if (!save_settings(saved)) report_unsaved(dialog, saved.ini_path);
        reapply_settings(*state);
    }
    DestroyWindow(dialog);
}

}  // namespace quillnet
