// The real Quillnet.exe started as a child process from its own folder: exit codes of
// both Exit commands, its goodbye, a second copy on taken ports, and a start without
// any configuration file, and the libraries its start waits for.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "app_fixture.h"
#include "test_peer.h"
#include "ui/ids.h"

using namespace quillnet;

namespace {

std::wstring exe_beside_tests() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path);
    return dir.substr(0, dir.find_last_of(L"\\/") + 1) + L"Quillnet.exe";
}

struct WindowSearch {
    DWORD pid;
    const wchar_t* window_class;
    HWND found = nullptr;
};

BOOL CALLBACK find_window_of(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<WindowSearch*>(context);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (pid == search->pid && std::wstring(name) == search->window_class) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND wait_for_window(DWORD pid, const wchar_t* window_class, int timeout_ms = 20000) {
    for (int waited = 0; waited < timeout_ms; waited += 20) {
        WindowSearch search{pid, window_class};
        EnumWindows(find_window_of, reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
        Sleep(20);
    }
    return nullptr;
}

// Text of another process's window (GetWindowText does not read across processes).
std::wstring remote_text(HWND window) {
    wchar_t text[4096] = {};
    SendMessageTimeoutW(window, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, nullptr);
    return text;
}

// One copy of Quillnet.exe in a folder of its own; history under that folder too.
class ProgramCopy {
public:
    ProgramCopy(const std::wstring& folder, const std::string* ini) : folder_(folder) {
        CopyFileW(exe_beside_tests().c_str(), (folder + L"\\Quillnet.exe").c_str(), FALSE);
        if (ini) qntest::write_file(folder + L"\\Quillnet.ini", *ini);
        // The child inherits the environment: its history goes below its folder.
        SetEnvironmentVariableW(L"LOCALAPPDATA", folder.c_str());
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        std::wstring command = L"\"" + folder + L"\\Quillnet.exe\"";
        started_ = CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                                  &process_) != FALSE;
    }
    ~ProgramCopy() {
        if (!started_) return;
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process_.hProcess, 99);
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
    }
    ProgramCopy(const ProgramCopy&) = delete;
    ProgramCopy& operator=(const ProgramCopy&) = delete;

    bool started() const { return started_; }
    DWORD pid() const { return process_.dwProcessId; }
    HWND main_window() const { return wait_for_window(pid(), L"QuillnetWindow"); }
    // Waits for the process to end; its exit code, or -1 when it did not end.
    long exit_code(int timeout_ms = 20000) const {
        if (WaitForSingleObject(process_.hProcess, static_cast<DWORD>(timeout_ms)) != WAIT_OBJECT_0) return -1;
        DWORD code = 0;
        GetExitCodeProcess(process_.hProcess, &code);
        return static_cast<long>(code);
    }

private:
    std::wstring folder_;
    PROCESS_INFORMATION process_{};
    bool started_ = false;
};

// The names of the libraries an executable image imports, lower case, read from the
// file's import directory.
std::vector<std::string> imported_libraries(const std::string& image) {
    std::vector<std::string> names;
    const auto at = [&](std::size_t offset, std::size_t size) {
        return offset + size <= image.size() ? image.data() + offset : nullptr;
    };
    IMAGE_DOS_HEADER dos;
    IMAGE_NT_HEADERS nt;
    if (!at(0, sizeof dos)) return names;
    std::memcpy(&dos, image.data(), sizeof dos);
    const char* nt_bytes = at(static_cast<std::size_t>(dos.e_lfanew), sizeof nt);
    if (!nt_bytes) return names;
    std::memcpy(&nt, nt_bytes, sizeof nt);
    const auto* sections = reinterpret_cast<const IMAGE_SECTION_HEADER*>(
        nt_bytes + offsetof(IMAGE_NT_HEADERS, OptionalHeader) + nt.FileHeader.SizeOfOptionalHeader);
    const auto file_offset = [&](DWORD rva) -> std::size_t {
        for (WORD i = 0; i < nt.FileHeader.NumberOfSections; ++i) {
            const IMAGE_SECTION_HEADER& section = sections[i];
            if (rva >= section.VirtualAddress && rva < section.VirtualAddress + section.SizeOfRawData)
                return rva - section.VirtualAddress + section.PointerToRawData;
        }
        return image.size();
    };
    const DWORD imports = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (std::size_t offset = file_offset(imports);; offset += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        IMAGE_IMPORT_DESCRIPTOR entry;
        const char* bytes = at(offset, sizeof entry);
        if (!bytes) break;
        std::memcpy(&entry, bytes, sizeof entry);
        if (entry.Name == 0) break;
        const char* name = at(file_offset(entry.Name), 1);
        if (!name) break;
        std::string lower(name, strnlen(name, static_cast<std::size_t>(image.data() + image.size() - name)));
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        names.push_back(lower);
    }
    return names;
}

#define REQUIRE_PROGRAM()                                                              \
    if (GetFileAttributesW(exe_beside_tests().c_str()) == INVALID_FILE_ATTRIBUTES)     \
    GTEST_SKIP() << "Quillnet.exe is not built beside ui_tests.exe"

}  // namespace

TEST(Program, ExitFromTheMenuBarEndsTheProcessWithZero) {
    REQUIRE_PROGRAM();
    qntest::AppConfig config;
    const qntest::TestPorts ports = qntest::next_test_ports();
    const std::string ini = qntest::ini_text(config, ports);
    const std::wstring folder = qntest::scratch_folder(L"exe-menu-exit");
    ProgramCopy program(folder, &ini);
    ASSERT_TRUE(program.started());
    HWND window = program.main_window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(qntest::pump_until([&] { return IsWindowVisible(window) != FALSE; }, 10000));
    EXPECT_EQ(remote_text(window), L"Quillnet \u2014 Desk (Front)");
    // The start-up separator is in the history below the copy's own LOCALAPPDATA.
    EXPECT_TRUE(qntest::pump_until([&] { return qntest::file_exists(folder + L"\\Quillnet\\history.log"); }, 5000));
    PostMessageW(window, WM_COMMAND, IDM_EXIT, 0);
    EXPECT_EQ(program.exit_code(), 0);
}

