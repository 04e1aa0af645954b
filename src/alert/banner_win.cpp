// The coloured banner across the top of the main window: the idle text, the flag alert
// with its blink and time-out, and the colours the window procedure paints it with.
#include <windows.h>

#include "alert/alert_steps.h"
#include "alert/alerts.h"
#include "ui/app_state.h"
#include "base/win_text.h"
#include "ui/colour.h"
#include "ui/ids.h"

namespace quillnet {

namespace {

constexpr int BLINK_TICKS = 10;

void set_banner_text(AppState& state, std::wstring text) {
    state.banner_text = std::move(text);
    if (state.banner) SetWindowTextW(state.banner, state.banner_text.c_str());
}

}  // namespace

void set_banner_colour(ColourRef colour) {
    AppState* state = app();
    if (!state) return;
    state->banner_colour = colour;
    if (state->banner_brush) DeleteObject(state->banner_brush);
    state->banner_brush = CreateSolidBrush(colour);
    // The static control asks for its colours (WM_CTLCOLORSTATIC) only when it
    // repaints, so the whole control is invalidated with its background.
    if (state->banner) InvalidateRect(state->banner, nullptr, TRUE);
}

void show_flag_banner(const std::wstring& source, const std::wstring& label, ColourRef colour) {
    AppState* state = app();
    if (!state) return;
    state->banner_base_colour = colour;
    state->banner_blink_count = 0;
    state->banner_light_colour = lighten_for_blink(colour);
    set_banner_text(*state, L"\u2691   " + source + L"   \u2014   " + label);
    set_banner_colour(colour);
    if (state->main_window) {
        // SetTimer on a running id restarts it, so a second flag restarts both.
        SetTimer(state->main_window, BANNER_BLINK_TIMER, BANNER_BLINK_MS, nullptr);
        SetTimer(state->main_window, BANNER_TIMEOUT_TIMER, BANNER_TIMEOUT_MS, nullptr);
    }
}

void reset_banner() {
    AppState* state = app();
    if (!state) return;
    if (state->main_window) KillTimer(state->main_window, BANNER_BLINK_TIMER);
    set_banner_text(*state, L"Quillnet \u2014 " + to_wide(state->settings.room));
    set_banner_colour(IDLE_BANNER_COLOUR);
}

HBRUSH banner_colours(HDC dc) {
    AppState* state = app();
    const ColourRef background = state ? state->banner_colour : IDLE_BANNER_COLOUR;
    SetBkColor(dc, background);
    SetTextColor(dc, text_colour_on(background));
    if (state && state->banner_brush) return state->banner_brush;
    return static_cast<HBRUSH>(GetStockObject(DKGRAY_BRUSH));
}

// One tick of the blink timer: odd ticks light, even ticks base; the tenth tick ends
// the blink on the base colour.
void banner_blink_step() {
    AppState* state = app();
    if (!state) return;
    state->banner_blink_count += 1;
    const bool odd = (state->banner_blink_count % 2) != 0;
    set_banner_colour(odd ? state->banner_light_colour : state->banner_base_colour);
    if (state->banner_blink_count >= BLINK_TICKS) {
        if (state->main_window) KillTimer(state->main_window, BANNER_BLINK_TIMER);
        set_banner_colour(state->banner_base_colour);
    }
}

// The banner's 15 s time-out: one-shot, back to idle.
void banner_timeout() {
    AppState* state = app();
    if (!state) return;
    if (state->main_window) KillTimer(state->main_window, BANNER_TIMEOUT_TIMER);
    reset_banner();
}

}  // namespace quillnet
