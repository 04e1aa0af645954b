// WAV decoding on byte images built here: which files are accepted, how the chunk walk
// treats odd, truncated and oversized chunks, and how samples are scaled.
#include <gtest/gtest.h>

#include "alert/sound.h"

using namespace quillnet;

namespace {

std::string le16(std::uint16_t v) { return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; }
std::string le32(std::uint32_t v) { return le16(static_cast<std::uint16_t>(v & 0xFFFF)) + le16(static_cast<std::uint16_t>(v >> 16)); }

std::string chunk(const char* id, const std::string& body) {
    std::string c = std::string(id, 4) + le32(static_cast<std::uint32_t>(body.size())) + body;
    if (body.size() % 2) c += '\0';
    return c;
}
// A chunk header claiming a length other than what follows.
std::string chunk_claiming(const char* id, std::uint32_t length, const std::string& body) {
    return std::string(id, 4) + le32(length) + body;
}

std::string fmt(std::uint16_t format, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
    const std::uint16_t align = static_cast<std::uint16_t>(channels * bits / 8);
    return chunk("fmt ", le16(format) + le16(channels) + le32(rate) + le32(rate * align) + le16(align) + le16(bits));
}

std::string samples16(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) out += le16(static_cast<std::uint16_t>(static_cast<std::int16_t>(v)));
    return out;
}

std::string wav(const std::string& chunks) { return "RIFF" + le32(static_cast<std::uint32_t>(4 + chunks.size())) + "WAVE" + chunks; }

// Pads a file with a trailing unknown chunk so that it reaches the 44-byte minimum.
std::string padded(std::string file) {
    while (file.size() < 44) file += chunk("pad ", std::string(2, 'p'));
    return file;
}

using Samples = std::vector<std::int16_t>;

}  // namespace

TEST(WavDecode, Plain16BitMonoAtFullVolume) {
    PcmBuffer out;
    ASSERT_TRUE(decode_wav(wav(fmt(1, 1, 44100, 16) + chunk("data", samples16({0, 1000, -1000, 32767, -32768}))), 100, out));
    EXPECT_EQ(out.samples, (Samples{0, 1000, -1000, 32767, -32768}));
    EXPECT_EQ(out.rate, 44100u);
    EXPECT_EQ(out.channels, 1);
}

TEST(WavDecode, StereoKeepsInterleavingAndRate) {
    PcmBuffer out;
    ASSERT_TRUE(decode_wav(wav(fmt(1, 2, 22050, 16) + chunk("data", samples16({1, -1, 2, -2, 3, -3}))), 100, out));
    EXPECT_EQ(out.samples, (Samples{1, -1, 2, -2, 3, -3}));
    EXPECT_EQ(out.rate, 22050u);
    EXPECT_EQ(out.channels, 2);
}

TEST(WavDecode, VolumeScalesTowardZeroAndIsClamped) {
    const std::string file = wav(fmt(1, 1, 8000, 16) + chunk("data", samples16({-1001, 1001, 32767, -32768})));
    PcmBuffer out;
    ASSERT_TRUE(decode_wav(file, 50, out));
    EXPECT_EQ(out.samples, (Samples{-500, 500, 16383, -16384}));
    ASSERT_TRUE(decode_wav(file, 150, out));
    EXPECT_EQ(out.samples, (Samples{-1001, 1001, 32767, -32768}));
    ASSERT_TRUE(decode_wav(file, 0, out));
    EXPECT_EQ(out.samples, (Samples{0, 0, 0, 0}));  // silence of the full length
    ASSERT_TRUE(decode_wav(file, -5, out));
    EXPECT_EQ(out.samples, (Samples{0, 0, 0, 0}));
}

TEST(WavDecode, EightBitMapping) {
    const std::string bytes = {'\x00', '\x01', '\x7F', '\x80', '\x81', '\xFF'};
    PcmBuffer out;
    ASSERT_TRUE(decode_wav(padded(wav(fmt(1, 1, 11025, 8) + chunk("data", bytes))), 100, out));
    EXPECT_EQ(out.samples, (Samples{-32768, -32512, -256, 0, 256, 32512}));
    ASSERT_TRUE(decode_wav(padded(wav(fmt(1, 1, 11025, 8) + chunk("data", bytes))), 33, out));
    // trunc(-32768 * 0.33) = -10813, trunc(-32512 * 0.33) = -10728, trunc(32512 * 0.33) = 10728
    EXPECT_EQ(out.samples, (Samples{-10813, -10728, -84, 0, 84, 10728}));
}

