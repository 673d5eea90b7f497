// The music follows demo time through the console's controls: after goto, pause, step, speed 2
// and 'n' the recorded sound is the track at the place demo time gives, frame by frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <unistd.h>

#include "audio/music.h"
#include "core/catalogue.h"
#include "shell/driver.h"
#include "shell/frames.h"
#include "shell/sequence.h"
#include "support/archive_bytes.h"
#include "support/dirs.h"
#include "support/gl_fixture.h"
#include "text/console.h"

namespace {

const int kFps = 60;
const int kFrame = CAT_MUSIC_RATE / kFps; // output frames per picture frame (735)

class Music : public ::testing::Test {
protected:
    void SetUp() override {
        VH_TestOpenWindow();
        ASSERT_EQ(chdir(VH_RUN_DIR), 0);
        SND_SetRecording(true);
    }
    void TearDown() override {
        SND_SetRecording(false);
        VH_SetPaused(false);
        VH_SetTimeScale(1.0);
        if (VH_Console.open) VH_DriverKey('`');
        VH_GotoRow(0);
    }
    // Steps frames and returns the index (stereo frames) of the first one's sound in the recording.
    size_t play(int frames) {
        const size_t at = SND_Recording().size() / 2;
        for (int i = 0; i < frames; ++i)
            VH_DriverStep(1.0 / kFps);
        return at;
    }
    // The recorded output frame against the track's frame there, within interpolation's rounding.
    static void expectTrackAt(size_t recorded, int track, double trackSeconds) {
        const std::vector<std::int16_t>& r = SND_Recording();
        const std::vector<std::int16_t>& s = SND_TrackSamples(track);
        ASSERT_GT(s.size(), 0u);
        const size_t i = size_t(std::llround(trackSeconds * CAT_MUSIC_RATE)) % (s.size() / 2);
        EXPECT_NEAR(r[recorded * 2], s[i * 2], 2) << "recorded frame " << recorded << ", track frame " << i;
        EXPECT_NEAR(r[recorded * 2 + 1], s[i * 2 + 1], 2) << "recorded frame " << recorded << ", track frame " << i;
    }
    static bool silent(size_t from, size_t frames) {
        const std::vector<std::int16_t>& r = SND_Recording();
        for (size_t i = from * 2; i < (from + frames) * 2; ++i)
            if (r[i] != 0) return false;
        return true;
    }
};

TEST_F(Music, FollowsDemoTimeThroughGotoPauseStepSpeedAndNext) {
    const int air = SND_TrackOfPart("scene2"), intro3 = SND_TrackOfPart("intro3");
    play(10);
    VH_TestTypeCommand("goto scene2");
    // The part starts on the next frame; after the half-second crossfade the track plays alone.
    size_t start = play(60);
    for (int f : {31, 45, 59})
        expectTrackAt(start + size_t(f * kFrame), air, double(f) / kFps);

    VH_TestTypeCommand("pause");
    const size_t paused = play(30);
    EXPECT_TRUE(silent(paused, 30 * kFrame));
    EXPECT_NEAR(SND_CurrentTimeline().position, 1.0, 1e-6);
    VH_TestTypeCommand("step");
    EXPECT_TRUE(silent(play(1), kFrame)); // a step is silent, but the music moves with it
    EXPECT_NEAR(SND_CurrentTimeline().position, 61.0 / kFps, 1e-6);

    VH_TestTypeCommand("resume");
    VH_TestTypeCommand("speed 2");
    const size_t fast = play(30);
    for (int f : {0, 10, 29}) // two track frames for each output frame: the tape runs fast
        expectTrackAt(fast + size_t(f * kFrame) + 100, air, 61.0 / kFps + 2.0 * (f * kFrame + 100) / CAT_MUSIC_RATE);

    VH_TestTypeCommand("music");
    EXPECT_NE(VH_TestLastLine().find("device: not opened"), std::string::npos) << VH_TestLastLine();
    VH_TestTypeCommand("music");
    VH_DriverKey('`');
    VH_DriverKey('n'); // scene two closes; intro three comes in, crossing over from the battle
    size_t frames = 0;
    while (SND_CurrentTimeline().track != intro3 && frames < 120) {
        play(1);
        ++frames;
    }
    ASSERT_EQ(SND_CurrentTimeline().track, intro3);
    EXPECT_EQ(SND_CurrentTimeline().previous, air);
    EXPECT_NEAR(SND_CurrentTimeline().position, 2.0 / kFps, 1e-6);
}

// The output device, played through SDL's disk driver (it writes what the device thread mixes to a
// file, in real time): the thread follows the frame loop's timeline into the right track and
// plays it as the track is, without jumps between its buffers.
TEST_F(Music, TheDeviceThreadPlaysTheTrackTheFrameLoopPublishes) {
    const std::string dir = VH_TestTempDir(), raw = dir + "/device.raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", raw.c_str(), 1);
    VH_TestTypeCommand("goto scene2");
    VH_DriverKey('`');
    play(1); // the scene loads before the device starts
    ASSERT_TRUE(SND_OpenDevice()) << SND_DeviceText();
    EXPECT_EQ(SND_DeviceText().rfind("SDL audio, disk", 0), 0u) << SND_DeviceText();
    // Demo time runs with the clock here, as in the demo's own loop: each step is the time since the last.
    auto last = std::chrono::steady_clock::now();
    for (int i = 0; i < 90; ++i) { // a second and a half
        std::this_thread::sleep_for(std::chrono::microseconds(1000000 / kFps));
        const auto now = std::chrono::steady_clock::now();
        VH_DriverStep(std::chrono::duration<double>(now - last).count());
        last = now;
    }
    const double end = SND_CurrentTimeline().position; // where the frame loop had the air track last
    SND_CloseDevice();
    unsetenv("SDL_AUDIODRIVER");
    const Bytes bytes = ReadFile(raw);
    ASSERT_GT(bytes.size(), size_t(CAT_MUSIC_RATE) * 4 / 2);
    std::vector<std::int16_t> heard(bytes.size() / 2);
    std::memcpy(heard.data(), bytes.data(), heard.size() * 2);
    // Stretches past the crossfade are the air track where the frame loop had it, within 150 ms (the
    // buffers mixed ahead). The device reads between samples (where the published place falls), so
    // they are compared by correlation; one stretch may hold a jump back into step under load, so
    // the best of four counts.
    const std::vector<std::int16_t>& air = SND_TrackSamples(SND_TrackOfPart("scene2"));
    const size_t frames = heard.size() / 2, length = 1024;
    double best = 0;
    for (size_t from : {frames / 2, frames * 5 / 8, frames * 3 / 4, frames * 7 / 8}) {
        const double there = end - double(frames - from) / CAT_MUSIC_RATE;
        const long centre = std::lround(there * CAT_MUSIC_RATE), reach = CAT_MUSIC_RATE * 15 / 100;
        for (long at = std::max(0L, centre - reach); at < centre + reach; ++at) {
            double xy = 0, xx = 0, yy = 0;
            for (size_t i = 0; i < length * 2; ++i) {
                const double x = heard[from * 2 + i], y = air[size_t(at) * 2 + i];
                xy += x * y, xx += x * x, yy += y * y;
            }
            best = std::max(best, xy / std::sqrt(xx * yy + 1));
        }
    }
    EXPECT_GT(best, 0.98) << "the device's sound is not the air track where the frame loop had it";
}

} // namespace
