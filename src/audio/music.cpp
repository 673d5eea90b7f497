// music: reading the tracks, the timeline and its mixer, the running program's music and recording.
#include "audio/music.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <strings.h>

#include "audio/device.h"
#include "core/catalogue.h"
#include "core/report.h"
#include "data/resfile.h"
#include "data/rwops.h"

namespace {

struct Track {
    std::vector<std::int16_t> samples; // interleaved stereo
    int frames = 0;
};
Track tracks[CAT_MUSIC_COUNT];
bool loaded = false;

// The program's music: the frame loop's timeline, and what it publishes for the device.
SND_Timeline timeline;
int lastTrack = -2;   // not yet told
int lastEntries = -1; // the part-entry count SND_Frame saw last
bool enabled = true;
int volume = 100;
double frameRemainder = 0; // output frames owed between recording frames (fractions of one)
bool recording = false;
std::vector<std::int16_t> recorded;

// One output frame of a voice at a fractional position, linearly between the two samples.
void voice(int track, double seconds, float gain, float* left, float* right) {
    if (track < 0 || track >= CAT_MUSIC_COUNT || gain <= 0.0f) return;
    const Track& t = tracks[track];
    if (t.frames < 2 || seconds < 0) return;
    double at = seconds * CAT_MUSIC_RATE;
    if (CAT_MUSIC[track].loops)
        at = std::fmod(at, double(t.frames));
    else if (at >= t.frames - 1)
        return;
    const int i = int(at);
    const float f = float(at - i);
    const int j = (i + 1) % t.frames; // a loop reads its first frame after its last
    const std::int16_t* s = t.samples.data();
    *left += gain * (s[i * 2] + f * (s[j * 2] - s[i * 2]));
    *right += gain * (s[i * 2 + 1] + f * (s[j * 2 + 1] - s[i * 2 + 1]));
}

// Positions are kept inside one loop, so a part that plays for hours keeps its precision.
double wrapped(int track, double seconds) {
    if (track < 0 || track >= CAT_MUSIC_COUNT || !CAT_MUSIC[track].loops || tracks[track].frames == 0) return seconds;
    const double length = double(tracks[track].frames) / CAT_MUSIC_RATE;
    return std::fmod(seconds, length);
}

} // namespace

void SND_FollowPublished(const SND_Timeline& published, bool paused, double timeScale, double secondsAhead,
                         SND_Timeline* playing) {
    constexpr double kTolerance = 0.017; // seconds a device may run off the published place
    SND_Timeline expected = published;
    if (!paused) {
        expected.position += secondsAhead * timeScale;
        expected.previousAt += secondsAhead * timeScale;
    }
    if (expected.track != playing->track || expected.previous != playing->previous ||
        std::fabs(expected.position - playing->position) > kTolerance)
        *playing = expected;
}

std::string SND_DecodeVorbis(VH_RWops* stream, std::vector<std::int16_t>* samples) {
    std::vector<Uint8> bytes;
    Uint8 chunk[16384];
    for (int got; (got = stream->read(stream, chunk, 1, sizeof chunk)) > 0;)
        bytes.insert(bytes.end(), chunk, chunk + got);
    return SND_DecodeVorbisBytes(bytes.data(), Uint32(bytes.size()), samples);
}

int SND_TrackOfPart(const char* part) {
    for (int t = 0; part && t < CAT_MUSIC_COUNT; ++t)
        if (strcasecmp(CAT_MUSIC[t].part, part) == 0) return t;
    return -1;
}

void SND_LoadTracks() {
    if (loaded) return;
    loaded = true;
    for (int t = 0; t < CAT_MUSIC_COUNT; ++t) {
        Track loadedTrack;
        const char* name = CAT_MUSIC[t].name;
        VH_RWops* rw = RES_OpenEntryStream(name);
        if (!rw) {
            VH_Warn(name, "not found in the archive; %s plays without music", CAT_MUSIC[t].part);
        } else {
            const std::string fault = SND_DecodeVorbis(rw, &loadedTrack.samples);
            rw->close(rw);
            if (!fault.empty())
                VH_Warn(name, "%s; %s plays without music", fault.c_str(), CAT_MUSIC[t].part);
            else
                loadedTrack.frames = int(loadedTrack.samples.size() / 2);
        }
        SND_DeviceLock();
        tracks[t] = std::move(loadedTrack);
        SND_DeviceUnlock();
    }
}

void SND_UnloadTracks() {
    SND_DeviceLock();
    for (Track& t : tracks)
        t = Track();
    loaded = false;
    SND_DeviceUnlock();
}

bool SND_TracksLoaded() {
    return loaded;
}

int SND_TrackFrames(int track) {
    return track >= 0 && track < CAT_MUSIC_COUNT ? tracks[track].frames : 0;
}

const std::vector<std::int16_t>& SND_TrackSamples(int track) {
    static const std::vector<std::int16_t> none;
    return track >= 0 && track < CAT_MUSIC_COUNT ? tracks[track].samples : none;
}

