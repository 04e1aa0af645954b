// One running copy of Quillnet.exe driven from outside: its own folder, Quillnet.ini and
// LOCALAPPDATA, found and operated only through its windows, like a person would.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace e2e {

struct CopyConfig {
    std::wstring name;       // folder name, also the user name unless user is set
    std::string user;        // UTF-8
    std::string room;        // UTF-8
    unsigned discovery_port = 47777;
    unsigned message_port = 47778;
    int heartbeat_ms = 400;
    int peer_timeout_ms = 2500;
    bool start_minimized = false;
    bool bring_to_front_on_receive = false;
    bool auto_minimize_after_send = false;
    std::string extra_ini;   // appended verbatim (e.g. a [flags] section)
};

struct Copy {
    CopyConfig config;
    std::wstring folder;          // holds Quillnet.exe and Quillnet.ini
    std::wstring local_app_data;  // the copy's LOCALAPPDATA
    PROCESS_INFORMATION process{};
    HWND main = nullptr;

    std::wstring history_file() const { return local_app_data + L"\\Quillnet\\history.log"; }
};

// Prepares the folder (copy of the executable, Quillnet.ini) under root.
void prepare_copy(Copy& copy, const std::wstring& root, const std::wstring& exe_path);
// Starts the process with its own LOCALAPPDATA and waits for its main window.
bool launch_copy(Copy& copy, DWORD timeout_ms = 20000);
// Exit through the menu command; returns the process exit code (or ~0u on time-out).
DWORD exit_copy(Copy& copy, DWORD timeout_ms = 20000);
// Ends the process without any goodbye, as a crash or power loss would.
void kill_copy(Copy& copy);
void close_handles(Copy& copy);

HWND find_main_window(DWORD pid);
HWND find_window_of_process(DWORD pid, const wchar_t* class_name);
HWND control(const Copy& copy, int id);

// Cross-process window texts (WM_GETTEXT / WM_SETTEXT are marshalled by the system).
std::wstring window_text(HWND window);
void set_window_text(HWND window, const std::wstring& text);
std::vector<std::wstring> list_rows(HWND list);
std::vector<std::wstring> log_lines(const Copy& copy);

// Waits, pumping this thread's messages, until pred is true or the deadline passes.
bool wait_until(const std::function<bool()>& pred, DWORD timeout_ms);

std::string read_file(const std::wstring& path);
std::wstring utf8_to_wide(const std::string& s);
std::string wide_to_utf8(const std::wstring& s);

// "Z:\..." path of the folder this driver's executable lives in.
std::wstring module_folder();

}  // namespace e2e
