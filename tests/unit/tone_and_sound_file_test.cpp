// The built-in tone's samples and length limits, and which sound a request plays:
// a WAV file from disk when it loads, else the tone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "alert/sound.h"
#include "base/file_io.h"
#include "base/text.h"
#include "test_paths.h"

using namespace quillnet;

namespace {

// One sample as the tone defines it, written out independently of the synthesiser.
std::int16_t expected_sample(int f, std::int64_t count, std::int64_t i, int volume) {
    const double a = volume / 100.0 * 0.6 * 32767.0;
    const double env = i < 441 ? i / 441.0 : (i > count - 441 ? (count - i) / 441.0 : 1.0);
    return static_cast<std::int16_t>(std::trunc(std::sin((i / 44100.0) * (f * 6.28318530717958)) * (env * a)));
}

int peak(const std::vector<std::int16_t>& s) {
    int p = 0;
    for (auto v : s) p = std::max(p, std::abs(static_cast<int>(v)));
    return p;
}

std::string le32(std::uint32_t v) {
    return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
}

// A 16-bit mono 8000 Hz file with the given little-endian sample bytes.
std::string wav_file(const std::string& data) {
    std::string body = std::string("WAVE") + "fmt " + le32(16) + std::string("\x01\x00\x01\x00", 4) + le32(8000) +
                       le32(16000) + std::string("\x02\x00\x10\x00", 4) + "data" + le32(static_cast<std::uint32_t>(data.size())) + data;
    return "RIFF" + le32(static_cast<std::uint32_t>(body.size())) + body;
}

// A scratch file in the temporary folder, removed again when the test ends.
struct ScratchFile {
    std::wstring wide;
    std::string utf8;
    ScratchFile(const std::u16string& name, const std::string& bytes) {
        const std::wstring base = test_temp_path(L"");
        std::u16string full(base.begin(), base.end());
        full += name;
        utf8 = utf16_to_utf8(full);
        for (std::size_t i = 0; i < full.size(); ++i) {
            char32_t c = full[i];
            if (sizeof(wchar_t) == 4 && c >= 0xD800 && c <= 0xDBFF) c = 0x10000 + ((c - 0xD800) << 10) + (full[++i] - 0xDC00);
            wide.push_back(static_cast<wchar_t>(c));
        }
        delete_file(wide);
        append_file_bytes(wide, bytes);
    }
    ~ScratchFile() { delete_file(wide); }
};

}  // namespace

TEST(Tone, LengthFollowsDurationWithFloorAndCeiling) {
    EXPECT_EQ(synthesize_tone(880, 250, 80).size(), 11025u);
    EXPECT_EQ(synthesize_tone(880, 10, 80).size(), 441u);
    EXPECT_EQ(synthesize_tone(880, 9, 80).size(), 441u);
    EXPECT_EQ(synthesize_tone(880, 0, 80).size(), 441u);
    EXPECT_EQ(synthesize_tone(880, -2147483647 - 1, 80).size(), 441u);
    EXPECT_EQ(synthesize_tone(880, 33, 80).size(), 1455u);  // 33 * 44100 / 1000 = 1455.3
    // No setting can ask for more than the ceiling (10 s of mono 44.1 kHz).
    EXPECT_EQ(synthesize_tone(880, MAX_TONE_MS, 80).size(), 441000u);
    EXPECT_EQ(synthesize_tone(880, MAX_TONE_MS + 1, 80).size(), 441000u);
    EXPECT_EQ(synthesize_tone(880, 2147483647, 80).size(), 441000u);
}

TEST(Tone, SamplesMatchTheToneFormula) {
    const auto tone = synthesize_tone(880, 250, 80);
    ASSERT_EQ(tone.size(), 11025u);
    for (std::int64_t i : {0, 1, 100, 440, 441, 442, 5000, 10583, 10584, 10585, 11000, 11024})
        EXPECT_EQ(tone[static_cast<std::size_t>(i)], expected_sample(880, 11025, i, 80)) << "sample " << i;
    EXPECT_EQ(tone[0], 0);
    // 60 % of full scale at most, and reached in the steady middle part.
    EXPECT_LE(peak(tone), 15728);
    EXPECT_GE(peak(tone), 15600);
    EXPECT_LE(std::abs(static_cast<int>(tone.back())), 15728 / 441 + 1);  // faded out at the end
}

