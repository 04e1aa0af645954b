// Starting, finding, reading and ending copies of Quillnet.exe from another process.
#include "copy_process.h"

#include <cstdio>

namespace e2e {

namespace {

void write_text_file(const std::wstring& path, const std::string& text) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(f);
}

std::string ini_text(const CopyConfig& c) {
    std::string t;
    t += "[identity]\r\nuser = " + c.user + "\r\nroom = " + c.room + "\r\n";
    t += "[network]\r\ndiscovery_port = " + std::to_string(c.discovery_port) + "\r\n";
    t += "message_port = " + std::to_string(c.message_port) + "\r\n";
    t += "heartbeat_ms = " + std::to_string(c.heartbeat_ms) + "\r\n";
    t += "peer_timeout_ms = " + std::to_string(c.peer_timeout_ms) + "\r\n";
    t += "[sound]\r\nenabled = 0\r\n";
    t += "[behavior]\r\nalways_on_top = 0\r\n";
    t += std::string("start_minimized = ") + (c.start_minimized ? "1" : "0") + "\r\n";
    t += std::string("auto_minimize_after_send = ") + (c.auto_minimize_after_send ? "1" : "0") + "\r\n";
    t += std::string("bring_to_front_on_receive = ") + (c.bring_to_front_on_receive ? "1" : "0") + "\r\n";
    t += "interrupt_screensaver_on_receive = 1\r\n";
    t += c.extra_ini;
    return t;
}

// A copy of this process's environment with LOCALAPPDATA replaced.
std::vector<wchar_t> environment_with(const std::wstring& local_app_data) {
    std::vector<wchar_t> block;
    wchar_t* env = GetEnvironmentStringsW();
    for (const wchar_t* p = env; *p; p += wcslen(p) + 1) {
        if (_wcsnicmp(p, L"LOCALAPPDATA=", 13) == 0) continue;
        block.insert(block.end(), p, p + wcslen(p) + 1);
    }
    FreeEnvironmentStringsW(env);
    const std::wstring entry = L"LOCALAPPDATA=" + local_app_data;
    block.insert(block.end(), entry.begin(), entry.end());
    block.push_back(L'\0');
    block.push_back(L'\0');
    return block;
}

}  // namespace

std::wstring utf8_to_wide(const std::string& s) {
    if (s.empty()) return std::wstring();
    const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), &out[0], n);
    return out;
}

std::string wide_to_utf8(const std::wstring& s) {
    if (s.empty()) return std::string();
    const int n = WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), &out[0], n, nullptr, nullptr);
    return out;
}

std::wstring module_folder() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p = path;
    return p.substr(0, p.find_last_of(L"\\/"));
}

void prepare_copy(Copy& copy, const std::wstring& root, const std::wstring& exe_path) {
    CreateDirectoryW(root.c_str(), nullptr);
    copy.folder = root + L"\\" + copy.config.name;
    copy.local_app_data = copy.folder + L"\\appdata";
    CreateDirectoryW(copy.folder.c_str(), nullptr);
    CreateDirectoryW(copy.local_app_data.c_str(), nullptr);
    CopyFileW(exe_path.c_str(), (copy.folder + L"\\Quillnet.exe").c_str(), FALSE);
    write_text_file(copy.folder + L"\\Quillnet.ini", ini_text(copy.config));
}

bool launch_copy(Copy& copy, DWORD timeout_ms) {
    std::wstring exe = copy.folder + L"\\Quillnet.exe";
    std::wstring command = L"\"" + exe + L"\"";
    std::vector<wchar_t> env = environment_with(copy.local_app_data);
    // The copy gets NUL as its standard handles, so that it never holds the driver's
    // output open (a shell reading that output would otherwise wait for the copy to end).
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE nul = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = si.hStdOutput = si.hStdError = nul;
    const BOOL started = CreateProcessW(exe.c_str(), &command[0], nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT,
                                        env.data(), copy.folder.c_str(), &si, &copy.process);
    if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
    if (!started) return false;
    copy.main = nullptr;
    // The window exists before the start-up lines are written; wait for the last one.
    return wait_until(
        [&] {
            if (!copy.main) copy.main = find_main_window(copy.process.dwProcessId);
            if (!copy.main) return false;
            for (const std::wstring& line : log_lines(copy))
                if (line.rfind(L"Started as ", 0) == 0) return true;
            return false;
        },
        timeout_ms);
}

