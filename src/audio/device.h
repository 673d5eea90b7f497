// device: the audio output, an SDL audio device fed from SDL's own thread. The frame loop
// publishes where the music stands each frame and goes on; the device's thread plays on from
// there at the demo's speed and takes the published place again when it drifts off it.
// uses: core, audio (music)
#pragma once

#include <chrono>

#include "audio/music.h"

// What the frame loop last published, as the output takes it.
struct SND_Publication {
    SND_Timeline timeline;
    bool paused = true;
    double scale = 1;
    float gain = 1;
    std::chrono::steady_clock::time_point when;
    unsigned serial = 0; // moves with every publication

    void Publish(const SND_Timeline& now, bool isPaused, double timeScale, float volume) {
        timeline = now;
        paused = isPaused;
        scale = timeScale;
        gain = volume;
        when = std::chrono::steady_clock::now();
        ++serial;
    }
};

// The frame loop's side: never waits (a publication the device thread is reading is skipped;
// the next frame's follows).
void SND_DevicePublish(const SND_Timeline& timeline, bool paused, double timeScale, float gain);
// Held while a track's samples are swapped, so the device thread never mixes a track half-gone.
void SND_DeviceLock();
void SND_DeviceUnlock();
