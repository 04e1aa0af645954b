// Arrival alerts on the real main window: flag banner and its blink and time-out, the
// colours the banner is painted with, log lines, tray flashing, raising the window,
// and the sound path without an audio device.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "alert/alert_steps.h"
#include "alert/alerts.h"
#include "app/tray_actions.h"
#include "ui/app_state.h"
#include "base/win_text.h"
#include "app_fixture.h"
#include "net/engine.h"
#include "ui/ids.h"
#include "ui/main_window.h"
#include "ui/tray.h"

namespace {

using namespace quillnet;
using qntest::pump_until;
using qntest::RunningApp;
using qntest::window_text;

const ColourRef RED = make_colour(220, 40, 40);

// Hands a received message to the window procedure as the engine's post would.
void deliver(HWND window, const std::string& kind, const std::string& user, const std::string& room,
             const std::string& text, ColourRef colour = 0) {
    auto* message = new IncomingMessage(qntest::incoming(kind, user, room, text, colour));
    SendMessageW(window, WM_APP_MESSAGE_RECEIVED, 0, reinterpret_cast<LPARAM>(message));
}

std::wstring last_log_line(AppState& state) {
    std::wstring text = window_text(state.log_view);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r')) text.pop_back();
    const std::size_t start = text.rfind(L"\r\n");
    return start == std::wstring::npos ? text : text.substr(start + 2);
}

// "HH:MM:SS" followed by the rest.
bool has_time_then(const std::wstring& line, const std::wstring& rest) {
    if (line.size() < 8 || line[2] != L':' || line[5] != L':') return false;
    for (int i : {0, 1, 3, 4, 6, 7})
        if (line[i] < L'0' || line[i] > L'9') return false;
    return line.substr(8) == rest;
}

// What the window procedure answers for the banner's WM_CTLCOLORSTATIC.
struct Painted {
    COLORREF background = 0, text = 0;
    HBRUSH brush = nullptr;
};
Painted banner_paint(AppState& state) {
    Painted out;
    HDC dc = GetDC(state.banner);
    out.brush = reinterpret_cast<HBRUSH>(SendMessageW(state.main_window, WM_CTLCOLORSTATIC,
                                                      reinterpret_cast<WPARAM>(dc),
                                                      reinterpret_cast<LPARAM>(state.banner)));
    out.background = GetBkColor(dc);
    out.text = GetTextColor(dc);
    ReleaseDC(state.banner, dc);
    return out;
}

// The colour on screen at the banner's left edge, after it has repainted.
COLORREF banner_pixel(AppState& state) {
    UpdateWindow(state.banner);
    HDC dc = GetDC(state.banner);
    const COLORREF pixel = GetPixel(dc, 3, 3);
    ReleaseDC(state.banner, dc);
    return pixel;
}

// KillTimer fails for a timer that is not running; used to ask whether it runs.
bool timer_was_running(HWND window, UINT_PTR id) { return KillTimer(window, id) != FALSE; }

TEST(Alerts, FlagFromAnotherEngineRaisesTheBannerLogsAndBlinksInTheFlagColour) {
    RunningApp program(L"alert-engine", {});
    AppState& state = program.state();

    Settings other_settings;
    other_settings.user = "Nurse";
    other_settings.room = "Lab";
    other_settings.discovery_port = program.ports.discovery;
    other_settings.message_port = program.ports.spare(0);
    other_settings.seed_peers = {"127.255.255.255"};
    other_settings.heartbeat_ms = 500;
    other_settings.peer_timeout_ms = 60000;
    complete_settings(other_settings);
    NetworkEngine other;
    std::wstring error;
    ASSERT_TRUE(other.start(other_settings, nullptr, error));
    const std::string target = state.engine.instance_id();
    ASSERT_TRUE(pump_until([&] {
        for (const PeerRecord& peer : other.snapshot_peers())
            if (peer.id == target) return true;
        return false;
    }));

    int attempted = 0;
    other.send_message({target}, "FLAG", "Red", attempted);
    EXPECT_EQ(attempted, 1);
    ASSERT_TRUE(pump_until([&] { return state.banner_colour == RED; }));

    const std::wstring expected_text = L"\u2691   Lab   \u2014   Red";
    EXPECT_EQ(state.banner_text, expected_text);
    EXPECT_EQ(window_text(state.banner), expected_text);
    EXPECT_EQ(state.banner_base_colour, RED);
    EXPECT_EQ(state.banner_light_colour, make_colour(239, 158, 158));
    EXPECT_TRUE(has_time_then(last_log_line(state), L"  \u2691 Red FLAG from Nurse (Lab)"));
    EXPECT_NE(qntest::read_file(program.history_file).find(to_utf8(L"\u2691 Red FLAG from Nurse (Lab)")),
              std::string::npos);

    // The blink runs on its own timer and ends steady on the flag's colour.
    ASSERT_TRUE(pump_until([&] { return state.banner_blink_count >= 10; }, 15000));
    qntest::pump_for(800);
    EXPECT_EQ(state.banner_blink_count, 10);
    EXPECT_EQ(state.banner_colour, RED);
    EXPECT_EQ(banner_pixel(state), RED);
    other.stop();
}

TEST(Alerts, UnknownFlagColourBlinksGreyAndLightGreyTenTicksEndingOnBase) {
    RunningApp program(L"alert-blink", {});
    AppState& state = program.state();
    deliver(state.main_window, "FLAG", "Ann", "", "Mauve", 0);
    // The test drives the blink itself.
    KillTimer(state.main_window, BANNER_BLINK_TIMER);

    EXPECT_EQ(state.banner_text, L"\u2691   Ann   \u2014   Mauve");
    EXPECT_TRUE(has_time_then(last_log_line(state), L"  \u2691 Mauve FLAG from Ann"));
    const ColourRef grey = 0x787878, light = 0xC2C2C2;
    EXPECT_EQ(state.banner_colour, grey);
    EXPECT_EQ(state.banner_light_colour, light);

    // Grey is dark enough for white text, the light grey takes the dark text.
    Painted painted = banner_paint(state);
    EXPECT_EQ(painted.background, grey);
    EXPECT_EQ(painted.text, 0xFFFFFFu);
    EXPECT_EQ(painted.brush, state.banner_brush);
    EXPECT_EQ(banner_pixel(state), grey);

    for (int tick = 1; tick <= 10; ++tick) {
        on_alert_timer(BANNER_BLINK_TIMER);
        const ColourRef expected = (tick % 2 == 1 && tick < 10) ? light : grey;
        EXPECT_EQ(state.banner_colour, expected) << "tick " << tick;
        EXPECT_EQ(state.banner_blink_count, tick);
        if (tick == 1) {
            painted = banner_paint(state);
            EXPECT_EQ(painted.background, light);
            EXPECT_EQ(painted.text, 0x141414u);
            EXPECT_EQ(banner_pixel(state), light);
        }
    }
    EXPECT_EQ(state.banner_colour, grey);
    EXPECT_EQ(banner_paint(state).brush, state.banner_brush);
}

TEST(Alerts, TimeOutAndBannerClickReturnToIdleAndASecondFlagRestartsTheAlert) {
    RunningApp program(L"alert-timeout", {});
    AppState& state = program.state();
    HWND window = state.main_window;
    EXPECT_EQ(state.banner_text, L"Quillnet \u2014 Front");
    EXPECT_EQ(state.banner_colour, 0x48372Du);

    deliver(window, "FLAG", "Nurse", "Lab", "Red", RED);
    on_alert_timer(BANNER_BLINK_TIMER);
    on_alert_timer(BANNER_BLINK_TIMER);
    on_alert_timer(BANNER_BLINK_TIMER);
    ASSERT_EQ(state.banner_blink_count, 3);

    // A second flag during the alert starts over with its own text and colour.
    const ColourRef yellow = make_colour(230, 190, 30);
    deliver(window, "FLAG", "Lab Tech", "Sterile", "Yellow", yellow);
    EXPECT_EQ(state.banner_blink_count, 0);
    EXPECT_EQ(state.banner_colour, yellow);
    EXPECT_EQ(state.banner_text, L"\u2691   Sterile   \u2014   Yellow");
    EXPECT_EQ(banner_paint(state).text, 0x141414u);  // luminance about 184

    on_alert_timer(BANNER_TIMEOUT_TIMER);
    EXPECT_EQ(state.banner_text, L"Quillnet \u2014 Front");
    EXPECT_EQ(window_text(state.banner), L"Quillnet \u2014 Front");
    EXPECT_EQ(state.banner_colour, 0x48372Du);
    Painted painted = banner_paint(state);
    EXPECT_EQ(painted.background, 0x48372Du);
    EXPECT_EQ(painted.text, 0xFFFFFFu);
    EXPECT_EQ(banner_pixel(state), 0x48372Du);
    EXPECT_FALSE(timer_was_running(window, BANNER_TIMEOUT_TIMER));
    EXPECT_FALSE(timer_was_running(window, BANNER_BLINK_TIMER));

    // A click on the banner ends the alert and the tray flash at once.
    ShowWindow(window, SW_HIDE);
    deliver(window, "FLAG", "Nurse", "Lab", "Red", RED);
    ASSERT_TRUE(state.tray_flashing);
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(ID_BANNER, STN_CLICKED), reinterpret_cast<LPARAM>(state.banner));
    EXPECT_EQ(state.banner_text, L"Quillnet \u2014 Front");
    EXPECT_EQ(state.banner_colour, 0x48372Du);
    EXPECT_FALSE(state.tray_flashing);
    EXPECT_EQ(state.tray_icon.hIcon, state.small_icon);
    EXPECT_FALSE(timer_was_running(window, BANNER_TIMEOUT_TIMER));
    EXPECT_FALSE(timer_was_running(window, BANNER_BLINK_TIMER));
    EXPECT_FALSE(timer_was_running(window, TRAY_FLASH_TIMER));
}

