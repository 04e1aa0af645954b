// OK of the configuration dialog against the file as it is at that moment: edits made
// meanwhile to what the dialog does not show survive, a file that cannot be written
// is reported, and the compose field's limit follows the new name and room.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "ui/app_state.h"
#include "app_fixture.h"
#include "config_dialog_fixture.h"
#include "dialog_driver.h"
#include "net/wire.h"
#include "ui/ids.h"

namespace {

using namespace quillnet;
using qntest::click;
using qntest::DialogScript;
using qntest::RunningApp;

std::size_t compose_limit(const AppState& state) {
    return static_cast<std::size_t>(SendMessageW(state.input_edit, EM_GETLIMITTEXT, 0, 0));
}

TEST_F(ConfigDialogTest, OkKeepsWhatAnAdministratorChangedInTheFileMeanwhile) {
    RunningApp program(L"cfg-reread", {});
    AppState& state = program.state();
    EXPECT_EQ(compose_limit(state), max_text_bytes(4, 5) / 3);

    DialogScript script;
    script.step([&](HWND dialog) {
        // The administrator's edit while the dialog is open.
        std::string file = qntest::read_file(program.ini_path);
        file += "[network]\r\nheartbeat_ms = 1234\r\n[flags]\r\nTeal = #008080\r\n";
        ASSERT_TRUE(qntest::write_file(program.ini_path, file));
        SetDlgItemTextW(dialog, 10, L"Reception desk by the door");
    });
    script.step([](HWND dialog) { click(dialog, IDOK); });
    ASSERT_TRUE(script.run(L"QNConfigDialog", [&] { SendMessageW(state.main_window, WM_COMMAND, IDM_CONFIGURATION, 0); }));

    const std::string file = qntest::read_file(program.ini_path);
    EXPECT_NE(file.find("heartbeat_ms    = 1234\r\n"), std::string::npos) << file;
    EXPECT_NE(file.find("Teal = #008080\r\n"), std::string::npos) << file;
    EXPECT_NE(file.find("user = Reception desk by the door\r\n"), std::string::npos);
    EXPECT_NE(file.find("discovery_port = " + std::to_string(program.ports.discovery)), std::string::npos);
    // The running program takes the dialog's fields; the rest waits for the next start.
    EXPECT_EQ(state.settings.user, "Reception desk by the door");
    EXPECT_EQ(state.settings.heartbeat_ms, 500);
    EXPECT_EQ(compose_limit(state), max_text_bytes(26, 5) / 3);
}

TEST_F(ConfigDialogTest, OkSaysSoWhenTheFileCannotBeWrittenAndTheChangesStillApply) {
    RunningApp program(L"cfg-unwritable", {});
    AppState& state = program.state();
    const std::wstring unwritable = program.folder + L"\\no such folder\\Quillnet.ini";
    state.settings.ini_path = unwritable;

    qntest::BoxAnswerer answerer(L"Quillnet", IDOK);
    DialogScript script;
    script.step([](HWND dialog) { SetDlgItemTextW(dialog, 11, L"Lab 3"); });
    script.step([](HWND dialog) { click(dialog, IDOK); });
    ASSERT_TRUE(script.run(L"QNConfigDialog", [&] { SendMessageW(state.main_window, WM_COMMAND, IDM_CONFIGURATION, 0); }));
    const std::vector<std::wstring> boxes = answerer.finish();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find(L"could not be saved"), std::wstring::npos);
    EXPECT_NE(boxes[0].find(unwritable), std::wstring::npos);
    EXPECT_EQ(state.settings.room, "Lab 3");
    EXPECT_EQ(qntest::find_own_window(L"QNConfigDialog"), nullptr);
}

}  // namespace
