// Looking up functions of system libraries on first use.
#include "base/system_library.h"

namespace quillnet {

FARPROC system_function_address(const wchar_t* library, const char* name) {
    // Only the system folder: a library of that name beside the executable or in the
    // working directory is never taken.
    HMODULE module = LoadLibraryExW(library, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return module ? GetProcAddress(module, name) : nullptr;
}

BOOL notify_icon(DWORD message, NOTIFYICONDATAW* data) {
    static const auto shell_notify_icon =
        system_function<decltype(&Shell_NotifyIconW)>(L"shell32.dll", "Shell_NotifyIconW");
    return shell_notify_icon ? shell_notify_icon(message, data) : FALSE;
}

}  // namespace quillnet
