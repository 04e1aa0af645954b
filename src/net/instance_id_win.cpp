// Instance id from CoCreateGuid, formatted by StringFromGUID2 and converted to UTF-8.
#include <windows.h>
#include <objbase.h>

#include "net/clock.h"
#include "net/instance_id.h"

namespace quillnet {

std::string make_instance_id() {
    GUID guid{};
    if (FAILED(CoCreateGuid(&guid))) return fallback_instance_id(current_process_id(), milliseconds_since_start());
    wchar_t wide[64] = {};
    StringFromGUID2(guid, wide, 64);
    char narrow[64] = {};
    const int converted = WideCharToMultiByte(CP_UTF8, 0, wide, -1, narrow, sizeof narrow, nullptr, nullptr);
    if (converted <= 0) return UNKNOWN_INSTANCE_ID;
    return std::string(narrow);
}

}  // namespace quillnet
