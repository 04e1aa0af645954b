// Start-up edge cases: where the configuration file is looked for, and a main window
// that cannot be created.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/startup.h"

using namespace quillnet;

TEST(StartUp, ConfigurationFileSitsBesideTheExecutable) {
    EXPECT_EQ(configuration_path(L"C:\\Program Files\\Quillnet\\Quillnet.exe"),
              L"C:\\Program Files\\Quillnet\\Quillnet.ini");
    EXPECT_EQ(configuration_path(L"/opt/qn/Quillnet.exe"), L"/opt/qn/Quillnet.ini");
    EXPECT_EQ(configuration_path(L"C:\\a/b\\c/Q.exe"), L"C:\\a/b\\c/Quillnet.ini");
    EXPECT_EQ(configuration_path(L"Quillnet.exe"), L"Quillnet.ini");
    EXPECT_EQ(configuration_path(L""), L"Quillnet.ini");
}

namespace {

LRESULT CALLBACK refuse_creation(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) return FALSE;
    return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace

TEST(StartUp, WhenTheMainWindowCannotBeCreatedTheProgramEndsCleanlyWithZero) {
    // A class of the same name whose windows refuse to be created takes the place of
    // the program's own.
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = refuse_creation;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QuillnetWindow";
    ASSERT_NE(RegisterClassExW(&wc), 0);
    PostMessageW(nullptr, WM_USER, 0, 0);  // the loop must not run: this stays queued
    EXPECT_EQ(run_quillnet(GetModuleHandleW(nullptr), SW_SHOW), 0);
    EXPECT_EQ(app(), nullptr);
    MSG msg;
    EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_REMOVE));
    UnregisterClassW(L"QuillnetWindow", GetModuleHandleW(nullptr));
}
