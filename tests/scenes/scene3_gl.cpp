// Scene three through the state machine and driver: keys, turns, the hand-over between vehicles, release.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "camera/wedpath.h"
#include "core/keys.h"
#include "model/mesh.h"
#include "particles/grid.h"
#include "scenes/scene3.h"
#include "scenes/scenes.h"
#include "shell/driver.h"
#include "support/gl_fixture.h"
#include "support/scene_fixture.h"
#include "text/console.h"

namespace {

class SceneThree : public VH_SceneTest {
protected:
    SceneThree() : VH_SceneTest(2, View3Main, VHS_EXIT, "after scene three comes the exit state") {}
    void Open() {
        ASSERT_NO_FATAL_FAILURE(VH_SceneTest::Open());
        ASSERT_NE(V3_GetStatus().path, nullptr);
    }
};

TEST_F(SceneThree, KeysTradeSpeedForSpinAndCloseIsSafeAndReleasesEverything) {
    Close(); // before it ever ran, and twice: nothing to free, nothing may break
    Close();
    Open();
    const V3_Status open = V3_GetStatus();
    const char* hint = CON_FindLine(VH_Console, open.hintLine);
    EXPECT_EQ(std::strncmp(hint ? hint : "", "Press the LEFT arrow to slowdown boat", 37), 0);
    EXPECT_TRUE(GRID_Cols() == 48 && glIsEnabled(GL_FOG) && glIsEnabled(GL_LIGHT0));
    EXPECT_EQ(std::count(open.meshes, open.meshes + V3_MESH_COUNT, nullptr), 0) << "every model loads";

    VH_DriverKey(' ');
    for (int i = 0; i < 5; ++i)
        VH_DriverStep(0.05);
    const float travelled = V3_GetStatus().path->curdist;
    ASSERT_GT(travelled, 0.0f);

    // LEFT pressed far past zero: the speed bottoms out at 0.1, never 0 or below.
    float lowest = 100.0f;
    for (int i = 0; i < 40; ++i) {
        VH_DriverSpecialKey(VH_SPECIAL_LEFT);
        lowest = std::min(lowest, V3_GetStatus().speed);
        EXPECT_FLOAT_EQ(V3_GetStatus().path->speed, V3_GetStatus().speed);
    }
    EXPECT_NEAR(lowest, 0.1f, 1e-5f);
    VH_DriverKey('d'); // shares LEFT's code but is no arrow
    EXPECT_FLOAT_EQ(V3_GetStatus().spinBoost, 200.0f);

    // SPACE mid-run: speed and boost back, the run itself goes on where it was.
    VH_DriverKey(' ');
    V3_Status s = V3_GetStatus();
    EXPECT_TRUE(s.speed == 2.5f && s.spinBoost == 0.0f && s.path->running) << s.speed << " " << s.spinBoost;
    EXPECT_FLOAT_EQ(s.path->curdist, travelled);

    // RIGHT from no boost gives 1.0, not -5, and speeds up by a tenth.
    VH_DriverSpecialKey(VH_SPECIAL_RIGHT);
    s = V3_GetStatus();
    EXPECT_FLOAT_EQ(s.spinBoost, 1.0f);
    EXPECT_NEAR(s.speed, 2.6f, 1e-5f);
    EXPECT_NEAR(s.path->rate, 2.6f / s.path->maxdist, 1e-6f);

    // Parts turn by (speed + boost) each second: boat1's wheel at -64 + 1.
    const tMeshPart& board = V3_PartTable(s.vehicle)->parts[0];
    const float before = board.angle, pathBefore = s.path->t;
    VH_DriverStep(0.1);
    EXPECT_NEAR(std::remainder(board.angle - before, 360.0f), -6.3f, 1e-3f);
    // The vehicle moves two path steps a frame (the scene updates its path twice).
    EXPECT_NEAR(V3_GetStatus().path->t - pathBefore, 2 * 0.1f * s.path->rate, 1e-5f);

    Close(); // models, fog and lights given back are counted by the goto cycles test
    const V3_Status closed = V3_GetStatus();
    EXPECT_TRUE(closed.path == nullptr && closed.hintLine == -1 && !CON_FindLine(VH_Console, open.hintLine));
    EXPECT_TRUE(GRID_Cols() == -1 &&
                std::count(closed.meshes, closed.meshes + V3_MESH_COUNT, nullptr) == V3_MESH_COUNT);
}

// Each vehicle in turn runs its path and hands over to the next at normal speed; where it is drawn and
// how its parts turn are seen in the golden frames.
TEST_F(SceneThree, EachVehicleTakesItsTurnAndTheNextStartsAtNormalSpeed) {
    Open();
    const int first = V3_GetStatus().vehicle;
    for (int turn = 0; turn < V3_VEHICLE_COUNT; ++turn) {
        const int v = V3_GetStatus().vehicle;
        SCOPED_TRACE(CAT_RIVER_MESHES[V3_FIRST_VEHICLE + v]);
        VH_DriverSpecialKey(VH_SPECIAL_RIGHT); // meddling with the speed the next vehicle must not inherit
        VH_DriverSpecialKey(VH_SPECIAL_RIGHT);
        int rest = 0;
        for (; V3_GetStatus().vehicle == v && rest < 5000; ++rest)
            VH_DriverStep(0.05);
        EXPECT_GT(rest, 20) << "a run takes a few seconds";
        const V3_Status s = V3_GetStatus();
        EXPECT_EQ(s.vehicle, (v + 1) % V3_VEHICLE_COUNT);
        EXPECT_TRUE(!s.meshes[V3_FIRST_VEHICLE + v]->visible && s.meshes[V3_FIRST_VEHICLE + s.vehicle]->visible);
        EXPECT_TRUE(s.speed == 2.5f && s.spinBoost == 0.0f && s.path->speed == 2.5f && s.path->running) << turn;
        EXPECT_TRUE(s.path->curdist == 0.0f && s.path->current.x == s.path->points[0].x &&
                    s.path->current.z == s.path->points[0].z);
    }
    EXPECT_EQ(V3_GetStatus().vehicle, first) << "five turns bring the first vehicle back";
}

void initialiseScene() {
    VH_SetMsg(MSG_INITIALIZE);
    View3Main(0.0f, -1);
    std::exit(3); // not reached when the scene ended the program
}

TEST(SceneThreeDeath, MissingPathOrUnknownMessageEndsWithStatusOne) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The window's folder holds an empty archive; a path the reader refuses fails the same way.
    EXPECT_EXIT((VH_TestOpenWindow(), initialiseScene()), ::testing::ExitedWithCode(1), "");
    EXPECT_EXIT((VH_TestOpenWindow(), VH_SetMsg(9), View3Main(0.0f, -1)), ::testing::ExitedWithCode(1), "");
}

} // namespace