TEST(WavDecode, RejectsWhatIsNotIntegerPcmOfEightOrSixteenBits) {
    const std::string data = chunk("data", samples16({1, 2, 3, 4}));
    PcmBuffer out;
    out.samples = {7};
    EXPECT_FALSE(decode_wav(wav(fmt(3, 1, 44100, 32) + data), 100, out));       // floating point
    EXPECT_FALSE(decode_wav(wav(fmt(0xFFFE, 1, 44100, 16) + data), 100, out));  // extensible header
    EXPECT_FALSE(decode_wav(wav(fmt(1, 1, 44100, 24) + data), 100, out));
    EXPECT_FALSE(decode_wav(wav(fmt(1, 1, 44100, 32) + data), 100, out));
    EXPECT_FALSE(decode_wav(wav(fmt(1, 1, 7999, 16) + data), 100, out));
    EXPECT_FALSE(decode_wav(wav(fmt(1, 1, 0x80000000u, 16) + data), 100, out));  // negative as signed
    EXPECT_FALSE(decode_wav(wav(fmt(1, 0, 44100, 16) + data), 100, out));
    EXPECT_FALSE(decode_wav(padded(wav(fmt(1, 1, 44100, 16))), 100, out));        // no data chunk
    EXPECT_FALSE(decode_wav(padded(wav(data + chunk("LIST", "abcd"))), 100, out));  // no fmt chunk
    EXPECT_EQ(out.samples, Samples{7});  // a failed decode leaves the buffer alone
    PcmBuffer lowest;
    EXPECT_TRUE(decode_wav(wav(fmt(1, 1, 8000, 16) + data), 100, lowest));
}

TEST(WavDecode, RejectsShortOrForeignContainers) {
    const std::string good = wav(fmt(1, 1, 44100, 16) + chunk("data", samples16({1, 2, 3, 4})));
    PcmBuffer out;
    ASSERT_TRUE(decode_wav(good, 100, out));
    EXPECT_FALSE(decode_wav(good.substr(0, 43), 100, out));
    EXPECT_FALSE(decode_wav("", 100, out));
    std::string other = good;
    other.replace(8, 4, "AVI ");
    EXPECT_FALSE(decode_wav(other, 100, out));
    other = good;
    other.replace(0, 4, "RIFX");
    EXPECT_FALSE(decode_wav(other, 100, out));
    other = good;
    other.replace(4, 4, le32(3));  // the RIFF length is not examined
    EXPECT_TRUE(decode_wav(other, 100, out));
}

TEST(WavDecode, EmptyDataChunkSucceedsWithNoSamples) {
    PcmBuffer out;
    out.samples = {1, 2};
    const std::string file = wav(fmt(1, 1, 44100, 16) + chunk("data", ""));
    ASSERT_EQ(file.size(), 44u);
    ASSERT_TRUE(decode_wav(file, 100, out));
    EXPECT_TRUE(out.samples.empty());
}

TEST(WavDecode, TruncatedDataPlaysWhatIsPresent) {
    PcmBuffer out;
    ASSERT_TRUE(decode_wav(wav(fmt(1, 1, 44100, 16) + chunk_claiming("data", 1000, samples16({5, 6, 7}) + "\x09")), 100, out));
    EXPECT_EQ(out.samples, (Samples{5, 6, 7}));  // the odd trailing byte is not a sample
    ASSERT_TRUE(decode_wav(wav(fmt(1, 1, 44100, 16) + chunk("data", samples16({5, 6}) + "\x09")), 100, out));
    EXPECT_EQ(out.samples, (Samples{5, 6}));
}

