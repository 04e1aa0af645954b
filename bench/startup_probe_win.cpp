// Measures and drives window programs from outside, under Wine:
//   startup NAME EXE RUNS CLASS [PORT_BASE]
//       starts EXE RUNS times (after one unmeasured warm-up start) and times each start
//       from CreateProcess until a visible top-level window of class CLASS belongs to
//       the new process; then ends it (Exit command for QuillnetWindow, WM_CLOSE
//       otherwise). With PORT_BASE, a fresh Quillnet.ini beside EXE gives every start
//       its own message port. Prints NAME_startup_p50_ms and NAME_startup_min_ms.
//   lines MIN TIMEOUT_MS
//       waits until the running copy's conversation log holds at least MIN lines and
//       prints log_lines.
//   exit CLASS
//       ends the program owning the window of class CLASS and waits for it.
//   text ID
//       prints the text of the running copy's control ID (101: the rooms caption).
//   ping
//       prints how long the running copy's window takes to answer a message (ping_ms).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int IDM_EXIT = 202;
constexpr int LOG_VIEW_ID = 104;

struct Search {
    DWORD pid;
    const wchar_t* class_name;
    HWND found;
};

BOOL CALLBACK find_visible(HWND window, LPARAM param) {
    auto* s = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != s->pid || !IsWindowVisible(window)) return TRUE;
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (wcscmp(name, s->class_name) != 0) return TRUE;
    s->found = window;
    return FALSE;
}

double now_ms() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

void write_ini(const std::wstring& exe, int discovery_port, int message_port) {
    const std::wstring path = exe.substr(0, exe.find_last_of(L"\\/") + 1) + L"Quillnet.ini";
    const std::string text = "[identity]\r\nuser = Bench\r\nroom = Bench room\r\n[network]\r\ndiscovery_port = " +
                             std::to_string(discovery_port) + "\r\nmessage_port = " + std::to_string(message_port) +
                             "\r\n[sound]\r\nenabled = 0\r\n[behavior]\r\nalways_on_top = 0\r\nstart_minimized = 0\r\n"
                             "bring_to_front_on_receive = 0\r\ninterrupt_screensaver_on_receive = 0\r\n";
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

void end_program(HWND window, HANDLE process, bool quillnet) {
    if (quillnet) PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDM_EXIT, 0), 0);
    else PostMessageW(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process, 20000) != WAIT_OBJECT_0) TerminateProcess(process, 1);
}

// One start; milliseconds until the window was visible, or a negative value.
double time_one_start(const std::wstring& exe, const wchar_t* class_name) {
    const std::wstring folder = exe.substr(0, exe.find_last_of(L"\\/"));
    std::wstring command = L"\"" + exe + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const double t0 = now_ms();
    if (!CreateProcessW(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi))
        return -1;
    Search search{pi.dwProcessId, class_name, nullptr};
    double elapsed = -1;
    while (now_ms() - t0 < 30000) {
        EnumWindows(find_visible, reinterpret_cast<LPARAM>(&search));
        if (search.found) {
            elapsed = now_ms() - t0;
            break;
        }
        if (WaitForSingleObject(pi.hProcess, 1) == WAIT_OBJECT_0) break;  // ended without a window
    }
    if (search.found) end_program(search.found, pi.hProcess, wcscmp(class_name, L"QuillnetWindow") == 0);
    else TerminateProcess(pi.hProcess, 1);
    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return elapsed;
}

int startup(const std::wstring& name, const std::wstring& exe, int runs, const std::wstring& class_name,
            int port_base) {
    std::vector<double> times;
    for (int r = -1; r < runs; ++r) {  // r == -1: warm-up, not counted
        if (port_base > 0) write_ini(exe, port_base, port_base + 2 + r);
        const double ms = time_one_start(exe, class_name.c_str());
        if (ms < 0) {
            std::fprintf(stderr, "startup: no visible window\n");
            return 1;
        }
        if (r >= 0) times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    const std::string n(name.begin(), name.end());
    std::printf("%s_startup_p50_ms %.3f\n%s_startup_min_ms %.3f\n", n.c_str(), times[times.size() / 2], n.c_str(),
                times.front());
    return 0;
}

int lines(int minimum, int timeout_ms) {
    const double t0 = now_ms();
    LRESULT count = 0;
    while (now_ms() - t0 < timeout_ms) {
        HWND main = FindWindowW(L"QuillnetWindow", nullptr);
        HWND log = main ? GetDlgItem(main, LOG_VIEW_ID) : nullptr;
        DWORD_PTR result = 0;
        if (log && SendMessageTimeoutW(log, EM_GETLINECOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &result)) {
            count = static_cast<LRESULT>(result);
            if (count >= minimum) break;
        }
        Sleep(200);
    }
    std::printf("log_lines %ld\n", static_cast<long>(count));
    return count >= minimum ? 0 : 1;
}

int exit_program(const std::wstring& class_name) {
    HWND window = FindWindowW(class_name.c_str(), nullptr);
    if (!window) return 1;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
    if (!process) return 1;
    end_program(window, process, class_name == L"QuillnetWindow");
    CloseHandle(process);
    return 0;
}

int text(int id) {
    HWND main = FindWindowW(L"QuillnetWindow", nullptr);
    HWND control = main ? GetDlgItem(main, id) : nullptr;
    if (!control) return 1;
    wchar_t buffer[512] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(control, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 30000, &copied);
    char utf8[1536] = {};
    WideCharToMultiByte(CP_UTF8, 0, buffer, -1, utf8, sizeof utf8, nullptr, nullptr);
    std::printf("%s\n", utf8);
    return 0;
}

int ping() {
    HWND main = FindWindowW(L"QuillnetWindow", nullptr);
    if (!main) return 1;
    DWORD_PTR result = 0;
    const double t0 = now_ms();
    const bool answered = SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &result) != 0;
    std::printf("ping_ms %.3f\n", answered ? now_ms() - t0 : -1.0);
    return answered ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"startup" && argc >= 6)
        return startup(argv[2], argv[3], _wtoi(argv[4]), argv[5], argc > 6 ? _wtoi(argv[6]) : 0);
    if (command == L"lines" && argc >= 4) return lines(_wtoi(argv[2]), _wtoi(argv[3]));
    if (command == L"exit" && argc >= 3) return exit_program(argv[2]);
    if (command == L"text" && argc >= 3) return text(_wtoi(argv[2]));
    if (command == L"ping") return ping();
    std::fprintf(stderr, "usage: qn_startup_probe startup NAME EXE RUNS CLASS [PORT_BASE] | lines MIN TIMEOUT_MS | exit CLASS |\n"
                 "                        text ID | ping\n");
    return 2;
}
