// QnSetup.dll, the package's two custom actions. QnPlanInstall (immediate) reads the
// public properties, fails the installation with a clear message when one is not
// valid, and hands the first Quillnet.ini text and the firewall ports to the
// execution script. QnWriteSettings (deferred, as the installing system account)
// writes that text, and only when no Quillnet.ini exists.
#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <string>

#include "base/file_io.h"
#include "base/win_text.h"
#include "setup/install_plan.h"

namespace {

using quillnet::to_utf8;
using quillnet::to_wide;

std::wstring property(MSIHANDLE install, const wchar_t* name) {
    DWORD size = 0;
    wchar_t empty[1] = {};
    if (MsiGetPropertyW(install, name, empty, &size) != ERROR_MORE_DATA) return std::wstring();
    std::wstring value(size + 1, L'\0');
    size += 1;
    if (MsiGetPropertyW(install, name, &value[0], &size) != ERROR_SUCCESS) return std::wstring();
    value.resize(size);
    return value;
}

// One line in the installer log (and, for an error, the message a user interface
// shows); field 0 of the record is the whole text.
void report(MSIHANDLE install, INSTALLMESSAGE kind, const std::wstring& text) {
    const MSIHANDLE record = MsiCreateRecord(1);
    if (!record) return;
    MsiRecordSetStringW(record, 0, (L"Quillnet: " + text).c_str());
    MsiProcessMessage(install, kind, record);
    MsiCloseHandle(record);
}

std::wstring ini_path_in(const std::wstring& folder) {
    if (folder.empty()) return std::wstring();
    const wchar_t last = folder.back();
    return folder + (last == L'\\' || last == L'/' ? L"" : L"\\") + L"Quillnet.ini";
}

UINT plan(MSIHANDLE install) {
    quillnet::InstallProperties given;
    given.user = to_utf8(property(install, L"USER"));
    given.room = to_utf8(property(install, L"ROOM"));
    given.discovery_port = to_utf8(property(install, L"DISCOVERY_PORT"));
    given.message_port = to_utf8(property(install, L"MESSAGE_PORT"));
    given.seed_peers = to_utf8(property(install, L"SEED_PEERS"));
    given.site_key = to_utf8(property(install, L"SITE_KEY"));

    const std::wstring ini_path = ini_path_in(property(install, L"INSTALLDIR"));
    std::string existing;
    const bool has_file = !ini_path.empty() && quillnet::read_file_bytes(ini_path, existing);
    const quillnet::InstallPlan result = quillnet::plan_install(given, has_file ? &existing : nullptr);
    if (!result.error.empty()) {
        report(install, INSTALLMESSAGE(INSTALLMESSAGE_ERROR | MB_OK | MB_ICONERROR), to_wide(result.error));
        return ERROR_INSTALL_FAILURE;
    }
    MsiSetPropertyW(install, L"QN_DISCOVERY_PORT", std::to_wstring(result.discovery_port).c_str());
    MsiSetPropertyW(install, L"QN_MESSAGE_PORT", std::to_wstring(result.message_port).c_str());
    if (has_file) report(install, INSTALLMESSAGE_INFO, L"the existing " + ini_path + L" is kept as it is.");
    // The deferred action sees only its own property (CustomActionData): the path,
    // a line feed, then the file's text.
    if (result.write_file)
        MsiSetPropertyW(install, L"QnWriteSettings", (ini_path + L"\n" + to_wide(result.file_text)).c_str());
    return ERROR_SUCCESS;
}

UINT write_settings(MSIHANDLE install) {
    const std::wstring data = property(install, L"CustomActionData");
    const std::size_t split = data.find(L'\n');
    if (split == std::wstring::npos || split == 0) return ERROR_SUCCESS;
    const std::wstring path = data.substr(0, split);
    const std::string text = to_utf8(data.substr(split + 1));
    // CREATE_NEW never replaces a file: one that appeared since the plan (or one an
    // earlier version left) stays exactly as it is.
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_EXISTS) {
            report(install, INSTALLMESSAGE_INFO, path + L" already exists and is kept as it is.");
            return ERROR_SUCCESS;
        }
        report(install, INSTALLMESSAGE(INSTALLMESSAGE_ERROR | MB_OK | MB_ICONERROR),
               L"could not create " + path + L" (error " + std::to_wstring(error) + L").");
        return ERROR_INSTALL_FAILURE;
    }
    DWORD written = 0;
    const BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                    written == text.size() && FlushFileBuffers(file);
    CloseHandle(file);
    if (!ok) {
        DeleteFileW(path.c_str());
        report(install, INSTALLMESSAGE(INSTALLMESSAGE_ERROR | MB_OK | MB_ICONERROR),
               L"could not write " + path + L".");
        return ERROR_INSTALL_FAILURE;
    }
    report(install, INSTALLMESSAGE_INFO, L"wrote " + path + L".");
    return ERROR_SUCCESS;
}

// Nothing may escape into the installer's custom action server.
template <typename Action>
UINT guarded(MSIHANDLE install, Action action) {
    try {
        return action(install);
    } catch (...) {
        report(install, INSTALLMESSAGE(INSTALLMESSAGE_ERROR | MB_OK | MB_ICONERROR), L"the setup step failed.");
        return ERROR_INSTALL_FAILURE;
    }
}

}  // namespace

extern "C" __declspec(dllexport) UINT __stdcall QnPlanInstall(MSIHANDLE install) { return guarded(install, plan); }

extern "C" __declspec(dllexport) UINT __stdcall QnWriteSettings(MSIHANDLE install) {
    return guarded(install, write_settings);
}
