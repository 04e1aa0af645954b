// The window's cost per page as the log grows (Windows only, run under Wine):
//   qn_growth_probe FOLDER DISCOVERY_PORT LEVELS SAMPLES [VIEW_LINES]
// runs the program's own start-up (start_application, the window procedure, the
// message loop step and the engine) in this process with a Quillnet.ini and history in
// FOLDER, window shown, then takes in pages the way the engine hands them over (a posted
// WM_APP_MESSAGE_RECEIVED), long enough to wrap in the log. At each level of LEVELS
// (comma-separated counts of pages taken in, ascending) it measures SAMPLES times, each
// from the moment of the post or click until everything the window has to do for it is
// done, painting included (the queue is empty):
//   page    a page posted, until its line is on screen
//   send    a Send click with a typed text (no room online: the line is final at once)
//   status  a delivery result posted for a waiting line, until its status is replaced
//   scroll  one page up in the log (WM_VSCROLL), until it is painted
// and prints growth_<level>_<figure>_ms (the median), growth_<level>_rss_kb (the
// process's working set, which Wine takes from the resident set) and
// growth_<level>_view_lines. Between levels the pages come in batches of 100, each batch
// handled and painted before the next. VIEW_LINES sets log_view_lines (default: the
// program's default).
#include <windows.h>
#include <psapi.h>

#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <cstdio>
#include <string>
#include <vector>

#include "app/startup.h"
#include "net/events.h"
#include "ui/app_state.h"
#include "ui/conversation_log.h"
#include "ui/ids.h"

namespace {

using namespace quillnet;

const char PAGE_TEXT[] = "Mrs Example is ready in Op 2, chart and X-rays on the desk";

double now_ms() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

bool quit_seen = false;

// Everything queued is handled, paints included (WM_PAINT comes while a region waits).
void pump_idle() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            quit_seen = true;
            continue;
        }
        handle_loop_message(msg);
    }
}

void post_page(HWND window) {
    auto* page = new IncomingMessage;
    page->kind = "MSG";
    page->user = "Reception";
    page->room = "Front";
    page->text = PAGE_TEXT;
    page->sender_address = "127.0.0.1";
    if (!PostMessageW(window, WM_APP_MESSAGE_RECEIVED, 0, reinterpret_cast<LPARAM>(page))) delete page;
}

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::size_t working_set_kb() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
    return counters.WorkingSetSize / 1024;
}

int view_lines(HWND view) {
    const int length = GetWindowTextLengthW(view);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    GetWindowTextW(view, &text[0], length + 1);
    int lines = 0;
    for (std::size_t at = text.find(L"\r\n"); at != std::wstring::npos; at = text.find(L"\r\n", at + 2)) ++lines;
    return lines;
}

void report(long level, const char* figure, double value) {
    std::printf("growth_%ld_%s %.3f\n", level, figure, value);
    std::fflush(stdout);
}

void measure(AppState& s, long level, int samples) {
    HWND window = s.main_window;
    std::vector<double> page, send, status, scroll;
    pump_idle();
    for (int i = 0; i < samples; ++i) {
        const double t0 = now_ms();
        post_page(window);
        pump_idle();
        page.push_back(now_ms() - t0);
    }
    for (int i = 0; i < samples; ++i) {
        SetWindowTextW(s.input_edit, L"Mrs Example is ready in Op 2, chart and X-rays on the desk");
        pump_idle();
        const double t0 = now_ms();
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(ID_SEND_BUTTON, BN_CLICKED),
                     reinterpret_cast<LPARAM>(s.send_button));
        pump_idle();
        send.push_back(now_ms() - t0);
    }
    for (int i = 0; i < samples; ++i) {
        const std::string id = "growth-" + std::to_string(level) + "-" + std::to_string(i);
        add_outgoing(id, L"10:00:00  You \u2192 1 room:  Mrs Example is ready in Op 2, chart and X-rays on the desk",
                     1);
        pump_idle();
        const double t0 = now_ms();
        auto* result = new DeliveryResult{id, 1, 1};
        if (!PostMessageW(window, WM_APP_DELIVERY_RESULT, 0, reinterpret_cast<LPARAM>(result))) delete result;
        pump_idle();
        status.push_back(now_ms() - t0);
    }
    for (int i = 0; i < samples; ++i) {
        const double t0 = now_ms();
        SendMessageW(s.log_view, WM_VSCROLL, SB_PAGEUP, 0);
        pump_idle();
        scroll.push_back(now_ms() - t0);
        SendMessageW(s.log_view, WM_VSCROLL, SB_BOTTOM, 0);
        pump_idle();
    }
    report(level, "page_ms", median(page));
    report(level, "send_ms", median(send));
    report(level, "status_ms", median(status));
    report(level, "scroll_ms", median(scroll));
    report(level, "rss_kb", static_cast<double>(working_set_kb()));
    report(level, "view_lines", view_lines(s.log_view));
}

