// The About box opened through the program's own command, inspected and closed from a
// second thread while the main thread runs the box's modal loop.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app_fixture.h"
#include "ui/ids.h"

using namespace quillnet;

namespace {

enum class CloseBy { enter, escape, ok_button, close_box, program_exit };

struct Child {
    std::wstring window_class;
    std::wstring text;
    int id;
    RECT rect;
    DWORD style;
    LOGFONTW font;
};

struct AboutDriver {
    CloseBy way = CloseBy::enter;
    HWND owner = nullptr;
    DWORD main_thread = 0;
    // What the driver saw while the box was open.
    bool found = false;
    std::wstring caption;
    DWORD style = 0, ex_style = 0;
    RECT window{}, client{};
    bool owner_enabled = true;
    HWND owner_of_box = nullptr;
    HWND focus = nullptr;
    HWND ok = nullptr;
    std::vector<Child> children;

    static BOOL CALLBACK collect(HWND child, LPARAM context) {
        auto* self = reinterpret_cast<AboutDriver*>(context);
        Child c{};
        wchar_t name[64] = {};
        GetClassNameW(child, name, 64);
        c.window_class = name;
        c.text = qntest::window_text(child);
        c.id = GetDlgCtrlID(child);
        c.rect = qntest::child_rect(child);
        c.style = static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE));
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0)), sizeof c.font, &c.font);
        self->children.push_back(c);
        return TRUE;
    }

    static DWORD WINAPI run(void* context) {
        auto* self = static_cast<AboutDriver*>(context);
        HWND box = nullptr;
        for (int tries = 0; tries < 500 && !box; ++tries) {
            box = qntest::find_own_window(L"QNAboutDialog");
            if (!box) Sleep(10);
        }
        if (!box) return 0;
        Sleep(50);  // let the box finish opening (focus, topmost)
        self->found = true;
        self->caption = qntest::window_text(box);
        self->style = static_cast<DWORD>(GetWindowLongW(box, GWL_STYLE));
        self->ex_style = static_cast<DWORD>(GetWindowLongW(box, GWL_EXSTYLE));
        GetWindowRect(box, &self->window);
        GetClientRect(box, &self->client);
        self->owner_enabled = IsWindowEnabled(self->owner) != FALSE;
        self->owner_of_box = GetWindow(box, GW_OWNER);
        GUITHREADINFO gui{};
        gui.cbSize = sizeof gui;
        if (GetGUIThreadInfo(self->main_thread, &gui)) self->focus = gui.hwndFocus;
        EnumChildWindows(box, collect, reinterpret_cast<LPARAM>(self));
        HWND ok = GetDlgItem(box, IDOK);
        self->ok = ok;
        switch (self->way) {
        case CloseBy::enter: PostMessageW(ok, WM_KEYDOWN, VK_RETURN, 0x001C0001); break;
        case CloseBy::escape: PostMessageW(ok, WM_KEYDOWN, VK_ESCAPE, 0x00010001); break;
        // Posted, as a click arrives: a BM_CLICK sent from this thread never returns under Wine.
        case CloseBy::ok_button: PostMessageW(ok, BM_CLICK, 0, 0); break;
        case CloseBy::close_box: PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0); break;
        case CloseBy::program_exit: PostMessageW(self->owner, WM_COMMAND, IDM_EXIT, 0); break;
        }
        return 0;
    }
};

// Opens the box with command 201 and returns once it is closed again.
AboutDriver open_and_close(HWND owner, CloseBy way) {
    AboutDriver driver;
    driver.way = way;
    driver.owner = owner;
    driver.main_thread = GetCurrentThreadId();
    HANDLE thread = CreateThread(nullptr, 0, AboutDriver::run, &driver, 0, nullptr);
    SendMessageW(owner, WM_COMMAND, IDM_ABOUT, 0);
    WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
    return driver;
}

}  // namespace