TEST(Alerts, TrayIconAlternatesWhileHiddenAndStopsWhenTheWindowComesBack) {
    RunningApp program(L"alert-tray", {});
    AppState& state = program.state();
    HWND window = state.main_window;
    ASSERT_TRUE(state.tray_icon_present);
    ASSERT_NE(state.small_icon, state.alert_icon);
    ShowWindow(window, SW_HIDE);

    deliver(window, "MSG", "Nurse", "Lab", "Patient in room 2");
    EXPECT_FALSE(IsWindowVisible(window));  // bring-to-front is off in this test
    EXPECT_TRUE(state.tray_flashing);
    EXPECT_TRUE(state.tray_alert_icon_shown);
    EXPECT_EQ(state.tray_icon.hIcon, state.alert_icon);
    EXPECT_EQ(state.tray_icon.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));

    on_alert_timer(TRAY_FLASH_TIMER);
    EXPECT_FALSE(state.tray_alert_icon_shown);
    EXPECT_EQ(state.tray_icon.hIcon, state.small_icon);
    on_alert_timer(TRAY_FLASH_TIMER);
    EXPECT_EQ(state.tray_icon.hIcon, state.alert_icon);
    // The real 600 ms timer keeps alternating.
    const bool phase = state.tray_alert_icon_shown;
    EXPECT_TRUE(pump_until([&] { return state.tray_alert_icon_shown != phase; }, 5000));

    // A further message while flashing restarts on the alert icon.
    if (state.tray_alert_icon_shown) on_alert_timer(TRAY_FLASH_TIMER);
    deliver(window, "QUICK", "Nurse", "Lab", "Next Case");
    EXPECT_TRUE(state.tray_alert_icon_shown);
    EXPECT_EQ(state.tray_icon.hIcon, state.alert_icon);

    restore_window();
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_FALSE(state.tray_flashing);
    EXPECT_EQ(state.tray_icon.hIcon, state.small_icon);
    EXPECT_FALSE(timer_was_running(window, TRAY_FLASH_TIMER));

    // Activation by any means stops it too.
    ShowWindow(window, SW_HIDE);
    deliver(window, "MSG", "Nurse", "Lab", "again");
    ASSERT_TRUE(state.tray_flashing);
    SendMessageW(window, WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_FALSE(state.tray_flashing);
    EXPECT_EQ(state.tray_icon.hIcon, state.small_icon);

    // Without a tray icon there is nothing to flash; the arrival still goes through.
    remove_tray_icon();
    ASSERT_FALSE(state.tray_icon_present);
    deliver(window, "MSG", "Nurse", "Lab", "no tray");
    EXPECT_FALSE(state.tray_flashing);
    EXPECT_TRUE(has_time_then(last_log_line(state), L"  Nurse (Lab):  no tray"));
}

