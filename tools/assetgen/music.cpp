// music: the soundtrack's composition and its rendering.
//
// Each piece is a list of notes on General MIDI channels (melody, harmony, bass, drums)
// built from a chord progression and a few rules per part. FluidSynth plays them sample-exactly
// (events fall between blocks at their own frame), reverb and chorus included; the tail that
// rings past a looping piece's end is added onto its start, which is what the loop hears when it
// comes round. The result is normalised to a fixed peak and encoded with libvorbis.
#include "music.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fluidsynth.h>
#include <vorbis/vorbisenc.h>

#include "assets.h"
#include "core/catalogue.h"

const char* AG_SOUNDFONT = "/usr/share/sounds/sf2/TimGM6mb.sf2";

namespace {

constexpr int kRate = CAT_MUSIC_RATE;
constexpr double kTailSeconds = 2.5; // reverb and release after the last note
constexpr float kPeak = 0.7f;        // every track is scaled to this peak: loud enough, never clipped
constexpr int kDrums = 9;            // the General MIDI percussion channel

// General MIDI programs (0-based) and percussion keys used below.
enum {
    GM_PIANO = 0,
    GM_CELESTA = 8,
    GM_NYLON = 24,
    GM_ACOUSTIC_BASS = 32,
    GM_FINGER_BASS = 33,
    GM_STRINGS = 48,
    GM_SLOW_STRINGS = 49,
    GM_TIMPANI = 47,
    GM_HARP = 46,
    GM_TRUMPET = 56,
    GM_BRASS = 61,
    GM_OBOE = 68,
    GM_CLARINET = 71,
    GM_FLUTE = 73,
    GM_WARM_PAD = 89,
    KICK = 36,
    SNARE = 38,
    CLOSED_HAT = 42,
    CRASH = 49,
    RIDE = 51,
    TAMBOURINE = 54,
    SHAKER = 70,
};

struct Note {
    double beat;   // when it starts
    double length; // beats
    int channel;
    int key;
    int velocity;
};

struct Chord {
    int root;   // MIDI key of the root in the bass octave
    bool minor; // else major
};

struct Piece {
    double bpm;
    int beats;       // length: a looping piece loops after this many beats
    int programs[4]; // channels 0..3: melody, harmony, bass, counter-line
    std::vector<Note> notes;
};

// A deterministic stream of small numbers: the melodies' choices are "random" but fixed.
struct Dice {
    Uint32 state;
    int Roll(int n) {
        state = state * 1664525u + 1013904223u;
        return int((state >> 16) % Uint32(n));
    }
};

int third(const Chord& c) {
    return c.root + (c.minor ? 3 : 4);
}
int fifth(const Chord& c) {
    return c.root + 7;
}

// The chord's tones from low up to high, for melodies that stay on the harmony.
std::vector<int> chordTones(const Chord& c, int low, int high) {
    std::vector<int> keys;
    for (int k = low; k <= high; ++k) {
        const int d = ((k - c.root) % 12 + 12) % 12;
        if (d == 0 || d == (c.minor ? 3 : 4) || d == 7) keys.push_back(k);
    }
    return keys;
}

// The major scale of tonic (or its relative minor's notes, the same set) within low..high.
std::vector<int> scaleTones(int tonic, int low, int high) {
    static const int steps[7] = {0, 2, 4, 5, 7, 9, 11};
    std::vector<int> keys;
    for (int k = low; k <= high; ++k)
        for (int s : steps)
            if (((k - tonic) % 12 + 12) % 12 == s) keys.push_back(k);
    return keys;
}

// Harmony: the chord held through each bar (pads), or broken into eighths (arpeggio).
void addPads(Piece& p, const std::vector<Chord>& bars, int beatsPerBar, int channel, int velocity) {
    for (size_t b = 0; b < bars.size(); ++b) {
        const double at = double(b * beatsPerBar);
        for (int key : {bars[b].root + 12, third(bars[b]) + 12, fifth(bars[b]) + 12})
            p.notes.push_back({at, double(beatsPerBar), channel, key, velocity});
    }
}
void addArpeggio(Piece& p, const std::vector<Chord>& bars, int beatsPerBar, int channel, int velocity) {
    for (size_t b = 0; b < bars.size(); ++b) {
        const int pattern[4] = {bars[b].root + 12, fifth(bars[b]) + 12, third(bars[b]) + 24, fifth(bars[b]) + 12};
        for (int e = 0; e < beatsPerBar * 2; ++e)
            p.notes.push_back({b * beatsPerBar + e * 0.5, 0.9, channel, pattern[e % 4], velocity - (e % 2) * 12});
    }
}

// Bass: the root on the bar's strong beats, the fifth on the others.
void addBass(Piece& p, const std::vector<Chord>& bars, int beatsPerBar, int channel, int velocity, bool walking) {
    for (size_t b = 0; b < bars.size(); ++b)
        for (int beat = 0; beat < beatsPerBar; beat += walking ? 1 : 2) {
            const int key = beat % 2 == 0 ? bars[b].root : fifth(bars[b]) - 12;
            p.notes.push_back({double(b * beatsPerBar + beat), walking ? 0.95 : 1.9, channel, key, velocity});
        }
}

// Melody: each bar's rhythm from the pattern (note lengths in beats); strong notes land on the
// chord, passing notes move by step in the scale, so it sings over its harmony.
void addMelody(Piece& p, const std::vector<Chord>& bars, const std::vector<double>& rhythm, int tonic, int low,
               int high, Uint32 seed, int velocity) {
    Dice dice{seed};
    const std::vector<int> scale = scaleTones(tonic, low, high);
    int index = int(scale.size()) / 2;
    double at = 0.0;
    for (size_t b = 0; b < bars.size(); ++b) {
        const std::vector<int> tones = chordTones(bars[b], low, high);
        for (size_t r = 0; r < rhythm.size(); ++r) {
            int key;
            if (r == 0 || rhythm[r] >= 1.0) {
                // a chord tone near where the line is
                const int here = scale[size_t(index)];
                key = *std::min_element(tones.begin(), tones.end(),
                                        [here](int a, int b) { return std::abs(a - here) < std::abs(b - here); });
                if (dice.Roll(4) == 0) key = tones[size_t(dice.Roll(int(tones.size())))];
                index = int(std::lower_bound(scale.begin(), scale.end(), key) - scale.begin());
            } else {
                index = std::clamp(index + (dice.Roll(2) ? 1 : -1) * (1 + dice.Roll(2) / 1), 0, int(scale.size()) - 1);
                key = scale[size_t(index)];
            }
            const bool last = b + 1 == bars.size() && r + 1 == rhythm.size();
            if (!last || rhythm[r] >= 1.0)
                p.notes.push_back({at, rhythm[r] * 0.92, 0, key, velocity - (r % 2 ? 10 : 0)});
            at += rhythm[r];
        }
    }
}

// Drums: one bar's pattern as (beat, key, velocity), repeated over the piece.
struct Hit {
    double beat;
    int key;
    int velocity;
};
void addDrums(Piece& p, int barCount, int beatsPerBar, const std::vector<Hit>& bar, bool crashOnFirst) {
    for (int b = 0; b < barCount; ++b) {
        for (const Hit& h : bar)
            p.notes.push_back({b * beatsPerBar + h.beat, 0.25, kDrums, h.key, h.velocity});
        if (crashOnFirst && b % 8 == 0) p.notes.push_back({double(b * beatsPerBar), 1.0, kDrums, CRASH, 90});
    }
}

std::vector<Chord> repeatBars(const std::vector<Chord>& progression, int times) {
    std::vector<Chord> bars;
    for (int i = 0; i < times; ++i)
        bars.insert(bars.end(), progression.begin(), progression.end());
    return bars;
}

// The calm night beach: a warm pad, a harp's broken chords and a flute in D major, slow,
// with a shaker like small waves.
Piece beach() {
    Piece p{66, 0, {GM_FLUTE, GM_WARM_PAD, GM_ACOUSTIC_BASS, GM_HARP}, {}};
    const std::vector<Chord> bars = repeatBars(
        {{38, false}, {47, true}, {43, false}, {45, false}, {38, false}, {42, true}, {43, false}, {45, false}}, 1);
    p.beats = int(bars.size()) * 4;
    addPads(p, bars, 4, 1, 52);
    addArpeggio(p, bars, 4, 3, 58);
    addBass(p, bars, 4, 2, 70, false);
    addMelody(p, bars, {1.5, 0.5, 1.0, 1.0}, 62, 69, 86, 11, 78);
    addDrums(p, int(bars.size()), 4, {{0.5, SHAKER, 40}, {1.5, SHAKER, 34}, {2.5, SHAKER, 40}, {3.5, SHAKER, 34}},
             false);
    return p;
}

// The air battle: brass over driving strings in A minor, timpani and a full kit.
Piece air() {
    Piece p{138, 0, {GM_TRUMPET, GM_STRINGS, GM_FINGER_BASS, GM_TIMPANI}, {}};
    const std::vector<Chord> bars = repeatBars(
        {{45, true}, {41, false}, {43, false}, {45, true}, {38, true}, {41, false}, {40, false}, {40, false}}, 2);
    p.beats = int(bars.size()) * 4;
    addPads(p, bars, 4, 1, 64);
    addBass(p, bars, 4, 2, 92, true);
    for (size_t b = 0; b < bars.size(); ++b) // timpani on the bar's roots
        for (double beat : {0.0, 2.5, 3.0})
            p.notes.push_back({b * 4 + beat, 0.5, 3, bars[b].root, beat == 0.0 ? 100 : 80});
    addMelody(p, bars, {0.75, 0.75, 0.5, 1.0, 1.0}, 48, 64, 81, 23, 96);
    addDrums(p, int(bars.size()), 4,
             {{0, KICK, 110},
              {0.5, CLOSED_HAT, 60},
              {1, SNARE, 100},
              {1.5, CLOSED_HAT, 60},
              {2, KICK, 110},
              {2.5, KICK, 90},
              {2.5, CLOSED_HAT, 60},
              {3, SNARE, 100},
              {3.5, CLOSED_HAT, 70}},
             true);
    return p;
}

// The river crossing: an oboe and a guitar in G major over strings, a walking bass, light
// tambourine: a pastoral stroll.
Piece river() {
    Piece p{100, 0, {GM_OBOE, GM_SLOW_STRINGS, GM_ACOUSTIC_BASS, GM_NYLON}, {}};
    const std::vector<Chord> bars = repeatBars(
        {{43, false}, {48, false}, {38, false}, {43, false}, {40, true}, {48, false}, {38, false}, {38, false}}, 2);
    p.beats = int(bars.size()) * 4;
    addPads(p, bars, 4, 1, 48);
    addArpeggio(p, bars, 4, 3, 64);
    addBass(p, bars, 4, 2, 76, true);
    addMelody(p, bars, {1.0, 0.5, 0.5, 1.0, 1.0}, 55, 67, 84, 37, 84);
    addDrums(p, int(bars.size()), 4, {{1, TAMBOURINE, 46}, {3, TAMBOURINE, 46}, {0, KICK, 60}, {2, KICK, 50}}, false);
    return p;
}

// The credits: a piano tune in F over slow strings with a brushed ride.
Piece credits() {
    Piece p{84, 0, {GM_PIANO, GM_SLOW_STRINGS, GM_ACOUSTIC_BASS, GM_HARP}, {}};
    const std::vector<Chord> bars = repeatBars(
        {{41, false}, {38, true}, {46, false}, {48, false}, {41, false}, {45, true}, {46, false}, {48, false}}, 1);
    p.beats = int(bars.size()) * 4;
    addPads(p, bars, 4, 1, 50);
    addBass(p, bars, 4, 2, 72, false);
    addMelody(p, bars, {1.0, 1.0, 0.5, 0.5, 1.0}, 53, 65, 84, 53, 82);
    addDrums(p, int(bars.size()), 4, {{0, RIDE, 40}, {1, RIDE, 34}, {2, RIDE, 40}, {3, RIDE, 34}, {0, KICK, 50}},
             false);
    return p;
}

// A title card's short piece (about 4.5 s with its ring-out): a motif on the scene's own
// instrument over a held chord, so each card announces the music of its scene.
Piece titleCard(int card) {
    static const int melodies[3] = {GM_CELESTA, GM_BRASS, GM_CLARINET};
    static const Chord chords[3] = {{38, false}, {45, true}, {43, false}};
    static const int motifs[3][4] = {{0, 7, 12, 16}, {0, 3, 7, 12}, {0, 4, 7, 9}};
    Piece p{96, 3, {melodies[card], GM_STRINGS, GM_ACOUSTIC_BASS, GM_TIMPANI}, {}};
    const Chord c = chords[card];
    for (int key : {c.root + 12, third(c) + 12, fifth(c) + 12})
        p.notes.push_back({0.0, 3.0, 1, key, 60});
    p.notes.push_back({0.0, 3.0, 2, c.root, 80});
    if (card == 1) p.notes.push_back({0.0, 1.0, 3, c.root, 100});
    for (int i = 0; i < 4; ++i)
        p.notes.push_back({i * 0.5, i == 3 ? 1.5 : 0.5, 0, c.root + 24 + motifs[card][i], 88});
    return p;
}

Piece compose(int track) {
    switch (track) {
    case 0:
        return titleCard(0);
    case 1:
        return beach();
    case 2:
        return titleCard(1);
    case 3:
        return air();
    case 4:
        return titleCard(2);
    case 5:
        return river();
    default:
        return credits();
    }
}

void quiet(int, const char*, void*) {}

struct Event {
    std::int64_t frame;
    bool on;
    int channel;
    int key;
    int velocity;
};

} // namespace

