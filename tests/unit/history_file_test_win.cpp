// The history file on a real file system, in a scratch LOCALAPPDATA set for this
// process: where it goes, what is appended, how loading trims it, long folder names.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>

#include "base/file_io.h"
#include "history/history.h"
#include "test_paths.h"

using namespace quillnet;

namespace {

std::wstring current_localappdata() {
    DWORD n = GetEnvironmentVariableW(L"LOCALAPPDATA", nullptr, 0);
    if (n == 0) return std::wstring();
    std::wstring value(n, L'\0');
    n = GetEnvironmentVariableW(L"LOCALAPPDATA", &value[0], n);
    value.resize(n);
    return value;
}

void remove_tree(const std::wstring& dir) {
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring full = dir + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                remove_tree(full);
            else
                DeleteFileW(full.c_str());
        } while (FindNextFileW(h, &found));
        FindClose(h);
    }
    RemoveDirectoryW(dir.c_str());
}

std::string file_bytes(const std::wstring& path) {
    std::string bytes;
    read_file_bytes(path, bytes);
    return bytes;
}

std::string numbered_lines(int count, const char* ending) {
    std::string out;
    for (int i = 1; i <= count; ++i) out += "entry " + std::to_string(i) + ending;
    return out;
}

// Points LOCALAPPDATA of this process at an empty scratch folder for one test.
class HistoryFile : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = current_localappdata();
        root_ = test_temp_path(L"localappdata-" + std::to_wstring(GetCurrentProcessId()));
        remove_tree(L"\\\\?\\" + root_);
        ASSERT_TRUE(create_directory(root_));
        ASSERT_TRUE(SetEnvironmentVariableW(L"LOCALAPPDATA", root_.c_str()));
    }
    void TearDown() override {
        SetEnvironmentVariableW(L"LOCALAPPDATA", saved_.empty() ? nullptr : saved_.c_str());
        remove_tree(L"\\\\?\\" + root_);  // the long-name test leaves folders too deep for plain paths
    }
    std::wstring expected_path() const { return root_ + L"\\Quillnet\\history.log"; }

    std::wstring saved_;
    std::wstring root_;
};

}  // namespace

TEST_F(HistoryFile, UnsetVariableMeansNoHistoryAtAll) {
    ASSERT_TRUE(SetEnvironmentVariableW(L"LOCALAPPDATA", nullptr));
    EXPECT_EQ(history_path(), L"");
    append_history_line(L"nowhere");
    EXPECT_EQ(load_history(), L"");
    delete_history();
    EXPECT_FALSE(path_exists(root_ + L"\\Quillnet"));
}

TEST_F(HistoryFile, FirstSavedLineCreatesFolderAndFile) {
    EXPECT_EQ(load_history(), L"");
    EXPECT_EQ(history_path(), expected_path());
    EXPECT_TRUE(path_exists(root_ + L"\\Quillnet"));
    EXPECT_FALSE(path_exists(expected_path()));

    append_history_line(L"09:41:07  You \u2192 2 rooms:  caf\u00E9 \U0001F600   \u2713 delivered (2/2)");
    append_history_line(L"");
    append_history_line(L"second");
    EXPECT_EQ(file_bytes(expected_path()),
              "09:41:07  You \xE2\x86\x92 2 rooms:  caf\xC3\xA9 \xF0\x9F\x98\x80   \xE2\x9C\x93 delivered (2/2)\r\n"
              "\r\nsecond\r\n");
    EXPECT_EQ(load_history(),
              L"09:41:07  You \u2192 2 rooms:  caf\u00E9 \U0001F600   \u2713 delivered (2/2)\r\n\r\nsecond\r\n");
}

TEST_F(HistoryFile, ThousandLinesStayAsTheyAre) {
    history_path();
    const std::string lf_file = numbered_lines(1000, "\n");
    ASSERT_TRUE(append_file_bytes(expected_path(), lf_file));
    const std::wstring text = load_history();
    EXPECT_EQ(text.substr(0, 9), L"entry 1\r\n");
    EXPECT_EQ(text.size(), lf_file.size() + 1000);
    EXPECT_EQ(file_bytes(expected_path()), lf_file);  // not rewritten, still LF
}

