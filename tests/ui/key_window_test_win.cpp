// Sealed mode in the window: the site key window opened from the Options menu (its
// controls, generate, copy, paste, turn off, OK and a save that fails), the sealed mark
// in the title and the error box of a site key that is not valid.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/key_apply.h"
#include "ui/app_state.h"
#include "app_fixture.h"
#include "dialog_driver.h"
#include "net/site_key.h"
#include "test_peer.h"
#include "ui/clipboard.h"
#include "ui/ids.h"
#include "ui/key_window.h"

namespace {

using namespace quillnet;
using qntest::click;
using qntest::DialogScript;
using qntest::RunningApp;
using qntest::window_text;

const std::string KEY = "00112233445566778899aabbccddeeff00112233445566778899aabbccddeeff";
const std::wstring OPEN_TITLE = L"Quillnet \u2014 Desk (Front)";
const std::wstring SEALED_TITLE = L"Quillnet \u2014 Desk (Front) \u2014 sealed";

std::string key_id_of(const std::string& text) {
    SiteKey key{};
    if (!parse_site_key(text, key)) return "?";
    return site_key_id(key);
}

std::wstring wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

qntest::AppConfig sealed_config(const std::string& key_text) {
    qntest::AppConfig config;
    config.extra_ini = "[security]\r\nsite_key = " + key_text + "\r\n";
    return config;
}

bool marked_sealed(const AppState& s) {
    const std::wstring caption = window_text(s.rooms_caption);
    const std::wstring mark = L") \u2014 sealed";
    return caption.size() > mark.size() && caption.compare(caption.size() - mark.size(), mark.size(), mark) == 0;
}

std::wstring item_text(HWND window, int id) { return window_text(GetDlgItem(window, id)); }

bool enabled(HWND window, int id) { return IsWindowEnabled(GetDlgItem(window, id)) != FALSE; }

void open_key_window(RunningApp& program, DialogScript& script, int steps) {
    EXPECT_TRUE(script.run(KEY_WINDOW_CLASS, [&] { SendMessageW(program.window(), WM_COMMAND, IDM_SITE_KEY, 0); }));
    EXPECT_EQ(script.steps_done(), steps) << "steps left undone";
}

struct ExpectedControl {
    const wchar_t* window_class;
    std::wstring text;
    KeyBox box;
    int id;
};

}  // namespace

