// Not part of the suite (disabled): each test builds a scene and holds it on screen so
// that tests/ui/take_screenshots.sh can photograph it. QN_HOLD_MS sets how long.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "app_fixture.h"
#include "base/win_placement.h"
#include "test_peer.h"
#include "net/events.h"
#include "ui/conversation_log.h"
#include "ui/ids.h"
#include "ui/key_window.h"
#include "ui/layout.h"

using namespace quillnet;

namespace {

int hold_ms() {
    const char* value = std::getenv("QN_HOLD_MS");
    return value ? std::atoi(value) : 4000;
}

// Resizes the window so that its outer size is width x height (at 96 DPI, scaled to
// the window's), at the top left.
void place(HWND window, int width, int height) {
    const unsigned dpi = window_dpi(window);
    SetWindowPos(window, nullptr, 0, 0, scale_px(width, dpi), scale_px(height, dpi), SWP_NOZORDER);
}

// Closes the first window of window_class once the picture is taken.
DWORD WINAPI close_after_hold(void* window_class) {
    Sleep(static_cast<DWORD>(hold_ms()));
    if (HWND box = qntest::find_own_window(static_cast<const wchar_t*>(window_class)))
        PostMessageW(box, WM_CLOSE, 0, 0);
    return 0;
}

}  // namespace

