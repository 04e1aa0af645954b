// Start-up, message loop and shutdown of the program.
#pragma once

#include <windows.h>

#include <string>

#include "ui/app_state.h"

namespace quillnet {

// The whole life of the program; always returns 0.
int run_quillnet(HINSTANCE instance, int show_command);

// "Quillnet.ini" beside the executable (or in the working directory when the
// module path holds no separator).
std::wstring configuration_path(const std::wstring& module_path);

// Starts the engine on the live settings; a failure is shown in the network error box
// and leaves the engine stopped.
void start_engine(AppState& state);

// Start-up in its fixed order up to, not including, the message loop. The state
// must outlive the window; it is published through set_app().
void start_application(AppState& state, HINSTANCE instance, int show_command, const std::wstring& ini_path);
// Runs the message loop until the quit message; returns its exit code.
int run_message_loop();
// What the loop does with one message: the F1..F10 table, then dialog-style keyboard
// navigation of the main window, then translation and dispatch.
void handle_loop_message(MSG& msg);
// Frees handles after the loop and clears the published pointer.
void finish_application(AppState& state);

}  // namespace quillnet
