// Whole-file operations on Windows (CreateFileW with full sharing; ReplaceFileW, or
// MoveFileExW for a file that does not exist yet, to replace).
#include <windows.h>
#include <bcrypt.h>

#include <cwchar>

#include "base/file_io.h"

namespace quillnet {

namespace {

constexpr DWORD SHARE_ALL = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool write_all(HANDLE file, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::size_t chunk = bytes.size() - done > 0x10000000 ? 0x10000000 : bytes.size() - done;
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + done, static_cast<DWORD>(chunk), &written, nullptr) || written == 0)
            return false;
        done += written;
    }
    return true;
}

// The system's words for an error code, without the line break and full stop that
// end them, so that they fit inside a sentence.
std::wstring system_reason(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = n && buffer ? std::wstring(buffer, n) : std::wstring();
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) text.pop_back();
    if (!text.empty() && text.back() == L'.') text.pop_back();
    if (text.empty()) text = L"error " + std::to_wstring(code);
    return text;
}

}  // namespace

FileRead read_file_bytes_checked(const std::wstring& path, std::string& out, std::wstring& reason) {
    out.clear();
    reason.clear();
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, SHARE_ALL, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return FileRead::missing;
        reason = system_reason(code);
        return FileRead::failed;
    }
    FileRead result = FileRead::read;
    char buffer[65536];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, buffer, sizeof buffer, &got, nullptr)) {
            reason = system_reason(GetLastError());
            result = FileRead::failed;
            out.clear();
            break;
        }
        if (got == 0) break;
        out.append(buffer, got);
    }
    CloseHandle(file);
    return result;
}

bool read_file_bytes(const std::wstring& path, std::string& out) {
    std::wstring reason;
    return read_file_bytes_checked(path, out, reason) == FileRead::read;
}

std::wstring replacement_temp_path(const std::wstring& path) {
    unsigned char random[8];
    if (BCryptGenRandom(nullptr, random, sizeof random, BCRYPT_USE_SYSTEM_PREFERRED_RNG) != 0) return std::wstring();
    wchar_t digits[2 * sizeof random + 1];
    for (std::size_t i = 0; i < sizeof random; ++i) std::swprintf(digits + 2 * i, 3, L"%02x", random[i]);
    return path + L".~" + digits + L".tmp";
}

namespace {

// Rewrites the file where it is: for a file the user may write in a folder where
// nothing new may be created.
bool rewrite_in_place(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, SHARE_ALL, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = write_all(file, bytes) && SetEndOfFile(file) && FlushFileBuffers(file);
    if (!CloseHandle(file)) ok = false;
    return ok;
}

}  // namespace

namespace {

// A temporary file of a fresh name, created only if no file of that name exists: a
// file or link somebody put there beforehand is never written through.
HANDLE create_temporary(const std::wstring& path, std::wstring& temp) {
    for (int attempt = 0; attempt < 4; ++attempt) {
        temp = replacement_temp_path(path);
        if (temp.empty()) return INVALID_HANDLE_VALUE;
        HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) return file;
        const DWORD code = GetLastError();
        if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) return INVALID_HANDLE_VALUE;
    }
    return INVALID_HANDLE_VALUE;
}

// The complete copy takes the old file's place. ReplaceFileW gives it the old file's
// access list and attributes (an administrator's protection of the file survives); a
// file that does not exist yet is simply moved into place.
bool put_in_place(const std::wstring& temp, const std::wstring& path) {
    // Windows merges the attributes as well; Wine does not, so they are copied first.
    const DWORD KEPT = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                       FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    const DWORD old_attributes = GetFileAttributesW(path.c_str());
    if (old_attributes != INVALID_FILE_ATTRIBUTES && (old_attributes & KEPT))
        SetFileAttributesW(temp.c_str(), old_attributes & KEPT);
    if (ReplaceFileW(path.c_str(), temp.c_str(), nullptr, 0, nullptr, nullptr)) return true;
    const DWORD code = GetLastError();
    // Not there: a first save. Gone but the copy kept its own name: the old file was
    // removed and only the rename failed.
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_UNABLE_TO_MOVE_REPLACEMENT)
        return MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
    return false;
}

}  // namespace

bool replace_file_contents(const std::wstring& path, const std::string& bytes) {
    std::wstring temp;
    HANDLE file = create_temporary(path, temp);
    if (file == INVALID_HANDLE_VALUE) return rewrite_in_place(path, bytes);
    bool ok = write_all(file, bytes) && FlushFileBuffers(file);
    if (!CloseHandle(file)) ok = false;
    // Only a completely written copy may take the old file's place.
    if (ok) ok = put_in_place(temp, path);
    if (!ok) DeleteFileW(temp.c_str());
    return ok;
}

bool append_file_bytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, SHARE_ALL, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool ok = write_all(file, bytes);
    CloseHandle(file);
    return ok;
}

bool delete_file(const std::wstring& path) { return DeleteFileW(path.c_str()) != 0; }

bool create_directory(const std::wstring& path) { return CreateDirectoryW(path.c_str(), nullptr) != 0; }

bool remove_directory(const std::wstring& path) { return RemoveDirectoryW(path.c_str()) != 0; }

bool path_exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace quillnet
