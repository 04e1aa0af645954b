// The raised-flags board of the main window: caption 110, owner-drawn list 111, Clear
// 112. It keeps its own controls and rows; the window hands it creation, layout,
// drawing, commands, its refresh timer and every change of a flag set.
#pragma once

#include <windows.h>

#include <cstddef>

#include "ui/layout.h"

namespace quillnet {

// Creates the caption, the list and Clear (the board empty, nothing selected).
void create_board_controls();
// Forgets the controls and rows (the window is gone).
void forget_board();
void layout_board(const MainLayout& layout);
// Rebuilds the rows from the engine's peers and own flags, keeping the selection, and
// runs the refresh timer while rows exist.
void refresh_board();
// WM_COMMAND of the list or Clear; false for other controls.
bool on_board_command(int id, int code);
// WM_DRAWITEM of the list; false for other controls.
bool draw_board_row(const DRAWITEMSTRUCT& item);
// Clears the selected row's flag: an own flag here, a peer's by CLEAR to its owner.
void clear_selected_flag();
// Raised flags on the board, counted whether shown or not.
std::size_t raised_flag_count();

}  // namespace quillnet
