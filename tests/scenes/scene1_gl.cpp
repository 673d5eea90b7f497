// Scene one through the state machine and driver: the script's timing, the camera's figures and eye
// points, the colour keys, the hint, what close releases, and the path file's faults.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "camera/camera.h"
#include "camera/spline.h"
#include "camera/spo_bytes.h"
#include "model/mesh.h"
#include "particles/grid.h"
#include "particles/papi.h"
#include "scenes/scene1.h"
#include "scenes/scenes.h"
#include "shell/driver.h"
#include "shell/sequence.h"
#include "shell/state.h"
#include "support/archive_bytes.h"
#include "support/gl_fixture.h"
#include "text/console.h"
#include "text/font.h"

namespace {

const VECTOR kGather(60, 45, 93);
const float kStep = 0.1f; // 100 ms exactly once the scene multiplies it out

bool same(VECTOR a, VECTOR b, float tolerance = 1e-3f) {
    return std::fabs(a.x - b.x) <= tolerance && std::fabs(a.y - b.y) <= tolerance && std::fabs(a.z - b.z) <= tolerance;
}

std::vector<float> light0(GLenum what) {
    std::vector<float> v(4);
    glGetLightfv(GL_LIGHT0, what, v.data());
    return v;
}

void enter(int message) {
    VH_SetSceneHandler(VH_RowOf(VHS_SCENE, 0), View1Main);
    VH_SetProgramState(VHS_SCENE, 0, message);
}

class SceneOne : public ::testing::Test {
protected:
    void SetUp() override {
        VH_TestOpenWindow();
        ASSERT_EQ(chdir(VH_RUN_DIR), 0);
        ASSERT_EQ(access("vh_data.clu", R_OK), 0) << "the build makes the demo data in " << VH_RUN_DIR;
    }
    void TearDown() override {
        if (VH_GetState() == VHS_SCENE && VH_IsSceneReady()) Close();
    }
    void Open() {
        enter(MSG_INITIALIZE);
        VH_DriverStep(0.0);
        ASSERT_EQ(VH_GetMsg(), MSG_UPDATE);
        ASSERT_EQ(V1_GetStatus().step, 0);
    }
    void Close() {
        enter(MSG_UPDATE);
        VH_DriverKey('n');
        VH_DriverStep(0.0);
        EXPECT_EQ(VH_GetState(), VHS_INTRO) << "intro picture 2 follows scene one";
        VH_SetSceneReady(false);
    }
    static int Step() { return V1_GetStatus().step; }
    // Updates until the script leaves the step it is in; the number of updates it took.
    static int RunOut(int guard = 1000) {
        const int from = Step();
        int n = 0;
        while (Step() == from && n < guard)
            VH_DriverStep(kStep), ++n;
        return n;
    }
};

TEST_F(SceneOne, ClosedBeforeItRanItFreesNothingOfOthersAndAfterARunItReleasesEverything) {
    const int others = PART_CreateGroups(1, 10); // a group the scene never made
    Close();
    Close();
    PART_SelectGroup(others);
    EXPECT_NE(PART_CurrentGroup(), nullptr) << "closing an unopened scene freed a group it does not own";
    PART_FreeGroups(others, 1);

    Open();
    const V1_Status open = V1_GetStatus();
    const char* hint = CON_FindLine(VH_Console, open.hintLine);
    EXPECT_STREQ(hint ? hint : "", "Press the 'A' key to change the particle colors");
    EXPECT_TRUE(GRID_Cols() == 48 && glIsEnabled(GL_FOG) && glIsEnabled(GL_LIGHT0) && glIsEnabled(GL_LIGHT2));
    // every model of the scene loads, and every path is a closed loop starting at the gathering point once doubled
    EXPECT_EQ(std::count(open.meshes, open.meshes + V1_MESH_COUNT, nullptr), 0);
    ASSERT_EQ(open.pathCount, 8);
    for (int i = 0; i < 8; ++i) {
        const PathControl3D& p = open.paths[i];
        ASSERT_GE(p.points.size(), 2u);
        EXPECT_TRUE(same(p.points[0], kGather)) << i;
        EXPECT_TRUE(same(p.points[0], p.points[p.points.size() - 1], 0.0f)) << i;
        EXPECT_TRUE(!p.active && p.loop && p.speed == 24.0f) << i;
        EXPECT_EQ(V1_Flier(i)->path, &p);
    }
    std::vector<int> groups;
    for (int i = 0; i < 8; ++i)
        groups.push_back(V1_Flier(i)->group);

    Close();
    const V1_Status closed = V1_GetStatus();
    EXPECT_TRUE(closed.camera == nullptr && closed.paths == nullptr && closed.hintLine == -1);
    EXPECT_EQ(CON_FindLine(VH_Console, open.hintLine), nullptr);
    EXPECT_TRUE(GRID_Cols() == -1 && !glIsEnabled(GL_FOG) && MESH_Count() == 0);
    EXPECT_TRUE(!glIsEnabled(GL_LIGHT0) && !glIsEnabled(GL_LIGHT1) && !glIsEnabled(GL_LIGHT2));
    for (int g : groups) {
        PART_SelectGroup(g);
        EXPECT_EQ(PART_CurrentGroup(), nullptr) << "trail group " << g << " outlived the scene";
    }
}

TEST_F(SceneOne, FlightPauseAndLaunchesKeepTheirTimesAndTheLightFlashesUntilTheLastArrives) {
    Open();
    // The opening flight lasts as long as the camera's two moves, the longer one 8.5 s.
    const int flight = RunOut();
    EXPECT_EQ(V1_GetStatus().camera->CountActiveEvents(), 0);
    EXPECT_NEAR(flight * kStep, 8.5, 0.15);

    // The pause ends on the first update that brings it to 500 ms.
    for (int i = 0; i < 4; ++i)
        VH_DriverStep(kStep);
    EXPECT_EQ(Step(), 1);
    VH_DriverStep(kStep);
    ASSERT_EQ(Step(), 2);

    const std::vector<float> table = light0(GL_DIFFUSE);
    // A launch on the update reaching 900 ms after the step began or the last launch: the eighth 7.2 s in.
    for (int k = 1; k <= 8; ++k) {
        for (int i = 0; i < 8; ++i) {
            VH_DriverStep(kStep);
            ASSERT_EQ(V1_GetStatus().launched, k - 1) << "launch " << k << " came early";
        }
        VH_DriverStep(kStep);
        ASSERT_EQ(V1_GetStatus().launched, k);
        EXPECT_TRUE(V1_Flier(k - 1)->visible && V1_Flier(k - 1)->state == 1 && (k == 8 || !V1_Flier(k)->visible));
        EXPECT_EQ(light0(GL_DIFFUSE), std::vector<float>({0.9f, 0.8f, 0.4f, 1}));
    }
    EXPECT_EQ(light0(GL_AMBIENT), std::vector<float>({0.6f, 0.7f, 0.2f, 1}));

    // Every figure launched, the last still flying: the step and the flash stay.
    for (int guard = 0; V1_GetStatus().arrived < 8; ++guard) {
        ASSERT_LT(guard, 60) << "a launch flight lasts 5 s";
        EXPECT_EQ(Step(), 2);
        EXPECT_NE(light0(GL_DIFFUSE), table);
        const float before = (V1_Flier(7)->position - kGather).Length();
        VH_DriverStep(kStep);
        EXPECT_LT((V1_Flier(7)->position - kGather).Length(), before) << "the last figure closes in";
    }
    EXPECT_EQ(Step(), 3);
    EXPECT_EQ(light0(GL_DIFFUSE), table);
    EXPECT_EQ(light0(GL_AMBIENT), std::vector<float>({0, 0, 0, 1}));
    // the last figure rests within its last step (1/50 of its flight) of the gathering point
    const FLIERS& last = *V1_Flier(7);
    EXPECT_LE((last.position - kGather).Length(), (kGather - last.start).Length() * 0.02f + 0.05f);
}

TEST_F(SceneOne, OnThePathsTheCameraAlternatesBetweenSevenAndSixAndItsEyeCyclesThroughThreePoints) {
    std::srand(5);
    Open();
    while (Step() < 3)
        ASSERT_LT(RunOut(), 1000);
    VH_DriverStep(kStep); // the step's first update picks the figure
    ASSERT_EQ(V1_GetStatus().followed, 7) << "all figures are above the sea: the highest-numbered is followed";
    for (int i = 0; i < 8; ++i) {
        const FLIERS& f = *V1_Flier(i);
        EXPECT_TRUE(f.state == 3 && f.path->active);
        EXPECT_LT((f.position + f.offset - kGather).Length(), 2.0f) << "figure " << i << " leaves from where it met";
    }

    const VECTOR eyes[3] = {VECTOR(-33, 5.1f, 90), VECTOR(-13, 24.78f, 3.6f), VECTOR(54, 85, 70)};
    std::vector<int> eyeMoves, followed = {7};
    int sinceSwitch = 1, cycle = V1_GetStatus().eyeCycle;
    ASSERT_EQ(cycle, 0);
    for (int u = 0; u < 3000; ++u) {
        VH_DriverStep(kStep);
        ++sinceSwitch;
        const V1_Status s = V1_GetStatus();
        if (s.followed != followed.back()) {
            EXPECT_EQ(sinceSwitch, 55) << "the camera changes figure every 5.5 s";
            followed.push_back(s.followed), sinceSwitch = 0;
        }
        if (s.eyeCycle != cycle) {
            // the eye move just queued heads for the point of the cycle's old value
            const CamEvent* move = nullptr;
            for (const CamEvent& e : s.camera->events)
                if (e.active && e.type == CAM_LINEAR && e.channels == CAM_EYE) move = &e;
            ASSERT_NE(move, nullptr);
            EXPECT_TRUE(same(move->end[0], eyes[cycle])) << "eye move " << eyeMoves.size();
            EXPECT_EQ(s.eyeCycle, (cycle + 1) % 3);
            eyeMoves.push_back(cycle), cycle = s.eyeCycle;
        }
        for (int i = 0; i < 8; ++i) {
            const VECTOR p = V1_Flier(i)->position, h = V1_Flier(i)->heading;
            ASSERT_TRUE(std::isfinite(p.x + p.y + p.z + h.x + h.y + h.z)) << "figure " << i << " at update " << u;
            ASSERT_TRUE(h.Length() == 1.0f || std::fabs(h.Length() - 1.0f) < 1e-3f) << "a unit heading";
        }
    }
    ASSERT_GE(followed.size(), 50u);
    for (size_t i = 1; i < followed.size(); ++i)
        ASSERT_EQ(followed[i], followed[i - 1] == 7 ? 6 : 7);
    ASSERT_GE(eyeMoves.size(), 4u) << "about every other switch moves the eye";
    for (size_t i = 0; i < eyeMoves.size(); ++i)
        EXPECT_EQ(eyeMoves[i], int(i % 3));
}

// Bright pixels of the hint's band along the top of the frame.
std::vector<size_t> brightInHintBand(const std::vector<std::uint8_t>& rgb, int width) {
    std::vector<size_t> lit;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 480; ++x) {
            const size_t i = (size_t(y) * width + x) * 3;
            if (rgb[i] > 150 && rgb[i + 1] > 150 && rgb[i + 2] > 150) lit.push_back(i);
        }
    return lit;
}

