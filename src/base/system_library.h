// Functions of system libraries that start-up does not need (the tray, COM, the
// adapter list, the file dialog), looked up when first used on the window's thread. Every library
// the executable imports is loaded and initialised before the program's first line
// runs; these would delay the window for functions called later or never.
#pragma once

#include <windows.h>
#include <shellapi.h>

namespace quillnet {

// The address of NAME in the system library LIBRARY (from the system folder only),
// or null when either cannot be found. The library stays loaded.
FARPROC system_function_address(const wchar_t* library, const char* name);

// The same as a typed pointer; Function is decltype(&TheFunction) of the header's
// declaration, so calls are checked as if made directly.
template <typename Function>
Function system_function(const wchar_t* library, const char* name) {
    // Through the generic function pointer type, which converts to any other.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(system_function_address(library, name)));
}

// Shell_NotifyIconW from shell32; FALSE when it cannot be found.
BOOL notify_icon(DWORD message, NOTIFYICONDATAW* data);

}  // namespace quillnet
