// Small owners for Win32 handles that the window layer creates and must release on
// every path: GDI objects, menus, objects selected into a device context, and COM's
// apartment and interface pointers.
#pragma once

#include <windows.h>
#include <objbase.h>

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

// COM for this thread for the lifetime of the holder, through functions the caller
// looked up on first use; balanced only when the initialisation succeeded (S_FALSE,
// already initialised, counts and must be balanced).
class ComApartment {
public:
    ComApartment(decltype(&CoInitializeEx) initialize, decltype(&CoUninitialize) uninitialize)
        : uninitialize_(uninitialize), initialised_(SUCCEEDED(initialize(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComApartment() {
        if (initialised_) uninitialize_();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    decltype(&CoUninitialize) uninitialize_;
    bool initialised_;
};

// One COM interface pointer, released when the holder goes.
template <typename Interface>
class ComRef {
public:
    ComRef() = default;
    ~ComRef() {
        if (pointer_) pointer_->Release();
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;

    Interface* get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    Interface** out() { return &pointer_; }
    void** out_void() { return reinterpret_cast<void**>(&pointer_); }

private:
    Interface* pointer_ = nullptr;
};

}  // namespace quillnet
