// sound (browser): the soundtrack's decoding and output in a web page.
//
// Decoding: the browser decodes Ogg Vorbis itself, but only asynchronously. The page therefore
// decodes every track before the demo starts (web/page.js: vh_web_track_bytes, then
// vh_web_set_decoded), and SND_DecodeVorbisBytes finds the samples of the bytes it is given by
// their content. Bytes the page did not decode are refused as the desktop refuses a damaged track.
//
// Output: the page's audio node asks for samples on the page's one thread (vh_web_mix); the
// music plays on from the place the frame loop last published, as the desktop device does.
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <emscripten.h>
#include <map>
#include <string>
#include <vector>

#include "audio/device.h"
#include "audio/music.h"
#include "core/catalogue.h"
#include "data/resfile.h"

namespace {

using Clock = std::chrono::steady_clock;

std::uint64_t fingerprint(const void* data, std::uint32_t size) {
    std::uint64_t h = 1469598103934665603ULL; // FNV-1a
    const std::uint8_t* b = static_cast<const std::uint8_t*>(data);
    for (std::uint32_t i = 0; i < size; ++i)
        h = (h ^ b[i]) * 1099511628211ULL;
    return h ^ size;
}

std::map<std::uint64_t, std::vector<std::int16_t>> decoded;
std::vector<std::uint8_t> entryBytes; // the last entry handed to the page

SND_Publication published;
bool deviceOpen = false;
int leadFrames = 2048; // what the page's node queues ahead of what is heard
std::string deviceText = "not opened";
SND_Timeline playing;
unsigned seenSerial = 0;
std::vector<std::int16_t> mixBuffer;

} // namespace

extern "C" {

// The bytes of track's archive entry (size through the pointer); null when it cannot be read.
EMSCRIPTEN_KEEPALIVE const std::uint8_t* vh_web_track_bytes(int track, int* size) {
    *size = 0;
    if (track < 0 || track >= CAT_MUSIC_COUNT) return nullptr;
    VH_RWops* stream = RES_OpenEntryStream(CAT_MUSIC[track].name);
    if (!stream) return nullptr;
    entryBytes.clear();
    std::uint8_t chunk[16384];
    for (int got; (got = stream->read(stream, chunk, 1, sizeof chunk)) > 0;)
        entryBytes.insert(entryBytes.end(), chunk, chunk + got);
    stream->close(stream);
    *size = (int)entryBytes.size();
    return entryBytes.data();
}

// The page decoded the bytes last handed out: frames of interleaved 16-bit stereo.
EMSCRIPTEN_KEEPALIVE void vh_web_set_decoded(const std::int16_t* samples, int frames) {
    decoded[fingerprint(entryBytes.data(), (std::uint32_t)entryBytes.size())].assign(samples,
                                                                                     samples + (size_t)frames * 2);
}

// Frames of output for the page's node, interleaved 16-bit stereo; null when nothing is open.
EMSCRIPTEN_KEEPALIVE const std::int16_t* vh_web_mix(int frames) {
    if (!deviceOpen || frames <= 0) return nullptr;
    mixBuffer.assign((size_t)frames * 2, 0);
    const SND_Publication& p = published;
    if (p.serial != seenSerial) {
        seenSerial = p.serial;
        const double ahead =
            std::chrono::duration<double>(Clock::now() - p.when).count() + double(leadFrames) / CAT_MUSIC_RATE;
        SND_FollowPublished(p.timeline, p.paused, p.scale, ahead, &playing);
    }
    const double seconds = p.paused ? -1.0 : double(frames) / CAT_MUSIC_RATE * p.scale;
    SND_Mix(&playing, seconds, frames, p.gain, mixBuffer.data());
    return mixBuffer.data();
}

} // extern "C"

std::string SND_DecodeVorbisBytes(const void* data, Uint32 size, std::vector<std::int16_t>* samples) {
    samples->clear();
    const auto it = decoded.find(fingerprint(data, size));
    if (it == decoded.end()) return "not decoded by the browser (not an Ogg Vorbis stream it could play)";
    *samples = it->second;
    return "";
}

void SND_DevicePublish(const SND_Timeline& timeline, bool paused, double timeScale, float gain) {
    if (!deviceOpen) return;
    published.Publish(timeline, paused, timeScale, gain);
}

// One thread: nothing mixes while a track is swapped.
void SND_DeviceLock() {}
void SND_DeviceUnlock() {}

bool SND_OpenDevice() {
    if (deviceOpen) return true;
    const int lead = EM_ASM_INT({ return Module.vhAudioLead ? Module.vhAudioLead() : 0; });
    if (lead <= 0) {
        deviceText = "no audio device found (the page has no sound started)";
        return false;
    }
    leadFrames = lead;
    SND_LoadTracks();
    deviceOpen = true;
    deviceText = "Web Audio, " + std::to_string(CAT_MUSIC_RATE) + " Hz";
    return true;
}

void SND_CloseDevice() {
    deviceOpen = false;
    deviceText = "closed";
}

std::string SND_DeviceText() {
    return deviceText;
}
