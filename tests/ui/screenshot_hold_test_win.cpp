// Not part of the suite (disabled): each test builds a scene and holds it on screen so
// that tests/ui/take_screenshots.sh can photograph it. QN_HOLD_MS sets how long.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "app_fixture.h"
#include "test_peer.h"
#include "ui/ids.h"

using namespace quillnet;

namespace {

int hold_ms() {
    const char* value = std::getenv("QN_HOLD_MS");
    return value ? std::atoi(value) : 4000;
}

// Resizes the window so that its outer size is width x height, at the top left.
void place(HWND window, int width, int height) {
    SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOZORDER);
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

    SendMessageW(s.everyone_check, BM_SETCHECK, BST_UNCHECKED, 0);
    SendMessageW(s.rooms_list, LB_SETSEL, TRUE, 0);
    SetWindowTextW(s.input_edit, L"Patient for Op 1 is in the waiting room");
    SendMessageW(program.window(), WM_COMMAND, ID_SEND_BUTTON, 0);
    SendMessageW(s.rooms_list, LB_SETSEL, TRUE, 2);
    SendMessageW(program.window(), WM_COMMAND, QUICK_BUTTON_BASE + 3, 0);
    SendMessageW(s.everyone_check, BM_SETCHECK, BST_CHECKED, 0);
    SendMessageW(program.window(), WM_COMMAND, FLAG_BUTTON_BASE + 3, 0);
    qntest::pump_until([&] { return s.pending_deliveries.empty(); });
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
    // Closes the box once the picture is taken.
    struct Closer {
        static DWORD WINAPI run(void*) {
            Sleep(static_cast<DWORD>(hold_ms()));
            if (HWND box = qntest::find_own_window(L"QNAboutDialog")) PostMessageW(box, WM_CLOSE, 0, 0);
            return 0;
        }
    };
    HANDLE closer = CreateThread(nullptr, 0, Closer::run, nullptr, 0, nullptr);
    SendMessageW(program.window(), WM_COMMAND, IDM_ABOUT, 0);
    WaitForSingleObject(closer, INFINITE);
    CloseHandle(closer);
}
