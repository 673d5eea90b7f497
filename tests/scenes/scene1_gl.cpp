// Scene one through the state machine and driver: the script's timing, the figures the camera takes
// and its eye points, the colour keys, the hint, what close releases, and the path file's faults.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
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
#include "support/archive_bytes.h"
#include "support/gl_fixture.h"
#include "support/scene_fixture.h"
#include "text/console.h"

namespace {

const VECTOR kGather(60, 45, 93);
const float kStep = 0.1f; // exactly 100 ms once the scene multiplies it out

bool same(VECTOR a, VECTOR b, float tolerance = 1e-3f) {
    return std::fabs(a.x - b.x) <= tolerance && std::fabs(a.y - b.y) <= tolerance && std::fabs(a.z - b.z) <= tolerance;
}
std::vector<float> light0(GLenum what) {
    std::vector<float> v(4);
    glGetLightfv(GL_LIGHT0, what, v.data());
    return v;
}
int Step() {
    return V1_GetStatus().step;
}
// Updates until the script leaves its step; how many it took.
int RunOut() {
    int n = 0;
    for (const int from = Step(); Step() == from && n < 1000; ++n)
        VH_DriverStep(kStep);
    return n;
}

class SceneOne : public VH_SceneTest {
protected:
    SceneOne() : VH_SceneTest(0, View1Main, VHS_INTRO, "intro picture 2 follows scene one") {}
    void Open() {
        ASSERT_NO_FATAL_FAILURE(VH_SceneTest::Open());
        ASSERT_EQ(Step(), 0);
    }
};

TEST_F(SceneOne, ClosedBeforeItRanItFreesNothingOfOthersAndAfterARunItReleasesEverything) {
    const int others = PART_CreateGroups(1, 10);
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
    EXPECT_EQ(std::count(open.meshes, open.meshes + V1_MESH_COUNT, nullptr), 0) << "every model loads";
    ASSERT_EQ(open.pathCount, 8);
    for (int i = 0; i < 8; ++i) { // closed loops that start at the gathering point once doubled
        const PathControl3D& p = open.paths[i];
        EXPECT_TRUE(same(p.points[0], kGather) && same(p.points[0], p.points[p.points.size() - 1], 0)) << i;
        EXPECT_TRUE(!p.active && p.loop && p.speed == 24.0f && V1_Flier(i)->path == &p) << i;
    }

    // Models, particle groups, fog and lights given back are counted for every scene by the goto cycles test.
    Close();
    const V1_Status closed = V1_GetStatus();
    EXPECT_TRUE(!closed.camera && !closed.paths && closed.hintLine == -1 && !CON_FindLine(VH_Console, open.hintLine));
    EXPECT_EQ(GRID_Cols(), -1);
}

// From the opening flight to the paths: the script's times, the flash, then the camera's figures and eyes.
TEST_F(SceneOne, LaunchesKeepTheirTimesThenOnThePathsTheCameraAlternatesBetweenSevenAndSixAndItsEyeCycles) {
    std::srand(5);
    Open();
    // The opening flight lasts as long as the longer camera move, 8.5 s.
    EXPECT_NEAR(RunOut() * kStep, 8.5, 0.15);
    EXPECT_EQ(V1_GetStatus().camera->CountActiveEvents(), 0);
    ASSERT_EQ(RunOut(), 5) << "the pause ends on the first update that brings it to 500 ms";

    const std::vector<float> table = light0(GL_DIFFUSE);
    // A launch on the update reaching 900 ms since the step began or the last launch: the eighth 7.2 s in.
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

    // All launched, the last still flying: the step and the flash stay.
    for (int guard = 0; V1_GetStatus().arrived < 8; ++guard) {
        ASSERT_LT(guard, 60) << "a launch flight lasts 5 s";
        EXPECT_TRUE(Step() == 2 && light0(GL_DIFFUSE) != table);
        const float before = (V1_Flier(7)->position - kGather).Length();
        VH_DriverStep(kStep);
        EXPECT_LT((V1_Flier(7)->position - kGather).Length(), before) << "the last figure closes in";
    }
    ASSERT_EQ(Step(), 3);
    EXPECT_EQ(light0(GL_DIFFUSE), table);
    EXPECT_EQ(light0(GL_AMBIENT), std::vector<float>({0, 0, 0, 1}));

    VH_DriverStep(kStep); // the step's first update picks the figure
    ASSERT_EQ(V1_GetStatus().followed, 7) << "all above the sea: the highest-numbered figure is followed";
    for (int i = 0; i < 8; ++i)
        EXPECT_LT((V1_Flier(i)->position + V1_Flier(i)->offset - kGather).Length(), 2.0f) << "leaves where they met";

    const VECTOR eyes[3] = {VECTOR(-33, 5.1f, 90), VECTOR(-13, 24.78f, 3.6f), VECTOR(54, 85, 70)};
    std::vector<int> eyeMoves, followed = {7};
    int sinceSwitch = 1, cycle = V1_GetStatus().eyeCycle;
    for (int u = 0; u < 3000; ++u) {
        VH_DriverStep(kStep);
        const V1_Status s = V1_GetStatus();
        if (++sinceSwitch, s.followed != followed.back()) {
            EXPECT_EQ(sinceSwitch, 55) << "the camera changes figure every 5.5 s";
            followed.push_back(s.followed), sinceSwitch = 0;
        }
        if (s.eyeCycle != cycle) { // the eye move just queued heads for the point of the old value
            const CamEvent* move = nullptr;
            for (const CamEvent& e : s.camera->events)
                if (e.active && e.type == CAM_LINEAR && e.channels == CAM_EYE) move = &e;
            ASSERT_NE(move, nullptr);
            EXPECT_TRUE(same(move->end[0], eyes[cycle]) && s.eyeCycle == (cycle + 1) % 3) << eyeMoves.size();
            eyeMoves.push_back(cycle), cycle = s.eyeCycle;
        }
        for (int i = 0; i < 8; ++i) {
            const VECTOR p = V1_Flier(i)->position, h = V1_Flier(i)->heading;
            ASSERT_TRUE(std::isfinite(p.x + p.y + p.z) && std::fabs(h.Length() - 1.0f) < 1e-3f) << i << "@" << u;
        }
    }
    ASSERT_GE(followed.size(), 50u);
    for (size_t i = 1; i < followed.size(); ++i)
        ASSERT_EQ(followed[i], followed[i - 1] == 7 ? 6 : 7);
    EXPECT_GE(eyeMoves.size(), 4u) << "about every other switch moves the eye, round all three points and on";
}

TEST_F(SceneOne, ColourKeysShuffleTheTableWithTheFigures) {
    std::srand(11);
    Open();
    using Colours = std::vector<std::array<float, 3>>;
    auto colours = [](VECTOR (*colourOf)(int)) {
        Colours c;
        for (int i = 0; i < 8; ++i)
            c.push_back({colourOf(i).x, colourOf(i).y, colourOf(i).z});
        return c;
    };
    auto table = [&] { return colours([](int i) { return V1_ColourTable()[i]; }); };
    Colours first = table(), last = first;
    std::sort(first.begin(), first.end());
    int changed = 0;
    for (unsigned char k : {'a', 'A', 'a', 'A'}) {
        VH_DriverKey(k);
        Colours now = table();
        changed += now != last;
        ASSERT_EQ(colours([](int i) { return V1_Flier(i)->colour; }), now) << "figure k has entry k's colour";
        last = now;
        std::sort(now.begin(), now.end());
        EXPECT_EQ(now, first) << "a shuffle of the same eight colours";
    }
    EXPECT_GE(changed, 3);
    VH_DriverSpecialKey(65); // the special key with 'A''s code
    VH_DriverKey('b');
    EXPECT_EQ(table(), last);

    // Once figures fly, their spheres must leave on the arrays the meshes draw from.
    while (Step() < 3)
        RunOut();
    VH_DriverRender();
    EXPECT_TRUE(glIsEnabled(GL_VERTEX_ARRAY) && glIsEnabled(GL_NORMAL_ARRAY) && glIsEnabled(GL_TEXTURE_COORD_ARRAY));
}

// Initialises the scene over an archive holding only the given path file (or none).
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
    SpoRecord loop, tooLong, cut, tooFine;
    loop.points = {VECTOR(30, 22, 46), VECTOR(40, 22, 46), VECTOR(40, 30, 56), VECTOR(30, 22, 46)};
    tooLong.points.assign(97, VECTOR(1, 2, 3)); // 97 + k + 1 passes the knot table's 100
    cut = loop, cut.claim = true, cut.claimedPoints = 40;
    tooFine = loop, tooFine.resolution = 2000000;
    auto eightWith = [&](const SpoRecord& last) {
        std::vector<SpoRecord> r(7, loop);
        return r.push_back(last), SpoFile(r);
    };
    const std::pair<std::vector<Bytes>, const char*> cases[] = {
        {{}, "flyerpaths.spo: not in the archive"},
        {{SpoFile(std::vector<SpoRecord>(8, loop), 2, 1)}, "flyerpaths.spo: version 2.1"},
        {{SpoFile(std::vector<SpoRecord>(7, loop))}, "flyerpaths.spo: holds 7 paths"},
        {{eightWith(tooLong)}, "flyerpaths.spo: damaged"},
        {{eightWith(cut)}, "flyerpaths.spo: damaged"},
        {{eightWith(tooFine)}, "flyerpaths.spo: damaged"},
        {{eightWith(loop)}, ""}, // eight loops and no models: it runs
    };
    for (const auto& [file, says] : cases)
        EXPECT_EXIT(initialiseWith(file.empty() ? nullptr : &file[0]), ::testing::ExitedWithCode(*says ? 1 : 3), says)
            << says;
    EXPECT_EXIT((VH_TestOpenWindow(), VH_SetMsg(9), View1Main(0.0f, -1)), ::testing::ExitedWithCode(1),
                "scene one: message 9");
}

} // namespace

// The opening flight sets out from beside the camp fire at x = 15 and climbs towards the rock.
TEST_F(SceneOne, TheOpeningFlightSetsOutFromBesideTheFire) {
    Open();
    for (int i = 0; i < 10; ++i) // one second of the eight the move takes
        VH_DriverStep(0.1);
    const VECTOR eye = V1_GetStatus().camera->eye;
    EXPECT_TRUE(eye.x > 10 && eye.x < 15 && eye.y > 1 && eye.y < 5 && eye.z > 90 && eye.z < 104)
        << eye.x << " " << eye.y << " " << eye.z;
}
