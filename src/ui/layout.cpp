// Where each control of the main window goes for a given client size. Raw pixels,
// integer arithmetic with division truncating toward zero.
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

MainLayout compute_layout(int width, int height, int quick_count, int flag_count) {
    const long long w = width;
    const long long h = height;
    MainLayout layout;
    layout.banner = rect(0, 0, w, 60);
    layout.quick_label = rect(12, h - 126, 144, 18);
    layout.flags_label = rect(12, h - 44, 144, 18);
    layout.rooms_caption = rect(12, 72, 210, 18);
    layout.rooms_list = rect(12, 90, 210, h - 298);
    layout.everyone_check = rect(12, h - 204, 210, 22);
    layout.log_view = rect(234, 72, w - 246, h - 254);
    layout.input_edit = rect(12, h - 170, w - 122, 30);
    layout.send_button = rect(w - 102, h - 170, 90, 30);

    if (quick_count > 0) {
        long long qw = (w - 206) / 5;
        if (qw < 70) qw = 70;
        layout.quick_buttons.reserve(static_cast<std::size_t>(quick_count));
        for (long long i = 0; i < quick_count; ++i)
            layout.quick_buttons.push_back(rect(162 + (i % 5) * (qw + 8), i < 5 ? h - 132 : h - 92, qw, 32));
    }

    if (flag_count > 0) {
        const long long n = flag_count;
        long long fw = (w - 166 - 8 * n) / n;
        if (fw < 60) fw = 60;
        layout.flag_buttons.reserve(static_cast<std::size_t>(flag_count));
        for (long long i = 0; i < n; ++i) layout.flag_buttons.push_back(rect(162 + i * (fw + 8), h - 52, fw, 40));
    }
    return layout;
}

}  // namespace quillnet
