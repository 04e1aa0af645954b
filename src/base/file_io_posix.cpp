// Whole-file operations for the POSIX build of the core (native tests, fuzzing).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

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

bool read_file_bytes(const std::wstring& path, std::string& out) {
    out.clear();
    const int fd = ::open(native_path(path).c_str(), O_RDONLY);
    if (fd < 0) return false;
    bool ok = true;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) { ok = false; break; }
        if (n == 0) break;
        out.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return ok;
}

std::wstring replacement_temp_path(const std::wstring& path) {
    return path + L".tmp" + std::to_wstring(::getpid());
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
    const std::string temp = native_path(replacement_temp_path(path));
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return rewrite_in_place(target, bytes);
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