TEST(Alerts, WindowInFrontGetsNoTrayFlashAndAHiddenOrMinimisedWindowIsBroughtBack) {
    RunningApp program(L"alert-front", {});
    AppState& state = program.state();
    HWND window = state.main_window;
    SetForegroundWindow(window);
    ASSERT_TRUE(pump_until([&] { return GetForegroundWindow() == window; }));

    deliver(window, "MSG", "Nurse", "Lab", "seen at once");
    EXPECT_FALSE(state.tray_flashing);
    EXPECT_FALSE(timer_was_running(window, TRAY_FLASH_TIMER));

    state.settings.bring_to_front_on_receive = true;
    ShowWindow(window, SW_HIDE);
    deliver(window, "MSG", "Nurse", "Lab", "from the tray");
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_FALSE(IsIconic(window));
    EXPECT_EQ(GetForegroundWindow(), window);
    EXPECT_FALSE(state.tray_flashing);  // it is in front now

    // Minimising hides the window; an arrival must bring it back restored, not as
    // a minimised button.
    ShowWindow(window, SW_MINIMIZE);
    ASSERT_TRUE(pump_until([&] { return !IsWindowVisible(window); }));
    ASSERT_TRUE(IsIconic(window));
    deliver(window, "MSG", "Nurse", "Lab", "after minimise");
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_FALSE(IsIconic(window));
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_GT(client.right, 0);
    EXPECT_GT(client.bottom, 0);
}

