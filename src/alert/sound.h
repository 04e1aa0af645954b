// Notification sound: WAV decoding and tone synthesis (portable), playback (Win32).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quillnet {

struct PcmBuffer {
    std::vector<std::int16_t> samples;  // interleaved by channel
    std::uint32_t rate = 44100;
    std::uint16_t channels = 1;
};

// One sound to play: a WAV file (UTF-8 path; empty for none) or the built-in tone.
struct SoundRequest {
    std::string file;
    int volume = 80;
    int tone_freq = 880;
    int tone_ms = 250;
};

// Limits that keep any setting or file from exhausting memory: WAV files larger than
// this are not decoded (the tone plays instead), and the tone lasts at most this long.
constexpr std::size_t MAX_WAV_FILE_BYTES = 64u * 1024u * 1024u;
constexpr int MAX_TONE_MS = 10000;

// Decodes a WAV file held in memory (8- or 16-bit integer PCM, rate >= 8000) and
// scales it by volume (clamped to 0..100). False for anything else.
bool decode_wav(const std::string& bytes, int volume, PcmBuffer& out);
// Reads the file (UTF-8 path) and decodes it.
bool load_wav(const std::string& file, int volume, PcmBuffer& out);
// The built-in tone: mono 44100 Hz sine with 10 ms fades, at most MAX_TONE_MS long.
std::vector<std::int16_t> synthesize_tone(int tone_freq, int tone_ms, int volume);
// What a request plays: the file when it loads, else the tone.
PcmBuffer notification_sound(const SoundRequest& request);

// Plays to completion on the calling thread (Win32 wave mapper); silent failures.
void play_pcm(PcmBuffer buffer);
// Starts a detached thread that loads or synthesises the sound and plays it. At most
// one sound plays at a time: a request while one is playing is dropped (false).
bool play_notification(const std::string& file, int volume, int tone_freq, int tone_ms);

}  // namespace quillnet
