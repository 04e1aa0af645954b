// Seen on the real main window: the button's text and state, F11 (also in a modal
// window), the banner click and Clear History, what a person's acknowledgement sends,
// the sender's "seen by" and "not seen yet" lines, and the urgent repeats that stop on
// acknowledgement and after fifteen and never take the focus.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "alert/alerts.h"
#include "app_fixture.h"
#include "base/win_text.h"
#include "dialog_driver.h"
#include "net/clock.h"
#include "net/line_kinds.h"
#include "test_peer.h"
#include "ui/ids.h"
#include "ui/seen.h"
#include "ui/sending.h"

using namespace quillnet;

namespace {

HWND seen_button(AppState& s) { return GetDlgItem(s.main_window, ID_SEEN_BUTTON); }

bool timed(const std::wstring& line, const std::wstring& rest) {
    return line.size() == 10 + rest.size() && line[2] == L':' && line[5] == L':' && line.substr(8, 2) == L"  " &&
           line.substr(10) == rest;
}

bool log_has(HWND log_view, const std::wstring& rest) {
    for (const std::wstring& line : qntest::log_lines(log_view))
        if (timed(line, rest)) return true;
    return false;
}

bool meet(AppState& s, qntest::TestPeer& peer) {
    return qntest::pump_until([&] {
        bool here = false, there = false;
        for (const PeerRecord& r : s.engine.snapshot_peers()) here = here || (r.id == peer.id() && r.speaks_l1);
        for (const PeerRecord& r : peer.engine().snapshot_peers())
            there = there || (r.id == s.engine.instance_id() && r.speaks_l1);
        return here && there;
    });
}

// A page as the engine posts it, from a sender nobody lists.
void deliver(AppState& s, const std::string& kind, const std::string& text, bool urgent, ColourRef colour = 0) {
    auto* message = new IncomingMessage{};
    message->kind = kind;
    message->user = "Dr Lee";
    message->room = "Op 1";
    message->text = text;
    message->sender_address = "127.0.0.1";
    message->colour = colour;
    message->message_id = "{PAGE}-" + std::to_string(GetTickCount64());
    message->sender_id = "{NOBODY}";
    message->urgent = urgent;
    message->arrived_ms = milliseconds_since_start();
    SendMessageW(s.main_window, WM_APP_MESSAGE_RECEIVED, 0, reinterpret_cast<LPARAM>(message));
}

void press_f11(AppState& s) {
    PostMessageW(s.input_edit, WM_KEYDOWN, VK_F11, 0);
    PostMessageW(s.input_edit, WM_KEYUP, VK_F11, 0);
}

// A visible window of the test that holds the foreground, as another program would.
class OtherWindow {
public:
    OtherWindow() {
        window_ = CreateWindowExW(0, L"STATIC", L"other program", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 300, 200,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        SetForegroundWindow(window_);
        SetActiveWindow(window_);
    }
    ~OtherWindow() { DestroyWindow(window_); }
    HWND get() const { return window_; }

private:
    HWND window_ = nullptr;
};

// Counts the flag banner coming up again, putting it back to idle after each time.
int count_banner_repeats(AppState& s, int milliseconds, HWND other, int* foreground_lost) {
    const std::wstring idle = L"Quillnet \u2014 " + to_wide(s.settings.room);
    int repeats = 0;
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(milliseconds);
    while (GetTickCount64() < end) {
        qntest::pump_for(50);
        if (qntest::window_text(s.banner) != idle) {
            ++repeats;
            if (GetForegroundWindow() != other || GetActiveWindow() == s.main_window) ++*foreground_lost;
            reset_banner();
        }
    }
    return repeats;
}

}  // namespace

TEST(Seen, ButtonCountsAwaitingPagesAndF11AcknowledgesWhatWasShownASecondBefore) {
    qntest::RunningApp program(L"seen-f11", qntest::AppConfig{});
    AppState& s = program.state();
    EXPECT_EQ(qntest::window_text(seen_button(s)), L"Seen");
    EXPECT_FALSE(IsWindowEnabled(seen_button(s)));
    qntest::TestPeer peer("Dr Lee", "Op 1", program.ports.discovery, program.ports.spare(0));
    ASSERT_TRUE(meet(s, peer));

    int attempted = 0;
    peer.engine().send_message({s.engine.instance_id()}, KIND_QUICK, "Will Call", attempted);
    ASSERT_TRUE(qntest::pump_until([&] { return qntest::window_text(seen_button(s)) == L"Seen (1)"; }, 5000));
    EXPECT_TRUE(IsWindowEnabled(seen_button(s)));
    // At once: the page was not on the screen for a second yet, so it still awaits.
    press_f11(s);
    qntest::pump_for(150);
    EXPECT_EQ(qntest::window_text(seen_button(s)), L"Seen (1)");
    EXPECT_TRUE(peer.seen.empty());

    // Other kinds do not await; a typed page does.
    peer.engine().send_message({s.engine.instance_id()}, KIND_MSG, "typed", attempted);
    ASSERT_TRUE(qntest::pump_until([&] { return qntest::window_text(seen_button(s)) == L"Seen (2)"; }, 5000));
    qntest::pump_for(1100);
    press_f11(s);
    ASSERT_TRUE(qntest::pump_until([&] { return peer.seen.size() == 2; }, 8000));
    EXPECT_EQ(qntest::window_text(seen_button(s)), L"Seen");
    EXPECT_FALSE(IsWindowEnabled(seen_button(s)));
    EXPECT_EQ(peer.seen[0].recipient_user, "Desk");
    EXPECT_EQ(peer.seen[0].recipient_room, "Front");
    // The two SEEN frames travel side by side; either may come first.
    std::vector<std::string> bodies = {peer.seen[0].body, peer.seen[1].body};
    std::sort(bodies.begin(), bodies.end());
    EXPECT_EQ(bodies, (std::vector<std::string>{"typed", "\xC2\xBB Will Call"}));

    // The other way: this copy's page acknowledged by the peer gives the seen-by line (saved).
    send_quick_message(3);
    ASSERT_TRUE(qntest::pump_until([&] { return peer.received.size() == 1; }, 5000));
    const IncomingMessage& got = peer.received[0];
    EXPECT_EQ(got.sender_id, s.engine.instance_id());
    EXPECT_EQ(got.reply_port, program.ports.message);
    EXPECT_FALSE(got.urgent);
    SeenRequest request{got.message_id, got.sender_id, got.sender_address, got.reply_port, got.arrived_ms};
    peer.engine().acknowledge_pages({request});
    ASSERT_TRUE(qntest::pump_until(
        [&] { return log_has(s.log_view, L"\u2713 seen by Dr Lee (Op 1):  \u00BB Will Call"); }, 8000));
    EXPECT_NE(qntest::read_file(program.history_file).find("\xE2\x9C\x93 seen by Dr Lee (Op 1):  \xC2\xBB Will Call\r\n"),
              std::string::npos);
}

TEST(Seen, BannerClickAndF11InAModalWindowAcknowledgeClearHistoryDoesNot) {
    qntest::RunningApp program(L"seen-banner", qntest::AppConfig{});
    AppState& s = program.state();
    deliver(s, KIND_FLAG, "Red", false, RGB(220, 40, 40));
    deliver(s, KIND_QUICK, "Yes", false);
    EXPECT_EQ(qntest::window_text(seen_button(s)), L"Seen (2)");

    // Clear History empties the log but leaves the pages awaiting.
    qntest::BoxAnswerer answer(L"Clear History", IDYES);
    SendMessageW(s.main_window, WM_COMMAND, IDM_CLEAR_HISTORY, 0);
    answer.finish();
    EXPECT_EQ(qntest::window_text(seen_button(s)), L"Seen (2)");

    // A click on the banner within the second acknowledges nothing, after it both.
    SendMessageW(s.main_window, WM_COMMAND, MAKEWPARAM(ID_BANNER, STN_CLICKED), reinterpret_cast<LPARAM>(s.banner));
    EXPECT_EQ(qntest::window_text(seen_button(s)), L"Seen (2)");
    qntest::pump_for(1050);
    SendMessageW(s.main_window, WM_COMMAND, MAKEWPARAM(ID_BANNER, STN_CLICKED), reinterpret_cast<LPARAM>(s.banner));
    EXPECT_EQ(qntest::window_text(seen_button(s)), L"Seen");

    // F11 while the About box is open goes through its loop to the main window.
    deliver(s, KIND_MSG, "typed", false);
    qntest::pump_for(1050);
    qntest::DialogScript script;
    std::wstring during;
    script.step([&](HWND dialog) { qntest::press_key(dialog, VK_F11); });
    script.step([&](HWND) { during = qntest::window_text(seen_button(s)); });
    script.step([&](HWND dialog) { PostMessageW(dialog, WM_CLOSE, 0, 0); });
    EXPECT_TRUE(script.run(L"QNAboutDialog", [&] { SendMessageW(s.main_window, WM_COMMAND, IDM_ABOUT, 0); }));
    EXPECT_EQ(during, L"Seen");
}

TEST(Seen, AHundredAwaitAtMostTheOldestNonUrgentGoesFirst) {
    qntest::RunningApp program(L"seen-hundred", qntest::AppConfig{});
    AppState& s = program.state();
    deliver(s, KIND_QUICK, "EMERG", true);
    for (int i = 0; i < 104; ++i) deliver(s, KIND_MSG, "m" + std::to_string(i), false);
    EXPECT_EQ(qntest::window_text(seen_button(s)), L"Seen (100)");
    EXPECT_EQ(awaiting_page_count(), 100u);
}

TEST(UrgentRepeat, FifteenRepeatsThatNeverTakeTheFocusAndNoLogLine) {
    qntest::AppConfig config;
    config.extra_ini = "[behavior]\r\nbring_to_front_on_receive = 1\r\n[loop]\r\nurgent_repeat_s = 1\r\n";
    qntest::RunningApp program(L"urgent-fifteen", config);
    AppState& s = program.state();
    deliver(s, KIND_FLAG, "Red", true, RGB(220, 40, 40));
    const std::size_t lines = qntest::log_lines(s.log_view).size();
    reset_banner();
    OtherWindow other;
    ASSERT_EQ(GetForegroundWindow(), other.get());
    int lost = 0;
    // Hidden in the tray meanwhile: a repeat shows it again, still without activation.
    int repeats = count_banner_repeats(s, 2600, other.get(), &lost);
    ShowWindow(s.main_window, SW_HIDE);
    repeats += count_banner_repeats(s, 1500, other.get(), &lost);
    EXPECT_TRUE(IsWindowVisible(s.main_window));
    repeats += count_banner_repeats(s, 15000, other.get(), &lost);
    EXPECT_EQ(repeats, 15);
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(qntest::log_lines(s.log_view).size(), lines);
    EXPECT_EQ(qntest::window_text(seen_button(s)), L"Seen (1)");  // still awaiting
}

TEST(UrgentRepeat, StopsOnAcknowledgementAndOnlyUrgentPagesRepeat) {
    qntest::AppConfig config;
    config.extra_ini = "[loop]\r\nurgent_repeat_s = 1\r\n";
    qntest::RunningApp program(L"urgent-stop", config);
    AppState& s = program.state();
    OtherWindow other;
    deliver(s, KIND_FLAG, "Blue", false, RGB(40, 90, 220));
    reset_banner();
    int lost = 0;
    EXPECT_EQ(count_banner_repeats(s, 2300, other.get(), &lost), 0);

    deliver(s, KIND_FLAG, "Red", true, RGB(220, 40, 40));
    reset_banner();
    EXPECT_GE(count_banner_repeats(s, 2500, other.get(), &lost), 2);
    SendMessageW(s.main_window, WM_COMMAND, MAKEWPARAM(ID_SEEN_BUTTON, BN_CLICKED),
                 reinterpret_cast<LPARAM>(seen_button(s)));
    EXPECT_EQ(qntest::window_text(seen_button(s)), L"Seen");
    EXPECT_FALSE(KillTimer(s.main_window, URGENT_REPEAT_TIMER));  // the timer went with the last repeat
    EXPECT_EQ(count_banner_repeats(s, 2500, other.get(), &lost), 0);
    EXPECT_EQ(lost, 0);
}

TEST(UrgentRepeat, ZeroSecondsTurnsRepeatsOff) {
    qntest::AppConfig config;
    config.extra_ini = "[loop]\r\nurgent_repeat_s = 0\r\n";
    qntest::RunningApp program(L"urgent-off", config);
    AppState& s = program.state();
    OtherWindow other;
    deliver(s, KIND_FLAG, "Red", true, RGB(220, 40, 40));
    reset_banner();
    int lost = 0;
    EXPECT_EQ(count_banner_repeats(s, 2200, other.get(), &lost), 0);
}

TEST(Escalation, AnUrgentPageNobodySawGivesTheNotSeenLine) {
    qntest::AppConfig config;
    config.extra_ini = "[loop]\r\nurgent_escalate_s = 1\r\n";
    qntest::RunningApp program(L"escalation", config);
    AppState& s = program.state();
    qntest::TestPeer peer("Dr Lee", "Op 1", program.ports.discovery, program.ports.spare(0));
    ASSERT_TRUE(meet(s, peer));
    ASSERT_EQ(s.settings.quick_messages[9], "EMERG");
    send_quick_message(9);
    ASSERT_TRUE(qntest::pump_until([&] { return peer.received.size() == 1; }, 5000));
    EXPECT_TRUE(peer.received[0].urgent);
    ASSERT_TRUE(qntest::pump_until(
        [&] { return log_has(s.log_view, L"\u26A0 not seen yet by Dr Lee (Op 1):  \u00BB EMERG"); }, 8000));
    EXPECT_NE(qntest::read_file(program.history_file).find("not seen yet by Dr Lee (Op 1):  \xC2\xBB EMERG\r\n"),
              std::string::npos);
    // A page that is not urgent is never reported.
    send_quick_message(0);
    ASSERT_TRUE(qntest::pump_until([&] { return peer.received.size() == 2; }, 5000));
    EXPECT_FALSE(peer.received[1].urgent);
    qntest::pump_for(2500);
    EXPECT_FALSE(log_has(s.log_view, L"\u26A0 not seen yet by Dr Lee (Op 1):  \u00BB Yes"));
}
