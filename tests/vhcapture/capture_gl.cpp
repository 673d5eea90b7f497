// vhcapture end to end: the built tool runs in the virtual X server the test runner
// provides, on a throw-away data folder, and its files are read back and checked.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <png.h>
#include <regex>
#include <sstream>
#include <sys/wait.h>

#include "support/dirs.h"
#include "support/picture_files.h"
#include "core/passmark.h"
#include "core/version.h"
#include "shell/sequence.h"
#include "shell/state.h"
#include "support/gl_fixture.h"

namespace {
struct Outcome {
    int status;
    std::string out, err;
};

std::string readFile(const std::string& path) {
    const Bytes bytes = ReadFile(path);
    return std::string(bytes.begin(), bytes.end());
}

// Runs vhcapture in dir; env is prefixed to the command (e.g. "PATH=/none").
Outcome capture(const std::string& dir, const std::string& args, const std::string& env = "") {
    const std::string cmd = "cd '" + dir + "' && " + env + " LIBGL_ALWAYS_SOFTWARE=1 '" + std::string(VH_BIN_DIR) +
                            "/vhcapture' " + args + " >'" + dir + "/stdout.txt' 2>'" + dir + "/stderr.txt'";
    const int raw = std::system(cmd.c_str());
    Outcome r{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readFile(dir + "/stdout.txt"), readFile(dir + "/stderr.txt")};
    // The engine announces its square-root table before main, without a line break, and
    // vhcapture ends that line before its own.
    for (const char* banner : {"FAST SQRT LIB INIT", "\n"})
        if (r.err.rfind(banner, 0) == 0) r.err.erase(0, std::strlen(banner));
    return r;
}

// Every folder a test makes is removed once the program's tests are done.
std::vector<std::string> madeDirs;
struct RemoveMadeDirs : ::testing::Environment {
    void TearDown() override {
        std::error_code ignored;
        for (const std::string& dir : madeDirs)
            std::filesystem::remove_all(dir, ignored);
    }
};
::testing::Environment* const removeMadeDirs = ::testing::AddGlobalTestEnvironment(new RemoveMadeDirs);

std::string tempDir() {
    madeDirs.push_back(VH_TestTempDir());
    return madeDirs.back();
}

// A data folder whose archive holds only what a run cannot do without (scene one's path file):
// no picture loads, every fade runs over black.
std::string emptyDataDir() {
    const std::string dir = tempDir();
    const Bytes paths = ReadEntry((std::string(VH_RUN_DIR) + "/vh_data.clu").c_str(), "flyerpaths.spo");
    EXPECT_FALSE(paths.empty()) << "the build makes the demo data in " << VH_RUN_DIR;
    EXPECT_TRUE(WriteArchive((dir + "/vh_data.clu").c_str(), {{"flyerpaths.spo", paths}}));
    return dir;
}

// Mean brightness of the first intro picture below.
const double introBrightness = (200 + 180 + 160) / 3.0;

// A data folder whose archive holds a first intro picture of one flat colour, so every
// fade frame's brightness tells how far the fade has gone.
std::string introDataDir() {
    const std::string dir = tempDir();
    Bytes row;
    for (int x = 0; x < 64; ++x)
        row.insert(row.end(), {160, 180, 200}); // blue, green, red
    EXPECT_TRUE(WriteArchive((dir + "/vh_data.clu").c_str(),
                             {{"intro1.bmp", testpic::bmp(64, 64, 24, std::vector<Bytes>(64, row))}}));
    return dir;
}

struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb;
};

Picture readPNG(const std::string& path) {
    Picture p;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return p;
    image.format = PNG_FORMAT_RGB;
    p.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, p.rgb.data(), 0, nullptr)) return Picture{};
    p.width = (int)image.width;
    p.height = (int)image.height;
    return p;
}

double mean(const Picture& p) {
    return VH_TestMean(p.rgb, p.width, 0, 0, p.width, p.height);
}

struct CsvRow {
    long frame;
    double time;
    int state, id, msg;
    double updateMs, renderMs;
    std::string names;          // "state_name part message_name"
    std::vector<double> passMs; // with --passes, one per pass
};

