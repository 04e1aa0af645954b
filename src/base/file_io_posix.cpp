// Whole-file operations for the POSIX build of the core (native tests, fuzzing).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

#include "base/file_io.h"
#include "base/text.h"

namespace quillnet {

namespace {

// wchar_t is UTF-32 here; file names are UTF-8.
std::string native_path(const std::wstring& path) {
    std::string out;
    for (wchar_t wc : path) append_utf8(out, static_cast<char32_t>(wc));
    return out;
}

bool write_all(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

FileRead read_file_bytes_checked(const std::wstring& path, std::string& out, std::wstring& reason) {
    out.clear();
    reason.clear();
    auto failed = [&reason, &out](int code) {
        const char* text = std::strerror(code);
        reason.assign(text, text + std::strlen(text));
        out.clear();
        return FileRead::failed;
    };
    const int fd = ::open(native_path(path).c_str(), O_RDONLY);
    if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? FileRead::missing : failed(errno);
    FileRead result = FileRead::read;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            result = failed(errno);
            break;
        }
        if (n == 0) break;
        out.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return result;
}

bool read_file_bytes(const std::wstring& path, std::string& out) {
    std::wstring reason;
    return read_file_bytes_checked(path, out, reason) == FileRead::read;
}

std::wstring replacement_temp_path(const std::wstring& path) {
    static const wchar_t HEX[] = L"0123456789abcdef";
    std::wstring digits;
    try {
        std::random_device random;  // the system's generator
        for (int i = 0; i < 4; ++i) {
            const unsigned value = random();
            for (int shift = 12; shift >= 0; shift -= 4) digits += HEX[(value >> shift) & 0xF];
        }
    } catch (...) {
        return std::wstring();
    }
    return path + L".~" + digits + L".tmp";
}

namespace {

// Rewrites the file where it is: for a file the user may write in a folder where
// nothing new may be created.
bool rewrite_in_place(const std::string& target, const std::string& bytes) {
    const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT, 0644);
    if (fd < 0) return false;
    bool ok = write_all(fd, bytes) && ::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0 && ::fsync(fd) == 0;
    if (::close(fd) != 0) ok = false;
    return ok;
}

}  // namespace

bool replace_file_contents(const std::wstring& path, const std::string& bytes) {
    const std::string target = native_path(path);
    std::string temp;
    int fd = -1;
    // A fresh name, created only when nothing of that name exists.
    for (int attempt = 0; attempt < 4 && fd < 0; ++attempt) {
        const std::wstring name = replacement_temp_path(path);
        if (name.empty()) break;
        temp = native_path(name);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) return rewrite_in_place(target, bytes);
    // The copy gets the old file's permissions (and owner, where that is allowed).
    struct stat old_file;
    if (::stat(target.c_str(), &old_file) == 0) {
        (void)::fchown(fd, old_file.st_uid, old_file.st_gid);
        (void)::fchmod(fd, old_file.st_mode & 07777);
    } else {
        (void)::fchmod(fd, 0644);
    }
    bool ok = write_all(fd, bytes) && ::fsync(fd) == 0;
    if (::close(fd) != 0) ok = false;
    if (ok) ok = std::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

bool append_file_bytes(const std::wstring& path, const std::string& bytes) {
    const int fd = ::open(native_path(path).c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (fd < 0) return false;
    const bool ok = write_all(fd, bytes);
    ::close(fd);
    return ok;
}

bool delete_file(const std::wstring& path) { return ::unlink(native_path(path).c_str()) == 0; }

bool create_directory(const std::wstring& path) { return ::mkdir(native_path(path).c_str(), 0755) == 0; }

bool remove_directory(const std::wstring& path) { return ::rmdir(native_path(path).c_str()) == 0; }

bool path_exists(const std::wstring& path) {
    struct stat st;
    return ::stat(native_path(path).c_str(), &st) == 0;
}

}  // namespace quillnet
