// Playing the notification sound through the default wave-output device, on a
// detached thread so that the window never waits for it; one sound at a time.
#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <memory>

#include "alert/sound.h"
#include "base/detached_thread.h"

namespace quillnet {

namespace {

// Closes the wave-out device however play_pcm leaves.
struct WaveOutHolder {
    HWAVEOUT device = nullptr;
    WaveOutHolder() = default;
    WaveOutHolder(const WaveOutHolder&) = delete;
    WaveOutHolder& operator=(const WaveOutHolder&) = delete;
    ~WaveOutHolder() {
        if (device) waveOutClose(device);
    }
};

// Set while a sound is loaded or played. One at a time: a burst of arrivals (or a
// port scan) with a large WAV file would otherwise hold a decoded copy per thread.
std::atomic<bool> sound_busy{false};

void play_request(const SoundRequest& request) noexcept {
    try {
        play_pcm(notification_sound(request));
    } catch (...) {
        // Out of memory for the samples: no sound this time.
    }
    sound_busy = false;
}

}  // namespace

void play_pcm(PcmBuffer buffer) {
    if (buffer.samples.empty() || buffer.channels == 0 || buffer.rate == 0) return;

    // A format the WAVEFORMATEX fields cannot describe is not handed to the device.
    const unsigned long long block_align = buffer.channels * 2ull;
    const unsigned long long bytes_per_second = block_align * buffer.rate;
    if (block_align > 0xFFFF || bytes_per_second > 0xFFFFFFFFull) return;

    // Whole frames only; a trailing partial frame of a damaged file is left out.
    const unsigned long long frames = buffer.samples.size() / buffer.channels;
    const unsigned long long length = frames * block_align;
    if (length == 0 || length > 0xFFFFFFFFull) return;

    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = buffer.channels;
    format.nSamplesPerSec = buffer.rate;
    format.wBitsPerSample = 16;
    format.nBlockAlign = static_cast<WORD>(block_align);
    format.nAvgBytesPerSec = static_cast<DWORD>(bytes_per_second);
    format.cbSize = 0;

    WaveOutHolder out;
    if (waveOutOpen(&out.device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
        out.device = nullptr;
        return;
    }

    WAVEHDR header = {};
    header.lpData = reinterpret_cast<LPSTR>(buffer.samples.data());
    header.dwBufferLength = static_cast<DWORD>(length);
    header.dwFlags = 0;
    header.dwLoops = 0;
    if (waveOutPrepareHeader(out.device, &header, sizeof header) != MMSYSERR_NOERROR) return;
    if (waveOutWrite(out.device, &header, sizeof header) == MMSYSERR_NOERROR) {
        // No callback: the thread has nothing else to do, so it simply polls. A device
        // that never finishes the buffer is reset two seconds after the sound should have
        // ended, so that it cannot hold the one-sound-at-a-time gate (and every later
        // alert's sound) for good.
        const ULONGLONG deadline = GetTickCount64() + frames * 1000ull / buffer.rate + 2000ull;
        while ((header.dwFlags & WHDR_DONE) == 0) {
            if (GetTickCount64() > deadline) {
                waveOutReset(out.device);
                break;
            }
            Sleep(10);
        }
    }
    waveOutUnprepareHeader(out.device, &header, sizeof header);
}

bool play_notification(const std::string& file, int volume, int tone_freq, int tone_ms) {
    if (sound_busy.exchange(true)) return false;
    try {
        auto request = std::make_shared<SoundRequest>();
        request->file = file;
        request->volume = volume;
        request->tone_freq = tone_freq;
        request->tone_ms = tone_ms;
        if (start_detached([request] { play_request(*request); })) return true;
    } catch (...) {
        // No memory for the request.
    }
    // No thread or no memory: the sound is a convenience, the caller carries on.
    sound_busy = false;
    return false;
}

}  // namespace quillnet