TEST(SiteKeyWindow, OpensFromTheOptionsMenuCentredWithEveryControlAndChangesNothingOnCancel) {
    RunningApp program(L"key-controls", {});
    HWND main = program.window();
    EXPECT_EQ(window_text(main), OPEN_TITLE);
    const std::string ini_before = qntest::read_file(program.ini_path);
    const KeyWindowLayout& l = KEY_WINDOW_LAYOUT;
    DialogScript script;
    script.step([&](HWND key_window) {
        EXPECT_EQ(window_text(key_window), L"Quillnet \u2014 Site Key");
        EXPECT_EQ(GetWindow(key_window, GW_OWNER), main);
        EXPECT_FALSE(IsWindowEnabled(main));
        RECT client{}, owner{}, frame{};
        GetClientRect(key_window, &client);
        EXPECT_EQ(client.right, l.client_width);
        EXPECT_EQ(client.bottom, l.client_height);
        GetWindowRect(main, &owner);
        GetWindowRect(key_window, &frame);
        EXPECT_EQ(frame.left, owner.left + ((owner.right - owner.left) - (frame.right - frame.left)) / 2);
        EXPECT_EQ(frame.top, owner.top + ((owner.bottom - owner.top) - (frame.bottom - frame.top)) / 2);
        EXPECT_EQ(GetFocus(), GetDlgItem(key_window, IDC_KEY_GENERATE));

        const std::vector<ExpectedControl> expected = {
            {L"Static", L"Open: pages cross the network in clear.", l.status, IDC_KEY_STATUS},
            {L"Static", L"Site key (the same on every workstation of the site):", l.caption, 0},
            {L"Edit", L"", l.edit, IDC_KEY_EDIT},
            {L"Button", L"&Generate New Key", l.generate, IDC_KEY_GENERATE},
            {L"Button", L"&Copy", l.copy, IDC_KEY_COPY},
            {L"Button", L"&Paste", l.paste, IDC_KEY_PASTE},
            {L"Button", L"Turn Sealing &Off", l.off, IDC_KEY_OFF},
            {L"Static", L"", l.change, IDC_KEY_CHANGE},
            {L"Static", L"Every workstation needs the same key, and clocks within five minutes.", l.hint, 0},
            {L"Button", L"OK", l.ok, IDOK},
            {L"Button", L"Cancel", l.cancel, IDCANCEL},
        };
        std::size_t i = 0;
        for (HWND child = GetWindow(key_window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT), ++i) {
            ASSERT_LT(i, expected.size());
            const ExpectedControl& e = expected[i];
            wchar_t name[32] = L"";
            GetClassNameW(child, name, 32);
            EXPECT_EQ(_wcsicmp(name, e.window_class), 0) << i;
            EXPECT_EQ(window_text(child), e.text) << i;
            EXPECT_EQ(GetDlgCtrlID(child), e.id) << i;
            const RECT r = qntest::child_rect(child);
            EXPECT_EQ(r.left, e.box.x) << i;
            EXPECT_EQ(r.top, e.box.y) << i;
            EXPECT_EQ(r.right - r.left, e.box.width) << i;
            EXPECT_EQ(r.bottom - r.top, e.box.height) << i;
        }
        EXPECT_EQ(i, expected.size());
        EXPECT_TRUE(GetWindowLongW(GetDlgItem(key_window, IDC_KEY_EDIT), GWL_STYLE) & ES_READONLY);
        // Nothing to copy or turn off in open mode.
        EXPECT_FALSE(enabled(key_window, IDC_KEY_COPY));
        EXPECT_FALSE(enabled(key_window, IDC_KEY_OFF));
        EXPECT_TRUE(enabled(key_window, IDC_KEY_GENERATE));
        click(key_window, IDC_KEY_GENERATE);
    });
    script.step([&](HWND key_window) {
        EXPECT_EQ(item_text(key_window, IDC_KEY_EDIT).size(), 64u);
        click(key_window, IDCANCEL);
    });
    open_key_window(program, script, 2);
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_EQ(qntest::read_file(program.ini_path), ini_before);
    EXPECT_EQ(program.state().settings.site_key, "");
    EXPECT_EQ(window_text(main), OPEN_TITLE);
}

