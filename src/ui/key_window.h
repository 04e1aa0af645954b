// The "Quillnet — Site Key" window (Win32 layer): whether the workstation is open or
// sealed, and making, copying, pasting or removing the site key.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace quillnet {

constexpr int IDC_KEY_STATUS = 10;
constexpr int IDC_KEY_EDIT = 11;
constexpr int IDC_KEY_GENERATE = 12;
constexpr int IDC_KEY_COPY = 13;
constexpr int IDC_KEY_PASTE = 14;
constexpr int IDC_KEY_OFF = 15;
constexpr int IDC_KEY_CHANGE = 16;

constexpr wchar_t KEY_WINDOW_CLASS[] = L"QNKeyWindow";
constexpr wchar_t KEY_WINDOW_TITLE[] = L"Quillnet \u2014 Site Key";

struct KeyBox {
    int x, y, width, height;
};

// Every pixel number of the window in one place, so that they can be scaled together.
struct KeyWindowLayout {
    int client_width, client_height;
    KeyBox status, caption, edit, generate, copy, paste, off, change, hint, ok, cancel;
};

constexpr KeyWindowLayout KEY_WINDOW_LAYOUT = {
    660, 250,
    {16, 16, 628, 22},    // status
    {16, 50, 628, 20},    // caption
    {16, 72, 628, 26},    // key
    {16, 108, 150, 28},   // Generate New Key
    {174, 108, 90, 28},   // Copy
    {272, 108, 90, 28},   // Paste
    {494, 108, 150, 28},  // Turn Sealing Off
    {16, 148, 628, 22},   // what OK will change
    {16, 174, 628, 20},   // hint
    {454, 208, 90, 28},   // OK
    {554, 208, 90, 28},   // Cancel
};

// Builds the window centred on its owner, runs its modal loop and returns when it has
// been closed. While one is open, a second request brings the open one forward.
// OK hands a changed key (empty: open mode) to save, which answers whether it was
// saved and taken over; on false the window stays open and tells the user.
using SaveSiteKey = std::function<bool(const std::string& key_text)>;
void show_key_window(HWND owner, const SaveSiteKey& save);

// A key put on the clipboard by Copy is taken off it again after this long (and at
// exit), if the clipboard still holds it. Tests shorten it; the program never does.
constexpr unsigned COPIED_KEY_LIFETIME_MS = 60000;
void set_copied_key_lifetime_ms(unsigned milliseconds);
// Takes a copied key off the clipboard now, if it is still there (at exit).
void forget_copied_key();

}  // namespace quillnet