std::vector<CsvRow> readCsv(const std::string& path, std::string* header = nullptr) {
    std::ifstream in(path);
    std::vector<CsvRow> rows;
    std::string line;
    std::getline(in, line);
    if (header) *header = line;
    while (std::getline(in, line)) {
        std::vector<std::string> f;
        std::istringstream fields(line);
        for (std::string field; std::getline(fields, field, ',');)
            f.push_back(field);
        if (f.size() != 13 && f.size() != 13 + VH_PASS_COUNT) continue;
        rows.push_back({std::stol(f[0]),
                        std::stod(f[1]),
                        std::stoi(f[2]),
                        std::stoi(f[4]),
                        std::stoi(f[6]),
                        std::stod(f[8]),
                        std::stod(f[9]),
                        f[3] + " " + f[5] + " " + f[7],
                        {}});
        for (size_t i = 13; i < f.size(); ++i)
            rows.back().passMs.push_back(std::stod(f[i]));
    }
    return rows;
}

int count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

std::vector<std::string> folder(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string frameName(long frame) {
    char name[32];
    std::snprintf(name, sizeof name, "frame_%06ld.png", frame);
    return name;
}

// The keys that cut each intro in its hold (1.8 s after it starts) and, one frame later, close
// the scene before it loads anything, so the run needs no scene data.
const std::string cutEverything = "--keys 1.8:n,1.81:n,3.6:n,3.61:n,5.4:n,5.41:n ";
} // namespace

