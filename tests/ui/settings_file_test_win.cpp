// Quillnet.ini at start-up and on OK, where it decides whether the network may run:
// a file that is there but cannot be read, a [security] section that gives no key,
// and the desk's privacy settings in the configuration dialog.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app_fixture.h"
#include "config/settings_reader.h"
#include "config_dialog_fixture.h"
#include "dialog_driver.h"
#include "net/site_key.h"
#include "ui/app_state.h"
#include "ui/ids.h"
#include "ui/key_window.h"

namespace {

using namespace quillnet;
using qntest::click;
using qntest::DialogScript;
using qntest::RunningApp;

const wchar_t NETWORK_ERROR[] = L"Quillnet \u2014 network error";
const std::string KEY = "00112233445566778899aabbccddeeff00112233445566778899aabbccddeeff";

bool ends_with(const std::wstring& s, const std::wstring& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// Starts the program on a file whose [security] section is given, and returns the
// texts of the network error boxes it showed.
std::vector<std::wstring> start_with_security(const std::wstring& name, const std::string& section,
                                              bool& engine_running) {
    qntest::BoxAnswerer answerer(NETWORK_ERROR, IDOK);
    qntest::AppConfig config;
    config.extra_ini = section;
    RunningApp program(name, config);
    qntest::pump_for(300);
    engine_running = program.state().engine.running();
    return answerer.finish();
}

TEST(SettingsFile, AFileThatIsThereButLockedStartsWithNoNetworkAndSaysWhy) {
    const std::wstring folder = qntest::scratch_folder(L"ini-locked");
    const qntest::TestPorts ports = qntest::next_test_ports();
    const std::wstring ini = folder + L"\\Quillnet.ini";
    qntest::AppConfig config;
    config.extra_ini = "[security]\r\nsite_key = " + KEY + "\r\n";
    ASSERT_TRUE(qntest::write_file(ini, qntest::ini_text(config, ports)));
    const std::string before = qntest::read_file(ini);
    // Opened without sharing, as a backup or an editor may hold it.
    HANDLE lock = CreateFileW(ini.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);

    std::vector<std::wstring> boxes;
    {
        qntest::BoxAnswerer answerer(NETWORK_ERROR, IDOK);
        RunningApp program(folder, ports);
        qntest::pump_for(300);
        boxes = answerer.finish();
        AppState& s = program.state();
        EXPECT_FALSE(s.engine.running());
        EXPECT_EQ(qntest::window_text(s.rooms_caption), L"Online rooms (0)");

        // OK in the configuration dialog must not write defaults over the locked
        // file's key once it can be written again: it is not saved at all.
        CloseHandle(lock);
        lock = CreateFileW(ini.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);  // writable, not readable
        ASSERT_NE(lock, INVALID_HANDLE_VALUE);
        qntest::BoxAnswerer unsaved(L"Quillnet", IDOK);
        DialogScript script;
        script.step([](HWND dialog) { SetDlgItemTextW(dialog, 11, L"Lab 3"); });
        script.step([](HWND dialog) { click(dialog, IDOK); });
        ASSERT_TRUE(script.run(L"QNConfigDialog", [&] { SendMessageW(program.window(), WM_COMMAND, IDM_CONFIGURATION, 0); }));
        const std::vector<std::wstring> warnings = unsaved.finish();
        ASSERT_EQ(warnings.size(), 1u);
        EXPECT_NE(warnings[0].find(L"could not be saved"), std::wstring::npos);
        EXPECT_EQ(s.settings.room, "Lab 3");  // the edit still applies for the run
    }
    CloseHandle(lock);
    EXPECT_EQ(qntest::read_file(ini), before);
    ASSERT_EQ(boxes.size(), 1u);
    const std::wstring head = L"Quillnet.ini could not be read (";
    const std::wstring tail = L"). The network is off until it can be read.";
    EXPECT_EQ(boxes[0].compare(0, head.size(), head), 0) << qntest::utf8(boxes[0]);
    EXPECT_TRUE(ends_with(boxes[0], tail)) << qntest::utf8(boxes[0]);
    // The system's reason sits between the brackets, without its own full stop.
    EXPECT_GT(boxes[0].size(), head.size() + tail.size() + 3) << qntest::utf8(boxes[0]);
    EXPECT_EQ(boxes[0].find(L".)."), std::wstring::npos);
    EXPECT_EQ(boxes[0].find(L'\n'), std::wstring::npos);
}

TEST(SettingsFile, ASecuritySectionThatGivesNoKeyKeepsTheNetworkOffButAnEmptyKeyIsOpen) {
    struct Case {
        const wchar_t* name;
        std::string section;
        bool open;
    };
    const Case cases[] = {
        {L"ini-misspelt", "[security]\r\nsitekey = " + KEY + "\r\n", false},
        {L"ini-next-line", "[security]\r\nsite_key =\r\n" + KEY + "\r\n", false},
        {L"ini-empty-key", "[security]\r\nsite_key =\r\n", true},
        {L"ini-empty-section", "[security]\r\n; no key yet\r\n", true},
    };
    for (const Case& c : cases) {
        bool running = false;
        const std::vector<std::wstring> boxes = start_with_security(c.name, c.section, running);
        EXPECT_EQ(running, c.open) << qntest::utf8(c.name);
        if (c.open) {
            EXPECT_TRUE(boxes.empty()) << qntest::utf8(c.name);
        } else {
            ASSERT_EQ(boxes.size(), 1u) << qntest::utf8(c.name);
            EXPECT_EQ(boxes[0], INVALID_SITE_KEY_TEXT);
        }
    }
}

TEST(SettingsFile, SavingKeepsAnUnreadKeyUnreadSoTheNetworkStaysOffAtTheNextStart) {
    qntest::BoxAnswerer answerer(NETWORK_ERROR, IDOK);
    qntest::AppConfig config;
    config.extra_ini = "[security]\r\nsitekey = " + KEY + "\r\n";
    RunningApp program(L"ini-unread-save", config);
    DialogScript script;
    script.step([](HWND dialog) { SetDlgItemTextW(dialog, 11, L"Lab 4"); });
    script.step([](HWND dialog) { click(dialog, IDOK); });
    ASSERT_TRUE(script.run(L"QNConfigDialog", [&] { SendMessageW(program.window(), WM_COMMAND, IDM_CONFIGURATION, 0); }));
    answerer.finish();
    const Settings saved = load_settings(program.ini_path);
    EXPECT_EQ(saved.room, "Lab 4");
    EXPECT_EQ(saved.site_key, std::string(SITE_KEY_NOT_READ_MARK) + "sitekey = " + KEY);
    SiteKey key{};
    EXPECT_FALSE(parse_site_key(saved.site_key, key));
}

TEST(SettingsFile, TheSiteKeyWindowSaysAnUnreadKeyIsNotValidAndTurningSealingOffRepairsIt) {
    qntest::BoxAnswerer answerer(NETWORK_ERROR, IDOK);
    qntest::AppConfig config;
    config.extra_ini = "[security]\r\nsite_key =\r\n" + KEY + "\r\n";
    RunningApp program(L"ini-unread-repair", config);
    qntest::pump_for(300);
    EXPECT_EQ(answerer.finish().size(), 1u);
    ASSERT_FALSE(program.state().engine.running());
    DialogScript script;
    script.step([&](HWND w) {
        EXPECT_EQ(qntest::window_text(GetDlgItem(w, IDC_KEY_STATUS)),
                  L"The site key in Quillnet.ini is not valid: the network is off.");
        click(w, IDC_KEY_OFF);
    });
    script.step([&](HWND w) { click(w, IDOK); });
    ASSERT_TRUE(script.run(KEY_WINDOW_CLASS, [&] { SendMessageW(program.window(), WM_COMMAND, IDM_SITE_KEY, 0); }));
    EXPECT_TRUE(program.state().engine.running());
    EXPECT_EQ(qntest::read_file(program.ini_path).find("[security]"), std::string::npos);
}

TEST_F(ConfigDialogTest, PrivateBalloonsAndHistoryDaysAreShownAndSaved) {
    qntest::AppConfig config;
    config.extra_ini = "[behavior]\r\nhistory_days = 14\r\n";
    RunningApp program(L"cfg-privacy", config);
    AppState& state = program.state();
    DialogScript script;
    script.step([&](HWND dialog) {
        EXPECT_EQ(SendDlgItemMessageW(dialog, 30, BM_GETCHECK, 0, 0), BST_UNCHECKED);
        EXPECT_EQ(qntest::window_text(GetDlgItem(dialog, 31)), L"14");
        SendDlgItemMessageW(dialog, 30, BM_CLICK, 0, 0);
        SetDlgItemTextW(dialog, 31, L"90");
    });
    script.step([](HWND dialog) { click(dialog, IDOK); });
    ASSERT_TRUE(script.run(L"QNConfigDialog", [&] { SendMessageW(state.main_window, WM_COMMAND, IDM_CONFIGURATION, 0); }));
    EXPECT_TRUE(state.settings.private_balloons);
    EXPECT_EQ(state.settings.history_days, 90);
    const std::string file = qntest::read_file(program.ini_path);
    EXPECT_NE(file.find("private_balloons = 1\r\nhistory_days = 90\r\n"), std::string::npos) << file;

    // An emptied field means no limit.
    DialogScript again;
    again.step([](HWND dialog) { SetDlgItemTextW(dialog, 31, L""); });
    again.step([](HWND dialog) { click(dialog, IDOK); });
    ASSERT_TRUE(again.run(L"QNConfigDialog", [&] { SendMessageW(state.main_window, WM_COMMAND, IDM_CONFIGURATION, 0); }));
    EXPECT_EQ(state.settings.history_days, 0);
}

}  // namespace
