// The console's commands through the driver, typed as a person would with KEYS on, and
// their effect checked in the program's state or its pictures.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <fstream>
#include <png.h>
#include <sys/stat.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "support/dirs.h"
#include "core/debuglog.h"
#include "shell/driver.h"
#include "shell/frames.h"
#include "shell/options.h"
#include "shell/sequence.h"
#include "shell/state.h"
#include "support/archive_bytes.h"
#include "support/gl_fixture.h"
#include "support/picture_files.h"
#include "text/console.h"

namespace {

void closeConsole() {
    if (VH_Console.open) VH_DriverKey('`');
}

// Opens the console, keeps its keys (the word itself holds no 'n' or 'a'), types and enters; closes it if asked.
void type(const std::string& line, bool close = false) {
    VH_TestTypeCommand(line);
    if (close) closeConsole();
}

std::string lastLine() {
    return VH_TestLastLine();
}

void steps(int n, double dt = 0.02) {
    for (int i = 0; i < n; ++i)
        VH_DriverStep(dt);
}

std::vector<std::uint8_t> frame() {
    VH_DriverCapture(true);
    VH_DriverRender();
    VH_DriverCapture(false);
    int w, h;
    return VH_DriverFrame(&w, &h);
}

double frameMean() {
    const std::vector<std::uint8_t> rgb = frame();
    return VH_TestMean(rgb, 800, 0, 0, 800, 600);
}

class Commands : public ::testing::Test {
protected:
    void SetUp() override {
        VH_TestOpenWindow();
        dir = VH_TestTempDir();
        ASSERT_EQ(chdir(dir.c_str()), 0);
        ASSERT_TRUE(WriteArchive("vh_data.clu", {}));
        VH_SetTimeScale(1.0);
        VH_SetPaused(false);
        VH_GotoRow(0);
    }
    void TearDown() override {
        closeConsole();
        VH_GotoRow(0);
    }
    std::string dir;
};

// What each part takes and gives back on the way is checked by the goto cycles test.
TEST_F(Commands, GotoReachesEveryPartByNameAndTheCreditsWaitAfresh) {
    ASSERT_EQ(chdir(VH_RUN_DIR), 0);
    const int credits = VH_SequenceLength();
    for (const char* part : {"scene3", "intro2", "credits", "scene1", "intro3", "scene2", "intro1"}) {
        type(std::string("goto ") + part);
        steps(3);
        const int row = std::string(part) == "credits" ? credits : VH_RowByName(part);
        EXPECT_EQ(VH_CurrentRow(), row) << part;
        VH_DriverRender();
        EXPECT_EQ(VH_CreditsShown(), row == credits) << part;
    }
    // The credits' wait starts afresh on a second visit: the first visit's timer is stale.
    type("goto credits");
    steps(1);
    closeConsole();
    VH_DriverKey('x');
    steps(125); // 2.5 s: the first visit's timer came due in this time
    EXPECT_FALSE(VH_IsExitRequested());
    type("goto nowhere");
    EXPECT_EQ(lastLine().rfind("goto: NOWHERE is not a part (intro1|scene1", 0), 0u) << lastLine();
    EXPECT_EQ(VH_CurrentRow(), credits);
}

TEST_F(Commands, SpeedScalesDemoTimeAndRefusesNonsense) {
    const auto fadeSteps = [] {
        VH_GotoRow(0);
        VH_DriverStep(0.01);
        int n = 0;
        for (; VH_GetState() == VHS_TRANSITION && n < 1000; ++n)
            VH_DriverStep(0.01);
        return n;
    };
    const int plain = fadeSteps();
    type("speed 2", true);
    const int fast = fadeSteps();
    EXPECT_NEAR(fast, plain / 2.0, 2.0) << plain; // the plain fade's length is the sequence tests' business
    for (const char* bad : {"speed abc", "speed 0.05", "speed 11", "speed"}) {
        type(bad);
        EXPECT_EQ(lastLine().rfind("speed: give a number from 0.1 to 10 (now 2)", 0), 0u) << bad << ": " << lastLine();
    }
    EXPECT_EQ(VH_TimeScale(), 2.0);
}

TEST_F(Commands, PauseFreezesThePictureAndStepMovesOneFrame) {
    ASSERT_EQ(chdir(VH_RUN_DIR), 0);
    type("goto scene3", true);
    steps(150); // the vehicle is well in view after 3 s
    type("pause", true);
    const std::vector<std::uint8_t> before = frame();
    steps(10, 0.05);
    EXPECT_TRUE(frame() == before) << "paused, nothing moves";
    type("step", true);
    steps(3, 0.05); // only one of these moves the scene
    const std::vector<std::uint8_t> stepped = frame();
    EXPECT_FALSE(stepped == before);
    steps(3, 0.05);
    EXPECT_TRUE(frame() == stepped);
    type("resume", true);
    steps(3, 0.05);
    EXPECT_FALSE(frame() == stepped);
}

TEST_F(Commands, ShotWritesTheNextFrameAndRefusesAFolderThatIsNot) {
    // Typed letters are capitals; the file name is taken in lower case, folder and all.
    ASSERT_EQ(mkdir((dir + "/shots").c_str(), 0777), 0);
    type("shot Shots/Sunset", true);
    steps(2);
    const std::vector<std::uint8_t> drawn = frame();
    EXPECT_EQ(lastLine(), "Wrote shots/sunset.png");
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, (dir + "/shots/sunset.png").c_str()));
    image.format = PNG_FORMAT_RGB;
    std::vector<std::uint8_t> read(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, read.data(), 0, nullptr));
    EXPECT_TRUE(image.width == 800 && image.height == 600 && read == drawn) << "the PNG is the frame drawn";

    type("shot /nonexistent/x.png");
    EXPECT_EQ(lastLine(), "shot: /nonexistent/x.png: cannot write (no such folder, or it is not writable)");
    VH_DriverRender();
    EXPECT_EQ(access("/nonexistent", F_OK), -1);
}