TEST(Screenshots, DISABLED_MainWindowWithRoomsAndPages) {
    qntest::AppConfig config;
    config.user = "Front Desk";
    config.room = "Reception";
    qntest::RunningApp program(L"shot-main", config);
    AppState& s = program.state();
    qntest::TestPeer op1("Dr. Patel", "Op 1", program.ports.discovery, program.ports.spare(0));
    qntest::TestPeer lab("Lab", "Lab", program.ports.discovery, program.ports.spare(1));
    qntest::announce_room(program.ports.discovery, "{STERI}", "Nurse Kim", "Sterilisation", program.ports.spare(7));
    qntest::pump_until([&] { return s.room_keys.size() == 3; });
    // Raised flags for the board, a second apart so that their order is fixed.
    op1.engine().raise_flag("Red");
    qntest::pump_for(1100);
    lab.engine().raise_flag("Blue");

    SendMessageW(s.everyone_check, BM_SETCHECK, BST_UNCHECKED, 0);
    SendMessageW(s.rooms_list, LB_SETSEL, TRUE, 0);
    SetWindowTextW(s.input_edit, L"Patient for Op 1 is in the waiting room");
    SendMessageW(program.window(), WM_COMMAND, ID_SEND_BUTTON, 0);
    SendMessageW(s.rooms_list, LB_SETSEL, TRUE, 2);
    SendMessageW(program.window(), WM_COMMAND, QUICK_BUTTON_BASE + 3, 0);
    // Ticked by the user, the box clears the selection.
    SendMessageW(s.everyone_check, BM_SETCHECK, BST_CHECKED, 0);
    SendMessageW(program.window(), WM_COMMAND, MAKEWPARAM(ID_EVERYONE_CHECK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(s.everyone_check));
    SendMessageW(program.window(), WM_COMMAND, FLAG_BUTTON_BASE + 3, 0);
    qntest::pump_until([&] { return s.pending_deliveries.empty(); });
    // Op 1 acknowledges the quick message; the lab pages and waits to be seen.
    qntest::pump_until([&] { return op1.received.size() >= 2; });
    for (const IncomingMessage& page : op1.received) {
        if (page.kind != "QUICK") continue;
        op1.engine().acknowledge_pages(
            {SeenRequest{page.message_id, page.sender_id, page.sender_address, page.reply_port, page.arrived_ms}});
    }
    int attempted = 0;
    lab.engine().send_message({s.engine.instance_id()}, "QUICK", "Pt Ready", attempted);
    qntest::pump_until([&] { return GetWindowTextLengthW(GetDlgItem(s.main_window, ID_SEEN_BUTTON)) > 4; });
    qntest::pump_for(1500);
    SetWindowTextW(s.input_edit, L"Lunch at one?");

    const char* size = std::getenv("QN_SHOT_SIZE");
    if (size && std::string(size) == "min") place(program.window(), 780, 620);
    else place(program.window(), 880, 680);
    qntest::pump_for(hold_ms());
}

TEST(Screenshots, DISABLED_IdleMainWindow) {
    qntest::RunningApp program(L"shot-idle", qntest::AppConfig{});
    place(program.window(), 880, 680);
    qntest::pump_for(hold_ms());
}

TEST(Screenshots, DISABLED_AboutBox) {
    qntest::RunningApp program(L"shot-about", qntest::AppConfig{});
    place(program.window(), 880, 680);
    HANDLE closer = CreateThread(nullptr, 0, close_after_hold, const_cast<wchar_t*>(L"QNAboutDialog"), 0, nullptr);
    SendMessageW(program.window(), WM_COMMAND, IDM_ABOUT, 0);
    WaitForSingleObject(closer, INFINITE);
    CloseHandle(closer);
}

namespace {

const std::string SHOT_KEY = "3f0c6b1e8d2a4975b0e1c7f3a9d58e26c4b7102f9e6a3d85b1c0f7e4a2d9691e";

// Opens the site key window on the program (pressing Generate New Key when asked) and
// closes it once the picture is taken.
void hold_key_window(qntest::RunningApp& program, bool generate) {
    struct Closer {
        static DWORD WINAPI run(void* generate) {
            Sleep(300);
            HWND window = qntest::find_own_window(L"QNKeyWindow");
            if (window && generate) PostMessageW(window, WM_COMMAND, IDC_KEY_GENERATE, 0);
            Sleep(static_cast<DWORD>(hold_ms()));
            if (HWND box = qntest::find_own_window(L"QNKeyWindow")) PostMessageW(box, WM_CLOSE, 0, 0);
            return 0;
        }
    };
    HANDLE closer = CreateThread(nullptr, 0, Closer::run, generate ? &program : nullptr, 0, nullptr);
    SendMessageW(program.window(), WM_COMMAND, IDM_SITE_KEY, 0);
    WaitForSingleObject(closer, INFINITE);
    CloseHandle(closer);
}

}  // namespace

TEST(Screenshots, DISABLED_KeyWindowOpen) {
    qntest::RunningApp program(L"shot-key-open", qntest::AppConfig{});
    place(program.window(), 880, 680);
    hold_key_window(program, true);
}

TEST(Screenshots, DISABLED_KeyWindowSealed) {
    qntest::AppConfig config;
    config.extra_ini = "[security]\r\nsite_key = " + SHOT_KEY + "\r\n";
    qntest::RunningApp program(L"shot-key-sealed", config);
    place(program.window(), 880, 680);
    hold_key_window(program, false);
}

TEST(Screenshots, DISABLED_SealedMainWindow) {
    qntest::AppConfig config;
    config.user = "Front Desk";
    config.room = "Reception";
    config.extra_ini = "[security]\r\nsite_key = " + SHOT_KEY + "\r\n";
    qntest::RunningApp program(L"shot-sealed", config);
    AppState& s = program.state();
    qntest::TestPeer op1("Dr. Patel", "Op 1", program.ports.discovery, program.ports.spare(0), SHOT_KEY);
    qntest::TestPeer lab("Lab", "Lab", program.ports.discovery, program.ports.spare(1), SHOT_KEY);
    qntest::pump_until([&] { return s.room_keys.size() == 2; });
    SetWindowTextW(s.input_edit, L"Mrs Patel is here for her 10:30");
    SendMessageW(program.window(), WM_COMMAND, ID_SEND_BUTTON, 0);
    qntest::pump_until([&] { return s.pending_deliveries.empty(); });
    auto* notice = new EngineNotice{"10.0.0.7 runs Quillnet without the site key; it cannot page this room or be paged."};
    PostMessageW(program.window(), WM_APP_ENGINE_NOTICE, 0, reinterpret_cast<LPARAM>(notice));
    place(program.window(), 880, 680);
    qntest::pump_for(hold_ms());
}

TEST(Screenshots, DISABLED_ConfigurationAfterMinimise) {
    qntest::RunningApp program(L"shot-config-minimised", qntest::AppConfig{});
    ShowWindow(program.window(), SW_MINIMIZE);
    qntest::pump_for(100);
    HANDLE closer = CreateThread(nullptr, 0, close_after_hold, const_cast<wchar_t*>(L"QNConfigDialog"), 0, nullptr);
    SendMessageW(program.window(), WM_COMMAND, IDM_CONFIGURATION, 0);
    WaitForSingleObject(closer, INFINITE);
    CloseHandle(closer);
}

TEST(Screenshots, DISABLED_RefusedSendAfterTheRoomLeft) {
    qntest::AppConfig config;
    config.user = "Front Desk";
    config.room = "Reception";
    qntest::RunningApp program(L"shot-refused", config);
    AppState& s = program.state();
    qntest::TestPeer op1("Dr. Patel", "Op 1", program.ports.discovery, program.ports.spare(0));
    qntest::TestPeer lab("Lab", "Lab", program.ports.discovery, program.ports.spare(1));
    qntest::pump_until([&] { return s.room_keys.size() == 2; });
    SendMessageW(s.everyone_check, BM_SETCHECK, BST_UNCHECKED, 0);
    for (std::size_t row = 0; row < s.room_keys.size(); ++row) {
        if (s.room_keys[row] == op1.id()) SendMessageW(s.rooms_list, LB_SETSEL, TRUE, static_cast<LPARAM>(row));
    }
    SetWindowTextW(s.input_edit, L"Patient for Op 1 is in the waiting room");
    SendMessageW(program.window(), WM_COMMAND, ID_SEND_BUTTON, 0);
    qntest::pump_until([&] { return s.pending_deliveries.empty(); });
    op1.stop();
    qntest::pump_until([&] { return s.room_keys.size() == 1; });
    SetWindowTextW(s.input_edit, L"Next patient's notes are ready");
    SendMessageW(program.window(), WM_COMMAND, ID_SEND_BUTTON, 0);
    place(program.window(), 880, 680);
    qntest::pump_for(hold_ms());
}

// A log that has taken in more pages than its view holds: wrapped lines, the newest
// last and in view.
TEST(Screenshots, DISABLED_LongLogOfWrappingPages) {
    qntest::AppConfig config;
    config.extra_ini = "log_view_lines = 200\r\n";
    qntest::RunningApp program(L"shot-long-log", config);
    for (int i = 0; i < 450; ++i)
        append_line(L"10:0" + std::to_wstring(i % 10) + L":00  Reception (Front):  Mrs Example is ready in Op 2, "
                    L"chart and X-rays on the desk (page " + std::to_wstring(i + 1) + L")",
                    false);
    qntest::pump_for(hold_ms());
}
