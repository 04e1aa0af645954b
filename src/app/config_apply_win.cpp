// Opening the configuration dialog, and its OK: the edited values go into the live
// settings, the start-at-login shortcut and the file, and the running program takes
// them over.
#include <windows.h>

#include <string>
#include <vector>

#include "alert/alerts.h"
#include "alert/sound.h"
#include "app/config_apply.h"
#include "base/file_io.h"
#include "base/win_text.h"
#include "config/config_dialog.h"
#include "config/settings_reader.h"
#include "config/settings_writer.h"
#include "config/startup_shortcut.h"
#include "ui/app_state.h"
#include "ui/main_window.h"
#include "ui/board.h"
#include "ui/sending.h"

namespace quillnet {

namespace {

// The running program follows the new settings.
void reapply_settings(AppState& state) {
    if (state.main_window) SetWindowTextW(state.main_window, main_window_title().c_str());
    state.engine.set_identity(state.settings.user, state.settings.room);
    state.engine.set_urgent_escalate_s(state.settings.urgent_escalate_s);
    create_quick_buttons();
    build_accelerators();
    update_compose_limit();
    if (state.main_window) {
        RECT client{};
        GetClientRect(state.main_window, &client);
        layout_controls(client.right - client.left, client.bottom - client.top);
    }
    // The own room names the own rows, and the own colours colour every row.
    refresh_board();
    update_tray_tooltip();
    apply_always_on_top();
    // A flashing tray icon means a page is still unseen; its banner stays up.
    if (!state.tray_flashing) reset_banner();
}

// The record to save: the file as it is now (an administrator may have edited what
// the dialog does not show while it was open), or the running record when there is
// no file yet; the dialog's fields go over it. False when the file is there but
// cannot be read: writing the running record over it could lose its site key.
bool record_to_save(const Settings& running, Settings& saved) {
    saved = running;
    std::string bytes;
    std::wstring reason;
    const FileRead read = read_file_bytes_checked(running.ini_path, bytes, reason);
    if (read == FileRead::failed) return false;
    if (read == FileRead::read) saved = parse_settings_text(bytes, running.ini_path);
    read_dialog_fields(saved);
    return true;
}

void report_unsaved(HWND dialog, const std::wstring& path) {
    const std::wstring text = L"Your changes apply until you exit Quillnet, but they could not be saved to\n" + path +
                              L"\n\nAsk your administrator to let you change that file, or to make the changes there.";
    MessageBoxW(dialog, text.c_str(), L"Quillnet", MB_OK | MB_ICONWARNING);
}

void apply_configuration(HWND dialog) {
    AppState* state = app();
    if (!state) return;
    Settings saved;
    const bool readable = record_to_save(state->settings, saved);
    read_dialog_fields(state->settings);
    set_start_at_login(start_at_login_checked());
    if (!readable || !save_settings(saved)) report_unsaved(dialog, saved.ini_path);
    reapply_settings(*state);
}

}  // namespace

void show_configuration(HWND owner) {
    AppState* state = app();
    if (!state) return;
    ConfigDialogHooks hooks;
    hooks.instance = state->instance;
    hooks.font = state->normal_font;
    hooks.test_sound = [](const std::string& sound_file, int volume) {
        if (const AppState* s = app()) play_notification(sound_file, volume, s->settings.tone_freq, s->settings.tone_ms);
    };
    hooks.apply = apply_configuration;
    show_configuration_dialog(owner, state->settings, hooks);
}

}  // namespace quillnet
