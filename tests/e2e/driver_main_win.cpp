// The end-to-end driver. Without arguments (or with GoogleTest flags) it runs the
// scenario suite against three copies on this host. With "cli" it performs one step
// on a copy of this Wine prefix, so that a shell script can drive copies that sit on
// different network hosts (each host has its own prefix and so its own windows).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "copy_process.h"

namespace {

using namespace e2e;

HWND main_of(const std::wstring& pid_text) { return find_main_window(static_cast<DWORD>(std::stoul(pid_text))); }

int cli(int argc, wchar_t** argv) {
    const std::wstring command = argv[2];
    auto arg = [&](int i) { return i < argc ? std::wstring(argv[i]) : std::wstring(); };
    if (command == L"launch" && argc >= 9) {
        // launch ROOT NAME USER ROOM DISCOVERY_PORT MESSAGE_PORT [EXTRA_INI_LINE...]
        Copy copy;
        copy.config.name = arg(4);
        copy.config.user = wide_to_utf8(arg(5));
        copy.config.room = wide_to_utf8(arg(6));
        copy.config.discovery_port = static_cast<unsigned>(std::stoul(arg(7)));
        copy.config.message_port = static_cast<unsigned>(std::stoul(arg(8)));
        copy.config.heartbeat_ms = 500;
        copy.config.peer_timeout_ms = 4000;
        for (int i = 9; i < argc; ++i) copy.config.extra_ini += wide_to_utf8(arg(i)) + "\r\n";
        prepare_copy(copy, arg(3), module_folder() + L"\\Quillnet.exe");
        if (!launch_copy(copy)) return 1;
        std::printf("%lu\n", static_cast<unsigned long>(copy.process.dwProcessId));
        return 0;
    }
    if (argc < 4) return 2;
    HWND main = main_of(arg(3));
    if (!main) return 3;
    auto wait_text = [&](int id, const std::wstring& needle, DWORD ms) {
        return wait_until([&] { return window_text(GetDlgItem(main, id)).find(needle) != std::wstring::npos; }, ms);
    };
    if (command == L"wait-caption") return wait_text(101, arg(4), std::stoul(arg(5))) ? 0 : 1;
    if (command == L"wait-log") return wait_text(104, arg(4), std::stoul(arg(5))) ? 0 : 1;
    if (command == L"wait-banner") return wait_text(100, arg(4), std::stoul(arg(5))) ? 0 : 1;
    if (command == L"print-log" || command == L"print-rooms" || command == L"print-banner") {
        const int id = command == L"print-log" ? 104 : command == L"print-rooms" ? 102 : 100;
        std::wstring text;
        if (id == 102) {
            for (const std::wstring& row : list_rows(GetDlgItem(main, id))) text += row + L"\n";
        } else {
            text = window_text(GetDlgItem(main, id));
        }
        std::fputs(wide_to_utf8(text).c_str(), stdout);
        std::fputs("\n", stdout);
        return 0;
    }
    if (command == L"send-text") {
        // send-text PID TEXT [LOG_TEXT MS]: with LOG_TEXT, also waits for it in the log
        // right away, in this process, to catch short-lived states such as "   …".
        set_window_text(GetDlgItem(main, 105), arg(4));
        DWORD_PTR r = 0;
        SendMessageTimeoutW(GetDlgItem(main, 106), BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 5000, &r);
        if (argc >= 7) return wait_text(104, arg(5), std::stoul(arg(6))) ? 0 : 1;
        return 0;
    }
    if (command == L"flag") {
        DWORD_PTR r = 0;
        SendMessageTimeoutW(GetDlgItem(main, 2000 + std::stoi(arg(4))), BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 5000, &r);
        return 0;
    }
    // The raised-flags board (list 111): a row containing TEXT, or exactly N rows.
    if (command == L"wait-board") {
        return wait_until(
                   [&] {
                       for (const std::wstring& row : list_rows(GetDlgItem(main, 111)))
                           if (row.find(arg(4)) != std::wstring::npos) return true;
                       return false;
                   },
                   std::stoul(arg(5)))
                   ? 0
                   : 1;
    }
    if (command == L"wait-board-count") {
        const std::size_t count = std::stoul(arg(4));
        return wait_until([&] { return list_rows(GetDlgItem(main, 111)).size() == count; }, std::stoul(arg(5))) ? 0
                                                                                                                : 1;
    }
    if (command == L"board-clear") {
        // board-clear PID ROW: selects the row as a click does, then presses Clear (112).
        HWND list = GetDlgItem(main, 111);
        DWORD_PTR r = 0;
        SendMessageTimeoutW(list, LB_SETCURSEL, std::stoul(arg(4)), 0, SMTO_ABORTIFHUNG, 5000, &r);
        SendMessageTimeoutW(main, WM_COMMAND, MAKEWPARAM(111, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list),
                            SMTO_ABORTIFHUNG, 5000, &r);
        SendMessageTimeoutW(GetDlgItem(main, 112), BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 5000, &r);
        return 0;
    }
    if (command == L"quick") {
        DWORD_PTR r = 0;
        SendMessageTimeoutW(GetDlgItem(main, 1000 + std::stoi(arg(4))), BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 5000, &r);
        return 0;
    }
    if (command == L"f11") {
        // The key as typed into the compose field, through the program's accelerator table.
        HWND field = GetDlgItem(main, 105);
        PostMessageW(field, WM_KEYDOWN, VK_F11, 0x00570001);
        PostMessageW(field, WM_KEYUP, VK_F11, 0xC0570001);
        return 0;
    }
    if (command == L"exit") {
        DWORD pid = static_cast<DWORD>(std::stoul(arg(3)));
        HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pid);
        PostMessageW(main, WM_COMMAND, MAKEWPARAM(202, 0), 0);
        DWORD code = 99;
        if (process && WaitForSingleObject(process, 20000) == WAIT_OBJECT_0) GetExitCodeProcess(process, &code);
        if (process) CloseHandle(process);
        std::printf("%lu\n", static_cast<unsigned long>(code));
        return code == 0 ? 0 : 1;
    }
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc >= 3 && std::wstring(argv[1]) == L"cli") return cli(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
