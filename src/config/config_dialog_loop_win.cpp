// The urgent-page fields of the configuration dialog, read back with the settings
// file's own rules so that the dialog and the file can never disagree.
#include "config/config_dialog_loop.h"

#include <string>

#include "base/dialog_window.h"
#include "base/win_text.h"
#include "config/config_dialog_controls.h"
#include "config/loop_settings.h"

namespace quillnet {

namespace {

struct LoopFields {
    HWND urgent = nullptr;
    HWND repeat_s = nullptr;
    HWND escalate_s = nullptr;
};

LoopFields fields;

HWND add(HWND dialog, const wchar_t* window_class, const std::wstring& text, DWORD style, int x, int y, int width,
         int height, int id, unsigned dpi, HINSTANCE instance, HFONT font) {
    return add_dialog_control(dialog, instance, window_class, text.c_str(), style, 0, id, {x, y, width, height}, font,
                              dpi);
}

std::wstring joined(const std::vector<std::string>& entries) {
    std::string text;
    for (std::size_t i = 0; i < entries.size(); ++i) text += (i > 0 ? ", " : "") + entries[i];
    return to_wide(text);
}

}  // namespace

void add_loop_fields(HWND dialog, const Settings& s, unsigned dpi, HINSTANCE instance, HFONT font) {
    constexpr DWORD EDIT = WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
    fields = LoopFields{};
    add(dialog, L"STATIC", L"Urgent pages:", 0, 15, 469, 125, 20, 0, dpi, instance, font);
    fields.urgent = add(dialog, L"EDIT", joined(s.urgent), EDIT, 140, 466, 335, 24, IDC_CFG_URGENT, dpi, instance, font);
    add(dialog, L"STATIC", L"Repeat every (s):", 0, 15, 503, 165, 20, 0, dpi, instance, font);
    fields.repeat_s = add(dialog, L"EDIT", std::to_wstring(s.urgent_repeat_s), EDIT | ES_NUMBER, 182, 500, 50, 24,
                          IDC_CFG_REPEAT_S, dpi, instance, font);
    add(dialog, L"STATIC", L"Tell sender after (s):", 0, 240, 503, 172, 20, 0, dpi, instance, font);
    fields.escalate_s = add(dialog, L"EDIT", std::to_wstring(s.urgent_escalate_s), EDIT | ES_NUMBER, 415, 500, 60,
                            24, IDC_CFG_ESCALATE_S, dpi, instance, font);
    add(dialog, L"STATIC", L"Quick messages and flags, comma-separated; 0 s: off.", 0, 15, 528, 470, 20,
        0, dpi, instance, font);
    for (HWND edit : {fields.repeat_s, fields.escalate_s})
        if (edit) SendMessageW(edit, EM_LIMITTEXT, 4, 0);
}

void read_loop_fields(Settings& s) {
    if (!fields.urgent) return;
    apply_loop_key(s, "urgent", to_utf8(control_text(fields.urgent)));
    apply_loop_key(s, "urgent_repeat_s", to_utf8(control_text(fields.repeat_s)));
    apply_loop_key(s, "urgent_escalate_s", to_utf8(control_text(fields.escalate_s)));
}

void forget_loop_fields() { fields = LoopFields{}; }

}  // namespace quillnet