TEST_F(Commands, ReloadPicksUpAReplacedPictureAndKeepsTheOldDataForADamagedArchive) {
    const auto hold = [] { // the intro's picture standing alone, after its fade-in
        for (int i = 0; i < 400 && !(VH_GetState() == VHS_INTRO && VH_GetMsg() == MSG_UPDATE); ++i)
            VH_DriverStep(0.01);
        closeConsole();
        return frameMean();
    };
    ASSERT_TRUE(WriteArchive("vh_data.clu", {{"intro1.bmp", testpic::flatBmp(64, 64, 200, 200, 200)}}));
    VH_GotoRow(0);
    EXPECT_GT(hold(), 180.0);
    ASSERT_TRUE(WriteArchive("vh_data.clu", {{"intro1.bmp", testpic::flatBmp(64, 64, 40, 40, 40)}}));
    type("reload");
    EXPECT_EQ(lastLine(), "Reloaded intro1 from vh_data.clu");
    EXPECT_LT(hold(), 50.0);

    std::ofstream("vh_data.clu", std::ios::binary) << "not an archive at all, just words";
    type("reload");
    EXPECT_NE(lastLine().find("reload: vh_data.clu: "), std::string::npos) << lastLine();
    EXPECT_NE(lastLine().find("the old data stays in use"), std::string::npos) << lastLine();
    EXPECT_TRUE(VH_GetState() == VHS_INTRO && VH_GetMsg() == MSG_UPDATE) << "nothing restarted";
    closeConsole();
    EXPECT_LT(frameMean(), 50.0);
    EXPECT_GT(frameMean(), 20.0) << "the picture is still there";
}

std::vector<int> sceneKeys;
void keyRecorder(float, int) {
    if (VH_GetMsg() == MSG_KEYBOARD) sceneKeys.push_back(VH_GetKey());
}

