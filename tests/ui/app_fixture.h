// Running the real program inside the window test process.
//
// RunningApp writes a Quillnet.ini into a scratch folder of its own, points
// LOCALAPPDATA (and so the history file) at that folder, runs the program's own
// start_application and, when it goes out of scope, leaves through the real Exit
// command (IDM_EXIT) and finish_application. Between the two, pump_until() runs the
// program's message loop step by step until a condition holds or a deadline passes.
//
//     qntest::AppConfig config;                 // user "Desk", room "Front", window shown
//     config.extra_ini = "[behavior]\r\nauto_minimize_after_send = 1\r\n";
//     qntest::RunningApp program(L"my-test", config);
//     SendMessageW(program.state().main_window, WM_COMMAND, quillnet::IDM_ABOUT, 0);
//     EXPECT_TRUE(qntest::pump_until([&] { return ...; }));
//
// Only one RunningApp may be running at a time (the program has one state per process);
// exit() the first before starting a second. Every RunningApp takes fresh ports (next_test_ports), so tests never hear each other.
// The generated file sets seed_peers = 127.255.255.255, which reaches every engine of
// the test bound to the same discovery port on this host (loopback broadcast).
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/app_state.h"

namespace qntest {

// A received page as the engine would post it, from 127.0.0.1.
inline quillnet::IncomingMessage incoming(const std::string& kind, const std::string& user, const std::string& room,
                                          const std::string& text, quillnet::ColourRef colour = 0) {
    quillnet::IncomingMessage message;
    message.kind = kind;
    message.user = user;
    message.room = room;
    message.text = text;
    message.sender_address = "127.0.0.1";
    message.colour = colour;
    return message;
}

// A discovery port and a message port no other test uses; spare(k) (k 0..7) gives
// further message ports for extra engines or closed ports in the same test.
// (No default constructor, so that RunningApp(name, {}) always means a default AppConfig.)
struct TestPorts {
    TestPorts(std::uint16_t discovery_port, std::uint16_t message_port)
        : discovery(discovery_port), message(message_port) {}
    std::uint16_t discovery;
    std::uint16_t message;
    std::uint16_t spare(int k) const { return static_cast<std::uint16_t>(discovery + 2 + k); }
};
TestPorts next_test_ports();

struct AppConfig {
    std::string user = "Desk";
    std::string room = "Front";
    bool start_minimized = false;
    bool auto_minimize_after_send = false;
    // Appended after the generated text; a later key wins over an earlier one, and
    // [quick_messages] / [flags] lines add entries.
    std::string extra_ini;
};

// The Quillnet.ini text for config and ports (CR LF lines).
std::string ini_text(const AppConfig& config, const TestPorts& ports);

// %TEMP%\qn-ui-<name>, emptied and created afresh.
std::wstring scratch_folder(const std::wstring& name);
bool write_file(const std::wstring& path, const std::string& bytes);
std::string read_file(const std::wstring& path);
bool file_exists(const std::wstring& path);

// Handles one message the way the program's loop does. Returns false (and does not
// dispatch it) for the quit message, which is remembered for quit_was_posted().
bool pump_one(MSG& msg);
// Runs the loop until condition() is true or timeout_ms pass; returns condition().
bool pump_until(const std::function<bool()>& condition, int timeout_ms = 10000);
// Runs the loop for milliseconds.
void pump_for(int milliseconds);
// True once a quit message came through pump_one since the last call; code receives
// its exit code.
bool take_quit(int* code = nullptr);

std::wstring window_text(HWND window);
// The lines of the log view (CR LF separated), and the last of them.
std::vector<std::wstring> log_lines(HWND log_view);
std::wstring last_log_line(HWND log_view);
std::string utf8(const std::wstring& text);
// The client rectangle of a child relative to its parent's client area.
RECT child_rect(HWND child);

class RunningApp {
public:
    RunningApp(const std::wstring& name, const AppConfig& config, int show_command = SW_SHOW);
    // With ports chosen by the test beforehand (next_test_ports).
    RunningApp(const std::wstring& name, const AppConfig& config, const TestPorts& ports,
               int show_command = SW_SHOW);
    // The same folder, ports and history as before: a second run of the program.
    RunningApp(const std::wstring& folder, const TestPorts& ports, int show_command = SW_SHOW);
    ~RunningApp();
    RunningApp(const RunningApp&) = delete;
    RunningApp& operator=(const RunningApp&) = delete;

    quillnet::AppState& state() { return *state_; }
    HWND window() const { return state_->main_window; }
    // Exit through the menu command, pump until the loop would end, release
    // everything. Returns the loop's exit code; -1 if the quit message never came.
    int exit();

    std::wstring folder;
    std::wstring ini_path;
    std::wstring history_file;  // <folder>\Quillnet\history.log
    TestPorts ports;

private:
    void start(int show_command);
    std::unique_ptr<quillnet::AppState> state_;
    bool finished_ = false;
};

// Answers message boxes (class "#32770") of this process whose caption is caption,
// from a thread of its own, while the main thread sits in the box's modal loop: each
// box's text is recorded, then the box gets WM_COMMAND answer.
class BoxAnswerer {
public:
    BoxAnswerer(std::wstring caption, int answer);
    ~BoxAnswerer();
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;
    // Stops watching and returns the texts of the boxes answered.
    std::vector<std::wstring> finish();

    struct Shared;

private:
    std::shared_ptr<Shared> shared_;
    HANDLE thread_ = nullptr;
};

// The first visible top-level window of this process with that class (or null).
HWND find_own_window(const wchar_t* window_class);

}  // namespace qntest
