// Placement of the main window's controls, its title and its always-on-top state.
#include <windows.h>

#include "app/app_state.h"
#include "base/win_text.h"
#include "ui/key_texts.h"
#include "ui/layout.h"
#include "ui/main_window.h"

namespace quillnet {

namespace {

void move_control(HWND control, const ControlRect& r) {
    if (control) MoveWindow(control, r.x, r.y, r.width, r.height, TRUE);
}

}  // namespace

void layout_controls(int width, int height) {
    AppState* s = app();
    if (!s) return;
    const MainLayout layout = compute_layout(width, height, static_cast<int>(s->quick_buttons.size()),
                                             static_cast<int>(s->flag_buttons.size()));
    move_control(s->banner, layout.banner);
    move_control(s->quick_label, layout.quick_label);
    move_control(s->flags_label, layout.flags_label);
    move_control(s->rooms_caption, layout.rooms_caption);
    move_control(s->rooms_list, layout.rooms_list);
    move_control(s->everyone_check, layout.everyone_check);
    move_control(s->log_view, layout.log_view);
    move_control(s->input_edit, layout.input_edit);
    move_control(s->send_button, layout.send_button);
    for (std::size_t i = 0; i < s->quick_buttons.size() && i < layout.quick_buttons.size(); ++i)
        move_control(s->quick_buttons[i], layout.quick_buttons[i]);
    for (std::size_t i = 0; i < s->flag_buttons.size() && i < layout.flag_buttons.size(); ++i)
        move_control(s->flag_buttons[i], layout.flag_buttons[i]);
}

std::wstring main_window_title() {
    const AppState* s = app();
    if (!s) return L"Quillnet";
    std::wstring title = L"Quillnet \u2014 " + to_wide(s->settings.user) + L" (" + to_wide(s->settings.room) + L")";
    // The mark of a sealed workstation; an open one keeps the plain title.
    if (is_site_key(s->settings.site_key)) title += L" \u2014 sealed";
    return title;
}

void apply_always_on_top() {
    const AppState* s = app();
    if (!s || !s->main_window) return;
    SetWindowPos(s->main_window, s->settings.always_on_top ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
}

}  // namespace quillnet
