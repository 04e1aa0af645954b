// Window DPI and dialog placement (see win_placement.h).
#include "base/win_placement.h"

namespace quillnet {

namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);

GetDpiForWindowFn dpi_for_window_function() {
    // Looked up at run time: systems before Windows 10 1607 do not have it.
    static const GetDpiForWindowFn function = [] {
        HMODULE user32 = GetModuleHandleW(L"user32.dll");
        return user32 ? reinterpret_cast<GetDpiForWindowFn>(
                            reinterpret_cast<void*>(GetProcAddress(user32, "GetDpiForWindow")))
                      : nullptr;
    }();
    return function;
}

unsigned screen_dpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<unsigned>(dpi) : 96u;
}

RECT work_area_near(const RECT& area) {
    RECT work{};
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(MonitorFromRect(&area, MONITOR_DEFAULTTOPRIMARY), &info)) return info.rcWork;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

}  // namespace

unsigned window_dpi(HWND window) {
    if (window) {
        if (GetDpiForWindowFn function = dpi_for_window_function()) {
            const UINT dpi = function(window);
            if (dpi > 0) return dpi;
        }
    }
    return screen_dpi();
}

RECT dialog_rect(HWND owner, int width, int height) {
    RECT around{};
    if (owner && IsWindowVisible(owner) && !IsIconic(owner)) {
        GetWindowRect(owner, &around);
    } else {
        // A minimised window sits at the parking place far off-screen, and a hidden
        // one may never have been shown: the monitor of its normal position decides.
        WINDOWPLACEMENT placement{};
        placement.length = sizeof placement;
        RECT normal{};
        if (owner && GetWindowPlacement(owner, &placement)) normal = placement.rcNormalPosition;
        around = work_area_near(normal);
    }
    const int left = around.left + ((around.right - around.left) - width) / 2;
    const int top = around.top + ((around.bottom - around.top) - height) / 2;
    return RECT{left, top, left + width, top + height};
}

}  // namespace quillnet
