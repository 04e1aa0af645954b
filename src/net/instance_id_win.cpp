// Instance id from CoCreateGuid, formatted by StringFromGUID2 and converted to UTF-8
// (both looked up in ole32 when the engine starts).
#include <windows.h>
#include <objbase.h>

#include "base/system_library.h"
#include "net/clock.h"
#include "net/instance_id.h"

namespace quillnet {

std::string make_instance_id() {
    static const auto create_guid = system_function<decltype(&CoCreateGuid)>(L"ole32.dll", "CoCreateGuid");
    static const auto guid_text = system_function<decltype(&StringFromGUID2)>(L"ole32.dll", "StringFromGUID2");
    GUID guid{};
    if (!create_guid || !guid_text || FAILED(create_guid(&guid)))
        return fallback_instance_id(current_process_id(), milliseconds_since_start());
    wchar_t wide[64] = {};
    guid_text(guid, wide, 64);
    char narrow[64] = {};
    const int converted = WideCharToMultiByte(CP_UTF8, 0, wide, -1, narrow, sizeof narrow, nullptr, nullptr);
    if (converted <= 0) return UNKNOWN_INSTANCE_ID;
    return std::string(narrow);
}

}  // namespace quillnet
