// music: the soundtrack, composed here as notes, played through a General MIDI soundfont
// with FluidSynth and stored as Ogg Vorbis. Same code, same bytes.
#pragma once

#include <string>
#include <vector>

#include "core/types.h"

class AssetSink;

// The soundfont the tracks are played with (a Debian package puts it there).
extern const char* AG_SOUNDFONT;

// One track rendered to interleaved stereo at CAT_MUSIC_RATE. A track that loops comes out
// exactly one loop long, its reverb tail folded onto its start so the loop has no seam.
// Empty, with error set, when the synthesiser or the soundfont cannot be had.
std::vector<float> AG_RenderTrack(int track, std::string* error);
// Samples (interleaved, -1..1) as an Ogg Vorbis stream with a fixed serial number.
std::vector<Uint8> AG_EncodeVorbis(const std::vector<float>& samples, std::string* error);
// Every track of CAT_MUSIC into the sink; false with the sink's error or error set.
bool AG_AddMusic(AssetSink& sink, std::string* error);
