// Fuzz target: WAV decoding. Any bytes decode or fail without a fault; an accepted file
// has a usable format, never more samples than input bytes, and a lower volume never
// gives a louder sample.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "alert/sound.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillnet;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    PcmBuffer full;
    const bool ok = decode_wav(bytes, 100, full);
    PcmBuffer quiet;
    const int volume = size > 0 ? static_cast<int>(data[size - 1]) - 60 : 50;  // -60..195
    if (decode_wav(bytes, volume, quiet) != ok) std::abort();
    if (!ok) return 0;
    if (full.samples.size() > size) std::abort();
    if (full.channels < 1 || static_cast<std::int32_t>(full.rate) < 8000) std::abort();
    if (quiet.samples.size() != full.samples.size() || quiet.rate != full.rate || quiet.channels != full.channels)
        std::abort();
    for (std::size_t i = 0; i < full.samples.size(); ++i) {
        const int loud = std::abs(static_cast<int>(full.samples[i]));
        const int soft = std::abs(static_cast<int>(quiet.samples[i]));
        if (soft > loud || (volume <= 0 && soft != 0) || (volume >= 100 && soft != loud)) std::abort();
    }
    return 0;
}
