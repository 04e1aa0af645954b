// Owner-drawn flag buttons: a tile in the flag's colour with a dark outline, its label
// in white or dark grey by the luminance rule, and the pressed and focus states.
#include <windows.h>

#include "ui/app_state.h"
#include "base/win_text.h"
#include "ui/colour.h"
#include "ui/flag_button.h"
#include "base/win_handles.h"

namespace quillnet {

namespace {

constexpr COLORREF OUTLINE_COLOUR = 0x1E1E1E;

}  // namespace

void draw_flag_button(const DRAWITEMSTRUCT& item) {
    const AppState* s = app();
    if (!s) return;
    const int slot = static_cast<int>(item.CtlID) - FLAG_BUTTON_BASE;
    if (slot < 0 || static_cast<std::size_t>(slot) >= s->settings.flags.size()) return;
    const FlagDefinition& flag = s->settings.flags[static_cast<std::size_t>(slot)];
    const HDC dc = item.hDC;
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    RECT r = item.rcItem;

    {
        GdiObject fill(CreateSolidBrush(flag.colour));
        FillRect(dc, &r, static_cast<HBRUSH>(fill.get()));
    }
    {
        GdiObject pen(CreatePen(PS_SOLID, pressed ? 2 : 1, OUTLINE_COLOUR));
        DcSelection pen_selection(dc, pen.get());
        DcSelection brush_selection(dc, GetStockObject(NULL_BRUSH));
        Rectangle(dc, r.left, r.top, r.right, r.bottom);
    }
    SetTextColor(dc, text_colour_on(flag.colour));
    SetBkMode(dc, TRANSPARENT);
    const std::wstring text = to_wide(flag.name);
    if (pressed) OffsetRect(&r, 1, 1);
    DrawTextW(dc, text.c_str(), -1, &r, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
    if (item.itemState & ODS_FOCUS) {
        RECT focus = item.rcItem;
        DrawFocusRect(dc, &focus);
    }
}

}  // namespace quillnet