TEST_F(SceneOne, ColourKeysShuffleTheTableWithTheFiguresAndTheHintShowsOnlyInTheOpeningFlight) {
    std::srand(11);
    Open();
    const std::vector<VECTOR> first(V1_ColourTable(), V1_ColourTable() + 8);
    auto table = [] { return std::vector<VECTOR>(V1_ColourTable(), V1_ColourTable() + 8); };
    auto equal = [](const std::vector<VECTOR>& a, const std::vector<VECTOR>& b) {
        return std::equal(a.begin(), a.end(), b.begin(), [](VECTOR p, VECTOR q) { return same(p, q, 0); });
    };
    int changed = 0;
    for (unsigned char key : {'a', 'A', 'a', 'A'}) {
        const std::vector<VECTOR> before = table();
        VH_DriverKey(key);
        changed += !equal(before, table());
        for (int k = 0; k < 8; ++k)
            ASSERT_TRUE(same(V1_Flier(k)->colour, V1_ColourTable()[k], 0)) << key << " figure " << k;
        // a shuffle, not a change: the same eight colours
        for (const VECTOR& c : first)
            EXPECT_EQ(std::count_if(V1_ColourTable(), V1_ColourTable() + 8, [&](VECTOR t) { return same(t, c, 0); }),
                      1);
    }
    EXPECT_GE(changed, 3);
    const std::vector<VECTOR> settled = table();
    VH_DriverSpecialKey(65); // the special key sharing 'A''s code
    VH_DriverKey('b');
    EXPECT_TRUE(equal(settled, table()));

    FNT_ReleaseFonts(); // the window opened over an archive without them
    FNT_LoadFonts();
    VH_DriverCapture(true);
    int w = 0, h = 0;
    VH_DriverStep(kStep);
    VH_DriverRender();
    const std::vector<size_t> hint = brightInHintBand(VH_DriverFrame(&w, &h), w);
    EXPECT_GT(hint.size(), 200u) << "the hint is written across the top of the opening flight";
    RunOut();
    ASSERT_EQ(Step(), 1);
    VH_DriverRender();
    const std::vector<std::uint8_t>& after = VH_DriverFrame(&w, &h);
    const size_t stillLit = std::count_if(
        hint.begin(), hint.end(), [&](size_t i) { return after[i] > 150 && after[i + 1] > 150 && after[i + 2] > 150; });
    EXPECT_LT(stillLit, hint.size() / 4) << "the hint outlived the opening flight";

    // Once figures fly, their spheres must leave the arrays the meshes draw from switched on.
    while (Step() < 3)
        RunOut();
    VH_DriverRender();
    EXPECT_TRUE(glIsEnabled(GL_VERTEX_ARRAY) && glIsEnabled(GL_NORMAL_ARRAY) && glIsEnabled(GL_TEXTURE_COORD_ARRAY));
    VH_DriverCapture(false);
}

