// music: the soundtrack, played in demo time. The tracks (Ogg Vorbis entries the catalogue
// names) are decoded with libvorbisfile; a timeline says which track plays where, and moves
// only when demo time moves, so pause, speed, goto and reload keep the sound where the picture
// is. Output goes to an SDL audio device when there is one (mixed on SDL's own thread, which
// follows the timeline the frame loop publishes and never makes it wait), and to a recording
// for tools that put the sound into a file, sample-exact to the frames.
// uses: core, data
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/types.h"

struct VH_RWops;

inline constexpr double SND_CROSSFADE = 0.5; // demo seconds a part change takes to cross over

// Decodes an Ogg Vorbis stream to interleaved 16-bit stereo at CAT_MUSIC_RATE. "" when it
// decodes, else one phrase saying why not (the stream is read from where it stands).
std::string SND_DecodeVorbis(VH_RWops* stream, std::vector<std::int16_t>* samples);
std::string SND_DecodeVorbisBytes(const void* data, Uint32 size, std::vector<std::int16_t>* samples);

// The track that plays under a part ("intro1" ... "credits"); -1 for a part without one.
int SND_TrackOfPart(const char* part);

// Reads every track from the archive (once; again after SND_UnloadTracks). A missing or
// damaged entry is one warning line and leaves its part silent.
void SND_LoadTracks();
void SND_UnloadTracks();
bool SND_TracksLoaded();
// Frames of a loaded track (0 for one that is missing, damaged or not loaded).
int SND_TrackFrames(int track);
const std::vector<std::int16_t>& SND_TrackSamples(int track);

// Where the music stands: the track that plays and its position, and the one it crosses
// over from while the crossfade lasts.
struct SND_Timeline {
    int track = -1;      // -1: silence
    double position = 0; // seconds into the track
    int previous = -1;   // the track fading out, -1 for none
    double previousAt = 0;
    double fade = 1; // 0 .. 1: how far the crossfade has come
};
// A part starts (or starts again): its track from its beginning, crossing over from what played.
void SND_TimelineStart(SND_Timeline* timeline, int track);
// Mixes frames of output that cover seconds of demo time, moving the timeline on by them
// (position, fade and the loop's wrap). volume is 0..1. A track that is not loaded is silence.
void SND_Mix(SND_Timeline* timeline, double seconds, int frames, float volume, std::int16_t* out);

// An output device's side of the frame loop's publication: where the published place has come to
// after secondsAhead more seconds (the time since it was published plus what the device queues ahead
// of what is heard), at the published speed. The device's own place jumps there only when it is on
// another track or has drifted more than a frame at 60 Hz off it, so small clock differences never
// make the sound skip.
void SND_FollowPublished(const SND_Timeline& published, bool paused, double timeScale, double secondsAhead,
                         SND_Timeline* playing);

// ---------------------------------------------------------------------------
// the running program's music
// ---------------------------------------------------------------------------

// Called once a frame after the state machine ran: the part that plays (its track, and a count
// that changes each time a part is entered, so a restart of the same part is seen), the wall
// seconds the frame took, the demo seconds it moved (negative: none) and whether it is heard
// (a paused program is silent, a single step through it too, though the music moves with it).
void SND_Frame(int track, int partEntries, double wallSeconds, double demoSeconds, bool silent, double timeScale);
const SND_Timeline& SND_CurrentTimeline();

void SND_SetEnabled(bool on); // the console's music on / off, --mute
bool SND_Enabled();
void SND_SetVolume(int percent); // 0 .. 100
int SND_Volume();

// Opens the default output device and starts playing. False, and the music stays silent,
// when there is none; the reason is kept for SND_DeviceText and nothing is printed.
bool SND_OpenDevice();
void SND_CloseDevice();
// "SDL audio, pulseaudio, 44100 Hz" or "no audio device found (...)"; "not opened" before.
std::string SND_DeviceText();

// Recording: every frame's mixed output is kept (tools write it to a WAV file or a video).
void SND_SetRecording(bool on);
const std::vector<std::int16_t>& SND_Recording();
// A 16-bit stereo PCM WAV file of samples. False with error set when it cannot be written.
bool SND_WriteWav(const std::string& path, const std::vector<std::int16_t>& samples, std::string* error);
