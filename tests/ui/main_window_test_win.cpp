// The main window as the program's own start-up builds it, checked through the
// platform: controls, menus, keyboard table and layout.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app_fixture.h"
#include "ui/controls.h"
#include "ui/ids.h"
#include "ui/main_window.h"
#include "ui/tray.h"

using namespace quillnet;

namespace {

std::wstring class_of(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

struct ControlSpec {
    HWND AppState::*member;
    int id;
    const wchar_t* window_class;
    const wchar_t* text;
    DWORD style;
    bool large_font;
};

// Styles and sizes exactly as the program asked for them: some controls adjust their
// style afterwards (an empty list box drops WS_VSCROLL, an edit turns WS_BORDER into a
// client edge), so the creation request is caught with a CBT hook.
struct Creation {
    HWND window;
    DWORD style;
    DWORD ex_style;
    int width;
    int height;
};
std::vector<Creation>* creations = nullptr;

LRESULT CALLBACK record_creation(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HCBT_CREATEWND && creations) {
        const CREATESTRUCTW* cs = reinterpret_cast<CBT_CREATEWNDW*>(lparam)->lpcs;
        creations->push_back({reinterpret_cast<HWND>(wparam), static_cast<DWORD>(cs->style), cs->dwExStyle, cs->cx,
                              cs->cy});
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

const Creation* creation_of(const std::vector<Creation>& all, HWND window) {
    for (const Creation& c : all) {
        if (c.window == window) return &c;
    }
    return nullptr;
}

std::wstring menu_text(HMENU menu, int position) {
    wchar_t text[128] = {};
    GetMenuStringW(menu, static_cast<UINT>(position), text, 128, MF_BYPOSITION);
    return text;
}

// Each item as "id:text", separators as "-".
std::vector<std::wstring> menu_items(HMENU menu) {
    std::vector<std::wstring> items;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        const UINT id = GetMenuItemID(menu, i);
        const UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
        items.push_back((state & MF_SEPARATOR) ? std::wstring(L"-") : std::to_wstring(id) + L":" + menu_text(menu, i));
    }
    return items;
}

}  // namespace

TEST(MainWindow, EveryControlHasItsClassIdStyleTextAndFont) {
    std::vector<Creation> created;
    creations = &created;
    HHOOK hook = SetWindowsHookExW(WH_CBT, record_creation, nullptr, GetCurrentThreadId());
    qntest::RunningApp program(L"controls", qntest::AppConfig{});
    UnhookWindowsHookEx(hook);
    creations = nullptr;
    AppState& s = program.state();
    EXPECT_EQ(qntest::window_text(s.main_window), L"Quillnet \u2014 Desk (Front)");
    const ControlSpec specs[] = {
        {&AppState::banner, 100, L"Static", L"Quillnet \u2014 Front", 0x50000301, true},
        {&AppState::rooms_caption, 101, L"Static", L"Online rooms (0)", 0x50000000, false},
        {&AppState::rooms_list, 102, L"ListBox", L"", 0x50A00901, false},
        {&AppState::everyone_check, 103, L"Button", L"Send to everyone", 0x50010003, false},
        {&AppState::log_view, 104, L"Edit", nullptr, 0x50A00844, false},
        {&AppState::input_edit, 105, L"Edit", L"", 0x50800080, false},
        {&AppState::send_button, 106, L"Button", L"Send", 0x50010001, false},
        {&AppState::quick_label, 107, L"Static", L"Quick (F1\u2013F10):", 0x50000000, false},
        {&AppState::flags_label, 108, L"Static", L"Flags:", 0x50000000, false},
    };
    for (const ControlSpec& spec : specs) {
        HWND control = s.*spec.member;
        ASSERT_NE(control, nullptr) << spec.id;
        EXPECT_EQ(GetParent(control), s.main_window) << spec.id;
        EXPECT_EQ(GetDlgCtrlID(control), spec.id);
        EXPECT_EQ(_wcsicmp(class_of(control).c_str(), spec.window_class), 0) << spec.id << " " << class_of(control);
        const Creation* c = creation_of(created, control);
        ASSERT_NE(c, nullptr) << spec.id;
        EXPECT_EQ(c->style, spec.style) << spec.id;
        EXPECT_EQ(c->ex_style, 0u) << spec.id;
        EXPECT_EQ(c->width, 10) << spec.id;
        EXPECT_EQ(c->height, spec.id == ID_BANNER ? 60 : 10) << spec.id;
        if (spec.text) {
            EXPECT_EQ(qntest::window_text(control), spec.text) << spec.id;
        }
        const HFONT font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
        EXPECT_EQ(font, spec.large_font ? s.large_font : s.normal_font) << spec.id;
    }
    EXPECT_EQ(SendMessageW(s.everyone_check, BM_GETCHECK, 0, 0), BST_CHECKED);
    // EM_LIMITTEXT 0 lifts the limit to the platform's maximum (0x7FFFFFFE or more).
    EXPECT_GE(static_cast<DWORD>(SendMessageW(s.log_view, EM_GETLIMITTEXT, 0, 0)), 0x7FFFFFFEu);
    const Creation* main = creation_of(created, s.main_window);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main->style, static_cast<DWORD>(WS_OVERLAPPEDWINDOW));
    EXPECT_EQ(main->ex_style & ~static_cast<DWORD>(WS_EX_WINDOWEDGE), 0u);  // the edge comes with the frame

