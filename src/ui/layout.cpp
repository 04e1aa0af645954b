// Where each control of the main window goes for a given client size. The numbers are
// pixels at 96 DPI, scaled to the window's DPI; integer arithmetic with division
// truncating toward zero.
#include "ui/layout.h"

#include <climits>

namespace quillnet {

namespace {

// Client sizes come from 16-bit message fields, but the arithmetic is done wide and
// saturated so that no argument can overflow it.
int saturate(long long value) {
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

ControlRect rect(long long x, long long y, long long width, long long height) {
    return ControlRect{saturate(x), saturate(y), saturate(width), saturate(height)};
}

}  // namespace

MainLayout compute_layout(int width, int height, int quick_count, int flag_count, unsigned dpi) {
    const long long w = width;
    const long long h = height;
    const auto d = [dpi](int px) { return static_cast<long long>(scale_px(px, dpi)); };
    MainLayout layout;
    layout.banner = rect(0, 0, w, d(60));
    layout.quick_label = rect(d(12), h - d(126), d(144), d(18));
    layout.flags_label = rect(d(12), h - d(44), d(144), d(18));
    layout.rooms_caption = rect(d(12), d(72), d(210), d(18));
    layout.rooms_list = rect(d(12), d(90), d(210), h - d(298));
    layout.everyone_check = rect(d(12), h - d(204), d(210), d(22));
    // The right column: the board's caption line (caption, Seen, Clear), the board with
    // room for four rows, then the log down to the compose line.
    layout.board_caption = rect(d(234), d(72), w - d(246) - d(216), d(18));
    layout.seen_button = rect(w - d(220), d(66), d(110), d(26));
    layout.board_clear = rect(w - d(102), d(66), d(90), d(26));
    layout.board_list = rect(d(234), d(96), w - d(246), d(BOARD_LIST_HEIGHT));
    layout.log_view = rect(d(234), d(96 + BOARD_LIST_HEIGHT + 8), w - d(246), h - d(286 + BOARD_LIST_HEIGHT));
    layout.input_edit = rect(d(12), h - d(170), w - d(122), d(30));
    layout.send_button = rect(w - d(102), h - d(170), d(90), d(30));

    if (quick_count > 0) {
        long long qw = (w - d(206)) / 5;
        if (qw < d(70)) qw = d(70);
        layout.quick_buttons.reserve(static_cast<std::size_t>(quick_count));
        for (long long i = 0; i < quick_count; ++i)
            layout.quick_buttons.push_back(
                rect(d(162) + (i % 5) * (qw + d(8)), i < 5 ? h - d(132) : h - d(92), qw, d(32)));
    }

    if (flag_count > 0) {
        const long long n = flag_count;
        long long fw = (w - d(166) - d(8) * n) / n;
        if (fw < d(60)) fw = d(60);
        layout.flag_buttons.reserve(static_cast<std::size_t>(flag_count));
        for (long long i = 0; i < n; ++i)
            layout.flag_buttons.push_back(rect(d(162) + i * (fw + d(8)), h - d(52), fw, d(40)));
    }
    return layout;
}

}  // namespace quillnet