TEST(Capture, RefusedRunsSayWhyInOneLineAndLeaveNothingBehind) {
    const std::string dir = emptyDataDir();
    std::istringstream bad("--fps 0|--fps 60x|--until -1|--until nan|--at 1,,2|--at 0.5,abc|--keys 1:bogus|--keys 1n|"
                           "--keys 1:n,|--size 800|--size 8x8|--every 0|--seed -3|--frobnicate|stray|--out|"
                           "--sheet s.png|--until 1 --at 2|--quiet=yes|--plot=|--loops 0|--loops 2.5|"
                           "--every 5 --sheet s.jpg|--plot p.PNG.gif|--every 5 --sheet png|--overdraw o.png|"
                           "--every 5 --overdraw o.jpg|--passes|--passes --plot p.png|--passes=1 --stats s.csv");
    for (std::string args; std::getline(bad, args, '|');) {
        const Outcome r = capture(dir, args);
        EXPECT_TRUE(r.status == 2 && count(r.err, "\n") == 1 && r.err.rfind("vhcapture: ", 0) == 0) << args << r.err;
    }
    EXPECT_EQ(capture(dir, "--every 5 --sheet s.jpg").err,
              "vhcapture: --sheet: s.jpg: vhcapture writes pictures as PNG only; give a name ending in .png\n");
    const Outcome help = capture(dir, "--help");
    EXPECT_EQ(help.status, 0);
    for (const char* option : {"--keys", "--quiet", "--trace", "--version"})
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    const Outcome version = capture(dir, "--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string("vhcapture ") + VH_VERSION_TEXT + "\n");

    // Faults of the surroundings rather than of the arguments, all found before the first frame: status 1.
    std::filesystem::create_directory(dir + "/taken.mp4");
    std::filesystem::create_directory(dir + "/taken.png");
    std::filesystem::create_directory(dir + "/nodata");
    std::ofstream(dir + "/plainfile").close();
    const std::string noFile = ": cannot write (No such file or directory)";
    const std::string notDir = ": cannot write (Not a directory)";
    const std::string noData = "/vh_data.clu: cannot read the demo's data (No such file or directory); run in its "
                               "folder or give --data DIR";
    const std::pair<std::string, std::string> cases[] = {
        {"--data nodata", "nodata" + noData},
        {"--data /nonexistent/folder", "/nonexistent/folder" + noData},
        {"--video taken.mp4", "taken.mp4: is a directory"},
        {"--video /nonexistent/v.mp4", "/nonexistent/v.mp4" + noFile},
        {"--every 5 --sheet /nonexistent/s.png", "/nonexistent/s.png" + noFile},
        {"--every 5 --sheet taken.png", "taken.png: is a directory"},
        {"--stats taken.mp4", "taken.mp4: is a directory"},
        {"--plot taken.png", "taken.png: is a directory"},
        {"--at 0.5 --overdraw /nonexistent/o.png", "/nonexistent/o.png" + noFile},
        {"--stats s.csv --plot /nonexistent/p.png", "/nonexistent/p.png" + noFile},
        {"--stats plainfile/s.csv", "plainfile/s.csv" + notDir},
        {"--every 5 --out new/frames --stats plainfile/s.csv", "plainfile/s.csv" + notDir},
        {"--every 1 --out plainfile/frames", "plainfile/frames: cannot create the folder (Not a directory)"},
    };
    for (const auto& [args, line] : cases) {
        const Outcome r = capture(dir, "--until 1 " + args);
        EXPECT_EQ(r.status, 1) << args;
        EXPECT_EQ(r.err, "vhcapture: " + line + "\n") << args;
    }
    const Outcome noFfmpeg = capture(dir, "--until 1 --video v.mp4", "PATH=/nonexistent");
    EXPECT_EQ(noFfmpeg.status, 1);
    EXPECT_EQ(noFfmpeg.err, "vhcapture: v.mp4: cannot make the video: ffmpeg is not installed (or not on PATH)\n");
    // Nothing was drawn or left behind: no statistics, frames, folders, video or trial files.
    EXPECT_EQ(folder(dir), (std::vector<std::string>{"nodata", "plainfile", "stderr.txt", "stdout.txt", "taken.mp4",
                                                     "taken.png", "vh_data.clu"}));
}

TEST(Capture, QuietLeavesOutOnlyTheNoErrorReports) {
    const std::string dir = emptyDataDir();
    const Outcome plain = capture(dir, "--until 1");
    const Outcome quiet = capture(dir, "--until 1 --quiet");
    ASSERT_TRUE(plain.status == 0 && quiet.status == 0) << plain.err << quiet.err;
    EXPECT_GT(count(plain.err, "NO GL ERROR"), 1) << plain.err;
    EXPECT_EQ(count(quiet.err, "NO GL ERROR"), 0) << quiet.err;
    EXPECT_EQ(plain.out, "") << "no summary without --stats";
    EXPECT_EQ(count(plain.err, "resident size"), 0) << "no loop lines without --loops";
    // The archive holds nothing, so the engine warns about every font and picture, each on a
    // line of its own; no line is left empty.
    EXPECT_NE(quiet.err.find("warning: intro1.bmp: not found in the archive"), std::string::npos) << quiet.err;
    EXPECT_EQ(quiet.err.find("\n\n"), std::string::npos) << quiet.err;
    const std::string last = "vhcapture: 60 frames drawn (1.000 s of demo time), 0 saved\n";
    EXPECT_EQ(quiet.err.substr(quiet.err.size() - std::min(quiet.err.size(), last.size())), last) << quiet.err;
}

TEST(Capture, StatsAndPlotFollowTheKeyScriptFrameByFrame) {
    const std::string dir = emptyDataDir();
    // 1.8 s falls in the first intro's hold: 'n' closes it at once, and the scene follows.
    const Outcome r = capture(dir, "--until 2 --keys 1.8:n --stats s.csv --plot p.png");
    ASSERT_EQ(r.status, 0) << r.err;
    std::string header;
    const std::vector<CsvRow> rows = readCsv(dir + "/s.csv", &header);
    EXPECT_EQ(header, "frame,time,state,state_name,id,part,message,message_name,update_ms,render_ms,gl_calls,allocs,"
                      "cpu_ms");
    ASSERT_EQ(rows.size(), 120u);
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].frame, (long)i + 1);
        EXPECT_NEAR(rows[i].time, (double)(i + 1) / 60.0, 1e-6);
        EXPECT_TRUE(rows[i].updateMs >= 0.0 && rows[i].renderMs >= 0.0) << i;
    }
    // Rows show what each step ran. The key lands before step 109, which starts at 1.8 s.
    std::vector<std::pair<int, int>> steps;
    for (int i : {0, 107, 108, 109})
        steps.emplace_back(rows[i].state, rows[i].msg);
    EXPECT_EQ(steps, (decltype(steps){{VHS_INTRO, MSG_INITIALIZE},
                                      {VHS_INTRO, MSG_UPDATE},
                                      {VHS_INTRO, MSG_CLOSE},
                                      {VHS_SCENE, MSG_INITIALIZE}}));
    EXPECT_TRUE(rows[109].id == 0 && rows[110].msg == MSG_UPDATE);
    // Each number has its name beside it.
    std::vector<std::string> names;
    for (int i : {0, 107, 108, 109, 110})
        names.push_back(rows[i].names);
    EXPECT_EQ(names, (std::vector<std::string>{"intro intro1 initialize", "intro intro1 update", "intro intro1 close",
                                               "scene scene1 initialize", "scene scene1 update"}));
    // The summary names each part that ran with its frame count (109 intro rows, 11 scene rows).
    std::istringstream summary(r.out);
    long introFrames = -1, sceneFrames = -1;
    for (std::string line; std::getline(summary, line);) {
        std::sscanf(line.c_str(), "intro 1 %ld", &introFrames);
        std::sscanf(line.c_str(), "scene 1 %ld", &sceneFrames);
    }
    EXPECT_TRUE(introFrames == 109 && sceneFrames == 11) << r.out;

    // The plot's strip under the band names (y 42 to 46) holds each band's colour over its frames:
    // the background, the intro's band, the scene's band, the background again.
    const Picture p = readPNG(dir + "/p.png");
    ASSERT_TRUE(p.width == 1200 && p.height == 420) << p.width << "x" << p.height;
    const auto at = [&](int x, int y) {
        return std::vector<std::uint8_t>(&p.rgb[(y * p.width + x) * 3], &p.rgb[(y * p.width + x) * 3 + 3]);
    };
    std::vector<int> edges;
    for (int x = 1; x < p.width; ++x)
        if (at(x, 44) != at(x - 1, 44)) edges.push_back(x);
    ASSERT_EQ(edges.size(), 3u);
    const std::vector<std::uint8_t> background = at(0, 44);
    EXPECT_TRUE(at(edges[0], 44) != background && at(edges[1], 44) != background && at(edges[2], 44) == background);
    const int wide = edges[2] - edges[0];
    EXPECT_NEAR(double(edges[1] - edges[0]) / wide, 109.0 / 120.0, 1.5 / wide);
    // Below the strip each band is tinted after its part.
    const int mid0 = (edges[0] + edges[1]) / 2, mid1 = (edges[1] + edges[2]) / 2;
    EXPECT_NE(at(mid0, 60), at(mid1, 60));
    EXPECT_NE(at(mid0, 60), background);
}