    LOGFONTW normal{}, large{};
    GetObjectW(s.normal_font, sizeof normal, &normal);
    GetObjectW(s.large_font, sizeof large, &large);
    EXPECT_STREQ(normal.lfFaceName, L"Segoe UI");
    EXPECT_EQ(normal.lfHeight, -16);
    EXPECT_EQ(normal.lfWeight, 400);
    EXPECT_EQ(large.lfHeight, -28);
    EXPECT_EQ(large.lfWeight, 600);
    EXPECT_EQ(large.lfQuality, CLEARTYPE_QUALITY);

    const wchar_t* flag_names[] = {L"Red", L"Blue", L"Green", L"Yellow", L"Orange", L"Purple"};
    ASSERT_EQ(s.flag_buttons.size(), 6u);
    for (int i = 0; i < 6; ++i) {
        HWND button = s.flag_buttons[static_cast<std::size_t>(i)];
        EXPECT_EQ(GetDlgCtrlID(button), 2000 + i);
        ASSERT_NE(creation_of(created, button), nullptr);
        EXPECT_EQ(creation_of(created, button)->style, 0x5001000Bu);
        EXPECT_EQ(qntest::window_text(button), flag_names[i]);
        EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(button, WM_GETFONT, 0, 0)), s.normal_font);
    }
    const wchar_t* quick_texts[] = {L"F1  Yes",       L"F2  No",   L"F3  Take Msg",  L"F4  Will Call",
                                    L"F5  Pt Ready",  L"F6  Do Premed", L"F7  Wait", L"F8  Next Case",
                                    L"F9  Come Here", L"F10  EMERG"};
    ASSERT_EQ(s.quick_buttons.size(), 10u);
    for (int i = 0; i < 10; ++i) {
        HWND button = s.quick_buttons[static_cast<std::size_t>(i)];
        EXPECT_EQ(GetDlgCtrlID(button), 1000 + i);
        ASSERT_NE(creation_of(created, button), nullptr);
        EXPECT_EQ(creation_of(created, button)->style, 0x50012000u);
        EXPECT_EQ(qntest::window_text(button), quick_texts[i]);
    }
}

TEST(MainWindow, MenuBarAndTrayMenuCarryTheirTextsAndCommands) {
    qntest::RunningApp program(L"menus", qntest::AppConfig{});
    HMENU bar = GetMenu(program.window());
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(GetMenuItemCount(bar), 2);
    EXPECT_EQ(menu_text(bar, 0), L"&Options");
    EXPECT_EQ(menu_text(bar, 1), L"&Help");
    EXPECT_EQ(menu_items(GetSubMenu(bar, 0)),
              (std::vector<std::wstring>{L"200:&Configuration\u2026", L"206:Site &Key\u2026", L"205:Clear &History", L"-",
                                         L"202:E&xit"}));
    EXPECT_EQ(menu_items(GetSubMenu(bar, 1)),
              (std::vector<std::wstring>{L"207:&Network Check\u2026", L"201:&About Quillnet\u2026"}));

    HMENU tray = create_tray_menu();
    EXPECT_EQ(menu_items(tray), (std::vector<std::wstring>{L"203:&Open Quillnet", L"-", L"200:&Configuration\u2026",
                                                          L"201:&About\u2026", L"-", L"202:E&xit"}));
    DestroyMenu(tray);
}

