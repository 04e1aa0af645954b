// The start-at-login shortcut in the real Startup folder of the test prefix: created,
// read back through the shell, overwritten and removed.
#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <string>

#include "config/startup_shortcut.h"

namespace {

using namespace quillnet;

struct LinkFields {
    bool loaded = false;
    std::wstring target, working_directory, description, arguments;
};

LinkFields read_link(const std::wstring& path) {
    LinkFields out;
    const bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    IShellLinkW* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            if (SUCCEEDED(file->Load(path.c_str(), STGM_READ))) {
                wchar_t buffer[1024] = L"";
                out.loaded = true;
                if (SUCCEEDED(link->GetPath(buffer, 1024, nullptr, SLGP_RAWPATH))) out.target = buffer;
                buffer[0] = 0;
                if (SUCCEEDED(link->GetWorkingDirectory(buffer, 1024))) out.working_directory = buffer;
                buffer[0] = 0;
                if (SUCCEEDED(link->GetDescription(buffer, 1024))) out.description = buffer;
                buffer[0] = 0;
                if (SUCCEEDED(link->GetArguments(buffer, 1024))) out.arguments = buffer;
            }
            file->Release();
        }
        link->Release();
    }
    if (com) CoUninitialize();
    return out;
}

std::wstring module_path() {
    wchar_t buffer[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    return buffer;
}

// Leaves the Startup folder as the test found it.
class StartupShortcut : public testing::Test {
protected:
    void SetUp() override { had_shortcut_ = startup_shortcut_exists(); }
    void TearDown() override { set_start_at_login(had_shortcut_); }

private:
    bool had_shortcut_ = false;
};

TEST_F(StartupShortcut, EnablingWritesALinkToTheRunningExecutableThatReadsBack) {
    set_start_at_login(false);
    ASSERT_FALSE(startup_shortcut_exists());

    ASSERT_TRUE(set_start_at_login(true));
    EXPECT_TRUE(startup_shortcut_exists());
    PWSTR folder = nullptr;
    ASSERT_TRUE(SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Startup, 0, nullptr, &folder)));
    EXPECT_EQ(startup_shortcut_path(), std::wstring(folder) + L"\\Quillnet.lnk");
    CoTaskMemFree(folder);
    const LinkFields link = read_link(startup_shortcut_path());
    ASSERT_TRUE(link.loaded);
    const std::wstring exe = module_path();
    EXPECT_EQ(_wcsicmp(link.target.c_str(), exe.c_str()), 0) << "target " << link.target.size();
    EXPECT_EQ(_wcsicmp(link.working_directory.c_str(), exe.substr(0, exe.find_last_of(L"\\/")).c_str()), 0);
    EXPECT_EQ(link.description, L"Quillnet LAN messenger");
    EXPECT_EQ(link.arguments, L"");

    // Enabling again overwrites the existing shortcut and still succeeds.
    EXPECT_TRUE(set_start_at_login(true));
    EXPECT_TRUE(read_link(startup_shortcut_path()).loaded);
}

TEST_F(StartupShortcut, DisablingDeletesItAndAMissingShortcutIsNotAFailure) {
    ASSERT_TRUE(set_start_at_login(true));
    ASSERT_TRUE(startup_shortcut_exists());
    EXPECT_TRUE(set_start_at_login(false));
    EXPECT_FALSE(startup_shortcut_exists());
    EXPECT_EQ(GetFileAttributesW(startup_shortcut_path().c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(set_start_at_login(false));
    EXPECT_FALSE(startup_shortcut_exists());
}

TEST_F(StartupShortcut, ComStaysUsableOnTheCallingThreadAfterwards) {
    // The shortcut balances its own COM initialisation; a caller that initialised
    // COM before keeps its apartment.
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    ASSERT_TRUE(set_start_at_login(true));
    IShellLinkW* link = nullptr;
    EXPECT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                           reinterpret_cast<void**>(&link))));
    if (link) link->Release();
    CoUninitialize();
}

}  // namespace