TEST(Capture, WholeSequenceEndsASecondIntoTheCreditsOnTheSheet) {
    const std::string dir = tempDir();
    // The real data, so the credits have their text and fonts. No frame falls on the
    // --every step, so the only one saved is the one the run ends on.
    const Outcome r = capture(dir, std::string("--data '") + VH_RUN_DIR + "' " + cutEverything +
                                       "--every 5000 --size 320x240 --out f --sheet sheet.png --stats s.csv");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<CsvRow> rows = readCsv(dir + "/s.csv");
    ASSERT_FALSE(rows.empty());
    int scenes = 0;
    for (size_t i = 1; i < rows.size(); ++i)
        scenes += rows[i].state == VHS_SCENE && rows[i - 1].state != VHS_SCENE;
    EXPECT_EQ(scenes, 3);
    EXPECT_NE(r.out.find("credits"), std::string::npos) << r.out;
    EXPECT_EQ(rows.back().state, VHS_EXIT);
    EXPECT_EQ(rows.back().names.rfind("exit credits ", 0), 0u) << rows.back().names;
    const auto firstCredits =
        std::find_if(rows.begin(), rows.end(), [](const CsvRow& row) { return row.state == VHS_EXIT; });
    EXPECT_EQ(rows.back().frame - firstCredits->frame, 60) << "one second of credits after their first frame";

    const std::string last = frameName(rows.back().frame);
    ASSERT_EQ(folder(dir + "/f"), std::vector<std::string>{last});
    const Picture credits = readPNG(dir + "/f/" + last);
    EXPECT_GT(mean(credits), 2.0) << "the credits text is on it";
    // The sheet holds that one frame as its thumbnail, at half size, with its time below.
    const Picture sheet = readPNG(dir + "/sheet.png");
    ASSERT_GT(sheet.width, 160);
    const int x0 = 8, y0 = 8; // the sheet's margin
    EXPECT_NEAR(VH_TestMean(sheet.rgb, sheet.width, x0, y0, x0 + 160, y0 + 120), mean(credits), 1.5);
}

