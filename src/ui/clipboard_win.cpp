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

// Puts bytes on the open clipboard in format.
bool set_clipboard_bytes(UINT format, const void* data, SIZE_T bytes) {
    if (format == 0) return false;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!memory) return false;
    void* target = GlobalLock(memory);
    if (!target) {
        GlobalFree(memory);
        return false;
    }
    std::memcpy(target, data, bytes);
    GlobalUnlock(memory);
    // On success the clipboard owns the memory; otherwise it is still ours to free.
    if (!SetClipboardData(format, memory)) {
        GlobalFree(memory);
        return false;
    }
    return true;
}

bool put_text(HWND owner, const std::wstring& text, bool secret) {
    OpenClipboardScope clipboard(owner);
    if (!clipboard.open() || !EmptyClipboard()) return false;
    if (!set_clipboard_bytes(CF_UNICODETEXT, text.c_str(), (text.size() + 1) * sizeof(wchar_t))) return false;
    if (!secret) return true;
    // Windows 10 and 11 read these: the first keeps clipboard monitors (history,
    // cloud sync) away whatever it holds; the other two say no with a DWORD 0.
    const DWORD no = 0;
    const bool excluded =
        set_clipboard_bytes(RegisterClipboardFormatW(L"ExcludeClipboardContentFromMonitorProcessing"), &no, sizeof no);
    const bool no_history =
        set_clipboard_bytes(RegisterClipboardFormatW(L"CanIncludeInClipboardHistory"), &no, sizeof no);
    const bool no_cloud = set_clipboard_bytes(RegisterClipboardFormatW(L"CanUploadToCloudClipboard"), &no, sizeof no);
    // A secret without its guards does not stay on the clipboard.
    if (excluded && no_history && no_cloud) return true;
    EmptyClipboard();
    return false;
}

}  // namespace

bool put_clipboard_text(HWND owner, const std::wstring& text) { return put_text(owner, text, false); }

bool put_secret_clipboard_text(HWND owner, const std::wstring& text) { return put_text(owner, text, true); }


namespace {

// The Unicode text of the clipboard, which the caller holds open.
std::wstring open_clipboard_text() {
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

}  // namespace

std::wstring clipboard_text(HWND owner) {
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT)) return std::wstring();
    OpenClipboardScope clipboard(owner);
    if (!clipboard.open()) return std::wstring();
    return open_clipboard_text();
}

bool empty_clipboard_holding(HWND owner, const std::wstring& text) {
    if (text.empty() || !IsClipboardFormatAvailable(CF_UNICODETEXT)) return false;
    // Compared and emptied while held open, so nothing copied in between is lost.
    OpenClipboardScope clipboard(owner);
    if (!clipboard.open() || open_clipboard_text() != text) return false;
    return EmptyClipboard() != FALSE;
}

}  // namespace quillnet