DWORD exit_copy(Copy& copy, DWORD timeout_ms) {
    if (!copy.process.hProcess) return ~0u;
    PostMessageW(copy.main, WM_COMMAND, MAKEWPARAM(202, 0), 0);
    DWORD code = ~0u;
    if (WaitForSingleObject(copy.process.hProcess, timeout_ms) == WAIT_OBJECT_0)
        GetExitCodeProcess(copy.process.hProcess, &code);
    close_handles(copy);
    return code;
}

void kill_copy(Copy& copy) {
    if (!copy.process.hProcess) return;
    TerminateProcess(copy.process.hProcess, 9);
    WaitForSingleObject(copy.process.hProcess, 10000);
    close_handles(copy);
}

void close_handles(Copy& copy) {
    if (copy.process.hThread) CloseHandle(copy.process.hThread);
    if (copy.process.hProcess) CloseHandle(copy.process.hProcess);
    copy.process = PROCESS_INFORMATION{};
    copy.main = nullptr;
}

namespace {

struct FindRequest {
    DWORD pid;
    const wchar_t* class_name;
    HWND found;
};

BOOL CALLBACK find_proc(HWND window, LPARAM param) {
    auto* req = reinterpret_cast<FindRequest*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != req->pid) return TRUE;
    wchar_t cls[64] = {};
    GetClassNameW(window, cls, 64);
    if (wcscmp(cls, req->class_name) != 0) return TRUE;
    req->found = window;
    return FALSE;
}

}  // namespace

HWND find_window_of_process(DWORD pid, const wchar_t* class_name) {
    FindRequest req{pid, class_name, nullptr};
    EnumWindows(find_proc, reinterpret_cast<LPARAM>(&req));
    return req.found;
}

HWND find_main_window(DWORD pid) { return find_window_of_process(pid, L"QuillnetWindow"); }

HWND control(const Copy& copy, int id) { return copy.main ? GetDlgItem(copy.main, id) : nullptr; }

std::wstring window_text(HWND window) {
    if (!window) return std::wstring();
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) return std::wstring();
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]), SMTO_ABORTIFHUNG, 5000,
                        &copied);
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

void set_window_text(HWND window, const std::wstring& text) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, 5000,
                        &result);
}

std::vector<std::wstring> list_rows(HWND list) {
    std::vector<std::wstring> rows;
    DWORD_PTR count = 0;
    if (!SendMessageTimeoutW(list, LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &count)) return rows;
    for (DWORD_PTR i = 0; i < count && i < 1000; ++i) {
        DWORD_PTR length = 0;
        SendMessageTimeoutW(list, LB_GETTEXTLEN, i, 0, SMTO_ABORTIFHUNG, 5000, &length);
        std::wstring row(static_cast<std::size_t>(length) + 1, L'\0');
        DWORD_PTR got = 0;
        SendMessageTimeoutW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&row[0]), SMTO_ABORTIFHUNG, 5000, &got);
        row.resize(static_cast<std::size_t>(got) > length ? length : static_cast<std::size_t>(got));
        rows.push_back(row);
    }
    return rows;
}

std::vector<std::wstring> log_lines(const Copy& copy) {
    std::vector<std::wstring> lines;
    const std::wstring text = window_text(control(copy, 104));
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find(L"\r\n", start);
        if (end == std::wstring::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

bool wait_until(const std::function<bool()>& pred, DWORD timeout_ms) {
    const ULONGLONG deadline = GetTickCount64() + timeout_ms;
    for (;;) {
        if (pred()) return true;
        if (GetTickCount64() >= deadline) return false;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        Sleep(50);
    }
}

std::string read_file(const std::wstring& path) {
    std::string out;
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return out;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(f, buffer, sizeof buffer, &got, nullptr) && got > 0) out.append(buffer, got);
    CloseHandle(f);
    return out;
}

}  // namespace e2e
