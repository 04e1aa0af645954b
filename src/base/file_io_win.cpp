// Whole-file operations on Windows (CreateFileW with full sharing, MoveFileExW to replace).
#include <windows.h>

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

}  // namespace

bool read_file_bytes(const std::wstring& path, std::string& out) {
    out.clear();
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, SHARE_ALL, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    char buffer[65536];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, buffer, sizeof buffer, &got, nullptr)) { ok = false; break; }
        if (got == 0) break;
        out.append(buffer, got);
    }
    CloseHandle(file);
    return ok;
}

std::wstring replacement_temp_path(const std::wstring& path) {
    return path + L".tmp" + std::to_wstring(GetCurrentProcessId());
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

bool replace_file_contents(const std::wstring& path, const std::string& bytes) {
    const std::wstring temp = replacement_temp_path(path);
    HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE, SHARE_ALL, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return rewrite_in_place(path, bytes);
    bool ok = write_all(file, bytes) && FlushFileBuffers(file);
    if (!CloseHandle(file)) ok = false;
    // Only a completely written copy may take the old file's place.
    if (ok) ok = MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
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
