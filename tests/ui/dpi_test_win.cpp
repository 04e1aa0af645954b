// The window at the display's DPI: every layout number, font height, the dialogs and
// the About box scale by DPI / 96 (unchanged at 96), and a move to a monitor of
// another DPI lays the window out again. tests/scripts/run_wine.sh runs these in
// prefixes at 144 and 192 DPI as well (QN_EXPECT_DPI names the prefix's setting).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "app_fixture.h"
#include "base/win_placement.h"
#include "dialog_driver.h"
#include "ui/ids.h"
#include "ui/key_window.h"
#include "ui/layout.h"

using namespace quillnet;

namespace {

int font_height(HWND control) {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font, &font);
    return font.lfHeight;
}

bool same_rect(HWND control, const ControlRect& expected) {
    const RECT r = qntest::child_rect(control);
    return r.left == expected.x && r.top == expected.y && r.right - r.left == expected.width &&
           r.bottom - r.top == expected.height;
}

void expect_laid_out_at(AppState& s, unsigned dpi) {
    RECT client{};
    GetClientRect(s.main_window, &client);
    const MainLayout expected = compute_layout(client.right, client.bottom, static_cast<int>(s.quick_buttons.size()),
                                               static_cast<int>(s.flag_buttons.size()), dpi);
    EXPECT_EQ(expected.banner.height, scale_px(60, dpi));
    EXPECT_TRUE(same_rect(s.banner, expected.banner));
    EXPECT_TRUE(same_rect(s.rooms_list, expected.rooms_list));
    EXPECT_TRUE(same_rect(s.log_view, expected.log_view));
    EXPECT_TRUE(same_rect(GetDlgItem(s.main_window, ID_BOARD_CAPTION), expected.board_caption));
    EXPECT_TRUE(same_rect(GetDlgItem(s.main_window, ID_BOARD_LIST), expected.board_list));
    EXPECT_TRUE(same_rect(GetDlgItem(s.main_window, ID_BOARD_CLEAR), expected.board_clear));
    EXPECT_TRUE(same_rect(GetDlgItem(s.main_window, ID_SEEN_BUTTON), expected.seen_button));
    EXPECT_EQ(SendDlgItemMessageW(s.main_window, ID_BOARD_LIST, LB_GETITEMHEIGHT, 0, 0),
              scale_px(BOARD_ROW_HEIGHT, dpi));
    EXPECT_EQ(font_height(GetDlgItem(s.main_window, ID_SEEN_BUTTON)), scale_px(-16, dpi));
    EXPECT_TRUE(same_rect(s.input_edit, expected.input_edit));
    EXPECT_TRUE(same_rect(s.send_button, expected.send_button));
    EXPECT_TRUE(same_rect(s.quick_buttons[9], expected.quick_buttons[9]));
    EXPECT_TRUE(same_rect(s.flag_buttons[5], expected.flag_buttons[5]));
    EXPECT_EQ(font_height(s.input_edit), scale_px(-16, dpi));
    EXPECT_EQ(font_height(s.banner), scale_px(-28, dpi));
    EXPECT_EQ(font_height(s.flag_buttons[0]), scale_px(-16, dpi));
}

unsigned expected_dpi() {
    const char* setting = std::getenv("QN_EXPECT_DPI");
    return setting ? static_cast<unsigned>(std::atoi(setting)) : 0u;
}

}  // namespace

