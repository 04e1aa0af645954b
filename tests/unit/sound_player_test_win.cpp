// Wave-out playback: every call comes back (no device, odd formats, empty buffers),
// and play_notification returns at once whatever it is given.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "alert/sound.h"
#include "base/detached_thread.h"

using namespace quillnet;

namespace {

// Runs play_pcm on a thread of its own and reports whether it came back within a
// generous deadline, so that a hang fails the test instead of stalling the suite.
bool play_returns(PcmBuffer buffer) {
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> finished = done->get_future();
    auto samples = std::make_shared<PcmBuffer>(std::move(buffer));
    if (!start_detached([done, samples] {
            play_pcm(std::move(*samples));
            done->set_value();
        }))
        return false;
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

TEST(SoundPlayer, OneSoundAtATimeAndRequestsDuringItAreDropped) {
    // A large file keeps the first request busy reading and decoding it.
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + L"qn-big-sound.wav";
    // 16 MiB of silence, 16-bit mono at 44100 Hz.
    std::string wav("RIFF\x24\0\0\x01WAVEfmt \x10\0\0\0\x01\0\x01\0\x44\xAC\0\0\x88\x58\x01\0\x02\0\x10\0data\0\0\0\x01",
                    44);
    wav.append(16u * 1024u * 1024u, '\0');
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, wav.data(), static_cast<DWORD>(wav.size()), &written, nullptr);
    CloseHandle(file);
    const std::string utf8_path(path.begin(), path.end());  // the temp folder's name is ASCII here

    // Requests of earlier tests may still be playing: wait until this one is taken.
    bool started = false;
    for (int tries = 0; tries < 3000 && !started; ++tries) {
        started = play_notification(utf8_path, 80, 880, 250);
        if (!started) Sleep(10);
    }
    ASSERT_TRUE(started);
    for (int i = 0; i < 50; ++i) EXPECT_FALSE(play_notification(utf8_path, 80, 880, 250));
    // Once it is over, the next request plays again.
    bool again = false;
    for (int tries = 0; tries < 3000 && !again; ++tries) {
        again = play_notification("", 80, 880, 30);
        if (!again) Sleep(10);
    }
    EXPECT_TRUE(again);
    Sleep(500);
    DeleteFileW(path.c_str());
}