TEST(AboutBox, ShowsNameVersionAndOkCentredOnTheDisabledOwner) {
    qntest::RunningApp program(L"about", qntest::AppConfig{});
    HWND owner = program.window();
    const AboutDriver seen = open_and_close(owner, CloseBy::enter);
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.caption, L"About Quillnet");
    EXPECT_EQ(seen.style & ~static_cast<DWORD>(WS_CLIPSIBLINGS) & 0xFFFF0000u, 0x80C80000u | WS_VISIBLE);
    EXPECT_TRUE(seen.ex_style & WS_EX_DLGMODALFRAME);
    EXPECT_TRUE(seen.ex_style & WS_EX_TOPMOST);
    EXPECT_EQ(seen.client.right, 460);
    EXPECT_EQ(seen.client.bottom, 320);
    EXPECT_FALSE(seen.owner_enabled);
    EXPECT_EQ(seen.owner_of_box, owner);

    RECT owner_rect{};
    GetWindowRect(owner, &owner_rect);
    const int width = seen.window.right - seen.window.left, height = seen.window.bottom - seen.window.top;
    EXPECT_EQ(seen.window.left, owner_rect.left + (owner_rect.right - owner_rect.left - width) / 2);
    EXPECT_EQ(seen.window.top, owner_rect.top + (owner_rect.bottom - owner_rect.top - height) / 2);

    ASSERT_EQ(seen.children.size(), 3u);
    const Child& name = seen.children[0];
    EXPECT_EQ(_wcsicmp(name.window_class.c_str(), L"Static"), 0);
    EXPECT_EQ(name.text, L"Quillnet");
    EXPECT_EQ(name.rect.left, 20);
    EXPECT_EQ(name.rect.top, 18);
    EXPECT_EQ(name.rect.right, 440);
    EXPECT_EQ(name.rect.bottom, 52);
    EXPECT_EQ(name.font.lfHeight, -26);
    EXPECT_EQ(name.font.lfWeight, 600);
    EXPECT_STREQ(name.font.lfFaceName, L"Segoe UI");
    const Child& version = seen.children[1];
    EXPECT_EQ(version.text, L"Version 1.1.0");
    EXPECT_EQ(version.rect.top, 56);
    EXPECT_EQ(version.rect.bottom, 76);
    EXPECT_EQ(version.font.lfHeight, -16);
    const Child& ok = seen.children[2];
    EXPECT_EQ(_wcsicmp(ok.window_class.c_str(), L"Button"), 0);
    EXPECT_EQ(ok.text, L"OK");
    EXPECT_EQ(ok.id, IDOK);
    EXPECT_EQ(ok.style & (WS_TABSTOP | 0xF), static_cast<DWORD>(WS_TABSTOP | BS_DEFPUSHBUTTON));
    EXPECT_EQ(ok.rect.left, 350);
    EXPECT_EQ(ok.rect.top, 276);
    EXPECT_EQ(ok.rect.right, 440);
    EXPECT_EQ(ok.rect.bottom, 304);
    EXPECT_EQ(seen.focus, seen.ok);

    EXPECT_EQ(qntest::find_own_window(L"QNAboutDialog"), nullptr);
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(GetActiveWindow(), owner);
}

TEST(AboutBox, EscapeOkAndTheCloseBoxCloseItToo) {
    qntest::RunningApp program(L"about-close", qntest::AppConfig{});
    HWND owner = program.window();
    for (CloseBy way : {CloseBy::escape, CloseBy::ok_button, CloseBy::close_box}) {
        const AboutDriver seen = open_and_close(owner, way);
        EXPECT_TRUE(seen.found);
        EXPECT_EQ(qntest::find_own_window(L"QNAboutDialog"), nullptr);
        EXPECT_TRUE(IsWindowEnabled(owner));
    }
    EXPECT_TRUE(IsWindowVisible(owner));
}

TEST(AboutBox, OpenedWhileHiddenItLeavesTheWindowHidden) {
    qntest::RunningApp program(L"about-hidden", qntest::AppConfig{});
    HWND owner = program.window();
    SendMessageW(owner, WM_CLOSE, 0, 0);
    const AboutDriver seen = open_and_close(owner, CloseBy::enter);
    EXPECT_TRUE(seen.found);
    EXPECT_FALSE(IsWindowVisible(owner));
    EXPECT_TRUE(IsWindowEnabled(owner));
}

TEST(AboutBox, ExitWhileTheBoxIsOpenEndsTheProgramNormally) {
    qntest::RunningApp program(L"about-exit", qntest::AppConfig{});
    HWND owner = program.window();
    const AboutDriver seen = open_and_close(owner, CloseBy::program_exit);
    EXPECT_TRUE(seen.found);
    int code = -1;
    EXPECT_TRUE(qntest::pump_until([&] { return qntest::take_quit(&code); }, 5000));
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(IsWindow(owner));
    EXPECT_FALSE(program.state().tray_icon_present);
}
