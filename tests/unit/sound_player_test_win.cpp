// Wave-out playback: every call comes back (no device, odd formats, empty buffers),
// and play_notification returns at once whatever it is given.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "alert/sound.h"

using namespace quillnet;

namespace {

// Runs play_pcm on a thread of its own and reports whether it came back within a
// generous deadline, so that a hang fails the test instead of stalling the suite.
bool play_returns(PcmBuffer buffer) {
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> finished = done->get_future();
    std::thread([done, b = std::move(buffer)]() mutable {
        play_pcm(std::move(b));
        done->set_value();
    }).detach();
    return finished.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
}

}  // namespace

TEST(SoundPlayer, PlaybackAlwaysComesBack) {
    PcmBuffer tone;
    tone.samples = synthesize_tone(880, 50, 10);
    EXPECT_TRUE(play_returns(tone));

    EXPECT_TRUE(play_returns(PcmBuffer{}));  // nothing to play

    PcmBuffer stereo;
    stereo.samples = std::vector<std::int16_t>(2 * 441 + 1, 0);  // a stray half frame at the end
    stereo.channels = 2;
    stereo.rate = 44100;
    EXPECT_TRUE(play_returns(stereo));
}

TEST(SoundPlayer, FormatsTheDeviceCannotTakeAreRefusedQuietly) {
    PcmBuffer odd;
    odd.samples = std::vector<std::int16_t>(64, 0);
    odd.channels = 40000;  // more than a 16-bit block alignment can describe
    odd.rate = 44100;
    EXPECT_TRUE(play_returns(odd));
    odd.channels = 2;
    odd.rate = 0xFFFFFFFFu;  // bytes per second would not fit in 32 bits
    EXPECT_TRUE(play_returns(odd));
    odd.channels = 0;
    EXPECT_TRUE(play_returns(odd));
}

TEST(SoundPlayer, NotificationRequestsReturnAtOnce) {
    // Each call only starts a thread; overlapping requests are fine.
    play_notification("", 80, 880, 10);
    play_notification("C:\\no\\such\\folder\\sound.wav", 80, 440, 10);
    play_notification("", -5, -1, -1);
    play_notification("", 80, 880, 2147483647);  // bounded by the tone limit
    SUCCEED();
}
