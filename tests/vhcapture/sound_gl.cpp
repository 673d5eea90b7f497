// vhcapture's soundtrack: --audio writes the sound of the frames drawn, the same bytes for the
// same arguments; --video carries it as an audio stream as long as the pictures, lined up with
// them; a damaged music entry is one warning and a silent part, and the run plays on.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sys/wait.h>

#include "core/catalogue.h"
#include "support/archive_bytes.h"
#include "support/dirs.h"
#include "support/gl_fixture.h"

namespace {

struct Outcome {
    int status;
    std::string err;
};

Outcome capture(const std::string& dir, const std::string& args) {
    const std::string cmd = "cd '" + dir + "' && LIBGL_ALWAYS_SOFTWARE=1 '" + std::string(VH_BIN_DIR) + "/vhcapture' --quiet " + args +
                            " >/dev/null 2>'" + dir + "/stderr.txt'";
    const int raw = std::system(cmd.c_str());
    const Bytes err = ReadFile(dir + "/stderr.txt");
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, std::string(err.begin(), err.end())};
}

// The samples of a 16-bit stereo WAV file as vhcapture writes it (44-byte header).
std::vector<std::int16_t> wavSamples(const std::string& path) {
    const Bytes b = ReadFile(path);
    std::vector<std::int16_t> s(b.size() > 44 ? (b.size() - 44) / 2 : 0);
    if (!s.empty()) std::memcpy(s.data(), b.data() + 44, s.size() * 2);
    return s;
}

double rms(const std::vector<std::int16_t>& s, double from, double to) { // seconds
    const size_t a = size_t(from * CAT_MUSIC_RATE) * 2, b = std::min(s.size(), size_t(to * CAT_MUSIC_RATE) * 2);
    double sum = 0;
    for (size_t i = a; i < b; ++i)
        sum += double(s[i]) * s[i];
    return b > a ? std::sqrt(sum / double(b - a)) : 0.0;
}

std::string probe(const std::string& video, const char* stream) {
    return RunOutput(std::string("ffprobe -v error -select_streams ") + stream +
                     " -show_entries stream=duration -of csv=p=0 '" + video + "'");
}

class Sound : public ::testing::Test {
protected:
    void SetUp() override {
        dir = VH_TestTempDir();
        run = std::string("--data '") + VH_RUN_DIR + "' ";
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
    std::string dir, run;
};

TEST_F(Sound, TheSoundtrackIsTheSameForTheSameRunAndLinedUpInTheVideo) {
    // The part changes at 3.5 s (intro one ends) and at the 'n' (scene one closes).
    const std::string script = run + "--until 6 --keys 5:n ";
    ASSERT_EQ(capture(dir, script + "--audio a.wav").status, 0);
    Outcome r = capture(dir, script + "--audio b.wav --video v.mp4");
    ASSERT_EQ(r.status, 0) << r.err;
    const Bytes a = ReadFile(dir + "/a.wav");
    EXPECT_EQ(a.size(), 44u + 6u * CAT_MUSIC_RATE * 4u); // exactly as long as 360 frames
    EXPECT_TRUE(a == ReadFile(dir + "/b.wav"));
    const std::vector<std::int16_t> s = wavSamples(dir + "/a.wav");
    EXPECT_GT(rms(s, 0.2, 1.5), 1000.0); // the first title piece
    EXPECT_LT(rms(s, 3.2, 3.45), 100.0); // it has rung out before the card closes
    EXPECT_GT(rms(s, 3.6, 4.8), 1000.0); // the beach
    EXPECT_GT(rms(s, 5.1, 5.9), 1000.0); // the second title piece

    if (RunOutput("command -v ffprobe").empty()) GTEST_SKIP() << "no ffprobe";
    const std::string video = dir + "/v.mp4";
    const double pictures = std::atof(probe(video, "v:0").c_str()), sound = std::atof(probe(video, "a:0").c_str());
    EXPECT_NEAR(pictures, 6.0, 1e-3);
    EXPECT_NEAR(sound, pictures, 1.0 / 60) << "audio " << sound << " s, video " << pictures << " s";
    EXPECT_FALSE(std::filesystem::exists(dir + "/v.pictures.mp4")); // the pictures-only file is gone
    EXPECT_FALSE(std::filesystem::exists(video + ".sound.wav"));

    // The video's sound decoded again: the beach begins where the WAV has it, within a frame.
    ASSERT_EQ(std::system(("ffmpeg -v error -y -i '" + video + "' -ac 2 -ar 44100 '" + dir + "/back.wav'").c_str()), 0);
    const std::vector<std::int16_t> back = wavSamples(dir + "/back.wav");
    const auto onset = [](const std::vector<std::int16_t>& x) { // first 10 ms window after 3.3 s past a level
        for (double t = 3.3; t < 4.5; t += 0.001)
            if (rms(x, t, t + 0.01) > 500.0) return t;
        return -1.0;
    };
    ASSERT_GT(onset(s), 3.4);
    EXPECT_NEAR(onset(back), onset(s), 1.0 / 60);
}

TEST_F(Sound, ADamagedMusicEntryIsOneWarningAndASilentPart) {
    const std::string archive = dir + "/vh_data.clu";
    ASSERT_TRUE(WriteFile(archive, ReadFile(std::string(VH_RUN_DIR) + "/" + CAT_ARCHIVE)));
    ASSERT_TRUE(WriteFile(dir + "/credits.txt", ReadFile(std::string(VH_RUN_DIR) + "/" + CAT_CREDITS)));
    ASSERT_TRUE(WriteFile(dir + "/junk.ogg", ToBytes("OggS but nothing after it")));
    ASSERT_EQ(std::system(("'" + std::string(VH_BIN_DIR) + "/vhpack' add '" + archive + "' '" + dir +
                           "/junk.ogg' --name mus_intro1.ogg --replace --force 2>/dev/null")
                              .c_str()),
              0);
    const Outcome r = capture(dir, "--until 5 --audio a.wav");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("warning: mus_intro1.ogg: not an Ogg Vorbis stream; intro1 plays without music\n"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find("warning:"), r.err.rfind("warning:")) << "one warning: " << r.err;
    const std::vector<std::int16_t> s = wavSamples(dir + "/a.wav");
    EXPECT_EQ(rms(s, 0.0, 3.4), 0.0);    // the first card is silent
    EXPECT_GT(rms(s, 3.8, 4.9), 1000.0); // the beach plays as ever
}

} // namespace