TEST(MainWindow, AcceleratorTableMapsF1ToF10OntoTheQuickCommandsAndF11OntoSeen) {
    qntest::RunningApp program(L"accelerators", qntest::AppConfig{});
    HACCEL table = program.state().accelerators;
    ASSERT_NE(table, nullptr);
    ACCEL entries[16] = {};
    ASSERT_EQ(CopyAcceleratorTableW(table, entries, 16), 11);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(entries[i].fVirt & ~0x80, FVIRTKEY) << i;  // 0x80 marks the table's last entry
        EXPECT_EQ(entries[i].key, VK_F1 + i);
        EXPECT_EQ(entries[i].cmd, 1000 + i);
    }
    EXPECT_EQ(entries[10].fVirt & ~0x80, FVIRTKEY);
    EXPECT_EQ(entries[10].key, VK_F11);
    EXPECT_EQ(entries[10].cmd, IDM_ACKNOWLEDGE);
}

TEST(MainWindow, SevenQuickMessagesGiveSevenButtonsInTwoRowsAndSevenKeys) {
    qntest::AppConfig config;
    config.extra_ini = "[quick_messages]\r\n1 = A\r\n2 = B\r\n3 = C\r\n4 = D\r\n5 = E\r\n6 = F\r\n7 = G\r\n";
    qntest::RunningApp program(L"seven-quick", config);
    AppState& s = program.state();
    ASSERT_EQ(s.quick_buttons.size(), 7u);
    EXPECT_EQ(CopyAcceleratorTableW(s.accelerators, nullptr, 0), 8);  // and F11
    layout_controls(860, 600);
    EXPECT_EQ(qntest::child_rect(s.quick_buttons[4]).top, 600 - 132);
    EXPECT_EQ(qntest::child_rect(s.quick_buttons[5]).top, 600 - 92);
    EXPECT_EQ(qntest::child_rect(s.quick_buttons[6]).top, 600 - 92);
    EXPECT_EQ(qntest::child_rect(s.quick_buttons[5]).left, 162);
}

TEST(MainWindow, QuickButtonTextIsCutWithoutSplittingACharacter) {
    EXPECT_EQ(quick_button_text(0, "Yes"), L"F1  Yes");
    EXPECT_EQ(quick_button_text(9, "EMERG"), L"F10  EMERG");
    // "F1  " is 4 units; 154 letters and one character outside the BMP would need 160.
    const std::string long_text = std::string(154, 'x') + "\xF0\x9F\x98\x80";
    const std::wstring cut = quick_button_text(0, long_text);
    EXPECT_EQ(cut.size(), 158u);
    EXPECT_EQ(cut.back(), L'x');
    EXPECT_EQ(quick_button_text(0, std::string(300, 'y')).size(), 159u);
}

TEST(MainWindow, LayoutPlacesEveryControlForTheClientSize) {
    qntest::RunningApp program(L"layout", qntest::AppConfig{});
    AppState& s = program.state();
    const auto expect_rect = [](HWND control, int x, int y, int w, int h) {
        const RECT r = qntest::child_rect(control);
        EXPECT_EQ(r.left, x) << GetDlgCtrlID(control);
        EXPECT_EQ(r.top, y) << GetDlgCtrlID(control);
        EXPECT_EQ(r.right - r.left, w) << GetDlgCtrlID(control);
        EXPECT_EQ(r.bottom - r.top, h) << GetDlgCtrlID(control);
    };
    for (const auto& size : {std::pair<int, int>{800, 600}, {864, 621}, {1000, 700}}) {
        const int W = size.first, H = size.second;
        SCOPED_TRACE(std::to_string(W) + "x" + std::to_string(H));
        layout_controls(W, H);
        expect_rect(s.banner, 0, 0, W, 60);
        expect_rect(s.quick_label, 12, H - 126, 144, 18);
        expect_rect(s.flags_label, 12, H - 44, 144, 18);
        expect_rect(s.rooms_caption, 12, 72, 210, 18);
        expect_rect(s.rooms_list, 12, 90, 210, H - 298);
        expect_rect(s.everyone_check, 12, H - 204, 210, 22);
        expect_rect(s.log_view, 234, 196, W - 246, H - 378);
        expect_rect(s.input_edit, 12, H - 170, W - 122, 30);
        expect_rect(s.send_button, W - 102, H - 170, 90, 30);
        const int qw = (W - 206) / 5;
        const int fw = (W - 166 - 48) / 6;
        for (int i = 0; i < 10; ++i)
            expect_rect(s.quick_buttons[static_cast<std::size_t>(i)], 162 + (i % 5) * (qw + 8),
                        i < 5 ? H - 132 : H - 92, qw, 32);
        for (int i = 0; i < 6; ++i)
            expect_rect(s.flag_buttons[static_cast<std::size_t>(i)], 162 + i * (fw + 8), H - 52, fw, 40);
    }
    layout_controls(800, 600);
    EXPECT_EQ(qntest::child_rect(s.quick_buttons[0]).right - qntest::child_rect(s.quick_buttons[0]).left, 118);
    EXPECT_EQ(qntest::child_rect(s.flag_buttons[0]).right - qntest::child_rect(s.flag_buttons[0]).left, 97);
    layout_controls(555, 600);
    EXPECT_EQ(qntest::child_rect(s.quick_buttons[4]).right - qntest::child_rect(s.quick_buttons[4]).left, 70);
    EXPECT_EQ(qntest::child_rect(s.quick_buttons[4]).left, 162 + 4 * 78);
    EXPECT_EQ(qntest::child_rect(s.flag_buttons[5]).right - qntest::child_rect(s.flag_buttons[5]).left, 60);
}

