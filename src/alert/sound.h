// Notification sound: WAV decoding and tone synthesis (portable), playback (Win32).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillnet {

struct PcmBuffer {
    std::vector<std::int16_t> samples;  // interleaved by channel
    std::uint32_t rate = 44100;
    std::uint16_t channels = 1;
};

// Decodes a WAV file held in memory (8- or 16-bit integer PCM, rate >= 8000) and
// scales it by volume (clamped to 0..100). False for anything else.
bool decode_wav(const std::string& bytes, int volume, PcmBuffer& out);
// Reads the file (UTF-8 path) and decodes it.
bool load_wav(const std::string& file, int volume, PcmBuffer& out);
// The built-in tone: mono 44100 Hz sine with 10 ms fades.
std::vector<std::int16_t> synthesize_tone(int tone_freq, int tone_ms, int volume);

// Plays to completion on the calling thread (Win32 wave mapper); silent failures.
void play_pcm(PcmBuffer buffer);
// Starts a detached thread that loads or synthesises the sound and plays it.
void play_notification(const std::string& file, int volume, int tone_freq, int tone_ms);

}  // namespace quillnet
