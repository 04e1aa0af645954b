// Placement of the main window's controls, its title and its always-on-top state.
#include <windows.h>

#include "ui/app_state.h"
#include "base/win_text.h"
#include "ui/board.h"
#include "ui/key_texts.h"
#include "ui/layout.h"
#include "ui/main_window.h"
#include "ui/seen.h"

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
                                             static_cast<int>(s->flag_buttons.size()), s->dpi);
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
    layout_board(layout);
    layout_seen(layout);
}

namespace {

HFONT create_ui_font(int height, int weight, unsigned dpi) {
    return CreateFontW(scale_px(height, dpi), 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0,
                       CLEARTYPE_QUALITY, 0, L"Segoe UI");
}

BOOL CALLBACK set_font_on_child(HWND child, LPARAM context) {
    const AppState* s = reinterpret_cast<const AppState*>(context);
    if (GetParent(child) != s->main_window) return TRUE;
    const HFONT font = child == s->banner ? s->large_font : s->normal_font;
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    return TRUE;
}

}  // namespace

void apply_window_dpi(unsigned dpi) {
    AppState* s = app();
    if (!s || dpi == 0) return;
    const bool had_fonts = s->normal_font || s->large_font;
    if (had_fonts && dpi == s->dpi) return;
    s->dpi = dpi;
    const HFONT old_normal = s->normal_font;
    const HFONT old_large = s->large_font;
    s->normal_font = create_ui_font(-16, 400, dpi);
    s->large_font = create_ui_font(-28, 600, dpi);
    // The controls take the new fonts before the old ones go.
    if (s->main_window) EnumChildWindows(s->main_window, set_font_on_child, reinterpret_cast<LPARAM>(s));
    if (old_normal) DeleteObject(old_normal);
    if (old_large) DeleteObject(old_large);
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