TEST(Dpi, WindowFontsAndMinimumSizeFollowTheWindowsDpi) {
    qntest::RunningApp program(L"dpi-window", qntest::AppConfig{});
    AppState& s = program.state();
    const unsigned dpi = window_dpi(program.window());
    if (expected_dpi()) {
        EXPECT_EQ(dpi, expected_dpi());
    }
    RECT outer{};
    GetWindowRect(program.window(), &outer);
    EXPECT_EQ(outer.right - outer.left, scale_px(880, dpi));
    EXPECT_EQ(outer.bottom - outer.top, scale_px(680, dpi));
    expect_laid_out_at(s, dpi);
    MINMAXINFO limits{};
    SendMessageW(program.window(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    EXPECT_EQ(limits.ptMinTrackSize.x, scale_px(780, dpi));
    EXPECT_EQ(limits.ptMinTrackSize.y, scale_px(620, dpi));

    // Moved to a monitor of another DPI: the suggested rectangle, new fonts, new layout.
    // (Both DPIs keep the minimum size within the test's 1280 x 800 screen.)
    const unsigned other = dpi == 96 ? 120 : 96;
    RECT suggested{10, 10, 10 + 1000, 10 + 790};
    SendMessageW(program.window(), WM_DPICHANGED, MAKEWPARAM(other, other), reinterpret_cast<LPARAM>(&suggested));
    RECT now{};
    GetWindowRect(program.window(), &now);
    EXPECT_EQ(now.left, suggested.left);
    EXPECT_EQ(now.right, suggested.right);
    EXPECT_EQ(now.bottom, suggested.bottom);
    expect_laid_out_at(s, other);
    SendMessageW(program.window(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    EXPECT_EQ(limits.ptMinTrackSize.x, scale_px(780, other));
}

TEST(Dpi, TheConfigurationDialogAndTheAboutBoxScaleWithTheWindow) {
    qntest::RunningApp program(L"dpi-dialogs", qntest::AppConfig{});
    const unsigned dpi = window_dpi(program.window());
    RECT client{}, ok{}, name{};
    int name_font = 0;
    qntest::DialogScript config;
    config.step([&](HWND dialog) {
        GetClientRect(dialog, &client);
        ok = qntest::child_rect(GetDlgItem(dialog, IDOK));
        name = qntest::child_rect(GetDlgItem(dialog, 10));
        name_font = font_height(GetDlgItem(dialog, 10));
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    ASSERT_TRUE(config.run(L"QNConfigDialog", [&] { SendMessageW(program.window(), WM_COMMAND, IDM_CONFIGURATION, 0); }));
    EXPECT_EQ(client.right, scale_px(880, dpi));
    EXPECT_EQ(client.bottom, scale_px(560, dpi));
    EXPECT_EQ(ok.left, scale_px(665, dpi));
    EXPECT_EQ(ok.top, scale_px(520, dpi));
    EXPECT_EQ(ok.right - ok.left, scale_px(90, dpi));
    EXPECT_EQ(name.left, scale_px(140, dpi));
    EXPECT_EQ(name.right - name.left, scale_px(335, dpi));
    EXPECT_EQ(name_font, scale_px(-16, dpi));

    HWND title = nullptr;
    int title_font = 0;
    RECT title_rect{};
    qntest::DialogScript about;
    about.step([&](HWND box) {
        GetClientRect(box, &client);
        ok = qntest::child_rect(GetDlgItem(box, IDOK));
        title = GetWindow(box, GW_CHILD);
        title_rect = qntest::child_rect(title);
        title_font = font_height(title);
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    ASSERT_TRUE(about.run(L"QNAboutDialog", [&] { SendMessageW(program.window(), WM_COMMAND, IDM_ABOUT, 0); }));
    EXPECT_EQ(client.right, scale_px(460, dpi));
    EXPECT_EQ(client.bottom, scale_px(320, dpi));
    EXPECT_EQ(ok.left, scale_px(350, dpi));
    EXPECT_EQ(ok.bottom, scale_px(304, dpi));
    EXPECT_EQ(title_rect.bottom, scale_px(52, dpi));
    EXPECT_EQ(title_font, scale_px(-26, dpi));

    qntest::DialogScript key;
    key.step([&](HWND window) {
        GetClientRect(window, &client);
        ok = qntest::child_rect(GetDlgItem(window, IDOK));
        PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
    });
    ASSERT_TRUE(key.run(L"QNKeyWindow", [&] { SendMessageW(program.window(), WM_COMMAND, IDM_SITE_KEY, 0); }));
    EXPECT_EQ(client.right, scale_px(KEY_WINDOW_LAYOUT.client_width, dpi));
    EXPECT_EQ(client.bottom, scale_px(KEY_WINDOW_LAYOUT.client_height, dpi));
    EXPECT_EQ(ok.left, scale_px(KEY_WINDOW_LAYOUT.ok.x, dpi));
    EXPECT_EQ(ok.right - ok.left, scale_px(KEY_WINDOW_LAYOUT.ok.width, dpi));
}

namespace {

// The widest text a control will show, in its own font, against its width less a margin.
bool text_fits_width(HWND control, const std::wstring& text, int margin) {
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    const RECT r = qntest::child_rect(control);
    return size.cx + margin <= r.right - r.left;
}

}  // namespace

TEST(Dpi, AtTheMinimumSizeTheBoardAndSeenFitAndNothingOverlaps) {
    qntest::RunningApp program(L"dpi-board", qntest::AppConfig{});
    AppState& s = program.state();
    const unsigned dpi = window_dpi(program.window());
    MINMAXINFO limits{};
    SendMessageW(program.window(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    SetWindowPos(program.window(), nullptr, 0, 0, limits.ptMinTrackSize.x, limits.ptMinTrackSize.y,
                 SWP_NOMOVE | SWP_NOZORDER);
    qntest::pump_for(50);
    RECT client{};
    GetClientRect(program.window(), &client);
    expect_laid_out_at(s, dpi);

    HWND caption = GetDlgItem(s.main_window, ID_BOARD_CAPTION);
    HWND seen = GetDlgItem(s.main_window, ID_SEEN_BUTTON);
    HWND clear = GetDlgItem(s.main_window, ID_BOARD_CLEAR);
    HWND list = GetDlgItem(s.main_window, ID_BOARD_LIST);
    EXPECT_TRUE(text_fits_width(caption, L"Raised flags (64)", 0));
    EXPECT_TRUE(text_fits_width(seen, L"Seen (100)", scale_px(12, dpi)));
    EXPECT_TRUE(text_fits_width(clear, L"Clear", scale_px(12, dpi)));
    EXPECT_TRUE(text_fits_width(list, L"Dr Lee (Op 12)  \u2014  Needs Doctor  (23 h 59 min)", scale_px(30, dpi)));
    // The font's line fits a row.
    TEXTMETRICW metrics{};
    HDC dc = GetDC(list);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(list, WM_GETFONT, 0, 0)));
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(list, dc);
    EXPECT_LE(metrics.tmHeight, SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));

    // Every control inside the client area, and no two of them overlapping.
    std::vector<HWND> controls = {s.banner, s.rooms_caption, s.rooms_list, s.everyone_check, s.log_view,
                                  s.input_edit, s.send_button, s.quick_label, s.flags_label, caption, seen, clear, list};
    controls.insert(controls.end(), s.quick_buttons.begin(), s.quick_buttons.end());
    controls.insert(controls.end(), s.flag_buttons.begin(), s.flag_buttons.end());
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const RECT a = qntest::child_rect(controls[i]);
        EXPECT_GE(a.left, 0) << GetDlgCtrlID(controls[i]);
        EXPECT_GE(a.top, 0) << GetDlgCtrlID(controls[i]);
        EXPECT_LE(a.right, client.right) << GetDlgCtrlID(controls[i]);
        EXPECT_LE(a.bottom, client.bottom) << GetDlgCtrlID(controls[i]);
        for (std::size_t k = i + 1; k < controls.size(); ++k) {
            RECT b = qntest::child_rect(controls[k]), overlap{};
            EXPECT_FALSE(IntersectRect(&overlap, &a, &b)) << GetDlgCtrlID(controls[i]) << " " << GetDlgCtrlID(controls[k]);
        }
    }
}
