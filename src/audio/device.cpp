// device: SDL audio output on SDL's callback thread.
#include "audio/device.h"

#include <SDL2/SDL.h>
#include <alsa/asoundlib.h>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <string>

#include "audio/music.h"
#include "core/catalogue.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kBufferFrames = 512;   // about 12 ms a callback


std::mutex trackMutex;   // the tracks' samples, against the device thread
std::mutex publishMutex; // the publication
SND_Publication published;
SDL_AudioDeviceID device = 0;
std::string deviceText = "not opened";

// The device thread's own state: where it plays, and the last publication it took.
SND_Timeline playing;
unsigned seenSerial = 0;

void callback(void*, Uint8* stream, int bytes) {
    SND_Publication p;
    {
        std::lock_guard<std::mutex> lock(publishMutex);
        p = published;
    }
    const int frames = bytes / 4;
    if (p.serial != seenSerial) {
        seenSerial = p.serial;
        // What is mixed now is heard about a buffer later: without that lead every callback would
        // find the device off by a buffer and jump.
        const double ahead =
            std::chrono::duration<double>(Clock::now() - p.when).count() + double(kBufferFrames) / CAT_MUSIC_RATE;
        SND_FollowPublished(p.timeline, p.paused, p.scale, ahead, &playing);
    }
    std::lock_guard<std::mutex> lock(trackMutex);
    const double seconds = p.paused ? -1.0 : double(frames) / CAT_MUSIC_RATE * p.scale;
    SND_Mix(&playing, seconds, frames, p.gain, reinterpret_cast<std::int16_t*>(stream));
}

// ALSA reports a missing sound card on stderr by itself, line after line, while SDL looks
// for a device; a machine without one is no fault of ours and the demo must stay quiet there.
void noAlsaReports(const char*, int, const char*, int, const char*, ...) {}

} // namespace

void SND_DevicePublish(const SND_Timeline& timeline, bool paused, double timeScale, float gain) {
    if (!device) return;
    std::unique_lock<std::mutex> lock(publishMutex, std::try_to_lock);
    if (!lock.owns_lock()) return;
    published.Publish(timeline, paused, timeScale, gain);
}

void SND_DeviceLock() {
    trackMutex.lock();
}
void SND_DeviceUnlock() {
    trackMutex.unlock();
}

bool SND_OpenDevice() {
    if (device) return true;
    snd_lib_error_set_handler(noAlsaReports);
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        deviceText = std::string("no audio device found (") + SDL_GetError() + ")";
        return false;
    }
    SDL_AudioSpec want{}, have{};
    want.freq = CAT_MUSIC_RATE;
    want.format = AUDIO_S16SYS;
    want.channels = CAT_MUSIC_CHANNELS;
    want.samples = kBufferFrames;
    want.callback = callback;
    device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (!device) {
        deviceText = std::string("no audio device found (") + SDL_GetError() + ")";
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    SND_LoadTracks();
    // The device's thread must be stopped before the tracks it reads are destroyed at exit, and the
    // program ends through exit() from anywhere; a handler registered now runs before them.
    static bool closeAtExit = false;
    if (!closeAtExit) closeAtExit = std::atexit(SND_CloseDevice) == 0;
    deviceText = std::string("SDL audio, ") + SDL_GetCurrentAudioDriver() + ", " + std::to_string(have.freq) + " Hz";
    SDL_PauseAudioDevice(device, 0);
    return true;
}

void SND_CloseDevice() {
    if (!device) return;
    SDL_CloseAudioDevice(device);
    device = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    deviceText = "closed";
}

std::string SND_DeviceText() {
    return deviceText;
}