std::vector<float> AG_RenderTrack(int track, std::string* error) {
    // FluidSynth reports on stderr by default; the generator speaks in its own lines.
    for (int level = 0; level < LAST_LOG_LEVEL; ++level)
        fluid_set_log_function(level, quiet, nullptr);
    const Piece piece = compose(track);
    const bool loops = CAT_MUSIC[track].loops;
    const double framesPerBeat = kRate * 60.0 / piece.bpm;
    const std::int64_t body = std::int64_t(std::llround(piece.beats * framesPerBeat));
    const std::int64_t total = body + std::int64_t(kTailSeconds * kRate);

    std::vector<Event> events;
    for (const Note& n : piece.notes) {
        const std::int64_t on = std::int64_t(std::llround(n.beat * framesPerBeat));
        const std::int64_t off = std::int64_t(std::llround((n.beat + n.length) * framesPerBeat));
        events.push_back({on, true, n.channel, n.key, n.velocity});
        events.push_back({off, false, n.channel, n.key, 0});
    }
    // offs before ons at one frame, so a repeated key restarts
    std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
        return a.frame != b.frame ? a.frame < b.frame : (!a.on && b.on);
    });

    fluid_settings_t* settings = new_fluid_settings();
    fluid_settings_setnum(settings, "synth.sample-rate", kRate);
    fluid_settings_setint(settings, "synth.cpu-cores", 1);
    fluid_settings_setnum(settings, "synth.gain", 0.5);
    fluid_synth_t* synth = new_fluid_synth(settings);
    std::vector<float> out;
    if (!synth || fluid_synth_sfload(synth, AG_SOUNDFONT, 1) == FLUID_FAILED) {
        *error = std::string(AG_SOUNDFONT) + ": the soundfont cannot be loaded (install timgm6mb-soundfont)";
    } else {
        for (int ch = 0; ch < 4; ++ch)
            fluid_synth_program_change(synth, ch, piece.programs[ch]);
        out.assign(size_t(total) * 2, 0.0f);
        std::vector<float> left(4096), right(4096);
        size_t next = 0;
        for (std::int64_t at = 0; at < total;) {
            while (next < events.size() && events[next].frame <= at) {
                const Event& e = events[next++];
                if (e.on)
                    fluid_synth_noteon(synth, e.channel, e.key, e.velocity);
                else
                    fluid_synth_noteoff(synth, e.channel, e.key);
            }
            std::int64_t until = std::min(total, at + std::int64_t(left.size()));
            if (next < events.size()) until = std::min(until, events[next].frame);
            const int n = int(until - at);
            fluid_synth_write_float(synth, n, left.data(), 0, 1, right.data(), 0, 1);
            for (int i = 0; i < n; ++i) {
                out[size_t(at + i) * 2] = left[size_t(i)];
                out[size_t(at + i) * 2 + 1] = right[size_t(i)];
            }
            at = until;
        }
        if (loops) {
            for (size_t i = size_t(body) * 2; i < out.size(); ++i)
                out[i - size_t(body) * 2] += out[i];
            out.resize(size_t(body) * 2);
        }
        float peak = 0.0f;
        for (float s : out)
            peak = std::max(peak, std::fabs(s));
        if (peak > 0.0f)
            for (float& s : out)
                s *= kPeak / peak;
    }
    if (synth) delete_fluid_synth(synth);
    delete_fluid_settings(settings);
    return out;
}

