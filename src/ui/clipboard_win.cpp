// Plain Unicode text in and out of the system clipboard.
#include "ui/clipboard.h"

#include <cstring>

namespace quillnet {

namespace {

// Holds the clipboard open for one operation.
class OpenClipboardScope {
public:
    explicit OpenClipboardScope(HWND owner) : open_(OpenClipboard(owner) != FALSE) {}
    ~OpenClipboardScope() {
        if (open_) CloseClipboard();
    }
    OpenClipboardScope(const OpenClipboardScope&) = delete;
    OpenClipboardScope& operator=(const OpenClipboardScope&) = delete;
    bool open() const { return open_; }

private:
    bool open_;
};

}  // namespace

bool put_clipboard_text(HWND owner, const std::wstring& text) {
    OpenClipboardScope clipboard(owner);
    if (!clipboard.open() || !EmptyClipboard()) return false;
    const SIZE_T bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!memory) return false;
    void* target = GlobalLock(memory);
    if (!target) {
        GlobalFree(memory);
        return false;
    }
    std::memcpy(target, text.c_str(), bytes);
    GlobalUnlock(memory);
    // On success the clipboard owns the memory; otherwise it is still ours to free.
    if (!SetClipboardData(CF_UNICODETEXT, memory)) {
        GlobalFree(memory);
        return false;
    }
    return true;
}

std::wstring clipboard_text(HWND owner) {
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT)) return std::wstring();
    OpenClipboardScope clipboard(owner);
    if (!clipboard.open()) return std::wstring();
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    if (!data) return std::wstring();
    const auto* text = static_cast<const wchar_t*>(GlobalLock(data));
    if (!text) return std::wstring();
    // The block may be larger than the text; the text ends at its first NUL, and
    // never beyond the block.
    const std::size_t units = GlobalSize(data) / sizeof(wchar_t);
    std::size_t length = 0;
    while (length < units && text[length] != L'\0') ++length;
    std::wstring copy(text, length);
    GlobalUnlock(data);
    return copy;
}

}  // namespace quillnet
