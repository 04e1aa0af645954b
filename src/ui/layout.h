// Positions of the main window's controls for a client size (pure arithmetic).
#pragma once

#include <vector>

#include "base/scale.h"

namespace quillnet {

struct ControlRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const ControlRect& o) const {
        return x == o.x && y == o.y && width == o.width && height == o.height;
    }
};

struct MainLayout {
    ControlRect banner, quick_label, flags_label, rooms_caption, rooms_list, everyone_check, log_view,
        input_edit, send_button;
    // The raised-flags board above the log: its caption, the Seen and Clear buttons on
    // the caption's line, and its list of rows.
    ControlRect board_caption, seen_button, board_clear, board_list;
    std::vector<ControlRect> quick_buttons;
    std::vector<ControlRect> flag_buttons;
};

// Height of the board's list at 96 DPI: four rows of BOARD_ROW_HEIGHT and its border.
constexpr int BOARD_ROW_HEIGHT = 22;
constexpr int BOARD_LIST_HEIGHT = 4 * BOARD_ROW_HEIGHT + 4;

// Every number of the layout is given at 96 DPI and scaled by dpi / 96.
MainLayout compute_layout(int width, int height, int quick_count, int flag_count, unsigned dpi = 96);

}  // namespace quillnet
