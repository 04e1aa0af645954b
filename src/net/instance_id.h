// The instance id naming one running engine: a braced upper-case GUID, or one of two
// fallback forms when no GUID can be had.
#pragma once

#include <cstdint>
#include <string>

namespace quillnet {

struct GuidValue {
    std::uint32_t data1 = 0;
    std::uint16_t data2 = 0;
    std::uint16_t data3 = 0;
    std::uint8_t data4[8] = {};
};

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" with upper-case digits, 38 characters.
std::string format_guid_text(const GuidValue& guid);
// A version-4 GUID from 16 random bytes (version and variant bits set).
GuidValue guid_from_random_bytes(const std::uint8_t bytes[16]);
// A braced version-4 GUID from the system's cryptographic random generator (the
// crypto layer's); empty when it fails. The fallback when the system gives no GUID, so
// that two copies never share an id.
std::string random_instance_id();
// "id-" + process id + "-" + milliseconds since system start: the last resort, when
// not even the random generator answers.
std::string fallback_instance_id(std::uint64_t process_id, std::int64_t uptime_ms);

// A new id (CoCreateGuid on Windows, the random generator natively), with the fallbacks.
std::string make_instance_id();

}  // namespace quillnet