TEST(Program, ExitFromTheTrayMenuWhileHiddenSaysGoodbyeAndEndsWithZero) {
    REQUIRE_PROGRAM();
    qntest::AppConfig config;
    config.start_minimized = true;
    const qntest::TestPorts ports = qntest::next_test_ports();
    qntest::DiscoveryListener listener(ports.discovery);
    ASSERT_TRUE(listener.valid());
    const std::string ini = qntest::ini_text(config, ports);
    ProgramCopy program(qntest::scratch_folder(L"exe-tray-exit"), &ini);
    ASSERT_TRUE(program.started());
    HWND window = program.main_window();
    ASSERT_NE(window, nullptr);
    std::string id;
    ASSERT_TRUE(qntest::pump_until([&] { return !(id = listener.first_sender("HELLO")).empty(); }, 10000));
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_FALSE(listener.heard("BYE", id));

    PostMessageW(window, WM_APP_TRAY, 1, WM_RBUTTONUP);
    HWND menu = wait_for_window(program.pid(), L"#32768", 10000);
    ASSERT_NE(menu, nullptr);
    PostMessageW(menu, WM_CHAR, L'x', 0);
    EXPECT_EQ(program.exit_code(), 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(qntest::pump_until([&] { return listener.heard("BYE", id); }, 5000));
}

TEST(Program, SecondCopyOnTakenPortsShowsOneErrorBoxAndStillOpens) {
    REQUIRE_PROGRAM();
    qntest::AppConfig config;
    const qntest::TestPorts ports = qntest::next_test_ports();
    const std::string ini = qntest::ini_text(config, ports);
    ProgramCopy first(qntest::scratch_folder(L"exe-first"), &ini);
    ASSERT_NE(first.main_window(), nullptr);
    ProgramCopy second(qntest::scratch_folder(L"exe-second"), &ini);
    HWND box = wait_for_window(second.pid(), L"#32770");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(remote_text(box), L"Quillnet \u2014 network error");
    EXPECT_EQ(remote_text(GetDlgItem(box, 0xFFFF)),
              L"Could not bind TCP message port " + std::to_wstring(ports.message) + L" (is another copy running?).");
    PostMessageW(box, WM_COMMAND, IDOK, 0);

    HWND window = second.main_window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(qntest::pump_until([&] { return IsWindowVisible(window) != FALSE; }, 10000));
    EXPECT_EQ(remote_text(GetDlgItem(window, ID_ROOMS_CAPTION)), L"Online rooms (0)");
    qntest::pump_for(500);
    EXPECT_EQ(wait_for_window(second.pid(), L"#32770", 0), nullptr);  // no second box

    PostMessageW(window, WM_COMMAND, IDM_EXIT, 0);
    EXPECT_EQ(second.exit_code(), 0);
    PostMessageW(first.main_window(), WM_COMMAND, IDM_EXIT, 0);
    EXPECT_EQ(first.exit_code(), 0);
}

TEST(Program, WithoutAConfigurationFileItRunsOnDefaultsAndWritesNothing) {
    REQUIRE_PROGRAM();
    const std::wstring folder = qntest::scratch_folder(L"exe-no-ini");
    ProgramCopy program(folder, nullptr);
    ASSERT_TRUE(program.started());
    HWND window = program.main_window();
    ASSERT_NE(window, nullptr);
    qntest::pump_for(300);
    EXPECT_FALSE(IsWindowVisible(window));  // start_minimized is on by default

    wchar_t computer[256] = {};
    DWORD length = 256;
    ASSERT_TRUE(GetComputerNameW(computer, &length));
    const std::wstring name(computer, length);
    EXPECT_EQ(remote_text(window), L"Quillnet \u2014 " + name + L" (" + name + L")");
    const std::wstring log = remote_text(GetDlgItem(window, ID_LOG_VIEW));
    EXPECT_NE(log.find(L"Started as \"" + name + L"\" in room \"" + name + L"\".  Waiting for other rooms\u2026"),
              std::wstring::npos);
    EXPECT_EQ(remote_text(GetDlgItem(window, ID_BANNER)), L"Quillnet \u2014 " + name);

    PostMessageW(window, WM_COMMAND, IDM_EXIT, 0);
    EXPECT_EQ(program.exit_code(), 0);
    EXPECT_FALSE(qntest::file_exists(folder + L"\\Quillnet.ini"));
}

// Every imported library is loaded and initialised before the program's first line, and
// under Wine each costs start-up time: the tray, COM, the adapter list and the file
// dialog are looked up when first used instead. (Sound stays imported: it is first used
// on a detached thread, where loading the audio driver stack is best avoided.)
TEST(Program, ImportsOnlyTheLibrariesItsWindowNeedsAtStart) {
    REQUIRE_PROGRAM();
    const std::vector<std::string> imports = imported_libraries(qntest::read_file(exe_beside_tests()));
    ASSERT_EQ(std::count(imports.begin(), imports.end(), "user32.dll"), 1);
    for (const char* later : {"shell32.dll", "ole32.dll", "oleaut32.dll", "comdlg32.dll",
                              "iphlpapi.dll", "shlwapi.dll"})
        EXPECT_EQ(std::count(imports.begin(), imports.end(), later), 0) << later;
}
