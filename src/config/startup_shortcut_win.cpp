// The start-at-login setting: a shell shortcut "Quillnet.lnk" in the user's Startup
// folder pointing at the running executable. Its presence is the setting.
#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <string>

#include "base/system_library.h"
#include "base/win_handles.h"
#include "config/startup_shortcut.h"

namespace quillnet {

namespace {

// COM and the shell's folder lookup, found on first use: the shortcut is needed only
// by the configuration dialog.
struct ShellFunctions {
    decltype(&CoInitializeEx) initialize = system_function<decltype(&CoInitializeEx)>(L"ole32.dll", "CoInitializeEx");
    decltype(&CoUninitialize) uninitialize =
        system_function<decltype(&CoUninitialize)>(L"ole32.dll", "CoUninitialize");
    decltype(&CoCreateInstance) create_instance =
        system_function<decltype(&CoCreateInstance)>(L"ole32.dll", "CoCreateInstance");
    decltype(&CoTaskMemFree) free_task_memory =
        system_function<decltype(&CoTaskMemFree)>(L"ole32.dll", "CoTaskMemFree");
    decltype(&SHGetKnownFolderPath) known_folder_path =
        system_function<decltype(&SHGetKnownFolderPath)>(L"shell32.dll", "SHGetKnownFolderPath");
    bool complete() const {
        return initialize && uninitialize && create_instance && free_task_memory && known_folder_path;
    }
};

const ShellFunctions& shell() {
    static const ShellFunctions functions;
    return functions;
}

// A buffer the shell allocated with the COM task allocator.
class TaskMemory {
public:
    TaskMemory() = default;
    ~TaskMemory() { shell().free_task_memory(pointer_); }
    TaskMemory(const TaskMemory&) = delete;
    TaskMemory& operator=(const TaskMemory&) = delete;

    PWSTR get() const { return pointer_; }
    PWSTR* out() { return &pointer_; }

private:
    PWSTR pointer_ = nullptr;
};

// The full path of the running executable. The buffer grows past MAX_PATH when
// needed: a silently truncated path would make a shortcut to nothing.
std::wstring executable_path() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, &buffer[0], static_cast<DWORD>(buffer.size()));
        if (length == 0) return std::wstring();
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        if (buffer.size() >= 32768) return std::wstring();
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring directory_of(const std::wstring& path) {
    const std::size_t last = path.find_last_of(L"\\/");
    return last == std::wstring::npos ? path : path.substr(0, last);
}

bool write_shortcut(const std::wstring& shortcut) {
    const ComApartment apartment(shell().initialize, shell().uninitialize);
    ComRef<IShellLinkW> link;
    if (FAILED(shell().create_instance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.out_void())))
        return false;
    const std::wstring target = executable_path();
    if (target.empty()) return false;
    link->SetPath(target.c_str());
    link->SetWorkingDirectory(directory_of(target).c_str());
    link->SetDescription(L"Quillnet LAN messenger");

    ComRef<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.out_void()))) return false;
    return SUCCEEDED(file->Save(shortcut.c_str(), TRUE));
}

}  // namespace

std::wstring startup_shortcut_path() {
    if (!shell().complete()) return std::wstring();
    TaskMemory folder;
    // The buffer must be freed even when the call fails.
    if (FAILED(shell().known_folder_path(FOLDERID_Startup, 0, nullptr, folder.out())) || !folder.get())
        return std::wstring();
    return std::wstring(folder.get()) + L"\\Quillnet.lnk";
}

bool startup_shortcut_exists() {
    const std::wstring path = startup_shortcut_path();
    return !path.empty() && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool set_start_at_login(bool enable) {
    const std::wstring path = startup_shortcut_path();
    if (path.empty()) return false;
    if (!enable) {
        DeleteFileW(path.c_str());  // a missing file is already the wanted state
        return true;
    }
    return write_shortcut(path);
}

}  // namespace quillnet