TEST(Capture, TheDebugLogHoldsHeaderAndFooterAndWithTraceTheScenesSteps) {
    const std::string dir = tempDir();
    for (const char* file : {"vh_data.clu", "credits.txt"})
        std::filesystem::copy_file(std::string(VH_RUN_DIR) + "/" + file, dir + "/" + file);
    // Each intro cut in its hold, each scene closed 0.7 s after it began: all three start.
    const std::string run = "--fps 10 --size 160x120 --keys 1.8:n,2.5:n,4.3:n,5:n,6.8:n,7.5:n";
    const std::regex header(
        "----VEXHAL DEBUG FILE-[A-Z][a-z]{2} [ 0-9][0-9] [0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2}\n\n\n");
    const std::string footer = "\n\n\n------END OF VEXHAL DEBUG FILE-------\n\n\n";
    for (const bool trace : {false, true}) {
        const Outcome r = capture(dir, run + (trace ? " --trace" : ""));
        ASSERT_EQ(r.status, 0) << r.err;
        const std::string log = readFile(dir + "/vh_debug.txt");
        std::smatch head;
        ASSERT_TRUE(std::regex_search(log, head, header, std::regex_constants::match_continuous)) << log;
        ASSERT_TRUE(log.size() >= head.length() + footer.size() && log.substr(log.size() - footer.size()) == footer)
            << log;
        const std::string between = log.substr(head.length(), log.size() - head.length() - footer.size());
        EXPECT_EQ(between, trace ? "scene one: step 0 at 0.000 s\nscene two: step 0 at 0.000 s\n" : "") << log;
    }
}

TEST(Capture, AutoplayPlaysTheWholeDemoToTheCreditsWithoutAKey) {
    const std::string dir = tempDir();
    const int fps = 10; // a coarse step keeps the five minutes of demo time quick to draw
    const Outcome r = capture(dir, std::string("--data '") + VH_RUN_DIR + "' --autoplay --quiet --fps " +
                                       std::to_string(fps) + " --size 64x48 --stats s.csv");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find("waits for an 'n' key"), std::string::npos) << r.err;
    const std::vector<CsvRow> rows = readCsv(dir + "/s.csv");
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.back().state, VHS_EXIT) << "the credits are reached";
    // Each scene ran until its script had been seen (the lower ends of what the shell's own
    // autoplay test measures on a finer step), not just its first seconds.
    const double seen[3] = {40.0, 295.0, 28.0};
    for (int scene = 0; scene < 3; ++scene) {
        const long frames = std::count_if(rows.begin(), rows.end(),
                                          [&](const CsvRow& row) { return row.state == VHS_SCENE && row.id == scene; });
        EXPECT_GE((double)frames / fps, seen[scene]) << "scene " << scene + 1;
        EXPECT_LE((double)frames / fps, seen[scene] + 25.0) << "scene " << scene + 1;
    }
}

TEST(Capture, AnEndByEscOrByAFatalFaultKeepsWhatWasSaved) {
    const std::string dir = emptyDataDir();
    // ESC ends the process from inside the engine; what was saved and the statistics stay.
    const Outcome esc = capture(dir, "--keys 1:esc --every 20 --out g --stats e.csv --sheet g.png");
    EXPECT_EQ(esc.status, 0) << esc.err;
    EXPECT_EQ(readCsv(dir + "/e.csv").size(), 60u);
    EXPECT_TRUE(FileExists(dir + "/g/frame_000060.png"));
    EXPECT_FALSE(FileExists(dir + "/g/frame_000080.png"));
    EXPECT_GT(readPNG(dir + "/g.png").width, 0);
    EXPECT_NE(esc.out.find("intro 1"), std::string::npos) << "the summary is printed on ESC too";

    // Scene three cannot load without its path file, which ends the demo with status 1.
    const Outcome r = capture(dir, "--keys 1.8:n,1.81:n,3.6:n,3.61:n,5.4:n --until 20 --every 100 --out f "
                                   "--stats s.csv --sheet sheet.png");
    EXPECT_EQ(r.status, 1) << r.err;
    const std::vector<CsvRow> rows = readCsv(dir + "/s.csv");
    ASSERT_GT(rows.size(), 300u);
    EXPECT_LT(rows.size(), 20u * 60u);
    EXPECT_EQ(rows.back().state, VHS_INTRO) << "the last finished frame closed the third intro";
    EXPECT_TRUE(FileExists(dir + "/f/frame_000300.png"));
    EXPECT_TRUE(rows.back().frame % 100 != 0 && FileExists(dir + "/f/" + frameName(rows.back().frame)))
        << "the last frame drawn is kept";
    EXPECT_GT(readPNG(dir + "/sheet.png").width, 0);
    EXPECT_NE(r.out.find("intro 3"), std::string::npos) << r.out;
}