TEST_F(Commands, KeysStayInTheConsoleOnlyWhenAsked) {
    const int row = VH_RowOf(VHS_SCENE, 1);
    VH_SetSceneHandler(row, keyRecorder);
    VH_GotoRow(row);
    steps(1);
    sceneKeys.clear();
    VH_DriverKey('`'); // by default typed keys reach the scene, and 'n' closes it
    VH_DriverKey('a');
    VH_DriverKey('n');
    EXPECT_EQ(sceneKeys, (std::vector<int>{'`', 'a', 'n'}));
    EXPECT_EQ(VH_GetMsg(), MSG_CLOSE);
    VH_SetMsg(MSG_UPDATE);
    VH_DriverKey('\r'); // clears the typed "AN"

    type(""); // keeping on, then an empty line
    sceneKeys.clear();
    VH_DriverKey('n');
    VH_DriverKey('a');
    EXPECT_TRUE(sceneKeys.empty());
    EXPECT_EQ(VH_GetMsg(), MSG_UPDATE);
    EXPECT_STREQ(VH_Console.input, "NA");
    for (char c : std::string("\rkeys\r")) // KEYS again lets them through
        VH_DriverKey((unsigned char)c);
    EXPECT_FALSE(CON_KeepsKeys(VH_Console));
    type("");
    VH_DriverKey('`'); // the backquote still closes the console, and keeping ends with it
    EXPECT_FALSE(VH_Console.open || CON_KeepsKeys(VH_Console));
    VH_SetSceneHandler(row, nullptr);

    // --console-keys: the console keeps keys each time it opens.
    char prog[] = "vexhal", flag[] = "--console-keys", start[] = "--start", part[] = "SCENE3", trace[] = "--trace";
    char* argv[] = {prog, flag, start, part, trace};
    VH_Options options;
    std::string error;
    ASSERT_TRUE(VH_ParseOptions(5, argv, &options, &error)) << error;
    EXPECT_TRUE(options.consoleKeys && options.startRow == VH_RowByName("scene3") && options.trace);
    CON_SetKeepKeysOnOpen(VH_Console, options.consoleKeys);
    VH_DriverKey('`');
    EXPECT_TRUE(CON_KeepsKeys(VH_Console));
    VH_DriverKey('`');
    CON_SetKeepKeysOnOpen(VH_Console, false);
}

TEST_F(Commands, HelpListsEveryCommandAndTheInspectorsAnswer) {
    type("help");
    const int last = VH_Console.nextId - 1;
    // The answer runs past the console's slots; what stays in view ends with the last commands.
    std::string words;
    for (int id = last - 17; id <= last; ++id)
        if (const char* line = CON_FindLine(VH_Console, id)) words += std::string(line).substr(0, 9) + "|";
    EXPECT_NE(words.find("autoplay"), std::string::npos) << words;
    EXPECT_NE(words.find("trace    |shot"), std::string::npos) << words;
    EXPECT_EQ(std::string(CON_FindLine(VH_Console, last)).rfind("quit", 0), 0u);
    type("camera");
    EXPECT_EQ(lastLine(), "camera: this part has no scripted camera");
    type("wire");
    EXPECT_TRUE(lastLine() == "Wireframe on" && VH_Wireframe());
    type("wire");
    EXPECT_FALSE(VH_Wireframe());
    type("trace");
    EXPECT_TRUE(lastLine() == "Trace on: the scenes' steps go to vh_debug.txt" && DBG_Tracing());
    type("trace");
    EXPECT_TRUE(lastLine() == "Trace off" && !DBG_Tracing());
    closeConsole();
    steps(130);
    type("fps");
    EXPECT_NE(lastLine().find("frame 20.00 / 20.00"), std::string::npos) << lastLine();
}

} // namespace

TEST_F(Commands, SpeedTakesBothEndsOfItsRange) {
    for (const char* value : {"10", "0.1"}) {
        type(std::string("speed ") + value);
        EXPECT_EQ(VH_TimeScale(), std::stod(value)) << lastLine();
    }
}
