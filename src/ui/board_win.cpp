// The raised-flags board on the main window: its controls, the rows rebuilt from the
// engine with the selection kept by (InstanceId, label), the owner-drawn rows in the
// flags' colours, Clear and the Delete key, and the refresh of the ages.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "base/text.h"
#include "base/win_handles.h"
#include "base/win_text.h"
#include "net/clock.h"
#include "ui/app_state.h"
#include "ui/board.h"
#include "ui/board_rows.h"
#include "ui/colour.h"
#include "ui/conversation_log.h"
#include "ui/loop_lines.h"
#include "ui/main_window.h"
#include "ui/seen.h"

namespace quillnet {

namespace {

constexpr UINT_PTR BOARD_KEYS_SUBCLASS_ID = 3;
constexpr COLORREF SELECTION_OUTLINE = 0x1E1E1E;

// The board's own state; it lives as long as the main window's controls.
struct Board {
    HWND caption = nullptr;
    HWND list = nullptr;
    HWND clear = nullptr;
    std::vector<BoardRow> rows;
    std::size_t raised = 0;
    // The selected flag, kept by owner and label while the rows are rebuilt.
    std::string selected_owner;
    std::string selected_label;
    bool selected = false;
    bool timer_running = false;
};

Board board;

void remember_selection() {
    const LRESULT index = board.list ? SendMessageW(board.list, LB_GETCURSEL, 0, 0) : LB_ERR;
    board.selected = index != LB_ERR && static_cast<std::size_t>(index) < board.rows.size();
    if (board.selected) {
        board.selected_owner = board.rows[static_cast<std::size_t>(index)].owner_id;
        board.selected_label = board.rows[static_cast<std::size_t>(index)].label;
    }
    if (board.clear) EnableWindow(board.clear, board.selected);
}

LRESULT CALLBACK board_keys_proc(HWND list, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR) {
    try {
        if (message == WM_KEYDOWN && wparam == VK_DELETE) {
            clear_selected_flag();
            return 0;
        }
        return DefSubclassProc(list, message, wparam, lparam);
    } catch (...) {
        return 0;
    }
}

HWND create_board_child(const AppState& s, const wchar_t* window_class, const wchar_t* text, DWORD style, int id) {
    HWND control = CreateWindowExW(0, window_class, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10,
                                   s.main_window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), s.instance,
                                   nullptr);
    if (control) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(s.normal_font), TRUE);
    return control;
}

std::vector<BoardSource> current_sources(const AppState& s) {
    std::vector<BoardSource> sources;
    BoardSource own;
    own.id = s.engine.instance_id();
    own.user = s.settings.user;
    own.room = s.settings.room;
    own.own = true;
    for (const OwnFlag& flag : s.engine.own_flags()) own.flags.push_back({flag.label, flag.raised_ms});
    sources.push_back(std::move(own));
    for (const PeerRecord& peer : s.engine.snapshot_peers()) {
        BoardSource source;
        source.id = peer.id;
        source.user = peer.user;
        source.room = peer.room;
        for (const PeerFlag& flag : peer.flags) source.flags.push_back({flag.label, flag.raised_ms});
        sources.push_back(std::move(source));
    }
    return sources;
}

void set_caption(std::size_t raised) {
    if (!board.caption) return;
    const std::wstring text = L"Raised flags (" + std::to_wstring(raised) + L")";
    SetWindowTextW(board.caption, text.c_str());
}

void run_refresh_timer(HWND window, bool rows_shown) {
    if (rows_shown && !board.timer_running)
        board.timer_running = SetTimer(window, BOARD_REFRESH_TIMER, BOARD_REFRESH_MS, nullptr) != 0;
    else if (!rows_shown && board.timer_running) {
        KillTimer(window, BOARD_REFRESH_TIMER);
        board.timer_running = false;
    }
}

// The flag of the selected row as it was when it was shown, if a row is selected.
bool selected_row(BoardRow& row) {
    if (!board.selected) return false;
    const int index = find_board_row(board.rows, board.selected_owner, board.selected_label);
    if (index < 0) return false;
    row = board.rows[static_cast<std::size_t>(index)];
    return true;
}

bool still_raised_by_peer(const AppState& s, const BoardRow& row) {
    for (const PeerRecord& peer : s.engine.snapshot_peers()) {
        if (peer.id != row.owner_id) continue;
        for (const PeerFlag& flag : peer.flags)
            if (flag.label == row.label) return true;
    }
    return false;
}

}  // namespace

void create_board_controls() {
    AppState* s = app();
    if (!s) return;
    board = Board{};
    board.caption = create_board_child(*s, L"STATIC", L"Raised flags (0)", 0, ID_BOARD_CAPTION);
    board.list = create_board_child(*s, L"LISTBOX", L"",
                                    WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT |
                                        LBS_OWNERDRAWFIXED | LBS_HASSTRINGS,
                                    ID_BOARD_LIST);
    board.clear = create_board_child(*s, L"BUTTON", L"Clear", WS_TABSTOP | WS_DISABLED, ID_BOARD_CLEAR);
    if (board.list) SetWindowSubclass(board.list, board_keys_proc, BOARD_KEYS_SUBCLASS_ID, 0);
}

void forget_board() {
    if (board.timer_running) {
        if (const AppState* s = app())
            if (s->main_window) KillTimer(s->main_window, BOARD_REFRESH_TIMER);
    }
    board = Board{};
}