TEST(Capture, LoopsPlayTheSequenceAgainWithTheScriptRestarted) {
    const std::string dir = introDataDir();
    // 1 s falls in the first intro's fade-in.
    const Outcome r =
        capture(dir, "--loops 3 " + cutEverything + "--at 1 --every 100 --size 160x120 --stats s.csv --out f");
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<double> seconds;
    std::istringstream err(r.err);
    for (std::string line; std::getline(err, line);) {
        int loop = 0, of = 0;
        double s = 0;
        long kB = 0;
        if (std::sscanf(line.c_str(), "vhcapture: loop %d of %d: %lf s of demo time, resident size %ld kB", &loop, &of,
                        &s, &kB) == 4) {
            EXPECT_TRUE(loop == (int)seconds.size() + 1 && of == 3 && kB > 1000) << line;
            seconds.push_back(s);
        }
    }
    ASSERT_EQ(seconds.size(), 3u) << r.err;
    EXPECT_TRUE(seconds[0] > 5.4 && seconds[1] == seconds[0] && seconds[2] == seconds[0]) << r.err;
    const long perLoop = std::lround(seconds[0] * 60);

    // Frames keep counting; each loop begins at the first intro, as the first one did.
    const std::vector<CsvRow> rows = readCsv(dir + "/s.csv");
    ASSERT_EQ((long)rows.size(), 3 * perLoop);
    for (long loop = 0; loop < 3; ++loop) {
        const CsvRow& first = rows[loop * perLoop];
        EXPECT_EQ(first.frame, loop * perLoop + 1);
        EXPECT_TRUE(first.state == VHS_INTRO && first.id == VH_RowID(0) && first.msg == MSG_INITIALIZE) << loop;
        EXPECT_EQ(rows[loop * perLoop + perLoop - 1].state, VHS_EXIT) << loop;
    }
    // --at and --every count from each loop's start: the same fade frame three times over,
    // and every 100th frame of each loop, plus the last one drawn.
    const Bytes at1 = ReadFile(dir + "/f/at_0001000_loop1.png");
    EXPECT_GT(mean(readPNG(dir + "/f/at_0001000_loop1.png")), 10.0);
    EXPECT_EQ(ReadFile(dir + "/f/at_0001000_loop2.png"), at1);
    EXPECT_EQ(ReadFile(dir + "/f/at_0001000_loop3.png"), at1);
    std::vector<std::string> want = {"at_0001000_loop1.png", "at_0001000_loop2.png", "at_0001000_loop3.png",
                                     frameName(3 * perLoop)};
    for (long loop = 0; loop < 3; ++loop)
        for (long f = 100; f <= perLoop; f += 100)
            want.push_back(frameName(loop * perLoop + f));
    std::sort(want.begin(), want.end());
    EXPECT_EQ(folder(dir + "/f"), want);

    // With --until each loop is that long, wherever it stands.
    const Outcome timed = capture(dir, "--loops 2 --until 0.5 --stats t.csv");
    ASSERT_EQ(timed.status, 0) << timed.err;
    EXPECT_EQ(count(timed.err, ": 0.500 s of demo time, resident size "), 2) << timed.err;
    const std::vector<CsvRow> timedRows = readCsv(dir + "/t.csv");
    ASSERT_EQ(timedRows.size(), 60u);
    EXPECT_TRUE(timedRows[30].state == VHS_INTRO && timedRows[30].msg == MSG_INITIALIZE) << "the second loop's start";
}