TEST_F(HistoryFile, ThousandAndOneLinesAreTrimmedOnScreenAndOnDisk) {
    history_path();
    ASSERT_TRUE(append_file_bytes(expected_path(), numbered_lines(1001, "\n")));
    const std::wstring text = load_history();
    const std::string kept = file_bytes(expected_path());
    std::string expected;
    for (int i = 2; i <= 1001; ++i) expected += "entry " + std::to_string(i) + "\r\n";
    EXPECT_EQ(kept, expected);
    EXPECT_EQ(text, std::wstring(expected.begin(), expected.end()));

    // Only the history file is left in the folder: the trim's temporary copy is gone.
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((root_ + L"\\Quillnet\\*").c_str(), &found);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    int files = 0;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++files;
    } while (FindNextFileW(h, &found));
    FindClose(h);
    EXPECT_EQ(files, 1);

    // Appending after the trim continues the trimmed file.
    append_history_line(L"new");
    EXPECT_EQ(file_bytes(expected_path()), expected + "new\r\n");
}

TEST_F(HistoryFile, ClearHistoryDeletesAndTheNextLineStartsAgain) {
    append_history_line(L"old");
    ASSERT_TRUE(path_exists(expected_path()));
    delete_history();
    EXPECT_FALSE(path_exists(expected_path()));
    EXPECT_EQ(load_history(), L"");
    delete_history();  // nothing to delete: still quiet
    append_history_line(L"fresh");
    EXPECT_EQ(file_bytes(expected_path()), "fresh\r\n");
}

TEST_F(HistoryFile, LongLocalAppDataIsReadWhole) {
    // A folder name of exactly 260 units: one more than a 260-unit buffer can take
    // with its terminator, and beyond the classic path limit once the file is added.
    std::wstring deep = root_;
    while (deep.size() < 200) {
        deep += L"\\deep-folder-level-" + std::to_wstring(deep.size());
        ASSERT_TRUE(create_directory(L"\\\\?\\" + deep)) << deep.size();
    }
    deep += L"\\last-";
    deep += std::wstring(260 - deep.size(), L'x');
    ASSERT_EQ(deep.size(), 260u);
    ASSERT_TRUE(create_directory(L"\\\\?\\" + deep));
    ASSERT_TRUE(SetEnvironmentVariableW(L"LOCALAPPDATA", deep.c_str()));

    const std::wstring path = history_path();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.substr(path.size() - (deep.size() + 21)), deep + L"\\Quillnet\\history.log");
    append_history_line(L"kept despite the long folder");
    EXPECT_EQ(load_history(), L"kept despite the long folder\r\n");
    EXPECT_TRUE(path_exists(L"\\\\?\\" + deep + L"\\Quillnet\\history.log"));
    delete_history();
    EXPECT_FALSE(path_exists(L"\\\\?\\" + deep + L"\\Quillnet\\history.log"));

    // The value with a trailing backslash names the same folder.
    ASSERT_TRUE(SetEnvironmentVariableW(L"LOCALAPPDATA", (deep + L"\\").c_str()));
    append_history_line(L"again");
    const std::wstring literal = L"\\\\?\\" + deep + L"\\Quillnet\\history.log";
    EXPECT_EQ(file_bytes(literal), "again\r\n");

    // Trimming works there too: its temporary copy has an even longer name.
    ASSERT_TRUE(append_file_bytes(literal, numbered_lines(1001, "\n")));
    EXPECT_EQ(load_history().substr(0, 9), L"entry 2\r\n");
    EXPECT_EQ(file_bytes(literal).substr(0, 9), "entry 2\r\n");
}

TEST_F(HistoryFile, AnAgeLimitTakesOldRunsOutOfTheFileAtStart) {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    char today[32];
    std::snprintf(today, sizeof today, "%04d-%02d-%02d 00:00", now.wYear, now.wMonth, now.wDay);
    const std::string rule = "\xE2\x94\x80\xE2\x94\x80\xE2\x94\x80\xE2\x94\x80\xE2\x94\x80\xE2\x94\x80";
    const std::string old_run = rule + "  2001-02-03 10:00  " + rule + "\r\n10:00:05  Ann (Lab):  Mr Old\r\n";
    const std::string new_run = rule + "  " + today + "  " + rule + "\r\n00:00:05  Ann (Lab):  today\r\n";
    ASSERT_TRUE(replace_file_contents(history_path(), old_run + new_run));
    // Without a limit nothing leaves; with one, the old run leaves the screen and the disk.
    EXPECT_EQ(load_history(0).size(), (old_run + new_run).size() - 4 * 6 * 2);  // each rule: 6 units, not 18 bytes
    EXPECT_EQ(file_bytes(expected_path()), old_run + new_run);
    const std::wstring shown = load_history(30);
    EXPECT_EQ(shown.find(L"Mr Old"), std::wstring::npos);
    EXPECT_NE(shown.find(L"today"), std::wstring::npos);
    EXPECT_EQ(file_bytes(expected_path()), new_run);
}