std::vector<Uint8> AG_EncodeVorbis(const std::vector<float>& samples, std::string* error) {
    std::vector<Uint8> bytes;
    vorbis_info vi;
    vorbis_info_init(&vi);
    // quality 0.1 (about 80 kbit/s for stereo): music, not a master, and the archive stays small
    if (vorbis_encode_init_vbr(&vi, CAT_MUSIC_CHANNELS, CAT_MUSIC_RATE, 0.1f) != 0) {
        vorbis_info_clear(&vi);
        *error = "the Vorbis encoder refused its settings";
        return bytes;
    }
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_dsp_state vd;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block vb;
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, 0x56580001); // fixed serial: the same samples give the same bytes
    ogg_packet header, comments, code;
    vorbis_analysis_headerout(&vd, &vc, &header, &comments, &code);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &comments);
    ogg_stream_packetin(&os, &code);
    ogg_page page;
    auto put = [&bytes](const ogg_page& pg) {
        bytes.insert(bytes.end(), pg.header, pg.header + pg.header_len);
        bytes.insert(bytes.end(), pg.body, pg.body + pg.body_len);
    };
    while (ogg_stream_flush(&os, &page))
        put(page);

    const size_t frames = samples.size() / 2;
    const size_t chunk = 4096;
    for (size_t at = 0;; at += chunk) {
        const size_t n = std::min(chunk, frames - std::min(at, frames));
        if (n > 0) {
            float** buffer = vorbis_analysis_buffer(&vd, int(n));
            for (size_t i = 0; i < n; ++i) {
                buffer[0][i] = samples[(at + i) * 2];
                buffer[1][i] = samples[(at + i) * 2 + 1];
            }
        }
        vorbis_analysis_wrote(&vd, int(n)); // 0 frames marks the end
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&vd, &packet)) {
                ogg_stream_packetin(&os, &packet);
                while (ogg_stream_pageout(&os, &page))
                    put(page);
            }
        }
        if (n == 0) break;
    }
    while (ogg_stream_flush(&os, &page))
        put(page);
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return bytes;
}

bool AG_AddMusic(AssetSink& sink, std::string* error) {
    for (int t = 0; t < CAT_MUSIC_COUNT; ++t) {
        const std::vector<float> samples = AG_RenderTrack(t, error);
        if (samples.empty()) return false;
        std::vector<Uint8> ogg = AG_EncodeVorbis(samples, error);
        if (ogg.empty()) return false;
        if (!sink.Add(CAT_MUSIC[t].name, std::move(ogg))) return false;
    }
    return true;
}