TEST(Capture, AtFramesFollowTheIntroFadeAndRepeatByteForByte) {
    const std::string dir = introDataDir();
    const std::string args = "--at 0,0.6,1.8,3 --size 320x240 --seed 7 --until 3.5 --sheet sheet.png --out ";
    const Outcome first = capture(dir, args + "one");
    ASSERT_EQ(first.status, 0) << first.err;
    double m[4];
    const char* const names[4] = {"at_0000000.png", "at_0000600.png", "at_0001800.png", "at_0003000.png"};
    for (int i = 0; i < 4; ++i) {
        const Picture p = readPNG(dir + "/one/" + names[i]);
        ASSERT_TRUE(p.width == 320 && p.height == 240) << names[i];
        m[i] = mean(p);
    }
    EXPECT_FALSE(FileExists(dir + "/one/at_0000600.png.part"));
    EXPECT_LT(m[0], 1.0) << "before the fade-in starts the frame is black";
    EXPECT_NEAR(m[2], introBrightness, 4.0) << "1.8 s falls in the hold: the picture alone";
    // Fade-in ends near 1.25 s and fade-out starts near 2.3 s: both sampled frames are part-way.
    for (int i : {1, 3})
        EXPECT_TRUE(m[i] > 0.2 * introBrightness && m[i] < 0.8 * introBrightness) << names[i] << ": " << m[i];
    // The picture is stretched over the whole window: the corners of the hold frame are lit.
    const Picture hold = readPNG(dir + "/one/at_0001800.png");
    EXPECT_GT(VH_TestMean(hold.rgb, hold.width, 0, 0, 8, 8), introBrightness - 4);
    EXPECT_GT(VH_TestMean(hold.rgb, hold.width, 312, 232, 320, 240), introBrightness - 4);

    const Outcome second = capture(dir, args + "two");
    ASSERT_EQ(second.status, 0) << second.err;
    for (const char* name : names)
        EXPECT_EQ(ReadFile(dir + "/one/" + name), ReadFile(dir + "/two/" + name)) << name;

    // Four thumbnails side by side, each labelled: wider than tall, with light label pixels.
    const Picture sheet = readPNG(dir + "/sheet.png");
    EXPECT_GT(sheet.width, 4 * 100);
    EXPECT_LT(sheet.height, sheet.width);
    int light = 0;
    for (size_t i = 0; i < sheet.rgb.size(); i += 3)
        light += sheet.rgb[i] > 200;
    EXPECT_GT(light, 40);
}

TEST(Capture, NamedKeyOpensTheConsoleOnItsFrame) {
    const std::string dir = emptyDataDir();
    // Over an empty archive every frame is black until the backquote drops the console.
    const Outcome r = capture(dir, "--keys 0.5:backquote --at 0.49,0.5,0.52 --until 0.6 --out k");
    ASSERT_EQ(r.status, 0) << r.err;
    // 0.49 s and 0.5 s are both frame 30, drawn before the key; frame 31 is the first after it.
    EXPECT_LT(mean(readPNG(dir + "/k/at_0000490.png")), 1.0);
    EXPECT_LT(mean(readPNG(dir + "/k/at_0000500.png")), 1.0);
    EXPECT_GT(mean(readPNG(dir + "/k/at_0000520.png")), 20.0);
}

TEST(Capture, LongRunSheetThinsItsThumbnails) {
    const std::string dir = emptyDataDir();
    // 600 saved frames of 64x48: more than the sheet keeps, so it thins them out.
    const Outcome r = capture(dir, "--until 10 --every 1 --size 64x48 --out f --sheet sheet.png");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(FileExists(dir + "/f/frame_000600.png"));
    // Rows of six 48-pixel thumbnails: 600 frames unthinned would need 100 rows, 4800 pixels
    // of thumbnails alone.
    const Picture sheet = readPNG(dir + "/sheet.png");
    EXPECT_TRUE(sheet.height > 20 * 48 && sheet.height < 100 * 48) << sheet.height;
}

