// Help → Network Check… on the running program: the report in the situations that can
// be made here (a room heard; the message port taken; a host whose own announcements
// never come back), Copy,
// one modal window at a time, and its size at the display's DPI. The first situation
// needs a namespace that drops the discovery datagrams, made by run_wine.sh.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "app_fixture.h"
#include "dialog_driver.h"
#include "base/scale.h"
#include "base/win_placement.h"
#include "base/win_text.h"
#include "test_peer.h"
#include "ui/clipboard.h"
#include "ui/ids.h"
#include "ui/network_check.h"

using namespace quillnet;

namespace {

constexpr wchar_t CHECK_CLASS[] = L"QNNetworkCheck";

// run_wine.sh names a discovery port whose datagrams the namespace drops (a tc filter
// on the loopback), for the one test that needs it; the others then stand aside.
std::uint16_t dropped_port() {
    const char* port = std::getenv("QN_DROPPED_DISCOVERY_PORT");
    return port ? static_cast<std::uint16_t>(std::atoi(port)) : 0;
}
bool lone_host() { return dropped_port() != 0; }

struct Seen {
    std::wstring caption;
    std::wstring report;
    std::wstring clipboard;
    bool owner_enabled = true;
    bool topmost_box_is_check = false;
};

// Opens the check through the program's command, reads it, presses Copy, closes it.
bool open_read_copy(HWND main_window, Seen& seen) {
    qntest::DialogScript script;
    script.step([&](HWND box) {
        seen.caption = qntest::window_text(box);
        seen.report = qntest::window_text(GetDlgItem(box, ID_CHECK_REPORT));
        seen.owner_enabled = IsWindowEnabled(main_window) != FALSE;
        put_clipboard_text(box, L"something else");
        qntest::click(box, ID_CHECK_COPY);
    });
    script.step([&](HWND box) {
        seen.clipboard = clipboard_text(box);
        // A second request while it is open brings it forward instead of a second one.
        SendMessageW(main_window, WM_COMMAND, IDM_NETWORK_CHECK, 0);
        seen.topmost_box_is_check = FindWindowW(CHECK_CLASS, nullptr) == box;
        qntest::click(box, IDOK);
    });
    return script.run(CHECK_CLASS, [&] { SendMessageW(main_window, WM_COMMAND, IDM_NETWORK_CHECK, 0); }) &&
           script.steps_done() == 2;
}

bool has(const std::wstring& text, const std::wstring& part) { return text.find(part) != std::wstring::npos; }

}  // namespace

TEST(NetworkCheck, ARoomHeardAndOwnAnnouncementsBack) {
    if (lone_host()) GTEST_SKIP() << "needs the loopback network";
    const qntest::TestPorts ports = qntest::next_test_ports();
    qntest::RunningApp program(L"check-peer", qntest::AppConfig{}, ports);
    qntest::TestPeer peer("Bob", "Op 2", ports.discovery, ports.spare(0));
    ASSERT_TRUE(peer.started());
    AppState& s = program.state();
    ASSERT_TRUE(qntest::pump_until([&] { return s.engine.snapshot_peers().size() == 1; }));
    qntest::pump_for(1200);  // two heartbeats, so the last one's echo is in

    Seen seen;
    ASSERT_TRUE(open_read_copy(program.window(), seen));
    EXPECT_EQ(seen.caption, L"Network Check");
    EXPECT_FALSE(seen.owner_enabled);
    EXPECT_TRUE(seen.topmost_box_is_check);
    EXPECT_TRUE(IsWindowEnabled(program.window()));
    const std::wstring& r = seen.report;
    EXPECT_EQ(r.rfind(L"Quillnet network check\r\nLikely cause: none found.\r\n\r\nInstance id: " +
                          to_wide(s.engine.instance_id()) + L"\r\n",
                      0),
              0u)
        << qntest::utf8(r);
    EXPECT_TRUE(has(r, L"IPv4 addresses:\r\n  127.0.0.1/8, broadcast 127.255.255.255\r\n")) << qntest::utf8(r);
    EXPECT_TRUE(has(r, L"Discovery port " + std::to_wstring(ports.discovery) + L" (UDP): bound\r\n"));
    EXPECT_TRUE(has(r, L"Message port " + std::to_wstring(ports.message) + L" (TCP): bound\r\n"));
    EXPECT_TRUE(has(r, L"Own announcement heard back in the last heartbeat: yes\r\n"));
    EXPECT_TRUE(has(r, L"Mode: open\r\n"));
    EXPECT_TRUE(has(r, L"Rooms heard: 1\r\n  Op 2 (Bob) at 127.0.0.1, port " + std::to_wstring(ports.spare(0)) +
                           L", last heard 0 seconds ago\r\n"))
        << qntest::utf8(r);
    EXPECT_TRUE(has(r, L"Notices of this run: 0\r\n"));
    // Wine has no firewall to ask.
    EXPECT_TRUE(has(r, L"Windows Firewall for Quillnet.exe: cannot tell (the firewall's settings cannot be read on "
                       L"this system)\r\n"))
        << qntest::utf8(r);
    EXPECT_EQ(seen.clipboard, r);
    EXPECT_EQ(program.exit(), 0);
}