void SND_TimelineStart(SND_Timeline* t, int track) {
    // What is heard now fades out from where it stands; with a crossfade already under way
    // the louder of the two goes on fading.
    if (t->track >= 0 || t->previous >= 0) {
        const bool keepPrevious = t->track < 0 || (t->previous >= 0 && t->fade < 0.5);
        if (!keepPrevious) {
            t->previous = t->track;
            t->previousAt = t->position;
        }
    }
    t->track = track;
    t->position = 0;
    t->fade = t->previous >= 0 ? 0.0 : 1.0;
}

void SND_Mix(SND_Timeline* t, double seconds, int frames, float gain, std::int16_t* out) {
    const double step = frames > 0 ? std::max(0.0, seconds) / frames : 0.0;
    for (int i = 0; i < frames; ++i) {
        float left = 0, right = 0;
        if (seconds > 0) {
            // equal-power crossfade, so the change never dips in loudness
            const float in = float(std::sin(t->fade * M_PI / 2)), fadeOut = float(std::cos(t->fade * M_PI / 2));
            voice(t->track, t->position, gain * in, &left, &right);
            if (t->previous >= 0) voice(t->previous, t->previousAt, gain * fadeOut, &left, &right);
        }
        out[i * 2] = std::int16_t(std::clamp(std::lround(left), -32768L, 32767L));
        out[i * 2 + 1] = std::int16_t(std::clamp(std::lround(right), -32768L, 32767L));
        t->position += step;
        t->previousAt += step;
        if (t->previous >= 0) {
            t->fade += step / SND_CROSSFADE;
            if (t->fade >= 1.0) {
                t->fade = 1.0;
                t->previous = -1;
            }
        }
    }
    if (frames == 0 && seconds > 0) { // a frame too short for one sample still moves the music
        t->position += seconds;
        t->previousAt += seconds;
        if (t->previous >= 0 && (t->fade += seconds / SND_CROSSFADE) >= 1.0) t->fade = 1.0, t->previous = -1;
    }
    t->position = wrapped(t->track, t->position);
    t->previousAt = wrapped(t->previous, t->previousAt);
}

// ---------------------------------------------------------------------------
// the running program's music
// ---------------------------------------------------------------------------

void SND_Frame(int track, int partEntries, double wallSeconds, double demoSeconds, bool silent, double timeScale) {
    if (track != lastTrack || partEntries != lastEntries) {
        SND_TimelineStart(&timeline, track);
        lastTrack = track;
        lastEntries = partEntries;
    }
    const float gain = enabled && !silent ? volume / 100.0f : 0.0f;
    demoSeconds = std::max(0.0, demoSeconds);
    if (recording) {
        // Output frames follow the wall clock (the video's), the fraction carried over so the
        // sound of n frames is exactly as long as n frames.
        const double want = wallSeconds * CAT_MUSIC_RATE + frameRemainder;
        const int frames = int(std::floor(want));
        frameRemainder = want - frames;
        const size_t at = recorded.size();
        recorded.resize(at + size_t(frames) * 2);
        SND_Mix(&timeline, demoSeconds, frames, gain, recorded.data() + at);
    } else {
        SND_Mix(&timeline, demoSeconds, 0, gain, nullptr);
    }
    SND_DevicePublish(timeline, silent, timeScale, gain);
}

const SND_Timeline& SND_CurrentTimeline() {
    return timeline;
}

void SND_SetEnabled(bool on) {
    enabled = on;
}
bool SND_Enabled() {
    return enabled;
}
void SND_SetVolume(int percent) {
    volume = std::clamp(percent, 0, 100);
}
int SND_Volume() {
    return volume;
}

void SND_SetRecording(bool on) {
    if (on && !recording) {
        SND_LoadTracks();
        recorded.clear();
        frameRemainder = 0;
    }
    recording = on;
}

const std::vector<std::int16_t>& SND_Recording() {
    return recorded;
}

bool SND_WriteWav(const std::string& path, const std::vector<std::int16_t>& samples, std::string* error) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        *error = VH_Format("cannot write (%s)", std::strerror(errno));
        return false;
    }
    const Uint32 bytes = Uint32(samples.size() * 2);
    const Uint32 rate = CAT_MUSIC_RATE, byteRate = rate * 4;
    Uint8 head[44];
    auto u32 = [&head](int at, Uint32 v) {
        for (int i = 0; i < 4; ++i)
            head[at + i] = Uint8(v >> (8 * i));
    };
    std::memcpy(head, "RIFF", 4);
    u32(4, 36 + bytes);
    std::memcpy(head + 8, "WAVEfmt ", 8);
    u32(16, 16);
    u32(20, 1 | (Uint32(CAT_MUSIC_CHANNELS) << 16)); // PCM, channels
    u32(24, rate);
    u32(28, byteRate);
    u32(32, 4 | (16u << 16)); // block align 4, 16 bits
    std::memcpy(head + 36, "data", 4);
    u32(40, bytes);
    // WAV is little-endian, as the machines we build for are
    bool ok = std::fwrite(head, 1, sizeof head, f) == sizeof head &&
              std::fwrite(samples.data(), 2, samples.size(), f) == samples.size();
    ok = (std::fclose(f) == 0) && ok;
    if (!ok) *error = VH_Format("cannot write (%s)", std::strerror(errno));
    return ok;
}
