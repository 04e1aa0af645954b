// Instance id from CoCreateGuid, formatted by StringFromGUID2 and converted to UTF-8
// (both looked up in ole32 when the engine starts), or from the random generator.
#include <windows.h>
#include <objbase.h>

#include "base/system_library.h"
#include "net/clock.h"
#include "net/instance_id.h"

namespace quillnet {

namespace {

// The system's GUID in its own text form; the same form made here when the text cannot be had.
std::string guid_text_of(const GUID& guid) {
    static const auto guid_text = system_function<decltype(&StringFromGUID2)>(L"ole32.dll", "StringFromGUID2");
    wchar_t wide[64] = {};
    char narrow[64] = {};
    if (guid_text && guid_text(guid, wide, 64) > 0 &&
        WideCharToMultiByte(CP_UTF8, 0, wide, -1, narrow, sizeof narrow, nullptr, nullptr) > 0) {
        return std::string(narrow);
    }
    GuidValue value;
    value.data1 = guid.Data1;
    value.data2 = guid.Data2;
    value.data3 = guid.Data3;
    for (int i = 0; i < 8; ++i) value.data4[i] = guid.Data4[i];
    return format_guid_text(value);
}

}  // namespace

std::string make_instance_id() {
    static const auto create_guid = system_function<decltype(&CoCreateGuid)>(L"ole32.dll", "CoCreateGuid");
    GUID guid{};
    if (create_guid && SUCCEEDED(create_guid(&guid))) return guid_text_of(guid);
    // No GUID from the system: one from BCryptGenRandom instead, so that two copies
    // never share an id.
    const std::string id = random_instance_id();
    return id.empty() ? fallback_instance_id(current_process_id(), milliseconds_since_start()) : id;
}

}  // namespace quillnet
