// The soundtrack the build makes, and the mixer that plays it in demo time: every track decodes,
// sounds (not silence, not clipped), a loop has no seam and a title piece rings out rather than
// stops; the mixer reads a track where the timeline says, at the demo's speed, wraps loops and
// crosses over between parts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unistd.h>

#include "audio/music.h"
#include "core/catalogue.h"
#include "support/archive_bytes.h"
#include "support/dirs.h"

namespace {

const std::string kArchive = std::string(VH_RUN_DIR) + "/" + CAT_ARCHIVE;

double rms(const std::vector<std::int16_t>& s, size_t from, size_t to) {
    double sum = 0;
    for (size_t i = from; i < to; ++i)
        sum += double(s[i]) * s[i];
    return std::sqrt(sum / double(std::max<size_t>(1, to - from)));
}

// The largest step between neighbouring frames of one channel: a loop's seam must be no bigger.
int largestStep(const std::vector<std::int16_t>& s, int channel) {
    int step = 0;
    for (size_t i = 2 + channel; i < s.size(); i += 2)
        step = std::max(step, std::abs(s[i] - s[i - 2]));
    return step;
}

TEST(Music, EveryTrackDecodesSoundsAndLoopsWithoutASeam) {
    for (const CAT_MusicTrack& track : CAT_MUSIC) {
        SCOPED_TRACE(track.name);
        const Bytes ogg = ReadEntry(kArchive.c_str(), track.name);
        ASSERT_FALSE(ogg.empty()) << "the build makes the demo data in " << VH_RUN_DIR;
        std::vector<std::int16_t> pcm;
        ASSERT_EQ(SND_DecodeVorbisBytes(ogg.data(), Uint32(ogg.size()), &pcm), "");
        const double seconds = double(pcm.size()) / CAT_MUSIC_CHANNELS / CAT_MUSIC_RATE;
        // An independent reader (sox, from Debian) agrees on its length, frame for frame.
        const std::string file = "/tmp/vh_music_" + std::to_string(getpid()) + "_" + track.name;
        ASSERT_TRUE(WriteFile(file, ogg));
        EXPECT_EQ(RunOutput("soxi -s '" + file + "' 2>/dev/null"), std::to_string(pcm.size() / 2) + "\n");
        std::remove(file.c_str());
        EXPECT_TRUE(track.loops ? seconds > 15 && seconds < 60 : seconds > 3.5 && seconds < 6) << seconds;
        EXPECT_GT(rms(pcm, 0, pcm.size()), 0.05 * 32768); // music, not silence
        const auto peak = std::minmax_element(pcm.begin(), pcm.end());
        EXPECT_LT(std::max(-int(*peak.first), int(*peak.second)), 32000); // never clipped
        // Every quarter of the track sounds: nothing falls silent half-way.
        for (int q = 0; q < 4 && track.loops; ++q)
            EXPECT_GT(rms(pcm, pcm.size() / 4 * q, pcm.size() / 4 * (q + 1)), 0.02 * 32768) << "quarter " << q;
        for (int c = 0; c < CAT_MUSIC_CHANNELS; ++c) {
            const int seam = std::abs(pcm[size_t(c)] - pcm[pcm.size() - 2 + size_t(c)]);
            if (track.loops)
                EXPECT_LE(seam, largestStep(pcm, c)) << "channel " << c;
            else // a title piece has rung out by its end
                EXPECT_LT(rms(pcm, pcm.size() - 2000, pcm.size()), 0.01 * 32768);
        }
    }
}

TEST(Music, DamagedStreamsAreRefusedWithAReason) {
    const Bytes ogg = ReadEntry(kArchive.c_str(), CAT_MUSIC[0].name);
    ASSERT_FALSE(ogg.empty());
    Bytes half(ogg.begin(), ogg.begin() + long(ogg.size() / 2)), flipped = ogg;
    for (size_t i = ogg.size() / 3; i < ogg.size() / 3 + 64; ++i)
        flipped[i] ^= 0x5a;
    const Bytes junk = ToBytes("not a sound at all, only words");
    for (const Bytes* b : std::vector<const Bytes*>{&half, &flipped, &junk}) {
        SCOPED_TRACE(b == &half ? "half" : b == &flipped ? "flipped" : "junk");
        std::vector<std::int16_t> pcm;
        EXPECT_NE(SND_DecodeVorbisBytes(b->data(), Uint32(b->size()), &pcm), "");
        EXPECT_TRUE(pcm.empty());
    }
    std::vector<std::int16_t> pcm;
    EXPECT_EQ(SND_DecodeVorbisBytes(nullptr, 0, &pcm), "not an Ogg Vorbis stream");
}

class Mixer : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(chdir(VH_RUN_DIR), 0);
        SND_LoadTracks();
    }
    // out[frame] against the track at frame `at` (stereo frames), within interpolation's rounding.
    static void expectTrack(const std::vector<std::int16_t>& out, size_t frame, int track, double at) {
        const std::vector<std::int16_t>& s = SND_TrackSamples(track);
        const size_t i = size_t(std::llround(at)) % (s.size() / 2);
        EXPECT_NEAR(out[frame * 2], s[i * 2], 2) << "frame " << frame << " track frame " << i;
        EXPECT_NEAR(out[frame * 2 + 1], s[i * 2 + 1], 2) << "frame " << frame << " track frame " << i;
    }
};

