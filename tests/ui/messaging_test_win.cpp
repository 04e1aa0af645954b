// A page's whole way through the window with real engines on loopback: the rooms
// list, the three kinds of send, provisional and final statuses, and the history file.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app_fixture.h"
#include "test_peer.h"
#include "ui/ids.h"

using namespace quillnet;

namespace {

std::vector<std::wstring> log_lines(HWND log_view) {
    std::vector<std::wstring> lines;
    const std::wstring text = qntest::window_text(log_view);
    std::size_t start = 0;
    for (std::size_t end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

std::wstring last_line(HWND log_view) {
    const std::vector<std::wstring> lines = log_lines(log_view);
    return lines.empty() ? std::wstring() : lines.back();
}

bool ends_with(const std::wstring& text, const std::wstring& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::vector<std::wstring> list_rows(HWND list) {
    std::vector<std::wstring> rows;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        std::wstring row(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
        const LRESULT got = SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&row[0]));
        row.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        rows.push_back(row);
    }
    return rows;
}

bool wait_for_rooms(AppState& s, std::size_t count) {
    return qntest::pump_until([&] { return s.room_keys.size() == count; }, 10000);
}

// Turns "Send to everyone" off and selects exactly the rows of these ids.
void choose_rooms(AppState& s, const std::vector<std::string>& ids) {
    SendMessageW(s.everyone_check, BM_SETCHECK, BST_UNCHECKED, 0);
    SendMessageW(s.rooms_list, LB_SETSEL, FALSE, -1);
    for (std::size_t row = 0; row < s.room_keys.size(); ++row) {
        for (const std::string& id : ids) {
            if (s.room_keys[row] == id) SendMessageW(s.rooms_list, LB_SETSEL, TRUE, static_cast<LPARAM>(row));
        }
    }
}

std::vector<int> selected_rows(HWND list) {
    std::vector<int> rows(16);
    const LRESULT got = SendMessageW(list, LB_GETSELITEMS, 16, reinterpret_cast<LPARAM>(rows.data()));
    rows.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return rows;
}

int row_of(const AppState& s, const std::string& id) {
    for (std::size_t row = 0; row < s.room_keys.size(); ++row) {
        if (s.room_keys[row] == id) return static_cast<int>(row);
    }
    return -1;
}

std::string history_of(const qntest::RunningApp& program) { return qntest::read_file(program.history_file); }

std::string utf8(const std::wstring& text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                      nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

// A real room on loopback: the message port is the test's spare k.
struct Room {
    Room(const qntest::TestPorts& ports, int k, const std::string& user, const std::string& room)
        : peer(user, room, ports.discovery, ports.spare(k)) {}
    qntest::TestPeer peer;
};

const std::wstring PENDING = L"   \u2026";

}  // namespace

TEST(RoomsList, FollowsThePeerTableInByteOrderWithRowTextsAndCaption) {
    qntest::RunningApp program(L"rooms", qntest::AppConfig{});
    AppState& s = program.state();
    EXPECT_EQ(qntest::window_text(s.rooms_caption), L"Online rooms (0)");
    EXPECT_EQ(SendMessageW(s.rooms_list, LB_GETCOUNT, 0, 0), 0);

    Room bob(program.ports, 0, "bob", "bob");
    Room alice(program.ports, 1, "Alice", "Lab");
    ASSERT_TRUE(bob.peer.started() && alice.peer.started());
    // Ports of their own: a new id from the address and port of a listed room replaces it.
    qntest::announce_room(program.ports.discovery, "{FAKE-ZED-A}", "Zed", "", program.ports.spare(6));
    qntest::announce_room(program.ports.discovery, "{FAKE-ZED-B}", "Zed", "Store \u00e9", program.ports.spare(7));
    ASSERT_TRUE(wait_for_rooms(s, 4));
    EXPECT_EQ(list_rows(s.rooms_list),
              (std::vector<std::wstring>{L"Alice  \u2014  Lab", L"Zed", L"Zed  \u2014  Store \u00e9", L"bob"}));
    EXPECT_EQ(s.room_keys[0], alice.peer.id());
    EXPECT_EQ(s.room_keys[1], "{FAKE-ZED-A}");  // same user: ordered by id
    EXPECT_EQ(s.room_keys[3], bob.peer.id());
    EXPECT_EQ(qntest::window_text(s.rooms_caption), L"Online rooms (4)");
}

TEST(RoomsList, SelectionFollowsTheRoomWhenOthersArriveAndLeave) {
    qntest::RunningApp program(L"selection", qntest::AppConfig{});
    AppState& s = program.state();
    Room bob(program.ports, 0, "bob", "bob");
    Room carol(program.ports, 1, "carol", "carol");
    ASSERT_TRUE(wait_for_rooms(s, 2));
    choose_rooms(s, {carol.peer.id()});
    ASSERT_EQ(selected_rows(s.rooms_list), std::vector<int>{1});

    Room alice(program.ports, 2, "Alice", "Alice");
    ASSERT_TRUE(wait_for_rooms(s, 3));
    EXPECT_EQ(row_of(s, carol.peer.id()), 2);
    EXPECT_EQ(selected_rows(s.rooms_list), std::vector<int>{2});

    // bob says goodbye: the list shrinks, carol keeps her selection.
    bob.peer.stop();
    ASSERT_TRUE(wait_for_rooms(s, 2));
    EXPECT_EQ(selected_rows(s.rooms_list), std::vector<int>{row_of(s, carol.peer.id())});
    EXPECT_EQ(qntest::window_text(s.rooms_caption), L"Online rooms (2)");
}

TEST(Sending, TypedMessageToTheSelectedRoomEndsDelivered) {
    qntest::RunningApp program(L"send-delivered", qntest::AppConfig{});
    AppState& s = program.state();
    Room alice(program.ports, 0, "Alice", "Lab");
    Room bob(program.ports, 1, "bob", "bob");
    ASSERT_TRUE(wait_for_rooms(s, 2));
    choose_rooms(s, {alice.peer.id()});

    SetWindowTextW(s.input_edit, L"Hello \U0001F600");
    SendMessageW(program.window(), WM_COMMAND, ID_SEND_BUTTON, 0);
    const std::wstring sent = last_line(s.log_view);
    EXPECT_EQ(sent.substr(8), L"  You \u2192 1 room:  Hello \U0001F600" + PENDING);
    EXPECT_EQ(qntest::window_text(s.input_edit), L"");
    EXPECT_EQ(GetFocus(), s.input_edit);
    // Nothing is saved while the line is pending.
    EXPECT_EQ(history_of(program).find("Hello"), std::string::npos);

    const std::wstring done = sent.substr(0, sent.size() - PENDING.size()) + L"   \u2713 delivered (1/1)";
    ASSERT_TRUE(qntest::pump_until([&] { return last_line(s.log_view) == done; }, 10000)) << utf8(last_line(s.log_view));
    ASSERT_TRUE(qntest::pump_until([&] { return !alice.peer.received.empty(); }, 5000));
    EXPECT_EQ(alice.peer.received[0].kind, "MSG");
    EXPECT_EQ(alice.peer.received[0].text, "Hello \xF0\x9F\x98\x80");
    EXPECT_EQ(alice.peer.received[0].user, "Desk");
    EXPECT_TRUE(bob.peer.received.empty());
    EXPECT_NE(history_of(program).find(utf8(done) + "\r\n"), std::string::npos);
    // Sending leaves the selection alone.
    EXPECT_EQ(selected_rows(s.rooms_list), std::vector<int>{row_of(s, alice.peer.id())});
}

TEST(Sending, FlagToARoomThatVanishedWithoutGoodbyeIsNotDelivered) {
    qntest::RunningApp program(L"send-vanished", qntest::AppConfig{});
    AppState& s = program.state();
    // Announced, but nothing listens on its message port any more.
    qntest::announce_room(program.ports.discovery, "{GONE}", "Gone", "Gone", program.ports.spare(7));
    ASSERT_TRUE(wait_for_rooms(s, 1));
    choose_rooms(s, {"{GONE}"});
    SendMessageW(s.flag_buttons[1], BM_CLICK, 0, 0);
    const std::wstring sent = last_line(s.log_view);
    EXPECT_EQ(sent.substr(8), L"  You raised a \u2691 Blue flag to 1 room" + PENDING);
    const std::wstring done = sent.substr(0, sent.size() - PENDING.size()) + L"   \u2717 not delivered (0/1)";
    EXPECT_TRUE(qntest::pump_until([&] { return last_line(s.log_view) == done; }, 10000)) << utf8(last_line(s.log_view));
}

TEST(Sending, QuickMessageToTwoRoomsOfWhichOneIsGoneIsPartlyDelivered) {
    qntest::RunningApp program(L"send-partial", qntest::AppConfig{});
    AppState& s = program.state();
    Room alice(program.ports, 0, "Alice", "Lab");
    qntest::announce_room(program.ports.discovery, "{GONE}", "Gone", "Gone", program.ports.spare(7));
    ASSERT_TRUE(wait_for_rooms(s, 2));
    choose_rooms(s, {alice.peer.id(), "{GONE}"});
    SendMessageW(s.quick_buttons[3], BM_CLICK, 0, 0);
    const std::wstring sent = last_line(s.log_view);
    EXPECT_EQ(sent.substr(8), L"  You \u2192 2 rooms:  \u00bb Will Call" + PENDING);
    const std::wstring done = sent.substr(0, sent.size() - PENDING.size()) + L"   \u26a0 1/2 delivered";
    EXPECT_TRUE(qntest::pump_until([&] { return last_line(s.log_view) == done; }, 10000)) << utf8(last_line(s.log_view));
    ASSERT_TRUE(qntest::pump_until([&] { return !alice.peer.received.empty(); }, 5000));
    EXPECT_EQ(alice.peer.received[0].kind, "QUICK");
    EXPECT_EQ(alice.peer.received[0].text, "Will Call");
}

TEST(Sending, WithNobodyOnlineTheLineIsFinalAtOnceAndSaved) {
    qntest::RunningApp program(L"send-nobody", qntest::AppConfig{});
    AppState& s = program.state();
    SetWindowTextW(s.input_edit, L"  ");  // spaces alone are still a message
    SendMessageW(program.window(), WM_COMMAND, ID_SEND_BUTTON, 0);
    const std::wstring line = last_line(s.log_view);
    EXPECT_TRUE(ends_with(line, L"  You \u2192 everyone:       (no rooms online)")) << utf8(line);
    EXPECT_TRUE(s.pending_deliveries.empty());
    EXPECT_NE(history_of(program).find(utf8(line) + "\r\n"), std::string::npos);
    qntest::pump_for(300);
    EXPECT_EQ(last_line(s.log_view), line);
}

TEST(Sending, EnterInTheComposeFieldSendsOnceAndNeverAnEmptyField) {
    qntest::RunningApp program(L"send-enter", qntest::AppConfig{});
    AppState& s = program.state();
    SetFocus(s.input_edit);
    const auto press_enter = [&] {
        // As the keyboard delivers it: through the loop, where dialog navigation sees it first.
        PostMessageW(s.input_edit, WM_KEYDOWN, VK_RETURN, 0x001C0001);
        PostMessageW(s.input_edit, WM_CHAR, L'\r', 0x001C0001);
        qntest::pump_for(100);
    };
    const std::size_t lines_before = log_lines(s.log_view).size();
    press_enter();
    EXPECT_EQ(log_lines(s.log_view).size(), lines_before);

    SetWindowTextW(s.input_edit, L"ready");
    press_enter();
    const std::vector<std::wstring> lines = log_lines(s.log_view);
    ASSERT_EQ(lines.size(), lines_before + 1);
    EXPECT_TRUE(ends_with(lines.back(), L"  You \u2192 everyone:  ready   (no rooms online)")) << utf8(lines.back());
    EXPECT_EQ(qntest::window_text(s.input_edit), L"");
}

TEST(Sending, FunctionKeySendsItsQuickMessageAndLeavesTheTypedText) {
    qntest::RunningApp program(L"send-f1", qntest::AppConfig{});
    AppState& s = program.state();
    SetFocus(s.input_edit);
    SetWindowTextW(s.input_edit, L"half typed");
    PostMessageW(s.input_edit, WM_KEYDOWN, VK_F1, 0x003B0001);
    qntest::pump_for(100);
    EXPECT_TRUE(ends_with(last_line(s.log_view), L"  You \u2192 everyone:  \u00bb Yes   (no rooms online)"));
    EXPECT_EQ(qntest::window_text(s.input_edit), L"half typed");
    PostMessageW(s.input_edit, WM_KEYDOWN, VK_F10, 0x00440001);
    qntest::pump_for(100);
    EXPECT_TRUE(ends_with(last_line(s.log_view), L"\u00bb EMERG   (no rooms online)"));
}

TEST(Sending, QuickCommandsBeyondTheConfiguredListAreRefused) {
    qntest::AppConfig config;
    config.extra_ini = "[quick_messages]\r\n1 = One\r\n2 = Two\r\n3 = Three\r\n";
    qntest::RunningApp program(L"send-bounds", config);
    AppState& s = program.state();
    const std::size_t before = log_lines(s.log_view).size();
    SendMessageW(program.window(), WM_COMMAND, QUICK_BUTTON_BASE + 3, 0);
    PostMessageW(s.input_edit, WM_KEYDOWN, VK_F4, 0);  // no key exists for F4
    qntest::pump_for(100);
    SendMessageW(program.window(), WM_COMMAND, FLAG_BUTTON_BASE + 6, 0);
    EXPECT_EQ(log_lines(s.log_view).size(), before);

    s.settings.quick_messages.push_back("Four");
    SendMessageW(program.window(), WM_COMMAND, QUICK_BUTTON_BASE + 3, 0);
    EXPECT_TRUE(ends_with(last_line(s.log_view), L"\u00bb Four   (no rooms online)"));
}

TEST(Sending, AutoMinimiseHidesTheWindowAfterEveryKindOfSend) {
    qntest::AppConfig config;
    config.auto_minimize_after_send = true;
    qntest::RunningApp program(L"send-hide", config);
    AppState& s = program.state();
    HWND window = program.window();
    const std::vector<std::function<void()>> sends = {
        [&] {
            SetWindowTextW(s.input_edit, L"typed");
            SendMessageW(window, WM_COMMAND, ID_SEND_BUTTON, 0);
        },
        [&] { SendMessageW(window, WM_COMMAND, QUICK_BUTTON_BASE + 1, 0); },
        [&] { SendMessageW(window, WM_COMMAND, FLAG_BUTTON_BASE + 2, 0); },
    };
    for (const auto& send : sends) {
        ShowWindow(window, SW_SHOW);
        ASSERT_TRUE(IsWindowVisible(window));
        const std::size_t before = log_lines(s.log_view).size();
        send();
        EXPECT_EQ(log_lines(s.log_view).size(), before + 1);
        EXPECT_FALSE(IsWindowVisible(window));
    }
    // An empty compose field sends nothing and so hides nothing.
    ShowWindow(window, SW_SHOW);
    SendMessageW(window, WM_COMMAND, ID_SEND_BUTTON, 0);
    EXPECT_TRUE(IsWindowVisible(window));
}

TEST(History, HoldsExactlyTheFinishedLinesAndComesBackAtTheNextStart) {
    qntest::AppConfig config;
    qntest::TestPorts ports = qntest::next_test_ports();
    std::wstring folder;
    std::string expected;
    {
        qntest::RunningApp program(L"history", config, ports);
        folder = program.folder;
        AppState& s = program.state();
        const std::vector<std::wstring> start_lines = log_lines(s.log_view);
        ASSERT_EQ(start_lines.size(), 2u);
        EXPECT_EQ(start_lines[0].substr(0, 8), L"\u2500\u2500\u2500\u2500\u2500\u2500  ");
        EXPECT_EQ(start_lines[1], L"Started as \"Desk\" in room \"Front\".  Waiting for other rooms\u2026");
        expected = utf8(start_lines[0]) + "\r\n";
        EXPECT_EQ(history_of(program), expected);

        Room alice(ports, 0, "Alice", "Lab");
        ASSERT_TRUE(wait_for_rooms(s, 1));
        SendMessageW(program.window(), WM_COMMAND, FLAG_BUTTON_BASE, 0);
        ASSERT_TRUE(qntest::pump_until([&] { return ends_with(last_line(s.log_view), L"(1/1)"); }, 10000));
        expected += utf8(last_line(s.log_view)) + "\r\n";
        alice.peer.stop();
        ASSERT_TRUE(wait_for_rooms(s, 0));
        SendMessageW(program.window(), WM_COMMAND, QUICK_BUTTON_BASE, 0);
        expected += utf8(last_line(s.log_view)) + "\r\n";
        EXPECT_EQ(history_of(program), expected);
    }
    qntest::RunningApp again(folder, ports, SW_SHOW);
    const std::vector<std::wstring> lines = log_lines(again.state().log_view);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(utf8(lines[0] + L"\r\n" + lines[1] + L"\r\n" + lines[2] + L"\r\n"), expected);
    EXPECT_EQ(lines[3].substr(0, 8), L"\u2500\u2500\u2500\u2500\u2500\u2500  ");
    EXPECT_EQ(lines[4].substr(0, 11), L"Started as ");
    EXPECT_EQ(history_of(again), expected + utf8(lines[3]) + "\r\n");
}

TEST(History, ClearHistoryAsksThenEmptiesTheLogAndDeletesTheFile) {
    qntest::RunningApp program(L"clear-history", qntest::AppConfig{});
    AppState& s = program.state();
    Room alice(program.ports, 0, "Alice", "Lab");
    ASSERT_TRUE(wait_for_rooms(s, 1));
    ASSERT_TRUE(qntest::file_exists(program.history_file));
    const std::wstring before = qntest::window_text(s.log_view);
    {
        qntest::BoxAnswerer no(L"Clear History", IDNO);
        SendMessageW(program.window(), WM_COMMAND, IDM_CLEAR_HISTORY, 0);
        const std::vector<std::wstring> asked = no.finish();
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_EQ(asked[0], L"Clear the saved message history on this computer?");
    }
    EXPECT_EQ(qntest::window_text(s.log_view), before);
    EXPECT_TRUE(qntest::file_exists(program.history_file));

    // A message still pending when the history goes: its result must change nothing.
    alice.peer.stop();
    qntest::announce_room(program.ports.discovery, "{SLOW}", "Slow", "Slow", program.ports.spare(7));
    ASSERT_TRUE(qntest::pump_until([&] { return s.room_keys.size() == 1 && s.room_keys[0] == "{SLOW}"; }, 10000));
    SendMessageW(program.window(), WM_COMMAND, QUICK_BUTTON_BASE, 0);
    ASSERT_EQ(s.pending_deliveries.size(), 1u);
    {
        qntest::BoxAnswerer yes(L"Clear History", IDYES);
        SendMessageW(program.window(), WM_COMMAND, IDM_CLEAR_HISTORY, 0);
        EXPECT_EQ(yes.finish().size(), 1u);
    }
    EXPECT_EQ(qntest::window_text(s.log_view), L"");
    EXPECT_TRUE(s.pending_deliveries.empty());
    EXPECT_FALSE(qntest::file_exists(program.history_file));
    qntest::pump_for(2500);  // the result of the pending message arrives and is dropped
    EXPECT_EQ(qntest::window_text(s.log_view), L"");
    EXPECT_FALSE(qntest::file_exists(program.history_file));

    qntest::announce_room(program.ports.discovery, "{SLOW}", "Slow", "Slow", program.ports.spare(7));
    s.settings.auto_minimize_after_send = false;
    SendMessageW(program.window(), WM_COMMAND, FLAG_BUTTON_BASE, 0);
    ASSERT_TRUE(qntest::pump_until([&] { return ends_with(last_line(s.log_view), L"(0/1)"); }, 10000));
    EXPECT_EQ(history_of(program), utf8(last_line(s.log_view)) + "\r\n");
}