TEST(Alerts, KindsOtherThanQuickAndFlagAreTypedMessagesAndAllAreSaved) {
    RunningApp program(L"alert-kinds", {});
    AppState& state = program.state();
    HWND window = state.main_window;
    struct Case {
        const char* kind;
        const char* room;
        const char* text;
        std::wstring rest;
    };
    const Case cases[] = {
        {"MSG", "Lab", "Patient ready", L"  Nurse (Lab):  Patient ready"},
        {"QUICK", "Lab", "Next Case", L"  Nurse (Lab):  \u00BB Next Case"},
        {"flag", "Lab", "Red", L"  Nurse (Lab):  Red"},
        {"Quick", "", "Wait", L"  Nurse:  Wait"},
        {"PAGE", "Lab", "\xF0\x9F\x98\x80 smile", L"  Nurse (Lab):  \U0001F600 smile"},
    };
    for (const Case& c : cases) {
        deliver(window, c.kind, "Nurse", c.room, c.text);
        EXPECT_TRUE(has_time_then(last_log_line(state), c.rest)) << c.kind;
        EXPECT_NE(qntest::read_file(program.history_file).find(to_utf8(c.rest)), std::string::npos) << c.kind;
    }
    // None of them is a flag: the banner stays idle.
    EXPECT_EQ(state.banner_text, L"Quillnet \u2014 Front");
    EXPECT_EQ(state.banner_colour, 0x48372Du);
}