TEST_F(Mixer, ReadsWhereTheTimelineSaysAtTheDemosSpeedAndWrapsLoops) {
    const int beach = SND_TrackOfPart("scene1"), air = SND_TrackOfPart("scene2");
    ASSERT_GT(SND_TrackFrames(beach), 0);
    ASSERT_EQ(SND_TrackOfPart("nowhere"), -1);
    SND_Timeline t;
    SND_TimelineStart(&t, beach);
    std::vector<std::int16_t> out(CAT_MUSIC_RATE * 2);
    SND_Mix(&t, 1.0, CAT_MUSIC_RATE, 1.0f, out.data()); // one second at speed 1
    for (size_t f : {size_t(0), size_t(1234), size_t(CAT_MUSIC_RATE - 1)})
        expectTrack(out, f, beach, double(f));
    EXPECT_NEAR(t.position, 1.0, 1e-9);
    SND_Mix(&t, 2.0, CAT_MUSIC_RATE, 1.0f, out.data()); // speed 2: two track frames an output frame
    for (size_t f : {size_t(0), size_t(999), size_t(20000)})
        expectTrack(out, f, beach, CAT_MUSIC_RATE + 2.0 * f);
    SND_Mix(&t, -1.0, 100, 1.0f, out.data()); // paused: silence, and the music stays put
    EXPECT_TRUE(std::all_of(out.begin(), out.begin() + 200, [](std::int16_t s) { return s == 0; }));
    EXPECT_NEAR(t.position, 3.0, 1e-9);
    // A loop comes round: the position stays inside one length.
    const double length = double(SND_TrackFrames(beach)) / CAT_MUSIC_RATE;
    SND_Mix(&t, length, 0, 1.0f, nullptr);
    EXPECT_NEAR(t.position, 3.0, 1e-6);

    // A part change crosses over in half a second, then the new track plays alone from its start.
    SND_TimelineStart(&t, air);
    EXPECT_EQ(t.previous, beach);
    SND_Mix(&t, 0.25, CAT_MUSIC_RATE / 4, 1.0f, out.data());
    EXPECT_EQ(t.previous, beach);
    EXPECT_NEAR(t.fade, 0.5, 1e-6);
    SND_Mix(&t, 0.5, CAT_MUSIC_RATE / 2, 1.0f, out.data());
    EXPECT_EQ(t.previous, -1);
    expectTrack(out, CAT_MUSIC_RATE / 2 - 1, air, CAT_MUSIC_RATE * 0.75 - 1);
    // Volume scales it.
    SND_Timeline quiet = t, loud = t;
    std::vector<std::int16_t> half(200), full(200);
    SND_Mix(&quiet, 0.01, 100, 0.5f, half.data());
    SND_Mix(&loud, 0.01, 100, 1.0f, full.data());
    for (size_t i = 0; i < half.size(); ++i)
        EXPECT_NEAR(half[i], full[i] / 2.0, 1.0);
}

} // namespace