TEST(SiteKeyWindow, GenerateCopyPasteThenOkSavesTheKeyAndRestartsTheEngineSealed) {
    const qntest::TestPorts ports = qntest::next_test_ports();
    qntest::DiscoveryListener listener(ports.discovery);
    ASSERT_TRUE(listener.valid());
    RunningApp program(L"key-seal", {}, ports);
    AppState& s = program.state();
    qntest::TestPeer sealed_peer("Lab", "Lab", ports.discovery, ports.spare(0), KEY);
    ASSERT_TRUE(sealed_peer.started());
    const std::string open_id = s.engine.instance_id();
    ASSERT_TRUE(qntest::pump_until([&] { return listener.heard("HELLO", open_id); }, 5000));
    const auto lists_sealed_peer = [&] {
        return std::find(s.room_keys.begin(), s.room_keys.end(), sealed_peer.id()) != s.room_keys.end();
    };
    qntest::pump_for(700);  // its heartbeats come every 500 ms
    EXPECT_FALSE(lists_sealed_peer());

    std::wstring generated;
    std::vector<std::wstring> refused;
    {
        qntest::BoxAnswerer answerer(L"Quillnet \u2014 Site Key", IDOK);
        DialogScript script;
        script.step([&](HWND w) { click(w, IDC_KEY_GENERATE); });
        script.step([&](HWND w) {
            generated = item_text(w, IDC_KEY_EDIT);
            ASSERT_EQ(generated.size(), 64u);
            EXPECT_EQ(generated.find_first_not_of(L"0123456789abcdef"), std::wstring::npos);
            const std::string id = key_id_of(std::string(generated.begin(), generated.end()));
            EXPECT_EQ(item_text(w, IDC_KEY_CHANGE), L"After OK: sealed with key id " + wide(id) + L".");
            EXPECT_EQ(item_text(w, IDC_KEY_STATUS), L"Open: pages cross the network in clear.");
            EXPECT_TRUE(enabled(w, IDC_KEY_COPY));
            EXPECT_TRUE(enabled(w, IDC_KEY_OFF));
            put_clipboard_text(w, L"something else");
            click(w, IDC_KEY_COPY);
        });
        script.step([&](HWND w) {
            EXPECT_EQ(clipboard_text(w), generated);
            // Not a key: refused with a box, the key stays.
            put_clipboard_text(w, wide(KEY.substr(1)));
            click(w, IDC_KEY_PASTE);
        });
        script.step([](HWND) {});  // the box comes and goes
        script.step([](HWND) {});
        script.step([&](HWND w) {
            EXPECT_EQ(item_text(w, IDC_KEY_EDIT), generated);
            // Upper case with a line end around it, as copied from a document.
            std::wstring upper = wide(KEY);
            for (wchar_t& c : upper) c = static_cast<wchar_t>(towupper(c));
            put_clipboard_text(w, L"  " + upper + L"\r\n");
            click(w, IDC_KEY_PASTE);
        });
        script.step([&](HWND w) {
            EXPECT_EQ(item_text(w, IDC_KEY_EDIT), wide(KEY));
            EXPECT_EQ(item_text(w, IDC_KEY_CHANGE), L"After OK: sealed with key id " + wide(key_id_of(KEY)) + L".");
            click(w, IDOK);
        });
        open_key_window(program, script, 7);
        refused = answerer.finish();
    }
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_EQ(refused[0],
              L"The clipboard does not hold a site key (64 hexadecimal digits expected). The key was not changed.");

    const std::string ini = qntest::read_file(program.ini_path);
    const std::string section = "\r\n\r\n[security]\r\nsite_key = " + KEY + "\r\n";
    ASSERT_GT(ini.size(), section.size());
    EXPECT_EQ(ini.substr(ini.size() - section.size()), section);
    EXPECT_EQ(s.settings.site_key, KEY);
    EXPECT_EQ(window_text(program.window()), SEALED_TITLE);
    EXPECT_TRUE(marked_sealed(s)) << window_text(s.rooms_caption);
    // BYE in the old mode, then the new run announces itself sealed.
    EXPECT_TRUE(s.engine.running());
    EXPECT_NE(s.engine.instance_id(), open_id);
    EXPECT_TRUE(qntest::pump_until([&] { return listener.heard("BYE", open_id); }, 5000));
    EXPECT_TRUE(qntest::pump_until([&] { return listener.heard_sealed(key_id_of(KEY)); }, 5000));
    EXPECT_FALSE(listener.heard("HELLO", s.engine.instance_id()));
    // Now it sees the room that has the key.
    EXPECT_TRUE(qntest::pump_until(lists_sealed_peer, 5000));

    // Opened again, it says the workstation is sealed.
    DialogScript again;
    again.step([&](HWND w) {
        EXPECT_EQ(item_text(w, IDC_KEY_STATUS),
                  L"Sealed with key id " + wide(key_id_of(KEY)) + L": pages are encrypted.");
        EXPECT_EQ(item_text(w, IDC_KEY_EDIT), wide(KEY));
        EXPECT_EQ(item_text(w, IDC_KEY_CHANGE), L"");
        click(w, IDOK);  // unchanged: nothing saved
    });
    open_key_window(program, again, 1);
    EXPECT_EQ(qntest::read_file(program.ini_path), ini);
}

// A room heard in the old mode can no longer be paged: it leaves the list at once.
TEST(SiteKeyWindow, RoomsOfTheOldModeLeaveTheListWhenTheKeyChanges) {
    const qntest::TestPorts ports = qntest::next_test_ports();
    RunningApp program(L"key-stale", {}, ports);
    AppState& s = program.state();
    qntest::TestPeer open_peer("Op", "Op", ports.discovery, ports.spare(0));
    ASSERT_TRUE(qntest::pump_until([&] { return s.room_keys.size() == 1; }, 5000));
    ASSERT_TRUE(save_site_key(KEY));
    EXPECT_TRUE(qntest::pump_until([&] { return s.room_keys.empty(); }, 2000));
    EXPECT_EQ(window_text(s.rooms_caption), L"Online rooms (0) \u2014 sealed");
}

