// Replacing a file's contents on Windows keeps what an administrator set on the file:
// its attributes and its access list.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <string>

#include "base/file_io.h"
#include "test_paths.h"

using namespace quillnet;

namespace {

// The DACL of a file in SDDL form ("D:P(A;;FA;;;SY)..."), empty when it cannot be read.
std::wstring dacl_text(const std::wstring& path) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    PACL dacl = nullptr;
    if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                              nullptr, &descriptor) != ERROR_SUCCESS)
        return std::wstring();
    wchar_t* text = nullptr;
    std::wstring out;
    if (ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION,
                                                             &text, nullptr)) {
        out = text;
        LocalFree(text);
    }
    LocalFree(descriptor);
    return out;
}

// Sets a protected DACL given in SDDL form.
bool set_dacl(const std::wstring& path, const wchar_t* sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor, nullptr))
        return false;
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted);
    const DWORD result = SetNamedSecurityInfoW(const_cast<wchar_t*>(path.c_str()), SE_FILE_OBJECT,
                                               DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                               nullptr, nullptr, dacl, nullptr);
    LocalFree(descriptor);
    return result == ERROR_SUCCESS;
}

// Whether a temporary copy of path ("<path>.~<random>.tmp") is still there.
bool own_copy_left(const std::wstring& path) {
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((path + L".~*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return false;
    FindClose(h);
    return true;
}

}  // namespace

// Wine 8 keeps no access list of its own on a file (SetNamedSecurityInfoW succeeds,
// the file then reports the same default list as any other), so there the access
// list check only shows that replacing does not disturb it; on Windows ReplaceFileW
// carries the administrator's list over.
TEST(FileReplace, TheReplacedFileKeepsItsAttributesAndItsAccessList) {
    const std::wstring folder = test_temp_path(L"replace-keeps");
    create_directory(folder);
    const std::wstring path = folder + L"\\Quillnet.ini";
    DeleteFileW(path.c_str());
    ASSERT_TRUE(replace_file_contents(path, "first"));  // no file yet: moved into place

    // Administrators and SYSTEM full control, the workstation's users read (the
    // shape docs/SECURITY.md recommends), and the file hidden.
    const wchar_t* protected_dacl = L"D:P(A;;FA;;;BA)(A;;FA;;;SY)(A;;FR;;;BU)";
    ASSERT_TRUE(set_dacl(path, protected_dacl));
    const std::wstring before = dacl_text(path);
    ASSERT_FALSE(before.empty());
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));

    ASSERT_TRUE(replace_file_contents(path, "second, longer text"));
    std::string bytes;
    ASSERT_TRUE(read_file_bytes(path, bytes));
    EXPECT_EQ(bytes, "second, longer text");
    EXPECT_EQ(dacl_text(path), before);

    const DWORD attributes = GetFileAttributesW(path.c_str());
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_HIDDEN) << std::hex << attributes;

    // Nothing of the temporary copy is left beside it.
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_FALSE(own_copy_left(path));
    EXPECT_TRUE(DeleteFileW(path.c_str()));
}

TEST(FileReplace, AFileHeldOpenWithoutSharingIsNotReplacedAndNoCopyIsLeft) {
    const std::wstring folder = test_temp_path(L"replace-locked");
    create_directory(folder);
    const std::wstring path = folder + L"\\Quillnet.ini";
    ASSERT_TRUE(replace_file_contents(path, "kept"));
    HANDLE lock = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(replace_file_contents(path, "lost"));
    std::string bytes;
    std::wstring reason;
    EXPECT_EQ(read_file_bytes_checked(path, bytes, reason), FileRead::failed);
    EXPECT_FALSE(reason.empty());
    CloseHandle(lock);
    ASSERT_TRUE(read_file_bytes(path, bytes));
    EXPECT_EQ(bytes, "kept");
    EXPECT_FALSE(own_copy_left(path));
    EXPECT_TRUE(DeleteFileW(path.c_str()));
}
