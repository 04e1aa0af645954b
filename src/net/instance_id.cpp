// Formatting of instance ids, shared by both platforms.
#include "net/instance_id.h"

#include "net/crypto.h"

namespace quillnet {

namespace {

void append_hex(std::string& out, std::uint64_t value, int digits) {
    static const char HEX[] = "0123456789ABCDEF";
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) out.push_back(HEX[(value >> shift) & 0xF]);
}

}  // namespace

std::string format_guid_text(const GuidValue& guid) {
    std::string out;
    out.reserve(38);
    out.push_back('{');
    append_hex(out, guid.data1, 8);
    out.push_back('-');
    append_hex(out, guid.data2, 4);
    out.push_back('-');
    append_hex(out, guid.data3, 4);
    out.push_back('-');
    append_hex(out, guid.data4[0], 2);
    append_hex(out, guid.data4[1], 2);
    out.push_back('-');
    for (int i = 2; i < 8; ++i) append_hex(out, guid.data4[i], 2);
    out.push_back('}');
    return out;
}

GuidValue guid_from_random_bytes(const std::uint8_t bytes[16]) {
    GuidValue guid;
    guid.data1 = (std::uint32_t(bytes[0]) << 24) | (std::uint32_t(bytes[1]) << 16) |
                 (std::uint32_t(bytes[2]) << 8) | bytes[3];
    guid.data2 = static_cast<std::uint16_t>((bytes[4] << 8) | bytes[5]);
    guid.data3 = static_cast<std::uint16_t>((((bytes[6] << 8) | bytes[7]) & 0x0FFF) | 0x4000);
    for (int i = 0; i < 8; ++i) guid.data4[i] = bytes[8 + i];
    guid.data4[0] = static_cast<std::uint8_t>((guid.data4[0] & 0x3F) | 0x80);
    return guid;
}

std::string random_instance_id() {
    std::uint8_t bytes[16] = {};
    if (!crypto_random(bytes, sizeof bytes)) return std::string();
    return format_guid_text(guid_from_random_bytes(bytes));
}

std::string fallback_instance_id(std::uint64_t process_id, std::int64_t uptime_ms) {
    return "id-" + std::to_string(process_id) + "-" + std::to_string(uptime_ms);
}

}  // namespace quillnet