TEST(Alerts, BalloonTextsAreCutTo63And255UnitsWithoutSplittingACharacter) {
    EXPECT_EQ(cut_utf16(L"short", 63), L"short");
    EXPECT_EQ(cut_utf16(std::wstring(63, L'a'), 63).size(), 63u);
    EXPECT_EQ(cut_utf16(std::wstring(64, L'a'), 63).size(), 63u);
    EXPECT_EQ(cut_utf16(std::wstring(300, L'b'), 255).size(), 255u);
    // A pair that would straddle the cut is left out whole.
    const std::wstring pairs = std::wstring(62, L'x') + L"\U0001F600\U0001F600";
    EXPECT_EQ(cut_utf16(pairs, 63), std::wstring(62, L'x'));
    EXPECT_EQ(cut_utf16(std::wstring(61, L'x') + L"\U0001F600y", 63), std::wstring(61, L'x') + L"\U0001F600");

    // The balloon goes out on a copy: the shared tray record keeps its own fields.
    RunningApp program(L"alert-balloon", {});
    AppState& state = program.state();
    const UINT flags = state.tray_icon.uFlags;
    show_tray_balloon(std::wstring(100, L'T'), std::wstring(400, L'x'));
    EXPECT_EQ(state.tray_icon.uFlags, flags);
    EXPECT_EQ(state.tray_icon.szInfo[0], L'\0');
    EXPECT_EQ(state.tray_icon.szInfoTitle[0], L'\0');
}

TEST(Alerts, SoundRequestsWithoutAnAudioDeviceDoNotHoldUpArrivals) {
    RunningApp program(L"alert-sound", {});
    AppState& state = program.state();
    HWND window = state.main_window;
    state.settings.sound_enabled = true;
    state.settings.interrupt_screensaver_on_receive = true;
    for (int i = 0; i < 5; ++i) {
        state.settings.sound_file = i % 2 ? "C:\\no\\such\\file.wav" : "";
        deliver(window, "MSG", "Nurse", "Lab", "beep " + std::to_string(i));
        EXPECT_TRUE(has_time_then(last_log_line(state), L"  Nurse (Lab):  beep " + std::to_wstring(i)));
    }
    qntest::pump_for(1500);
    DWORD_PTR answer = 0;
    EXPECT_NE(SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &answer), 0);
    deliver(window, "FLAG", "Nurse", "Lab", "Red", RED);
    EXPECT_EQ(state.banner_colour, RED);
}

TEST(Alerts, WithoutApplicationStateEveryOperationIsHarmless) {
    ASSERT_EQ(app(), nullptr);
    on_message_received(qntest::incoming("FLAG", "a", "b", "Red", RED));
    show_flag_banner(L"x", L"y", RED);
    reset_banner();
    set_banner_colour(RED);
    set_tray_icon(nullptr);
    show_tray_balloon(L"t", L"x");
    stop_tray_flash();
    for (UINT_PTR id : {1, 2, 3, 4}) on_alert_timer(id);
    HDC dc = GetDC(nullptr);
    EXPECT_EQ(banner_colours(dc), static_cast<HBRUSH>(GetStockObject(DKGRAY_BRUSH)));
    ReleaseDC(nullptr, dc);
}

}  // namespace

namespace {

// A flag alert on the shown window for three seconds, then the window hidden and a
// typed message with its balloon and flashing tray icon for three more, so that
// screenshots can be taken from outside (run with --gtest_also_run_disabled_tests).
TEST(Alerts, DISABLED_HoldAnAlertForScreenshots) {
    RunningApp program(L"alert-shot", {});
    AppState& state = program.state();
    deliver(state.main_window, "FLAG", "Nurse", "Sterilisation", "Red", RED);
    qntest::pump_for(3000);
    ShowWindow(state.main_window, SW_HIDE);
    deliver(state.main_window, "MSG", "Nurse", "Sterilisation", "Patient in room 2 is ready");
    qntest::pump_for(3000);
}

// A page to a workstation with private balloons, hidden in the tray: the balloon on
// the virtual desktop's task bar names the sender only (for a screenshot).
TEST(Alerts, DISABLED_HoldAPrivateBalloonForAScreenshot) {
    qntest::AppConfig config;
    config.extra_ini = "[behavior]\r\nprivate_balloons = 1\r\n";
    RunningApp program(L"alert-private-shot", config);
    AppState& state = program.state();
    ShowWindow(state.main_window, SW_HIDE);
    deliver(state.main_window, "MSG", "Front Desk", "Reception", "Mrs Patel is here for her 10:30");
    const char* hold = std::getenv("QN_HOLD_MS");
    qntest::pump_for(hold ? std::atoi(hold) : 6000);
}

}  // namespace