TEST(NetworkCheck, MessagePortTakenIsTheLikelyCause) {
    if (lone_host()) GTEST_SKIP() << "needs the loopback network";
    const qntest::TestPorts ports = qntest::next_test_ports();
    qntest::PortBlocker blocker(ports.message);
    ASSERT_TRUE(blocker.valid());
    qntest::BoxAnswerer answerer(L"Quillnet \u2014 network error", IDOK);
    qntest::RunningApp program(L"check-taken", qntest::AppConfig{}, ports);
    qntest::pump_for(300);
    EXPECT_EQ(answerer.finish().size(), 1u);

    Seen seen;
    ASSERT_TRUE(open_read_copy(program.window(), seen));
    const std::wstring port = std::to_wstring(ports.message);
    EXPECT_EQ(seen.report.rfind(L"Quillnet network check\r\nLikely cause: Message port " + port +
                                    L" is taken by another program.\r\n\r\n",
                                0),
              0u)
        << qntest::utf8(seen.report);
    EXPECT_TRUE(has(seen.report, L"Message port " + port + L" (TCP): not bound\r\n"));
    EXPECT_TRUE(has(seen.report, L"The network is off in this run.\r\n"));
    EXPECT_FALSE(has(seen.report, L"No announcement came back"));
    EXPECT_EQ(seen.clipboard, seen.report);
    EXPECT_EQ(program.exit(), 0);
}

TEST(NetworkCheck, NoAnnouncementBackWhenTheDiscoveryDatagramsAreDropped) {
    if (!lone_host()) GTEST_SKIP() << "run by run_wine.sh in a namespace that drops the discovery datagrams";
    const qntest::TestPorts ports(dropped_port(), static_cast<std::uint16_t>(dropped_port() + 1));
    qntest::RunningApp program(L"check-dropped", qntest::AppConfig{}, ports);
    ASSERT_TRUE(program.state().engine.running());
    qntest::pump_for(1500);  // three heartbeats, none heard back

    Seen seen;
    ASSERT_TRUE(open_read_copy(program.window(), seen));
    EXPECT_EQ(seen.report.rfind(L"Quillnet network check\r\nLikely cause: No announcement came back: broadcasts may "
                                L"be blocked on this network (firewall, or a network marked Public).\r\n\r\n",
                                0),
              0u)
        << qntest::utf8(seen.report);
    EXPECT_TRUE(has(seen.report, L"Own announcement heard back in the last heartbeat: no\r\n"));
    EXPECT_TRUE(has(seen.report, L"Discovery port " + std::to_wstring(ports.discovery) + L" (UDP): bound\r\n"));
    EXPECT_TRUE(has(seen.report, L"Rooms heard: 0\r\n"));
    EXPECT_EQ(seen.clipboard, seen.report);
    EXPECT_EQ(program.exit(), 0);
}

TEST(Dpi, NetworkCheckIsScaled) {
    if (lone_host()) GTEST_SKIP() << "needs the loopback network";
    qntest::RunningApp program(L"check-dpi", qntest::AppConfig{});
    const unsigned dpi = window_dpi(program.window());
    RECT client{}, copy{}, report{};
    int font = 0;
    qntest::DialogScript script;
    script.step([&](HWND box) {
        GetClientRect(box, &client);
        copy = qntest::child_rect(GetDlgItem(box, ID_CHECK_COPY));
        report = qntest::child_rect(GetDlgItem(box, ID_CHECK_REPORT));
        LOGFONTW f{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(GetDlgItem(box, ID_CHECK_REPORT), WM_GETFONT, 0, 0)),
                   sizeof f, &f);
        font = f.lfHeight;
        qntest::click(box, IDCANCEL);
    });
    ASSERT_TRUE(script.run(CHECK_CLASS, [&] { SendMessageW(program.window(), WM_COMMAND, IDM_NETWORK_CHECK, 0); }));
    EXPECT_EQ(client.right, scale_px(600, dpi));
    EXPECT_EQ(client.bottom, scale_px(460, dpi));
    EXPECT_EQ(copy.left, scale_px(400, dpi));
    EXPECT_EQ(copy.right - copy.left, scale_px(90, dpi));
    EXPECT_EQ(report.bottom, scale_px(404, dpi));
    EXPECT_EQ(font, scale_px(-16, dpi));
    EXPECT_EQ(program.exit(), 0);
}

namespace {

DWORD WINAPI close_check_after_hold(void*) {
    const char* value = std::getenv("QN_HOLD_MS");
    Sleep(static_cast<DWORD>(value ? std::atoi(value) : 4000));
    if (HWND box = qntest::find_own_window(CHECK_CLASS)) PostMessageW(box, WM_CLOSE, 0, 0);
    return 0;
}

}  // namespace

// Held on screen for tests/ui/take_screenshots.sh: the check with one room heard.
TEST(Screenshots, DISABLED_NetworkCheck) {
    const qntest::TestPorts ports = qntest::next_test_ports();
    qntest::RunningApp program(L"shot-check", qntest::AppConfig{}, ports);
    qntest::TestPeer peer("Bob", "Op 2", ports.discovery, ports.spare(0));
    ASSERT_TRUE(qntest::pump_until([&] { return program.state().engine.snapshot_peers().size() == 1; }));
    qntest::pump_for(1200);
    const unsigned dpi = window_dpi(program.window());
    SetWindowPos(program.window(), nullptr, 0, 0, scale_px(880, dpi), scale_px(680, dpi), SWP_NOZORDER);
    HANDLE closer = CreateThread(nullptr, 0, close_check_after_hold, nullptr, 0, nullptr);
    SendMessageW(program.window(), WM_COMMAND, IDM_NETWORK_CHECK, 0);
    WaitForSingleObject(closer, INFINITE);
    CloseHandle(closer);
}
