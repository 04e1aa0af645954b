// Computer name from the platform (Windows).
#include <windows.h>

#include "config/settings.h"

namespace quillnet {

std::string platform_computer_name() {
    wchar_t buffer[256];
    DWORD size = 256;
    if (!GetComputerNameW(buffer, &size)) return std::string();
    const int needed = WideCharToMultiByte(CP_UTF8, 0, buffer, static_cast<int>(size), nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return std::string();
    std::string out(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(CP_UTF8, 0, buffer, static_cast<int>(size), &out[0], needed, nullptr, nullptr);
    return out;
}

}  // namespace quillnet
