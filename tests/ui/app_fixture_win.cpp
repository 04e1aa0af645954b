// The in-process program fixture of the window tests (see app_fixture.h).
#include "app_fixture.h"

#include <atomic>
#include <mutex>

#include "app/startup.h"
#include "ui/ids.h"

namespace qntest {

namespace {

bool quit_seen = false;
int quit_code = 0;

void remove_tree(const std::wstring& path) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring child = path + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                remove_tree(child);
            else
                DeleteFileW(child.c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(path.c_str());
}

std::wstring temp_base() {
    wchar_t buffer[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"TEMP", buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return L".";
    return std::wstring(buffer, length);
}

}  // namespace

TestPorts next_test_ports() {
    // Ten ports per test: discovery, message and eight spares.
    static std::uint16_t next = 43000;  // clear of the engine tests (41000+), the defaults and the end-to-end copies
    const TestPorts ports(next, static_cast<std::uint16_t>(next + 1));
    next = static_cast<std::uint16_t>(next + 10);
    return ports;
}

std::string ini_text(const AppConfig& config, const TestPorts& ports) {
    const auto flag = [](bool on) { return on ? std::string("1") : std::string("0"); };
    std::string text;
    text += "[identity]\r\nuser = " + config.user + "\r\nroom = " + config.room + "\r\n";
    text += "[network]\r\ndiscovery_port = " + std::to_string(ports.discovery) + "\r\n";
    text += "message_port = " + std::to_string(ports.message) + "\r\n";
    text += "seed_peers = 127.255.255.255\r\nheartbeat_ms = 500\r\npeer_timeout_ms = 60000\r\n";
    text += "[sound]\r\nenabled = 0\r\n";
    text += "[behavior]\r\nalways_on_top = 0\r\nstart_minimized = " + flag(config.start_minimized) + "\r\n";
    text += "auto_minimize_after_send = " + flag(config.auto_minimize_after_send) + "\r\n";
    text += "bring_to_front_on_receive = 0\r\ninterrupt_screensaver_on_receive = 0\r\n";
    text += config.extra_ini;
    return text;
}

std::wstring scratch_folder(const std::wstring& name) {
    const std::wstring folder = temp_base() + L"\\qn-ui-" + name;
    remove_tree(folder);
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

bool write_file(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

std::string read_file(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::string();
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

bool file_exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool pump_one(MSG& msg) {
    if (msg.message == WM_QUIT) {
        quit_seen = true;
        quit_code = static_cast<int>(msg.wParam);
        return false;
    }
    quillnet::handle_loop_message(msg);
    return true;
}

bool pump_until(const std::function<bool()>& condition, int timeout_ms) {
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeout_ms);
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) pump_one(msg);
        if (condition()) return true;
        if (GetTickCount64() >= deadline) return condition();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

void pump_for(int milliseconds) {
    pump_until([] { return false; }, milliseconds);
}

bool take_quit(int* code) {
    const bool seen = quit_seen;
    if (code) *code = quit_code;
    quit_seen = false;
    return seen;
}

std::wstring window_text(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(window, &text[0], length + 1);
    text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return text;
}

std::vector<std::wstring> log_lines(HWND log_view) {
    std::vector<std::wstring> lines;
    const std::wstring text = window_text(log_view);
    std::size_t start = 0;
    for (std::size_t end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

std::wstring last_log_line(HWND log_view) {
    const std::vector<std::wstring> lines = log_lines(log_view);
    return lines.empty() ? std::wstring() : lines.back();
}

std::string utf8(const std::wstring& text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                      nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

RECT child_rect(HWND child) {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

RunningApp::RunningApp(const std::wstring& name, const AppConfig& config, int show_command)
    : RunningApp(name, config, next_test_ports(), show_command) {}

RunningApp::RunningApp(const std::wstring& name, const AppConfig& config, const TestPorts& chosen_ports,
                       int show_command)
    : folder(scratch_folder(name)), ports(chosen_ports) {
    ini_path = folder + L"\\Quillnet.ini";
    write_file(ini_path, ini_text(config, ports));
    start(show_command);
}

RunningApp::RunningApp(const std::wstring& existing_folder, const TestPorts& same_ports, int show_command)
    : folder(existing_folder), ports(same_ports) {
    ini_path = folder + L"\\Quillnet.ini";
    start(show_command);
}

void RunningApp::start(int show_command) {
    history_file = folder + L"\\Quillnet\\history.log";
    // The history file follows LOCALAPPDATA, read by the program for every history call.
    SetEnvironmentVariableW(L"LOCALAPPDATA", folder.c_str());
    take_quit();
    state_ = std::make_unique<quillnet::AppState>();
    quillnet::start_application(*state_, GetModuleHandleW(nullptr), show_command, ini_path);
}

int RunningApp::exit() {
    if (finished_) return 0;
    finished_ = true;
    int code = -1;
    if (state_->main_window && IsWindow(state_->main_window)) {
        PostMessageW(state_->main_window, WM_COMMAND, quillnet::IDM_EXIT, 0);
        bool quit = false;
        pump_until([&] { return quit || (quit = take_quit(&code)); }, 15000);
        if (!quit) code = -1;
    }
    quillnet::finish_application(*state_);
    return code;
}

RunningApp::~RunningApp() { exit(); }

struct BoxAnswerer::Shared {
    std::wstring caption;
    int answer = 0;
    std::atomic<bool> stop{false};
    std::mutex lock;
    std::vector<std::wstring> texts;
    std::vector<HWND> answered;
};

namespace {

struct BoxSearch {
    const std::wstring* caption;
    HWND found = nullptr;
};

BOOL CALLBACK find_box(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<BoxSearch*>(context);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    wchar_t class_name[64] = {};
    GetClassNameW(window, class_name, 64);
    if (pid != GetCurrentProcessId() || std::wstring(class_name) != L"#32770" || !IsWindowVisible(window))
        return TRUE;
    if (window_text(window) != *search->caption) return TRUE;
    search->found = window;
    return FALSE;
}

DWORD WINAPI answer_boxes(void* context) {
    auto shared = *static_cast<std::shared_ptr<BoxAnswerer::Shared>*>(context);
    delete static_cast<std::shared_ptr<BoxAnswerer::Shared>*>(context);
    while (!shared->stop.load()) {
        BoxSearch search{&shared->caption};
        EnumWindows(find_box, reinterpret_cast<LPARAM>(&search));
        if (search.found) {
            std::lock_guard<std::mutex> guard(shared->lock);
            bool seen = false;
            for (HWND w : shared->answered) seen = seen || w == search.found;
            if (!seen) {
                wchar_t text[512] = {};
                // A message box shows its text in the static with id 0xFFFF.
                GetDlgItemTextW(search.found, 0xFFFF, text, 512);
                shared->texts.push_back(text);
                shared->answered.push_back(search.found);
            }
            PostMessageW(search.found, WM_COMMAND, static_cast<WPARAM>(shared->answer), 0);
        }
        Sleep(20);
    }
    return 0;
}

}  // namespace

BoxAnswerer::BoxAnswerer(std::wstring caption, int answer) : shared_(std::make_shared<Shared>()) {
    shared_->caption = std::move(caption);
    shared_->answer = answer;
    thread_ = CreateThread(nullptr, 0, answer_boxes, new std::shared_ptr<Shared>(shared_), 0, nullptr);
}

std::vector<std::wstring> BoxAnswerer::finish() {
    shared_->stop = true;
    if (thread_) {
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        thread_ = nullptr;
    }
    std::lock_guard<std::mutex> guard(shared_->lock);
    return shared_->texts;
}

BoxAnswerer::~BoxAnswerer() { finish(); }

namespace {

struct ClassSearch {
    const wchar_t* window_class;
    HWND found = nullptr;
};

BOOL CALLBACK find_class(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<ClassSearch*>(context);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    wchar_t class_name[64] = {};
    GetClassNameW(window, class_name, 64);
    if (pid == GetCurrentProcessId() && std::wstring(class_name) == search->window_class &&
        IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND find_own_window(const wchar_t* window_class) {
    ClassSearch search{window_class};
    EnumWindows(find_class, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace qntest
