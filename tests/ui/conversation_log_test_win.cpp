// The conversation log on the real EDIT control: statuses rewritten in place whatever
// the order of the results, characters outside the BMP, and the recipient choice.
#include <windows.h>

#include <gtest/gtest.h>

#include "app_fixture.h"
#include "net/events.h"
#include "test_peer.h"
#include "ui/conversation_log.h"

using namespace quillnet;

namespace {

std::wstring after_start_lines(HWND log_view) {
    const std::wstring text = qntest::window_text(log_view);
    const std::size_t notice = text.find(L"Waiting for other rooms\u2026\r\n");
    return notice == std::wstring::npos ? text : text.substr(notice + 26);
}

std::string utf8(const std::wstring& text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                      nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

const std::wstring LINE_A = L"09:41:07  You \u2192 2 rooms:  smile \U0001F600\U0001F600 please";
const std::wstring LINE_B = L"09:41:08  You raised a \u2691 Red flag to 1 room";

}  // namespace

TEST(ConversationLog, StatusesAreRewrittenInPlaceWhicheverResultComesFirst) {
    qntest::RunningApp program(L"log-order", qntest::AppConfig{});
    AppState& s = program.state();
    const std::string history_start = qntest::read_file(program.history_file);

    // A's result first: B's position moves by the longer final status.
    clear_log();
    add_outgoing("A", LINE_A, 2);
    add_outgoing("B", LINE_B, 1);
    append_line(L"\U0001F4AC in between", false);
    EXPECT_EQ(after_start_lines(s.log_view),
              LINE_A + L"   \u2026\r\n" + LINE_B + L"   \u2026\r\n\U0001F4AC in between\r\n");
    apply_delivery_result("A", 2, 2);
    apply_delivery_result("B", 0, 1);
    EXPECT_EQ(qntest::window_text(s.log_view), LINE_A + L"   \u2713 delivered (2/2)\r\n" + LINE_B +
                                                   L"   \u2717 not delivered (0/1)\r\n\U0001F4AC in between\r\n");
    EXPECT_TRUE(s.pending_deliveries.empty());

    // B's result first: A's position stays; the counts take the other forms.
    clear_log();
    add_outgoing("A", LINE_A, 3);
    add_outgoing("B", LINE_B, 2);
    apply_delivery_result("B", 3, 2);
    apply_delivery_result("A", 1, 3);
    apply_delivery_result("A", 3, 3);  // a second result for A changes nothing
    apply_delivery_result("nobody", 1, 1);
    EXPECT_EQ(qntest::window_text(s.log_view),
              LINE_A + L"   \u26a0 1/3 delivered\r\n" + LINE_B + L"   \u2713 delivered (3/2)\r\n");

    // History holds each line once it is final, in the order the results came.
    EXPECT_EQ(qntest::read_file(program.history_file),
              history_start + utf8(LINE_A + L"   \u2713 delivered (2/2)\r\n" + LINE_B +
                                   L"   \u2717 not delivered (0/1)\r\n" + LINE_B + L"   \u2713 delivered (3/2)\r\n" +
                                   LINE_A + L"   \u26a0 1/3 delivered\r\n"));
}

TEST(ConversationLog, DeliveryResultMessagesReachTheLogAndNullIsIgnored) {
    qntest::RunningApp program(L"log-message", qntest::AppConfig{});
    AppState& s = program.state();
    clear_log();
    add_outgoing("m-0", LINE_B, 1);
    PostMessageW(program.window(), WM_APP_DELIVERY_RESULT, 0, 0);
    auto* result = new DeliveryResult{"m-0", 0, 0};
    PostMessageW(program.window(), WM_APP_DELIVERY_RESULT, 0, reinterpret_cast<LPARAM>(result));
    auto* unknown = new DeliveryResult{"m-9", 1, 1};
    PostMessageW(program.window(), WM_APP_DELIVERY_RESULT, 0, reinterpret_cast<LPARAM>(unknown));
    qntest::pump_for(100);
    EXPECT_EQ(qntest::window_text(s.log_view), LINE_B + L"   \u2713 delivered (0/0)\r\n");
}

TEST(ConversationLog, EngineNoticesAreShownButNeverSavedToTheHistory) {
    qntest::RunningApp program(L"log-notice", qntest::AppConfig{});
    AppState& s = program.state();
    const std::string history_start = qntest::read_file(program.history_file);
    const std::string text = "10.0.0.7 runs Quillnet with a site key; set the same key to page it.";
    PostMessageW(program.window(), WM_APP_ENGINE_NOTICE, 0, 0);
    PostMessageW(program.window(), WM_APP_ENGINE_NOTICE, 0, reinterpret_cast<LPARAM>(new EngineNotice{text}));
    const std::wstring line = L"10.0.0.7 runs Quillnet with a site key; set the same key to page it.\r\n";
    EXPECT_TRUE(qntest::pump_until([&] { return after_start_lines(s.log_view) == line; }, 5000))
        << utf8(qntest::window_text(s.log_view));
    EXPECT_EQ(qntest::read_file(program.history_file), history_start);
}

TEST(ConversationLog, RecipientsFollowTheEveryoneBoxAndTheSelectedRows) {
    qntest::RunningApp program(L"log-recipients", qntest::AppConfig{});
    AppState& s = program.state();
    // A port each: a new id from the address and port of a listed room replaces it.
    int k = 5;
    for (const char* id : {"{R1}", "{R2}", "{R3}"})
        qntest::announce_room(program.ports.discovery, id, std::string("room ") + id, "", program.ports.spare(k++));
    ASSERT_TRUE(qntest::pump_until([&] { return s.room_keys.size() == 3; }));

    SendMessageW(s.rooms_list, LB_SETSEL, TRUE, 0);
    SendMessageW(s.rooms_list, LB_SETSEL, TRUE, 2);
    EXPECT_TRUE(selected_recipients().empty());  // the box is on
    EXPECT_EQ(describe_target(), L"everyone");

    SendMessageW(s.everyone_check, BM_SETCHECK, BST_UNCHECKED, 0);
    EXPECT_EQ(selected_recipients(), (std::vector<std::string>{"{R1}", "{R3}"}));
    EXPECT_EQ(describe_target(), L"2 rooms");
    SendMessageW(s.rooms_list, LB_SETSEL, FALSE, 0);
    EXPECT_EQ(selected_recipients(), std::vector<std::string>{"{R3}"});
    EXPECT_EQ(describe_target(), L"1 room");
    SendMessageW(s.rooms_list, LB_SETSEL, FALSE, -1);
    EXPECT_TRUE(selected_recipients().empty());
    EXPECT_EQ(describe_target(), L"everyone");
}

namespace {

// Lines long enough to wrap in the log at the window's default size.
std::wstring page_line(int i) {
    return L"10:00:00  Reception (Front):  Mrs Example is ready in Op 2, chart and X-rays on the desk, page " +
           std::to_wstring(i);
}

qntest::AppConfig view_of(int lines) {
    qntest::AppConfig config;
    config.extra_ini = "log_view_lines = " + std::to_string(lines) + "\r\n";
    return config;
}

// The last line is in view: its last character lies inside the control's client area.
bool last_line_in_view(HWND view) {
    qntest::pump_for(50);
    const int length = GetWindowTextLengthW(view);
    const LRESULT at = SendMessageW(view, EM_POSFROMCHAR, static_cast<WPARAM>(length > 2 ? length - 3 : 0), 0);
    RECT client{};
    GetClientRect(view, &client);
    const int y = static_cast<short>(HIWORD(at));
    return at != -1 && y >= client.top && y < client.bottom;
}

}  // namespace

TEST(ConversationLog, TheViewHoldsAtMostItsLimitWithTheNewestLineLastAndInView) {
    qntest::RunningApp program(L"log-limit", view_of(100));
    AppState& s = program.state();
    for (int i = 0; i < 350; ++i) {
        append_line(page_line(i), i % 2 == 0);
        ASSERT_LE(qntest::log_lines(s.log_view).size(), 100u) << "after page " << i;
    }
    const std::vector<std::wstring> lines = qntest::log_lines(s.log_view);
    EXPECT_GE(lines.size(), 95u);
    EXPECT_EQ(lines.back(), page_line(349));
    EXPECT_EQ(lines[lines.size() - 2], page_line(348));
    EXPECT_TRUE(last_line_in_view(s.log_view));
    // The history keeps every saved page, the view only the newest.
    const std::string history = qntest::read_file(program.history_file);
    EXPECT_NE(history.find(utf8(page_line(0)) + "\r\n"), std::string::npos);
    EXPECT_NE(history.find(utf8(page_line(348)) + "\r\n"), std::string::npos);

    // A history longer than the view comes back as its newest lines only.
    const qntest::TestPorts ports = program.ports;
    const std::wstring folder = program.folder;
    EXPECT_EQ(program.exit(), 0);
    qntest::RunningApp again(folder, ports);
    const std::vector<std::wstring> shown = qntest::log_lines(again.state().log_view);
    EXPECT_LE(shown.size(), 100u);
    EXPECT_EQ(shown[shown.size() - 3], page_line(348));
    EXPECT_EQ(shown.back().substr(0, 11), L"Started as ");
}

TEST(ConversationLog, StatusesStayInPlaceAcrossTrimsAndATrimmedLineStillReachesHistory) {
    qntest::RunningApp program(L"log-trim-status", view_of(100));
    AppState& s = program.state();
    const std::wstring early = L"10:00:01  You \u2192 1 room:  \U0001F600 early call for Op 1";
    const std::wstring late = L"10:00:02  You \u2192 2 rooms:  late call for Op 3";
    // The start-up separator and notice, early, 96 pages and late fill the view; the
    // next page cuts the oldest five lines, early among them.
    add_outgoing("early", early, 1);
    for (int i = 0; i < 96; ++i) append_line(page_line(i), false);
    add_outgoing("late", late, 2);
    ASSERT_EQ(qntest::log_lines(s.log_view).size(), 100u);
    append_line(page_line(96), false);
    const std::vector<std::wstring> after_cut = qntest::log_lines(s.log_view);
    ASSERT_LT(after_cut.size(), 100u);
    ASSERT_NE(after_cut.front(), early + L"   \u2026");

    // Right after the cut, the late line's status is replaced exactly where it stands.
    const std::string history_before = qntest::read_file(program.history_file);
    apply_delivery_result("late", 1, 2);
    std::vector<std::wstring> expected = after_cut;
    for (std::wstring& line : expected)
        if (line == late + L"   \u2026") line = late + L"   \u26a0 1/2 delivered";
    EXPECT_EQ(qntest::log_lines(s.log_view), expected);

    // The early line left the view while it waited; its result changes nothing shown
    // and is saved with its final status.
    apply_delivery_result("early", 1, 1);
    EXPECT_EQ(qntest::log_lines(s.log_view), expected);
    EXPECT_EQ(qntest::read_file(program.history_file),
              history_before + utf8(late + L"   \u26a0 1/2 delivered\r\n" + early + L"   \u2713 delivered (1/1)\r\n"));
    EXPECT_TRUE(s.pending_deliveries.empty());

    // Further cuts keep later statuses in place too.
    add_outgoing("third", late, 1);
    for (int i = 0; i < 120; ++i) append_line(page_line(200 + i), false);
    add_outgoing("fourth", early, 1);
    for (int i = 0; i < 3; ++i) append_line(page_line(400 + i), false);
    apply_delivery_result("fourth", 0, 1);
    const std::vector<std::wstring> lines = qntest::log_lines(s.log_view);
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[lines.size() - 4], early + L"   \u2717 not delivered (0/1)");
    EXPECT_EQ(lines.back(), page_line(402));
}
