// Painting of the owner-drawn flag buttons.
#pragma once

#include <windows.h>

namespace quillnet {

// Paints flag button (id 2000 + i) i in its flag's colour; ids beyond the configured
// flags paint nothing.
void draw_flag_button(const DRAWITEMSTRUCT& item);

}  // namespace quillnet
