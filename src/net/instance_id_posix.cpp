// Instance id natively: 16 bytes from /dev/urandom (or std::random_device), formatted
// as a braced GUID exactly like the Windows build.
#include <cstdio>
#include <random>

#include "net/clock.h"
#include "net/instance_id.h"

namespace quillnet {

namespace {

bool read_urandom(std::uint8_t (&bytes)[16]) {
    std::FILE* file = std::fopen("/dev/urandom", "rb");
    if (!file) return false;
    const bool ok = std::fread(bytes, 1, sizeof bytes, file) == sizeof bytes;
    std::fclose(file);
    return ok;
}

bool read_random_device(std::uint8_t (&bytes)[16]) {
    try {
        std::random_device device;
        for (int i = 0; i < 16; i += 4) {
            const std::uint32_t value = device();
            for (int k = 0; k < 4; ++k) bytes[i + k] = static_cast<std::uint8_t>(value >> (8 * k));
        }
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace

std::string make_instance_id() {
    std::uint8_t bytes[16] = {};
    if (!read_urandom(bytes) && !read_random_device(bytes)) {
        return fallback_instance_id(current_process_id(), milliseconds_since_start());
    }
    return format_guid_text(guid_from_random_bytes(bytes));
}

}  // namespace quillnet
