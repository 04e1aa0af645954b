// The history file "history.log" under %LOCALAPPDATA%\Quillnet: its path, appending a
// finished log line, loading (and trimming) it at start-up, and deleting it.
// Every failure is silent; the conversation log works the same without history.
#include <windows.h>

#include <cwchar>
#include <new>

#include "base/file_io.h"
#include "base/win_text.h"
#include "history/history.h"
#include "history/history_lines.h"

namespace quillnet {

namespace {

// The whole value of an environment variable, however long; empty when unset.
std::wstring environment_value(const wchar_t* name) {
    std::wstring buffer(MAX_PATH, L'\0');
    // The value may change between the two calls, so ask again while it keeps growing.
    for (int attempt = 0; attempt < 8; ++attempt) {
        const DWORD n = GetEnvironmentVariableW(name, &buffer[0], static_cast<DWORD>(buffer.size()));
        if (n == 0) return std::wstring();
        if (n < buffer.size()) {
            buffer.resize(n);
            return buffer;
        }
        buffer.assign(n, L'\0');  // n is the size needed, terminator included
    }
    return std::wstring();
}

bool starts_with(const std::wstring& s, const wchar_t* prefix) { return s.rfind(prefix, 0) == 0; }

// Paths of MAX_PATH units or more only work with the "\\?\" form, which takes
// the path literally; so the folder is first made absolute and normalised.
std::wstring long_path_form(const std::wstring& folder) {
    if (starts_with(folder, L"\\\\?\\")) return folder;
    const DWORD needed = GetFullPathNameW(folder.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return folder;
    std::wstring full(needed, L'\0');
    const DWORD n = GetFullPathNameW(folder.c_str(), needed, &full[0], nullptr);
    if (n == 0 || n >= needed) return folder;
    full.resize(n);
    if (starts_with(full, L"\\\\.\\") || starts_with(full, L"\\\\?\\")) return full;
    if (starts_with(full, L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
    if (full.size() >= 3 && full[1] == L':' && full[2] == L'\\') return L"\\\\?\\" + full;
    return folder;
}

}  // namespace

std::wstring history_path() {
    try {
        std::wstring base = environment_value(L"LOCALAPPDATA");
        if (base.empty()) return std::wstring();
        const wchar_t* const folder_name = L"\\Quillnet";
        const wchar_t* const file_name = L"\\history.log";
        // The trim writes a temporary copy beside the file whose name is longer, so
        // that name has to fit as well.
        if (base.size() + std::wcslen(folder_name) + std::wcslen(file_name) + REPLACEMENT_NAME_EXTRA_UNITS >=
            MAX_PATH) {
            base = long_path_form(base);
            while (base.size() > 1 && base.back() == L'\\') base.pop_back();
        }
        const std::wstring directory = base + folder_name;
        create_directory(directory);  // an existing folder is fine
        return directory + file_name;
    } catch (const std::bad_alloc&) {
        return std::wstring();
    }
}

void append_history_line(const std::wstring& line) {
    try {
        const std::wstring path = history_path();
        if (path.empty()) return;
        // Line and line break go out in one write, so a reader never sees half a line.
        append_file_bytes(path, to_utf8(line) + "\r\n");
    } catch (const std::bad_alloc&) {
    }
}

std::wstring load_history(int keep_days) {
    try {
        const std::wstring path = history_path();
        if (path.empty()) return std::wstring();
        std::string bytes;
        if (!read_file_bytes(path, bytes)) return std::wstring();
        SYSTEMTIME local{};
        GetLocalTime(&local);
        const LocalMoment now{local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond};
        const HistoryLoad load = prepare_history(bytes, keep_days, now);
        bytes.clear();
        bytes.shrink_to_fit();
        // The kept lines go to a new file that replaces the old one only once it is
        // complete, so a failed or interrupted trim leaves the old history whole.
        if (load.rewrite) replace_file_contents(path, load.rewritten);
        return as_wide(load.text);
    } catch (const std::bad_alloc&) {
        return std::wstring();
    }
}

void delete_history() {
    try {
        const std::wstring path = history_path();
        if (!path.empty()) delete_file(path);
    } catch (const std::bad_alloc&) {
    }
}

}  // namespace quillnet
