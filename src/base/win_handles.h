// Small owners for Win32 handles that the window layer creates and must release on
// every path: GDI objects, menus, and objects selected into a device context.
#pragma once

#include <windows.h>

namespace quillnet {

// Deletes a pen, brush or font with DeleteObject when it goes out of scope.
class GdiObject {
public:
    explicit GdiObject(HGDIOBJ object) : object_(object) {}
    ~GdiObject() {
        if (object_) DeleteObject(object_);
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    HGDIOBJ get() const { return object_; }

private:
    HGDIOBJ object_;
};

// Destroys a menu (and its submenus) with DestroyMenu.
class MenuHandle {
public:
    explicit MenuHandle(HMENU menu) : menu_(menu) {}
    ~MenuHandle() {
        if (menu_) DestroyMenu(menu_);
    }
    MenuHandle(const MenuHandle&) = delete;
    MenuHandle& operator=(const MenuHandle&) = delete;
    HMENU get() const { return menu_; }
    // Ownership passes elsewhere (for example to a window by SetMenu).
    HMENU release() {
        HMENU menu = menu_;
        menu_ = nullptr;
        return menu;
    }

private:
    HMENU menu_;
};

// Selects an object into a device context and puts the previous one back.
class DcSelection {
public:
    DcSelection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~DcSelection() {
        if (previous_) SelectObject(dc_, previous_);
    }
    DcSelection(const DcSelection&) = delete;
    DcSelection& operator=(const DcSelection&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace quillnet
