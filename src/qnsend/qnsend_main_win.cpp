// Entry of qnsend.exe, a console program: the wide arguments become UTF-8, and the UTF-8
// output is written to a console as UTF-16 (so any console code page shows it right) or
// as UTF-8 bytes to a pipe or file.
#include <windows.h>

#include <string>
#include <vector>

#include "base/win_text.h"
#include "qnsend/qnsend.h"

namespace {

std::wstring default_ini_path() {
    std::wstring path(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
    path.resize(n < path.size() ? n : 0);
    const std::size_t slash = path.find_last_of(L"\\/");
    return (slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash)) + L"\\Quillnet.ini";
}

void write_text(DWORD which, const std::string& text) {
    if (text.empty()) return;
    HANDLE handle = GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(handle, &mode)) {
        const std::wstring wide = quillnet::to_wide(text);
        WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    } else {
        WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(quillnet::to_utf8(argv[i]));
    std::string out;
    std::string err;
    const int status = quillnet::run_qnsend(args, default_ini_path(), out, err, [](std::string& ready) {
        write_text(STD_OUTPUT_HANDLE, ready);
        ready.clear();
    });
    write_text(STD_OUTPUT_HANDLE, out);
    write_text(STD_ERROR_HANDLE, err);
    return status;
}