TEST(Tone, ShortToneOnlyFadesIn) {
    // 15 ms = 661 samples: from 221 on both fades would apply, and the fade-in wins.
    const auto tone = synthesize_tone(1000, 15, 100);
    ASSERT_EQ(tone.size(), 661u);
    for (std::int64_t i : {220, 221, 300, 440}) EXPECT_EQ(tone[static_cast<std::size_t>(i)], expected_sample(1000, 661, i, 100)) << i;
    const double amplitude = 100 / 100.0 * 0.6 * 32767.0;
    const double s300 = std::sin((300 / 44100.0) * (1000 * 6.28318530717958));
    EXPECT_EQ(tone[300], static_cast<std::int16_t>(std::trunc(s300 * ((300 / 441.0) * amplitude))));
    EXPECT_NE(tone[300], static_cast<std::int16_t>(std::trunc(s300 * ((361 / 441.0) * amplitude))));
    // The shortest tone never leaves the fade-in: its last sample is still below 100 % envelope.
    const auto shortest = synthesize_tone(1000, 10, 100);
    EXPECT_EQ(shortest[440], expected_sample(1000, 441, 440, 100));
}

TEST(Tone, FrequencyFloorAndVolumeClamp) {
    EXPECT_EQ(synthesize_tone(5, 100, 80), synthesize_tone(20, 100, 80));
    EXPECT_EQ(synthesize_tone(-300, 100, 80), synthesize_tone(20, 100, 80));
    EXPECT_NE(synthesize_tone(21, 100, 80), synthesize_tone(20, 100, 80));
    EXPECT_EQ(synthesize_tone(880, 100, 150), synthesize_tone(880, 100, 100));
    const auto silent = synthesize_tone(880, 100, -5);
    EXPECT_EQ(silent.size(), 4410u);
    EXPECT_EQ(peak(silent), 0);
    EXPECT_EQ(synthesize_tone(880, 100, 0), silent);
}

TEST(NotificationSound, EmptyOrUnusableFilePlaysTheTone) {
    const auto tone = synthesize_tone(660, 40, 70);
    SoundRequest request;
    request.volume = 70;
    request.tone_freq = 660;
    request.tone_ms = 40;
    PcmBuffer sound = notification_sound(request);
    EXPECT_EQ(sound.samples, tone);
    EXPECT_EQ(sound.rate, 44100u);
    EXPECT_EQ(sound.channels, 1);

    request.file = utf16_to_utf8(u"/no/such/dir/missing.wav");
    EXPECT_EQ(notification_sound(request).samples, tone);

    ScratchFile tiny(u"sound-tiny.wav", std::string("RIFF\x04\x00\x00\x00WAVE", 12));
    request.file = tiny.utf8;
    EXPECT_EQ(notification_sound(request).samples, tone);
}

TEST(NotificationSound, WavFileIsLoadedFromAUtf8Path) {
    ScratchFile file(u"sound-\u00E9\U0001F514.wav", wav_file(std::string("\x10\x00\xF0\xFF\x00\x40", 6)));
    PcmBuffer out;
    ASSERT_TRUE(load_wav(file.utf8, 50, out));
    EXPECT_EQ(out.samples, (std::vector<std::int16_t>{8, -8, 8192}));
    EXPECT_EQ(out.rate, 8000u);

    SoundRequest request;
    request.file = file.utf8;
    request.volume = 100;
    const PcmBuffer sound = notification_sound(request);
    EXPECT_EQ(sound.samples, (std::vector<std::int16_t>{16, -16, 16384}));
    EXPECT_EQ(sound.rate, 8000u);
}

TEST(NotificationSound, EmptyDataChunkPlaysNothingRatherThanTheTone) {
    ScratchFile file(u"sound-empty.wav", wav_file(""));
    SoundRequest request;
    request.file = file.utf8;
    const PcmBuffer sound = notification_sound(request);
    EXPECT_TRUE(sound.samples.empty());
    EXPECT_EQ(sound.rate, 8000u);
}

TEST(NotificationSound, OversizedFileIsNotReadAndTheTonePlays) {
    std::string bytes = wav_file(std::string(1000, '\x01'));
    bytes.resize(MAX_WAV_FILE_BYTES + 1, '\0');
    ScratchFile file(u"sound-huge.wav", bytes);
    bytes.clear();
    PcmBuffer out;
    EXPECT_FALSE(load_wav(file.utf8, 100, out));
    SoundRequest request;
    request.file = file.utf8;
    request.tone_ms = 30;
    EXPECT_EQ(notification_sound(request).samples.size(), 1323u);
}