TEST(SiteKeyWindow, TurningSealingOffSavesAnOpenFileAndTheMarkGoes) {
    const qntest::TestPorts ports = qntest::next_test_ports();
    qntest::DiscoveryListener listener(ports.discovery);
    ASSERT_TRUE(listener.valid());
    RunningApp program(L"key-off", sealed_config(KEY), ports);
    AppState& s = program.state();
    EXPECT_EQ(window_text(program.window()), SEALED_TITLE);
    EXPECT_EQ(window_text(s.rooms_caption), L"Online rooms (0) \u2014 sealed");
    ASSERT_TRUE(s.engine.running());
    const std::string sealed_id = s.engine.instance_id();

    DialogScript script;
    script.step([&](HWND w) {
        EXPECT_EQ(item_text(w, IDC_KEY_EDIT), wide(KEY));
        SetFocus(GetDlgItem(w, IDC_KEY_OFF));
        click(w, IDC_KEY_OFF);
    });
    script.step([&](HWND w) {
        EXPECT_EQ(item_text(w, IDC_KEY_EDIT), L"");
        EXPECT_EQ(item_text(w, IDC_KEY_CHANGE), L"After OK: open, without a site key.");
        EXPECT_FALSE(enabled(w, IDC_KEY_COPY));
        EXPECT_FALSE(enabled(w, IDC_KEY_OFF));
        // The focus left the button that went off.
        EXPECT_EQ(GetFocus(), GetDlgItem(w, IDC_KEY_GENERATE));
        click(w, IDOK);
    });
    open_key_window(program, script, 2);

    const std::string ini = qntest::read_file(program.ini_path);
    EXPECT_EQ(ini.find("[security]"), std::string::npos);
    EXPECT_NE(ini.find("user = Desk\r\n"), std::string::npos);
    EXPECT_EQ(s.settings.site_key, "");
    EXPECT_EQ(window_text(program.window()), OPEN_TITLE);
    EXPECT_FALSE(marked_sealed(s));
    EXPECT_TRUE(s.engine.running());
    EXPECT_NE(s.engine.instance_id(), sealed_id);
    EXPECT_TRUE(qntest::pump_until([&] { return listener.heard("HELLO", s.engine.instance_id()); }, 5000));
}

TEST(SiteKeyWindow, AFileThatCannotBeReplacedIsReportedAndNothingChanges) {
    RunningApp program(L"key-locked", {});
    AppState& s = program.state();
    const std::string ini_before = qntest::read_file(program.ini_path);
    const std::string running_id = s.engine.instance_id();
    // Held open without sharing, the file can be neither replaced nor rewritten, as
    // in a folder the user may not write to.
    HANDLE lock = CreateFileW(program.ini_path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);

    std::vector<std::wstring> boxes;
    {
        qntest::BoxAnswerer answerer(L"Quillnet \u2014 Site Key", IDOK);
        DialogScript script;
        script.step([&](HWND w) { click(w, IDC_KEY_GENERATE); });
        script.step([&](HWND w) { click(w, IDOK); });
        script.step([](HWND) {});
        script.step([](HWND) {});
        script.step([&](HWND w) {
            // Still open, with the generated key, for another try or Cancel.
            EXPECT_EQ(item_text(w, IDC_KEY_EDIT).size(), 64u);
            click(w, IDCANCEL);
        });
        open_key_window(program, script, 5);
        boxes = answerer.finish();
    }
    CloseHandle(lock);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0],
              L"The site key could not be saved to Quillnet.ini (is its folder read-only?). Nothing was changed.");
    EXPECT_EQ(qntest::read_file(program.ini_path), ini_before);
    EXPECT_EQ(s.settings.site_key, "");
    EXPECT_EQ(window_text(program.window()), OPEN_TITLE);
    EXPECT_TRUE(s.engine.running());
    EXPECT_EQ(s.engine.instance_id(), running_id);
}

