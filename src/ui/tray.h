// The notification-area icon of the main window and its menu.
#pragma once

#include <windows.h>

#include <string>

namespace quillnet {

// Fills the tray record (tooltip "Quillnet — room") and adds the icon.
void add_tray_icon();
// Adds the filled record again (the shell restarted, or an earlier add failed); a
// failed add is retried by TRAY_RETRY_TIMER.
void add_tray_icon_again();
// The shell's "TaskbarCreated" message.
UINT taskbar_created_message();
// Removes the icon when it is present.
void remove_tray_icon();
// The tray menu: Open Quillnet, Configuration…, About…, Exit.
HMENU create_tray_menu();

}  // namespace quillnet