void layout_board(const MainLayout& layout) {
    const AppState* s = app();
    const auto move = [](HWND control, const ControlRect& r) {
        if (control) MoveWindow(control, r.x, r.y, r.width, r.height, TRUE);
    };
    move(board.caption, layout.board_caption);
    move(board.clear, layout.board_clear);
    if (board.list && s)
        SendMessageW(board.list, LB_SETITEMHEIGHT, 0, MAKELPARAM(scale_px(BOARD_ROW_HEIGHT, s->dpi), 0));
    move(board.list, layout.board_list);
}

void refresh_board() {
    AppState* s = app();
    if (!s || !board.list) return;
    const BoardContent content = build_board(current_sources(*s), s->settings.flags);
    const std::int64_t now = milliseconds_since_start();
    const bool count_changed = content.raised != board.raised;
    board.rows = content.rows;
    board.raised = content.raised;

    SendMessageW(board.list, WM_SETREDRAW, FALSE, 0);
    const LRESULT top = SendMessageW(board.list, LB_GETTOPINDEX, 0, 0);
    SendMessageW(board.list, LB_RESETCONTENT, 0, 0);
    for (const BoardRow& row : board.rows) {
        const std::wstring text = as_wide(board_row_text(row, now));
        SendMessageW(board.list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    const int index = board.selected ? find_board_row(board.rows, board.selected_owner, board.selected_label) : -1;
    SendMessageW(board.list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    if (top != LB_ERR && top > 0) SendMessageW(board.list, LB_SETTOPINDEX, static_cast<WPARAM>(top), 0);
    SendMessageW(board.list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(board.list, nullptr, TRUE);
    remember_selection();

    set_caption(board.raised);
    run_refresh_timer(s->main_window, !board.rows.empty());
    if (count_changed) update_tray_tooltip();
}

bool on_board_command(int id, int code) {
    if (id == ID_BOARD_LIST) {
        if (code == LBN_SELCHANGE || code == LBN_SELCANCEL) remember_selection();
        return true;
    }
    if (id == ID_BOARD_CLEAR) {
        if (code == BN_CLICKED) clear_selected_flag();
        return true;
    }
    return false;
}

bool draw_board_row(const DRAWITEMSTRUCT& item) {
    if (item.CtlID != static_cast<UINT>(ID_BOARD_LIST)) return false;
    const HDC dc = item.hDC;
    RECT r = item.rcItem;
    if (item.itemID == static_cast<UINT>(-1) || item.itemID >= board.rows.size()) {
        FillRect(dc, &r, GetSysColorBrush(COLOR_WINDOW));
        if (item.itemState & ODS_FOCUS) DrawFocusRect(dc, &r);
        return true;
    }
    const BoardRow& row = board.rows[item.itemID];
    {
        GdiObject fill(CreateSolidBrush(row.colour));
        FillRect(dc, &r, static_cast<HBRUSH>(fill.get()));
    }
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    if (selected) {
        // The selected row keeps its colour and gains a heavy outline.
        const AppState* s = app();
        GdiObject pen(CreatePen(PS_INSIDEFRAME, scale_px(3, s ? s->dpi : 96), SELECTION_OUTLINE));
        DcSelection pen_selection(dc, pen.get());
        DcSelection brush_selection(dc, GetStockObject(NULL_BRUSH));
        Rectangle(dc, r.left, r.top, r.right, r.bottom);
    }
    wchar_t text[512] = {};
    const LRESULT length = SendMessageW(item.hwndItem, LB_GETTEXTLEN, item.itemID, 0);
    if (length >= 0 && length < static_cast<LRESULT>(sizeof text / sizeof text[0]))
        SendMessageW(item.hwndItem, LB_GETTEXT, item.itemID, reinterpret_cast<LPARAM>(text));
    SetTextColor(dc, text_colour_on(row.colour));
    SetBkMode(dc, TRANSPARENT);
    RECT text_rect = r;
    text_rect.left += 8;
    text_rect.right -= 4;
    DrawTextW(dc, text, -1, &text_rect, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX | DT_END_ELLIPSIS);
    if (item.itemState & ODS_FOCUS) DrawFocusRect(dc, &r);
    return true;
}

void clear_selected_flag() {
    AppState* s = app();
    BoardRow row;
    if (!s || !selected_row(row)) return;
    if (row.own) {
        // Gone meanwhile (cleared by a peer): nothing happens.
        if (!s->engine.clear_own_flag(row.label)) return;
        append_line(as_wide(own_flag_cleared_line(as_u16(format_time_of_day()), utf8_to_utf16(row.label))), true);
    } else {
        if (!still_raised_by_peer(*s, row)) return;
        int attempted = 0;
        const std::int64_t age = flag_age_seconds(row.raised_ms, milliseconds_since_start());
        const std::string id = s->engine.clear_peer_flag(row.owner_id, row.label, age, attempted);
        acknowledge_flag_pages(row.owner_id, row.label);
        if (attempted > 0) {
            const std::wstring line = as_wide(clear_request_line(as_u16(format_time_of_day()),
                                                                 utf8_to_utf16(row.owner_room), utf8_to_utf16(row.label)));
            add_outgoing(id, line, attempted);
        }
    }
    refresh_board();
}

std::size_t raised_flag_count() { return board.raised; }

}  // namespace quillnet
