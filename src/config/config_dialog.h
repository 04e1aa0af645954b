// The "Quillnet Configuration" window (Win32 layer). It edits a copy of the settings;
// what the program does with the values on OK is the program's, handed in as hooks.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "config/settings.h"

namespace quillnet {

struct ConfigDialogHooks {
    HINSTANCE instance = nullptr;
    HFONT font = nullptr;  // the controls' font; the system font when null
    // Test: plays the sound file the dialog shows (empty: the tone) at its volume.
    std::function<void(const std::string& sound_file, int volume)> test_sound;
    // OK: the program reads the fields (read_dialog_fields), saves and applies them
    // (dialog: the owner of any message it shows); the dialog closes afterwards.
    std::function<void(HWND dialog)> apply;
};

// Builds the dialog from settings, runs its modal loop and returns when it has been
// closed. While one is open, a second request brings the open one forward.
void show_configuration_dialog(HWND owner, const Settings& settings, const ConfigDialogHooks& hooks);
// The open dialog, or null.
HWND open_configuration_dialog();

// The dialog's fields over s (identity, quick messages, sound, window behaviour,
// urgent pages).
void read_dialog_fields(Settings& s);
// Whether the start-at-login box is ticked.
bool start_at_login_checked();

}  // namespace quillnet