TEST(SiteKeyWindow, AKeyThatIsNotValidKeepsTheNetworkOffWithOneErrorBoxAndNoMark) {
    qntest::BoxAnswerer answerer(L"Quillnet \u2014 network error", IDOK);
    RunningApp program(L"key-invalid", sealed_config(KEY + "0"));
    qntest::pump_for(300);
    const std::vector<std::wstring> boxes = answerer.finish();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], INVALID_SITE_KEY_TEXT);
    EXPECT_FALSE(program.state().engine.running());
    EXPECT_EQ(window_text(program.window()), OPEN_TITLE);
    EXPECT_EQ(window_text(program.state().rooms_caption), L"Online rooms (0)");

    // The window says so, and turning sealing off repairs it.
    DialogScript script;
    script.step([&](HWND w) {
        EXPECT_EQ(item_text(w, IDC_KEY_STATUS), L"The site key in Quillnet.ini is not valid: the network is off.");
        EXPECT_FALSE(enabled(w, IDC_KEY_COPY));
        click(w, IDC_KEY_OFF);
    });
    script.step([&](HWND w) { click(w, IDOK); });
    open_key_window(program, script, 2);
    EXPECT_TRUE(program.state().engine.running());
}

namespace {

// The DWORD a registered clipboard format holds, or -1 when the clipboard has none.
long long clipboard_dword(HWND owner, const wchar_t* format_name) {
    const UINT format = RegisterClipboardFormatW(format_name);
    if (!IsClipboardFormatAvailable(format) || !OpenClipboard(owner)) return -1;
    long long value = -1;
    HANDLE data = GetClipboardData(format);
    if (data && GlobalSize(data) >= sizeof(DWORD)) {
        if (const void* bytes = GlobalLock(data)) {
            value = *static_cast<const DWORD*>(bytes);
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return value;
}

}  // namespace

TEST(SiteKeyWindow, ACopiedKeyStaysOutOfClipboardHistoryAndLeavesAfterAPasteOrItsMinute) {
    EXPECT_EQ(COPIED_KEY_LIFETIME_MS, 60000u);
    set_copied_key_lifetime_ms(500);
    RunningApp program(L"key-clipboard", {});
    std::wstring generated;
    DialogScript script;
    script.step([&](HWND w) { click(w, IDC_KEY_GENERATE); });
    script.step([&](HWND w) {
        generated = item_text(w, IDC_KEY_EDIT);
        click(w, IDC_KEY_COPY);
    });
    script.step([&](HWND w) {
        EXPECT_EQ(clipboard_text(w), generated);
        EXPECT_EQ(clipboard_dword(w, L"CanIncludeInClipboardHistory"), 0);
        EXPECT_EQ(clipboard_dword(w, L"CanUploadToCloudClipboard"), 0);
        EXPECT_TRUE(IsClipboardFormatAvailable(RegisterClipboardFormatW(L"ExcludeClipboardContentFromMonitorProcessing")));
        click(w, IDCANCEL);
    });
    open_key_window(program, script, 3);
    // The window is gone; the key leaves the clipboard once its time is up.
    EXPECT_EQ(clipboard_text(program.window()), generated);
    EXPECT_TRUE(qntest::pump_until([] { return !IsClipboardFormatAvailable(CF_UNICODETEXT); }, 5000));

    // Something the user copied over it meanwhile stays.
    DialogScript copy_again;
    copy_again.step([&](HWND w) { click(w, IDC_KEY_GENERATE); });
    copy_again.step([&](HWND w) { click(w, IDC_KEY_COPY); });
    copy_again.step([&](HWND w) {
        put_clipboard_text(w, L"the user's own text");
        click(w, IDCANCEL);
    });
    open_key_window(program, copy_again, 3);
    qntest::pump_for(1200);
    EXPECT_EQ(clipboard_text(program.window()), L"the user's own text");

    // A pasted key leaves the clipboard at once; a paste that is refused leaves it alone.
    DialogScript paste;
    paste.step([&](HWND w) {
        put_clipboard_text(w, L" " + wide(KEY) + L"\r\n");
        click(w, IDC_KEY_PASTE);
    });
    paste.step([&](HWND w) {
        EXPECT_EQ(item_text(w, IDC_KEY_EDIT), wide(KEY));
        EXPECT_FALSE(IsClipboardFormatAvailable(CF_UNICODETEXT));
        click(w, IDCANCEL);
    });
    open_key_window(program, paste, 2);
    set_copied_key_lifetime_ms(COPIED_KEY_LIFETIME_MS);
}