bool write_ini(const std::wstring& path, int discovery_port, int view_lines) {
    const std::string text = "[identity]\r\nuser = Bench\r\nroom = Bench room\r\n[network]\r\ndiscovery_port = " +
                             std::to_string(discovery_port) + "\r\nmessage_port = " +
                             std::to_string(discovery_port + 1) +
                             "\r\n[sound]\r\nenabled = 0\r\n[behavior]\r\nalways_on_top = 0\r\nstart_minimized = 0\r\n"
                             "auto_minimize_after_send = 0\r\nbring_to_front_on_receive = 0\r\n"
                             "interrupt_screensaver_on_receive = 0\r\n" +
                             (view_lines > 0 ? "log_view_lines = " + std::to_string(view_lines) + "\r\n" : "");
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == text.size();
}

std::vector<long> parse_levels(const std::wstring& text) {
    std::vector<long> levels;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = text.find(L',', start);
        const std::wstring piece = text.substr(start, comma == std::wstring::npos ? std::wstring::npos : comma - start);
        if (!piece.empty()) levels.push_back(std::wcstol(piece.c_str(), nullptr, 10));
        if (comma == std::wstring::npos) break;
        start = comma + 1;
    }
    return levels;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: qn_growth_probe FOLDER DISCOVERY_PORT LEVELS SAMPLES [VIEW_LINES]\n");
        return 2;
    }
    const std::wstring folder = argv[1];
    const int port = _wtoi(argv[2]);
    const std::vector<long> levels = parse_levels(argv[3]);
    const int samples = std::max(1, _wtoi(argv[4]));
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring ini = folder + L"\\Quillnet.ini";
    DeleteFileW((folder + L"\\Quillnet\\history.log").c_str());
    if (!write_ini(ini, port, argc > 5 ? _wtoi(argv[5]) : 0)) return 1;
    // The history file follows LOCALAPPDATA.
    SetEnvironmentVariableW(L"LOCALAPPDATA", folder.c_str());

    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    auto state = std::make_unique<AppState>();
    start_application(*state, GetModuleHandleW(nullptr), SW_SHOW, ini);
    if (!state->main_window) return 1;
    // The user is looking at the window: pages raise no balloon and start no tray
    // flashing, so what is measured is the window's own work for each page.
    SetForegroundWindow(state->main_window);
    const double settle_until = now_ms() + 500;
    while (now_ms() < settle_until) {
        pump_idle();
        Sleep(10);
    }

    long taken_in = 0;
    const double t0 = now_ms();
    for (const long level : levels) {
        while (taken_in < level) {
            const long batch = std::min<long>(100, level - taken_in);
            for (long i = 0; i < batch; ++i) post_page(state->main_window);
            taken_in += batch;
            pump_idle();
            if (taken_in % 5000 == 0)
                std::fprintf(stderr, "growth: %ld pages taken in after %.1f s\n", taken_in, (now_ms() - t0) / 1000.0);
        }
        measure(*state, level, samples);
        taken_in += samples;  // the measured pages count as taken in
    }
    std::printf("growth_seconds %.1f\n", (now_ms() - t0) / 1000.0);

    PostMessageW(state->main_window, WM_COMMAND, IDM_EXIT, 0);
    const double deadline = now_ms() + 30000;
    while (!quit_seen && now_ms() < deadline) {
        pump_idle();
        Sleep(5);
    }
    finish_application(*state);
    return 0;
}
