// device: the audio output, an SDL audio device fed from SDL's own thread. The frame loop
// publishes where the music stands each frame and goes on; the device's thread plays on from
// there at the demo's speed and takes the published place again when it drifts off it.
// uses: core
#pragma once

struct SND_Timeline;

// The frame loop's side: never waits (a publication the device thread is reading is skipped;
// the next frame's follows).
void SND_DevicePublish(const SND_Timeline& timeline, bool paused, double timeScale, float gain);
// Held while a track's samples are swapped, so the device thread never mixes a track half-gone.
void SND_DeviceLock();
void SND_DeviceUnlock();
