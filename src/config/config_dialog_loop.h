// The urgent-page fields of the configuration dialog: which quick messages and flags
// are urgent, how often an urgent page repeats its alert here, and when a sender is
// told that nobody saw one (Win32 layer, used only by src/config/config_*_win.cpp).
#pragma once

#include <windows.h>

#include "config/settings.h"

namespace quillnet {

enum LoopControlId : int {
    IDC_CFG_URGENT = 60,
    IDC_CFG_REPEAT_S = 61,
    IDC_CFG_ESCALATE_S = 62,
};

// Adds the fields below the quick messages, filled from s; geometry at 96 DPI scaled to dpi.
void add_loop_fields(HWND dialog, const Settings& s, unsigned dpi, HINSTANCE instance, HFONT font);
// The fields over s, read by the rules of the settings file (bad numbers: the default).
void read_loop_fields(Settings& s);
// Forgets the fields (the dialog is gone).
void forget_loop_fields();

}  // namespace quillnet