TEST(MainWindow, ResizingLaysOutAndTheMinimumTrackingSizeIs780By620) {
    qntest::RunningApp program(L"resize", qntest::AppConfig{});
    HWND window = program.window();
    RECT outer{};
    GetWindowRect(window, &outer);
    EXPECT_EQ(outer.right - outer.left, 880);
    EXPECT_EQ(outer.bottom - outer.top, 680);

    MINMAXINFO limits{};
    limits.ptMinTrackSize = {1, 1};
    limits.ptMaxTrackSize = {5000, 4000};
    SendMessageW(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    EXPECT_EQ(limits.ptMinTrackSize.x, 780);
    EXPECT_EQ(limits.ptMinTrackSize.y, 620);
    EXPECT_EQ(limits.ptMaxTrackSize.x, 5000);

    SetWindowPos(window, nullptr, 0, 0, 1000, 760, SWP_NOMOVE | SWP_NOZORDER);
    qntest::pump_for(50);
    RECT client{};
    GetClientRect(window, &client);
    const RECT send = qntest::child_rect(program.state().send_button);
    EXPECT_EQ(send.left, client.right - 102);
    EXPECT_EQ(send.top, client.bottom - 170);
}

TEST(MainWindow, WithNoQuickMessagesThereAreNoButtonsOnlyF11AndF1DoesNothing) {
    qntest::RunningApp program(L"no-quick", qntest::AppConfig{});
    AppState& s = program.state();
    // The reader always completes the list, so empty it as a settings change would.
    s.settings.quick_messages.clear();
    create_quick_buttons();
    build_accelerators();
    EXPECT_TRUE(s.quick_buttons.empty());
    ACCEL only[4] = {};
    ASSERT_EQ(CopyAcceleratorTableW(s.accelerators, only, 4), 1);
    EXPECT_EQ(only[0].key, VK_F11);
    EXPECT_EQ(only[0].cmd, IDM_ACKNOWLEDGE);
    EXPECT_EQ(FindWindowExW(s.main_window, nullptr, L"Button", L"F1  Yes"), nullptr);
    const int before = GetWindowTextLengthW(s.log_view);
    PostMessageW(s.input_edit, WM_KEYDOWN, VK_F1, 0);
    PostMessageW(s.main_window, WM_COMMAND, QUICK_BUTTON_BASE, 0);
    qntest::pump_for(100);
    EXPECT_EQ(GetWindowTextLengthW(s.log_view), before);
}

TEST(MainWindow, TrayTooltipNamesTheRoomWithinTheRecordsLimits) {
    qntest::AppConfig config;
    config.room = "Recovery";
    qntest::RunningApp program(L"tooltip", config);
    AppState& s = program.state();
    EXPECT_STREQ(s.tray_icon.szTip, L"Quillnet \u2014 Recovery");
    EXPECT_EQ(s.tray_icon.hWnd, s.main_window);
    EXPECT_EQ(s.tray_icon.uID, 1u);
    EXPECT_EQ(s.tray_icon.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(s.tray_icon.uCallbackMessage, WM_APP_TRAY);
    EXPECT_EQ(s.tray_icon.hIcon, s.small_icon);
    EXPECT_EQ(s.tray_icon.cbSize, sizeof(NOTIFYICONDATAW));

    s.settings.room = std::string(200, 'r');
    update_tray_tooltip();
    EXPECT_EQ(std::wstring(s.tray_icon.szTip), L"Quillnet \u2014 " + std::wstring(109, L'r'));  // 120 units

    program.exit();  // one program per process at a time

    config.room = std::string(200, 'q');
    qntest::RunningApp long_room(L"tooltip-long", config);
    EXPECT_EQ(std::wstring(long_room.state().tray_icon.szTip), L"Quillnet \u2014 " + std::wstring(116, L'q'));
}