TEST(WavDecode, ChunkOrderAndRepeats) {
    PcmBuffer out;
    // "fmt " after "data" still counts.
    ASSERT_TRUE(decode_wav(wav(chunk("data", samples16({9, -9})) + fmt(1, 1, 16000, 16)), 100, out));
    EXPECT_EQ(out.samples, (Samples{9, -9}));
    EXPECT_EQ(out.rate, 16000u);
    // A later chunk of the same kind replaces the earlier one.
    ASSERT_TRUE(decode_wav(wav(fmt(1, 1, 8000, 8) + chunk("data", samples16({1, 2})) + fmt(1, 1, 48000, 16) +
                               chunk("data", samples16({3}))),
                           100, out));
    EXPECT_EQ(out.samples, Samples{3});
    EXPECT_EQ(out.rate, 48000u);
    // A later unusable format replaces a usable one.
    EXPECT_FALSE(decode_wav(wav(fmt(1, 1, 8000, 16) + chunk("data", samples16({1, 2})) + fmt(3, 1, 8000, 32)), 100, out));
}

TEST(WavDecode, ShortOrOverlongFormatChunksAreSkipped) {
    const std::string data = chunk("data", samples16({1, 2, 3, 4, 5, 6}));
    const std::string short_fmt = chunk("fmt ", le16(1) + le16(1) + le32(44100) + le32(88200) + le16(2));  // 14 bytes
    PcmBuffer out;
    EXPECT_FALSE(decode_wav(wav(short_fmt + data), 100, out));
    EXPECT_TRUE(decode_wav(wav(short_fmt + fmt(1, 1, 44100, 16) + data), 100, out));
    // 18 bytes with a trailing extra-size field is fine.
    const std::string long_fmt = chunk("fmt ", le16(1) + le16(1) + le32(44100) + le32(88200) + le16(2) + le16(16) + le16(0));
    EXPECT_TRUE(decode_wav(wav(long_fmt + data), 100, out));
    // A format chunk running past the end of the file is not read.
    EXPECT_FALSE(decode_wav(wav(data + chunk_claiming("fmt ", 40, le16(1) + le16(1) + le32(44100) + le32(88200) +
                                                                       le16(2) + le16(16))),
                            100, out));
}

TEST(WavDecode, ChunkRunningPastTheEndEndsTheWalk) {
    const std::string tail = fmt(1, 1, 44100, 16) + chunk("data", samples16({1, 2}));
    PcmBuffer out;
    for (std::uint32_t claimed : {100u, 0x7FFFFFFFu, 0xFFFFFFF0u, 0xFFFFFFFFu}) {
        EXPECT_FALSE(decode_wav(wav(chunk_claiming("LIST", claimed, "") + tail), 100, out)) << claimed;
    }
    ASSERT_TRUE(decode_wav(wav(chunk_claiming("LIST", 0, "") + tail), 100, out));
}

TEST(WavDecode, OddLengthChunksArePadded) {
    PcmBuffer out;
    // An odd unknown chunk, its pad byte, then the real chunks.
    ASSERT_TRUE(decode_wav(wav(chunk("junk", "abc") + fmt(1, 1, 8000, 8) + chunk("data", std::string("\x80\xFF\x00", 3))), 100, out));
    EXPECT_EQ(out.samples, (Samples{0, 32512, -32768}));
    // Without the pad byte the walk is misaligned and the format is never found.
    EXPECT_FALSE(decode_wav(wav(chunk_claiming("junk", 3, "abc") + fmt(1, 1, 8000, 8) + chunk("data", std::string("\x80\xFF\x00", 3))),
                            100, out));
    // An odd data chunk followed by its pad byte and the format chunk.
    ASSERT_TRUE(decode_wav(padded(wav(chunk("data", "\x80\x81\x7F") + fmt(1, 1, 8000, 8))), 100, out));
    EXPECT_EQ(out.samples, (Samples{0, 256, -256}));
}

TEST(WavDecode, FilesAboveTheSizeLimitAreRefused) {
    std::string file = wav(fmt(1, 1, 44100, 8) + chunk("data", ""));
    file += chunk_claiming("big ", static_cast<std::uint32_t>(MAX_WAV_FILE_BYTES), "");
    file.resize(MAX_WAV_FILE_BYTES, '\x80');
    PcmBuffer out;
    EXPECT_TRUE(decode_wav(file, 100, out));
    file += '\x80';
    EXPECT_FALSE(decode_wav(file, 100, out));
}
