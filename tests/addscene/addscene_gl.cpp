// A fourth scene added the way a developer adds one: its handler (scene4_gl.cpp) and one row in
// the sequence. Nothing else is told about it, yet the console's goto, vexhal's --start, vhcapture's
// summary and plot and the golden-frame comparison all take it as one of the demo's parts.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "support/dirs.h"
#include "core/program.h"
#include "image/pngwrite.h"
#include "plot.h"
#include "scene4.h"
#include "shell/driver.h"
#include "shell/options.h"
#include "shell/sequence.h"
#include "stats.h"
#include "support/gl_fixture.h"
#include "text/console.h"

namespace {

// Before any test runs, as a scene of the demo is there from the start.
const bool appended = VH_AppendSequenceRow({VH_ROW_SCENE, "scene4", nullptr, View4Main, nullptr});

const std::string allParts = "intro1, scene1, intro2, scene2, intro3, scene3, scene4";

// The console's last n lines, oldest first.
std::vector<std::string> lastLines(int n) {
    std::vector<std::string> lines;
    for (int id = VH_Console.nextId - n; id < VH_Console.nextId; ++id)
        if (const char* text = id >= 0 ? CON_FindLine(VH_Console, id) : nullptr) lines.push_back(text);
    return lines;
}

bool anyHas(const std::vector<std::string>& lines, const std::string& part) {
    for (const std::string& line : lines)
        if (line.find(part) != std::string::npos) return true;
    return false;
}

// One step as vhcapture records it.
CapFrameRow step(double seconds, long frame) {
    CapFrameRow row{};
    row.frame = frame;
    row.seconds = frame * seconds;
    row.state = VH_GetState();
    row.id = row.intro = VH_GetID();
    row.msg = VH_GetMsg();
    row.updateMs = row.renderMs = 1.0;
    VH_DriverStep(seconds);
    VH_DriverRender();
    return row;
}

std::vector<std::uint8_t> frame() {
    int w = 0, h = 0;
    return VH_DriverReadBack(&w, &h);
}

int run(const std::string& command) {
    const int raw = std::system((command + " >/dev/null 2>&1").c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

TEST(AddedScene, OneRowMakesItAPartForTheTableAndTheCommandLine) {
    ASSERT_TRUE(appended);
    const int row = VH_RowByName("scene4");
    ASSERT_EQ(row, VH_SequenceLength() - 1);
    EXPECT_EQ(VH_SceneCount(), 4);
    // Every row keeps an id of its own, below the fades' and the exit state's.
    for (int r = 0; r < VH_SequenceLength(); ++r) {
        const VH_SequenceRow* at = VH_SequenceRowAt(r);
        EXPECT_EQ(VH_RowOf(at->kind == VH_ROW_SCENE ? VHS_SCENE : VHS_INTRO, VH_RowID(r)), r) << at->name;
        EXPECT_LT(VH_RowID(r), std::min(VH_FadeInID(), VH_ExitID())) << at->name;
    }
    EXPECT_NE(VH_FadeInID(), VH_FadeOutID());
    // Rows that cannot play, or whose name is taken, are refused and change nothing.
    EXPECT_FALSE(VH_AppendSequenceRow({VH_ROW_SCENE, "SCENE4", nullptr, View4Main, nullptr}));
    EXPECT_FALSE(VH_AppendSequenceRow({VH_ROW_SCENE, "credits", nullptr, View4Main, nullptr}));
    EXPECT_FALSE(VH_AppendSequenceRow({VH_ROW_SCENE, "scene5", nullptr, nullptr, nullptr}));
    EXPECT_FALSE(VH_AppendSequenceRow({VH_ROW_INTRO, "intro5", nullptr, nullptr, nullptr}));
    EXPECT_FALSE(VH_AppendSequenceRow({VH_ROW_SCENE, nullptr, nullptr, View4Main, nullptr}));
    EXPECT_EQ(VH_SequenceLength(), row + 1);

    // --start takes it, the credits follow it, and a wrong name lists it.
    const auto start = [](const char* part, std::string* error) {
        char* argv[] = {(char*)"vexhal", (char*)"--start", (char*)part};
        VH_Options options;
        return VH_ParseOptions(3, argv, &options, error) ? options.startRow : -1;
    };
    std::string error;
    EXPECT_EQ(start("Scene4", &error), row);
    EXPECT_EQ(start("credits", &error), row + 1);
    EXPECT_EQ(start("scene5", &error), -1);
    EXPECT_EQ(error, "--start scene5: not a part (" + allParts + ", credits)");
    EXPECT_NE(std::string(VH_Usage()).find("  --start PART      begin at " + allParts + " or credits\n"),
              std::string::npos)
        << VH_Usage();
}

TEST(AddedScene, GotoPlaysItAndTheToolsNameColourAndCompareIt) {
    VH_TestOpenWindow();
    ASSERT_EQ(chdir(VH_RUN_DIR), 0);
    const int row = VH_RowByName("scene4");

    // The console's help and its refusal list the scene; goto starts it.
    VH_TestTypeCommand("help");
    EXPECT_TRUE(
        anyHas(lastLines(30), "goto " + std::string("intro1|scene1|intro2|scene2|intro3|scene3|scene4|credits")));
    VH_TestTypeCommand("goto scene9");
    EXPECT_TRUE(anyHas(lastLines(1), "scene3|scene4|credits")) << lastLines(1)[0];
    VH_TestTypeCommand("goto scene4");
    VH_DriverKey('`');
    EXPECT_EQ(VH_CurrentRow(), row);

    // vhcapture's rows: a few of scene three's (made up; loading it is not the point), then the
    // scene itself as it plays, then, after 'n', the credits.
    std::vector<CapFrameRow> rows;
    for (long f = 1; f <= 20; ++f)
        rows.push_back({f, f * 0.1, VHS_SCENE, 2, MSG_UPDATE, 2, 1.0, 1.0, 0.0, 0, 0, false, {}});
    std::vector<std::vector<std::uint8_t>> frames;
    for (int i = 0; i < 20; ++i) {
        rows.push_back(step(0.1, (long)rows.size() + 1));
        if (i == 5 || i == 15) frames.push_back(frame());
    }
    ASSERT_EQ(VH_GetState(), VHS_SCENE);
    EXPECT_TRUE(VH_IsSceneReady());
    EXPECT_GT(V4_GetAngle(), 45.0f) << "the chair turns by 45 degrees a second";
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_NE(frames[0], frames[1]) << "the chair has turned and the fountain moved";
    VH_DriverKey('n');
    for (int i = 0; i < 20; ++i)
        rows.push_back(step(0.1, (long)rows.size() + 1));
    EXPECT_EQ(VH_GetState(), VHS_EXIT) << "the credits follow the last row";

    // The summary and the CSV name the scene.
    const CapFrameRow& playing = rows[30];
    EXPECT_EQ(CapStats::PartName(playing), "scene4");
    EXPECT_EQ(CapStats::GroupName(playing), "scene 4");
    EXPECT_EQ(CapStats::PartName(rows.back()), "credits");
    CapStats stats;
    for (const CapFrameRow& r : rows)
        stats.Record(r);
    char* text = nullptr;
    size_t size = 0;
    FILE* out = open_memstream(&text, &size);
    stats.PrintSummary(out);
    std::fclose(out);
    const std::string summary(text, size);
    std::free(text);
    EXPECT_NE(summary.find("\nscene 4 "), std::string::npos) << summary;

    // The plot gives its band a colour of its own, not the grey of frames that belong to no part.
    const std::vector<std::uint8_t> plot = CAP_DrawPlot(rows);
    const auto strip = [&](size_t frame) {
        const int x = 64 + (int)((frame + 0.5) * (CAP_PLOT_WIDTH - 80) / rows.size());
        return std::vector<std::uint8_t>(&plot[(44 * CAP_PLOT_WIDTH + x) * 3],
                                         &plot[(44 * CAP_PLOT_WIDTH + x) * 3 + 3]);
    };
    const std::vector<std::uint8_t> three = strip(10), four = strip(30), credits = strip(50);
    EXPECT_NE(four, (std::vector<std::uint8_t>{140, 140, 140}));
    EXPECT_NE(four, three);
    EXPECT_NE(four, credits);

    // Its frames go through the golden comparison: references made from them match them, and a
    // frame of another moment under a reference's name is reported by name.
    const std::string dir = VH_TestTempDir(), golden = std::string(VH_BIN_DIR) + "/vh_golden ";
    for (const char* sub : {"/frames", "/refs", "/diff"})
        ASSERT_EQ(run("mkdir -p '" + dir + sub + "'"), 0);
    std::string error;
    for (int i = 0; i < 2; ++i)
        ASSERT_TRUE(
            IMG_WritePNG(dir + "/frames/s4-" + std::to_string(i) + ".png", frames[i].data(), 800, 600, 3, &error))
            << error;
    ASSERT_EQ(run(golden + "bless " + dir + "/frames " + dir + "/refs"), 0);
    EXPECT_EQ(run(golden + "compare " + dir + "/frames " + dir + "/refs " + dir + "/diff"), 0);
    ASSERT_TRUE(IMG_WritePNG(dir + "/frames/s4-1.png", frames[0].data(), 800, 600, 3, &error)) << error;
    EXPECT_EQ(run(golden + "compare " + dir + "/frames " + dir + "/refs " + dir + "/diff"), 1);
    EXPECT_EQ(access((dir + "/diff/s4-1-diff.png").c_str(), R_OK), 0);
    EXPECT_NE(access((dir + "/diff/s4-0-diff.png").c_str(), R_OK), 0);
    run("rm -rf '" + dir + "'");
}

} // namespace
