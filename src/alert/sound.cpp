// The notification sound's samples: decoding a user's WAV file (8- or 16-bit integer
// PCM) into 16-bit samples scaled by the volume, and synthesising the built-in tone.
#include "alert/sound.h"

#include <cmath>
#include <filesystem>
#include <system_error>

#include "base/file_io.h"
#include "base/text.h"

namespace quillnet {

namespace {

std::uint32_t read_u32(const std::string& b, std::uint64_t at) {
    const auto byte = [&](std::uint64_t i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(b[i])); };
    return byte(at) | (byte(at + 1) << 8) | (byte(at + 2) << 16) | (byte(at + 3) << 24);
}

std::uint16_t read_u16(const std::string& b, std::uint64_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                      (static_cast<unsigned>(static_cast<unsigned char>(b[at + 1])) << 8));
}

bool has_id(const std::string& b, std::uint64_t at, const char* id) { return b.compare(at, 4, id) == 0; }

int clamp_volume(int volume) { return volume < 0 ? 0 : (volume > 100 ? 100 : volume); }

// The path as file_io takes it: UTF-16 units on Windows, code points where wchar_t
// is 32 bits wide.
std::wstring wide_path(const std::string& utf8) {
    const std::u16string units = utf8_to_utf16(utf8);
    std::wstring out;
    out.reserve(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        char32_t c = units[i];
        if (sizeof(wchar_t) == 4 && c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        }
        out.push_back(static_cast<wchar_t>(c));
    }
    return out;
}

// A file too large to be a notification sound is not read at all. Unknown sizes
// pass here; the decoder checks the bytes actually read.
bool small_enough(const std::string& utf8) {
    try {
        std::error_code error;
        const std::string normalised = utf16_to_utf8(utf8_to_utf16(utf8));
        const std::uintmax_t size = std::filesystem::file_size(std::filesystem::u8path(normalised), error);
        return error || size <= MAX_WAV_FILE_BYTES;
    } catch (const std::exception&) {
        return true;
    }
}

}  // namespace

bool decode_wav(const std::string& bytes, int volume, PcmBuffer& out) {
    const std::uint64_t size = bytes.size();
    if (size < 44 || size > MAX_WAV_FILE_BYTES) return false;
    if (!has_id(bytes, 0, "RIFF") || !has_id(bytes, 8, "WAVE")) return false;

    std::uint16_t format = 0, channels = 0, bits = 0;
    std::uint32_t rate = 0;
    bool have_data = false;
    std::uint64_t data_start = 0, data_length = 0;

    // Offsets are 64-bit so that a chunk length near 4 GiB cannot wrap the walk around.
    std::uint64_t offset = 12;
    do {
        const std::uint64_t n = read_u32(bytes, offset + 4);
        const std::uint64_t body = offset + 8;
        if (has_id(bytes, offset, "fmt ")) {
            if (n >= 16 && body + n <= size) {
                format = read_u16(bytes, body);
                channels = read_u16(bytes, body + 2);
                rate = read_u32(bytes, body + 4);
                bits = read_u16(bytes, body + 14);
            }
        } else if (has_id(bytes, offset, "data")) {
            have_data = true;
            data_start = body;
            data_length = body + n > size ? size - body : n;  // a truncated last chunk plays as far as it goes
        }
        offset = body + n + (n & 1);
    } while (offset + 8 <= size);

    if (format != 1 || !have_data || channels < 1 || static_cast<std::int32_t>(rate) < 8000 ||
        (bits != 8 && bits != 16))
        return false;

    const double v = clamp_volume(volume) / 100.0;
    std::vector<std::int16_t> samples;
    if (bits == 16) {
        samples.resize(static_cast<std::size_t>(data_length / 2));
        for (std::size_t i = 0; i < samples.size(); ++i) {
            const auto s = static_cast<std::int16_t>(read_u16(bytes, data_start + 2 * i));
            samples[i] = static_cast<std::int16_t>(std::trunc(s * v));
        }
    } else {
        samples.resize(static_cast<std::size_t>(data_length));
        for (std::size_t i = 0; i < samples.size(); ++i) {
            const int b = static_cast<unsigned char>(bytes[static_cast<std::size_t>(data_start + i)]);
            samples[i] = static_cast<std::int16_t>(std::trunc(((b - 128) * 256) * v));
        }
    }
    out.samples = std::move(samples);
    out.rate = rate;
    out.channels = channels;
    return true;
}

bool load_wav(const std::string& file, int volume, PcmBuffer& out) {
    if (!small_enough(file)) return false;
    std::string bytes;
    if (!read_file_bytes(wide_path(file), bytes)) return false;
    return decode_wav(bytes, volume, out);
}

std::vector<std::int16_t> synthesize_tone(int tone_freq, int tone_ms, int volume) {
    const int f = tone_freq < 20 ? 20 : tone_freq;
    int d = tone_ms < 10 ? 10 : tone_ms;
    if (d > MAX_TONE_MS) d = MAX_TONE_MS;
    const int v = clamp_volume(volume);

    const std::int64_t count = static_cast<std::int64_t>(d) * 44100 / 1000;
    const double amplitude = v / 100.0 * 0.6 * 32767.0;
    const double step = f * 6.28318530717958;

    std::vector<std::int16_t> samples(static_cast<std::size_t>(count));
    for (std::int64_t i = 0; i < count; ++i) {
        // Fade-in wins over fade-out when a short tone has room for neither whole.
        double envelope = 1.0;
        if (i < 441)
            envelope = i / 441.0;
        else if (i > count - 441)
            envelope = (count - i) / 441.0;
        const double s = std::sin((i / 44100.0) * step);
        samples[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(std::trunc(s * (envelope * amplitude)));
    }
    return samples;
}

PcmBuffer notification_sound(const SoundRequest& request) {
    PcmBuffer buffer;
    if (!request.file.empty() && load_wav(request.file, request.volume, buffer)) return buffer;
    buffer = PcmBuffer();
    buffer.samples = synthesize_tone(request.tone_freq, request.tone_ms, request.volume);
    buffer.rate = 44100;
    buffer.channels = 1;
    return buffer;
}

}  // namespace quillnet