// Initialises the scene over an archive holding only the given path file (or none), in a folder of its own.
void initialiseWith(const Bytes* paths) {
    VH_TestOpenWindow();
    const std::string dir = VH_TestTempDir();
    std::vector<TestEntry> entries;
    if (paths) entries.push_back({"flyerpaths.spo", *paths});
    if (!WriteFile(dir + "/vh_data.clu", LayOut(entries)) || chdir(dir.c_str()) != 0) std::exit(4);
    VH_SetMsg(MSG_INITIALIZE);
    View1Main(0.0f, -1);
    std::exit(3); // not reached when the scene ended the program
}

TEST(SceneOneDeath, EveryFaultOfThePathFileEndsWithStatusOneAndALineNamingIt) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    SpoRecord loop;
    loop.points = {VECTOR(30, 22, 46), VECTOR(40, 22, 46), VECTOR(40, 30, 56), VECTOR(30, 22, 46)};
    const std::vector<SpoRecord> eight(8, loop);
    SpoRecord tooLong = loop, cut = loop, single = loop;
    tooLong.points.assign(97, VECTOR(1, 2, 3)); // 97 + k + 1 > the knot table's 100
    cut.claim = true, cut.claimedPoints = 40;
    single.points.resize(1);
    auto with = [&](const SpoRecord& bad) {
        std::vector<SpoRecord> r = eight;
        r[5] = bad;
        return SpoFile(r);
    };
    const Bytes wrongMark = [&] {
        Bytes b = SpoFile(eight);
        b[1] = 'Q';
        return b;
    }();
    const struct {
        const char* what;
        Bytes file;
        bool present;
        const char* line;
    } cases[] = {
        {"missing", {}, false, "flyerpaths.spo: not in the archive"},
        {"no mark", wrongMark, true, "flyerpaths.spo: not a path file"},
        {"short header", Bytes{'S', 'P', 'O', 0, 1}, true, "flyerpaths.spo: damaged: shorter than"},
        {"version 1.2", SpoFile(eight, 1, 2), true, "flyerpaths.spo: version 1.2"},
        {"seven paths", SpoFile(std::vector<SpoRecord>(7, loop)), true, "flyerpaths.spo: holds 7 paths"},
        {"nine paths", SpoFile(std::vector<SpoRecord>(9, loop)), true, "flyerpaths.spo: holds 9 paths"},
        {"too many points", with(tooLong), true, "flyerpaths.spo: damaged"},
        {"cut short", with(cut), true, "flyerpaths.spo: damaged"},
        {"one point", with(single), true, "flyerpaths.spo: damaged"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EXIT(initialiseWith(c.present ? &c.file : nullptr), ::testing::ExitedWithCode(1), c.line);
    }
    EXPECT_EXIT((VH_TestOpenWindow(), VH_SetMsg(9), View1Main(0.0f, -1)), ::testing::ExitedWithCode(1),
                "scene one: message 9");
    // Eight good loops: the scene starts (the models are missing, which only warns).
    const Bytes good = SpoFile(eight);
    EXPECT_EXIT(initialiseWith(&good), ::testing::ExitedWithCode(3), "");
}

} // namespace
