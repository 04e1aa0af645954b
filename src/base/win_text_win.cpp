// MultiByteToWideChar / WideCharToMultiByte with CP_UTF8, as the window layer needs them.
#include <windows.h>

#include <cstring>

#include "base/win_text.h"

namespace quillnet {

std::wstring to_wide(const std::string& utf8) {
    const int length = static_cast<int>(std::strlen(utf8.c_str()));
    if (length == 0) return std::wstring();
    const int needed = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), length, nullptr, 0);
    if (needed <= 0) return std::wstring();
    std::wstring out(static_cast<std::size_t>(needed), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), length, &out[0], needed);
    return out;
}

std::string to_utf8(const std::wstring& wide) {
    const int length = static_cast<int>(std::wcslen(wide.c_str()));
    if (length == 0) return std::string();
    const int needed = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return std::string();
    std::string out(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), length, &out[0], needed, nullptr, nullptr);
    return out;
}

}  // namespace quillnet