TEST(Capture, VideoHasEveryFrameAndAnEncoderThatQuitsIsNotBlamedOnTheEngine) {
    const std::string dir = emptyDataDir();
    // An encoder that quits at once: the capture's pipe breaks after the run has begun.
    std::filesystem::create_directory(dir + "/bin");
    std::ofstream(dir + "/bin/ffmpeg") << "#!/bin/sh\nexit 1\n";
    std::filesystem::permissions(dir + "/bin/ffmpeg", std::filesystem::perms::owner_all);
    const Outcome quits = capture(dir, "--until 2 --video v.mp4 --size 320x240", "PATH='" + dir + "/bin'");
    EXPECT_EQ(quits.status, 1);
    EXPECT_NE(quits.err.find("v.mp4: ffmpeg stopped taking frames"), std::string::npos) << quits.err;
    EXPECT_EQ(quits.err.find("a fatal condition in the engine"), std::string::npos) << quits.err;

    if (std::system("command -v ffmpeg >/dev/null 2>&1 && command -v ffprobe >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "ffmpeg is not installed";
    const Outcome r = capture(dir, "--until 0.5 --fps 30 --video v.mp4 --size 161x121");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(RunOutput("ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames "
                        "-of csv=p=0 '" +
                        dir + "/v.mp4'"),
              "15\n");
}

TEST(Capture, OverdrawAndPassTimesLeaveTheFramesAsTheyWere) {
    const std::string dir = tempDir();
    // Scene one starts at 3.8 s: the frames at 4.5 and 5 s show it, the one at 1 s the first intro.
    const std::string args = std::string("--data '") + VH_RUN_DIR + "' --quiet --fps 10 --size 320x240 --at 1,4.5,5 ";
    const Outcome plain = capture(dir, args + "--out plain");
    const Outcome counted = capture(dir, args + "--out counted --overdraw heat.png --passes --stats s.csv");
    ASSERT_TRUE(plain.status == 0 && counted.status == 0) << plain.err << counted.err;
    for (const char* name : {"at_0001000.png", "at_0004500.png", "at_0005000.png"})
        EXPECT_EQ(ReadFile(dir + "/plain/" + name), ReadFile(dir + "/counted/" + name)) << name;
    EXPECT_EQ(count(plain.err, "overdraw at"), 0);

    // One line per saved frame; scene one's beach and sea fill the lower part of the view, under a
    // black night sky where nothing is drawn.
    double fragments[2] = {0, 0}, covered[2] = {0, 0};
    EXPECT_EQ(count(counted.err, "vhcapture: overdraw at "), 3) << counted.err;
    for (int i = 0; i < 2; ++i) {
        const size_t at =
            counted.err.find(i == 0 ? "overdraw at 4.500 s (scene 1): " : "overdraw at 5.000 s (scene 1): ");
        ASSERT_NE(at, std::string::npos) << counted.err;
        std::sscanf(counted.err.c_str() + counted.err.find("): ", at) + 3,
                    "%lf fragments a pixel, %*f where any fell (%lf%%", &fragments[i], &covered[i]);
        EXPECT_TRUE(fragments[i] > 0.3 && covered[i] > 20.0 && covered[i] < 100.0) << fragments[i] << " " << covered[i];
    }
    // Three heat maps on the sheet with the key below: wider than tall, and not all black.
    const Picture heat = readPNG(dir + "/heat.png");
    EXPECT_GT(heat.width, 3 * 100);
    EXPECT_LT(heat.height, heat.width);
    EXPECT_GT(mean(heat), 5.0);

    // A column per pass; a frame's passes add up to its render time, and the scene's time goes to its passes.
    std::string header;
    const std::vector<CsvRow> rows = readCsv(dir + "/s.csv", &header);
    EXPECT_NE(header.find(",cpu_ms,pass_other_ms,pass_sky_ms,"), std::string::npos) << header;
    ASSERT_FALSE(rows.empty());
    double sceneModels = 0.0, sceneWater = 0.0, introModels = 0.0;
    for (const CsvRow& row : rows) {
        ASSERT_EQ(row.passMs.size(), (size_t)VH_PASS_COUNT);
        double sum = 0.0;
        for (double ms : row.passMs)
            sum += ms;
        EXPECT_NEAR(sum, row.renderMs, 0.1 * row.renderMs + 0.5) << row.frame;
        if (row.state == VHS_SCENE && row.msg == MSG_UPDATE) {
            sceneModels += row.passMs[VH_PASS_MODELS];
            sceneWater += row.passMs[VH_PASS_WATER];
        } else if (row.state == VHS_INTRO) {
            introModels += row.passMs[VH_PASS_MODELS];
        }
    }
    EXPECT_TRUE(sceneModels > 0.0 && sceneWater > 0.0 && introModels == 0.0);
    EXPECT_NE(counted.out.find("pass times, median / p95 ms"), std::string::npos) << counted.out;
    EXPECT_NE(counted.out.find("scene 1 "), counted.out.rfind("scene 1 ")) << "a row in each table" << counted.out;
}
