// Start-up in its fixed order, the message loop, and the release of every handle after
// the loop. The tests run the same start_application the executable runs.
#include <windows.h>
#include <commctrl.h>

#include "alert/alerts.h"
#include "app/engine_events.h"
#include "app/startup.h"
#include "app/window_proc.h"
#include "base/dialog_window.h"
#include "base/win_placement.h"
#include "base/win_text.h"
#include "config/settings_reader.h"
#include "history/history.h"
#include "net/events.h"
#include "res/resource_ids.h"
#include "ui/conversation_log.h"
#include "ui/key_window.h"
#include "ui/layout.h"
#include "ui/log_core.h"
#include "ui/main_window.h"
#include "ui/rooms_list.h"
#include "ui/seen.h"
#include "ui/tray.h"
#include "base/win_handles.h"

namespace quillnet {

namespace {

constexpr wchar_t MAIN_CLASS[] = L"QuillnetWindow";
constexpr int MAIN_WIDTH = 880;
constexpr int MAIN_HEIGHT = 680;

void load_icons(AppState& s) {
    const int small_width = GetSystemMetrics(SM_CXSMICON);
    const int small_height = GetSystemMetrics(SM_CYSMICON);
    s.large_icon = static_cast<HICON>(
        LoadImageW(s.instance, MAKEINTRESOURCEW(IDI_QUILLNET), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
    s.small_icon = static_cast<HICON>(
        LoadImageW(s.instance, MAKEINTRESOURCEW(IDI_QUILLNET), IMAGE_ICON, small_width, small_height, 0));
    s.alert_icon = static_cast<HICON>(
        LoadImageW(s.instance, MAKEINTRESOURCEW(IDI_QUILLNET_ALERT), IMAGE_ICON, small_width, small_height, 0));
}

void register_main_class(const AppState& s) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = main_window_proc;
    wc.hInstance = s.instance;
    wc.hIcon = s.large_icon;
    wc.hIconSm = s.small_icon;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = MAIN_CLASS;
    RegisterClassExW(&wc);
}

void create_main_window(AppState& s) {
    const std::wstring title = main_window_title();
    s.main_window = CreateWindowExW(0, MAIN_CLASS, title.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                    MAIN_WIDTH, MAIN_HEIGHT, nullptr, nullptr, s.instance, nullptr);
    if (!s.main_window) return;
    // The size is given at 96 DPI; the window is made as large on the screen it is on.
    const unsigned dpi = window_dpi(s.main_window);
    if (dpi != 96)
        SetWindowPos(s.main_window, nullptr, 0, 0, scale_px(MAIN_WIDTH, dpi), scale_px(MAIN_HEIGHT, dpi),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(s.main_window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(s.small_icon));
    SendMessageW(s.main_window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(s.large_icon));
}

void attach_menu_bar(HWND window) {
    MenuHandle bar(CreateMenu());
    HMENU options = CreatePopupMenu();
    HMENU help = CreatePopupMenu();
    if (!bar.get() || !options || !help) {
        if (options) DestroyMenu(options);
        if (help) DestroyMenu(help);
        return;
    }
    AppendMenuW(options, MF_STRING, IDM_CONFIGURATION, L"&Configuration\u2026");
    AppendMenuW(options, MF_STRING, IDM_SITE_KEY, L"Site &Key\u2026");
    AppendMenuW(options, MF_STRING, IDM_CLEAR_HISTORY, L"Clear &History");
    AppendMenuW(options, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(options, MF_STRING, IDM_EXIT, L"E&xit");
    AppendMenuW(help, MF_STRING, IDM_NETWORK_CHECK, L"&Network Check\u2026");
    AppendMenuW(help, MF_STRING, IDM_ABOUT, L"&About Quillnet\u2026");
    // From here the bar owns the popups and destroys them with itself.
    AppendMenuW(bar.get(), MF_POPUP, reinterpret_cast<UINT_PTR>(options), L"&Options");
    AppendMenuW(bar.get(), MF_POPUP, reinterpret_cast<UINT_PTR>(help), L"&Help");
    // The window destroys its menu bar when it is destroyed.
    if (SetMenu(window, bar.get())) bar.release();
}

void prime_log(const AppState& s) {
    start_log(load_history(s.settings.history_days));
    SYSTEMTIME now{};
    GetLocalTime(&now);
    append_line(as_wide(startup_separator(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute)), true);
    append_line(as_wide(start_notice(as_u16(to_wide(s.settings.user)), as_u16(to_wide(s.settings.room)))), false);
}

void show_unless_in_tray(const AppState& s, int show_command) {
    if (s.settings.start_minimized) return;
    ShowWindow(s.main_window, show_command);
    UpdateWindow(s.main_window);
}

// The balloon needs the tray icon; it stands for the window that stays hidden.
void announce_start_in_tray(AppState& s) {
    if (!s.settings.start_minimized) return;
    show_tray_balloon(L"Quillnet", L"Running in the tray. Double-click the icon to open.");
    s.tray_hint_shown = true;
}

std::wstring module_path() {
    wchar_t buffer[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    return std::wstring(buffer, length < MAX_PATH ? length : MAX_PATH);
}

}  // namespace

namespace {

void show_network_error(const AppState& s, const std::wstring& text) {
    MessageBoxW(s.main_window, text.c_str(), L"Quillnet \u2014 network error", MB_ICONERROR);
}

}  // namespace

void start_engine(AppState& s) {
    std::wstring error_text;
    if (s.engine.start(s.settings, s.main_window, error_text)) return;
    show_network_error(s, error_text);
}

std::wstring configuration_path(const std::wstring& module_path) {
    const std::size_t separator = module_path.find_last_of(L"\\/");
    if (separator == std::wstring::npos) return L"Quillnet.ini";
    return module_path.substr(0, separator + 1) + L"Quillnet.ini";
}

void start_application(AppState& state, HINSTANCE instance, int show_command, const std::wstring& ini_path) {
    set_app(&state);
    state.instance = instance;
    // A file that is there but cannot be read may hold a site key: running on the
    // defaults would page in the open, so the network stays off instead.
    SettingsFile file = read_settings_file(ini_path);
    state.settings = std::move(file.settings);

    load_icons(state);
    register_main_class(state);
    create_main_window(state);
    // Without a main window there is nothing to run; the caller skips the loop.
    if (!state.main_window) return;
    apply_window_dpi(window_dpi(state.main_window));
    attach_menu_bar(state.main_window);

    create_controls();
    build_accelerators();
    // F11 acknowledges while a modal window of the program is open as well.
    set_modal_key_handler(pass_acknowledge_key);
    RECT client{};
    GetClientRect(state.main_window, &client);
    layout_controls(client.right - client.left, client.bottom - client.top);
    reset_banner();
    prime_log(state);
    apply_always_on_top();
    show_unless_in_tray(state, show_command);

    // Nothing of the first paint needs the tray icon, the engine or the rooms list
    // (its caption starts at "Online rooms (0)"), so they follow the window onto the
    // screen. The engine posts to a window that exists by now; what it posts waits in
    // the queue until the loop runs, after the start-up lines of the log. A failed
    // start's error box is owned by the visible window.
    add_tray_icon();
    if (file.unreadable) show_network_error(state, unreadable_settings_text(file.reason));
    else start_engine(state);
    refresh_rooms_list();
    announce_start_in_tray(state);
}

namespace {

bool is_key_message(const MSG& msg) { return msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST; }

// Keys meant for the main window or its controls while it is hidden: the user is
// typing into another program, and nothing of it may turn into a page.
bool key_for_hidden_window(const AppState& s, const MSG& msg) {
    return is_key_message(msg) && !IsWindowVisible(s.main_window) &&
           (msg.hwnd == s.main_window || IsChild(s.main_window, msg.hwnd));
}

}  // namespace

void handle_loop_message(MSG& msg) {
    const AppState* s = app();
    if (s && s->main_window && key_for_hidden_window(*s, msg)) return;
    // The table is read afresh for every message: a settings change rebuilds it. Only
    // a visible window turns F1..F10 into quick messages.
    if (s && s->accelerators && s->main_window && IsWindowVisible(s->main_window) &&
        TranslateAcceleratorW(s->main_window, s->accelerators, &msg))
        return;
    // Tab and arrow-key navigation between the controls, as in a dialog.
    if (s && s->main_window && IsDialogMessageW(s->main_window, &msg)) return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

int run_message_loop() {
    MSG msg{};
    BOOL result;
    while ((result = GetMessageW(&msg, nullptr, 0, 0)) > 0) handle_loop_message(msg);
    return result == 0 ? static_cast<int>(msg.wParam) : 0;
}

void finish_application(AppState& state) {
    free_queued_engine_events();
    set_modal_key_handler(nullptr);
    // A site key copied less than a minute ago does not outlive the program there.
    forget_copied_key();
    if (state.accelerators) DestroyAcceleratorTable(state.accelerators);
    state.accelerators = nullptr;
    for (HGDIOBJ object : {static_cast<HGDIOBJ>(state.banner_brush), static_cast<HGDIOBJ>(state.normal_font),
                           static_cast<HGDIOBJ>(state.large_font)}) {
        if (object) DeleteObject(object);
    }
    state.banner_brush = nullptr;
    state.normal_font = nullptr;
    state.large_font = nullptr;
    for (HICON icon : {state.large_icon, state.small_icon, state.alert_icon}) {
        if (icon) DestroyIcon(icon);
    }
    state.large_icon = state.small_icon = state.alert_icon = nullptr;
    // The class refers to the icons just destroyed; a later start in the same process
    // registers it afresh.
    UnregisterClassW(MAIN_CLASS, state.instance);
    set_app(nullptr);
}

int run_quillnet(HINSTANCE instance, int show_command) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    AppState state;
    start_application(state, instance, show_command, configuration_path(module_path()));
    if (state.main_window) run_message_loop();
    finish_application(state);
    return 0;
}

}  // namespace quillnet
