// The three sends of the main window (typed text, quick message, flag; the last two
// urgent when the settings' urgent list names them, a flag also raised on the board)
// and the compose field's subclass that makes Enter send.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "config/loop_settings.h"
#include "net/line_kinds.h"
#include "ui/app_state.h"
#include "ui/board.h"
#include "ui/loop_lines.h"
#include "base/win_text.h"
#include "ui/conversation_log.h"
#include "net/wire.h"
#include "ui/log_core.h"
#include "ui/rooms_list.h"
#include "ui/sending.h"

namespace quillnet {

namespace {

constexpr UINT_PTR COMPOSE_SUBCLASS_ID = 1;

void hide_after_send(const AppState& s) {
    if (s.settings.auto_minimize_after_send) ShowWindow(s.main_window, SW_HIDE);
}

std::wstring compose_text(HWND field) {
    const int length = GetWindowTextLengthW(field);
    if (length <= 0) return std::wstring();
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(field, &text[0], length + 1);
    text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return text;
}

bool is_enter(UINT message, WPARAM wparam) {
    return (message == WM_KEYDOWN || message == WM_CHAR) && wparam == VK_RETURN;
}

LRESULT CALLBACK compose_proc(HWND field, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR) {
    try {
        if (is_enter(message, wparam)) {
            send_typed_message();
            return 0;
        }
        if (message == WM_GETDLGCODE) {
            // IsDialogMessageW in the message loop would otherwise take Enter for the
            // default button (IDOK) and it would never reach this field; Tab and the
            // other navigation keys stay with the dialog manager.
            LRESULT code = DefSubclassProc(field, message, wparam, lparam);
            const MSG* msg = reinterpret_cast<const MSG*>(lparam);
            if (msg && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN) code |= DLGC_WANTMESSAGE;
            return code;
        }
        return DefSubclassProc(field, message, wparam, lparam);
    } catch (...) {
        return 0;
    }
}

}  // namespace

void install_compose_subclass(HWND input_edit) {
    if (input_edit) SetWindowSubclass(input_edit, compose_proc, COMPOSE_SUBCLASS_ID, 0);
}

void update_compose_limit() {
    const AppState* s = app();
    if (!s || !s->input_edit) return;
    // The longest text that fits one frame, open or sealed, is counted in UTF-8 bytes;
    // a UTF-16 unit of the field never takes more than 3 of them. EM_LIMITTEXT with 0
    // would lift the limit, so at least one unit stays allowed.
    const std::size_t units = max_text_bytes(s->settings.user.size(), s->settings.room.size()) / 3;
    SendMessageW(s->input_edit, EM_LIMITTEXT, units > 0 ? units : 1, 0);
}

void send_typed_message() {
    AppState* s = app();
    if (!s) return;
    const std::wstring text = compose_text(s->input_edit);
    if (text.empty() || send_refused_after_departures()) return;
    const std::wstring target = describe_target();
    const std::string body = to_utf8(text);
    const std::vector<std::string> recipients = selected_recipients();
    int count = 0;
    const std::string message_id = s->engine.send_message(recipients, KIND_MSG, body, count);
    const std::wstring line = as_wide(outgoing_typed_line(as_u16(format_time_of_day()), as_u16(target), as_u16(text)));
    add_outgoing(message_id, line, count);
    SetWindowTextW(s->input_edit, L"");
    SetFocus(s->input_edit);
    hide_after_send(*s);
}

void send_quick_message(int slot) {
    AppState* s = app();
    if (!s || slot < 0 || static_cast<std::size_t>(slot) >= s->settings.quick_messages.size()) return;
    if (send_refused_after_departures()) return;
    const std::string text = s->settings.quick_messages[static_cast<std::size_t>(slot)];
    const std::wstring target = describe_target();
    const std::vector<std::string> recipients = selected_recipients();
    int count = 0;
    const std::string message_id = s->engine.send_message(recipients, KIND_QUICK, text, count,
                                                          matches_urgent(s->settings.urgent, text));
    const std::wstring line =
        as_wide(outgoing_quick_line(as_u16(format_time_of_day()), as_u16(target), as_u16(to_wide(text))));
    add_outgoing(message_id, line, count);
    hide_after_send(*s);
}

void send_flag(int slot) {
    AppState* s = app();
    if (!s || slot < 0 || static_cast<std::size_t>(slot) >= s->settings.flags.size()) return;
    if (send_refused_after_departures()) return;
    const std::string name = s->settings.flags[static_cast<std::size_t>(slot)].name;
    const std::wstring target = describe_target();
    const std::vector<std::string> recipients = selected_recipients();
    int count = 0;
    const std::string message_id =
        s->engine.send_message(recipients, KIND_FLAG, name, count, matches_urgent(s->settings.urgent, name));
    const std::wstring time = format_time_of_day();
    const std::wstring line = as_wide(outgoing_flag_line(as_u16(time), as_u16(to_wide(name)), as_u16(target)));
    add_outgoing(message_id, line, count);
    // The flag stays raised on this copy's board, whoever the page went to.
    if (s->engine.raise_flag(name) == RaiseResult::not_kept)
        append_line(as_wide(flag_not_kept_line(as_u16(time), as_u16(to_wide(name)))), false);
    refresh_board();
    hide_after_send(*s);
}

}  // namespace quillnet
