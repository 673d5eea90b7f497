// Scene three through the state machine and driver: keys, turns, release, part tables, the screen.
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "camera/wedpath.h"
#include "core/keys.h"
#include "data/resfile.h"
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

TEST_F(SceneThree, GeneratedVehiclesCarryEveryTurningPartAroundItsHub) {
    for (int v = 0; v < V3_VEHICLE_COUNT; ++v) {
        SCOPED_TRACE(CAT_RIVER_MESHES[V3_FIRST_VEHICLE + v]);
        t3DModel* model = MESH_Load3DSMesh(CAT_RIVER_MESHES[V3_FIRST_VEHICLE + v], 4);
        ASSERT_NE(model, nullptr);
        // A group sharing pivot and axis must reach across the pivot A - B; one turning about x is a centred wheel.
        const tMeshPartList* table = V3_PartTable(v);
        for (int i = 0; i < table->count; ++i) {
            const tMeshPart& part = table->parts[i];
            float lo[3] = {1e30f, 1e30f, 1e30f}, hi[3] = {-1e30f, -1e30f, -1e30f};
            for (int j = 0; j < table->count; ++j) {
                const tMeshPart& o = table->parts[j];
                if (std::memcmp(o.a, part.a, sizeof o.a) || std::memcmp(o.b, part.b, sizeof o.b)) continue;
                const t3DObject* object = nullptr;
                for (int k = 0; k < model->objectCount; ++k)
                    if (std::strcmp(model->objects[k].name, o.name) == 0) object = &model->objects[k];
                ASSERT_NE(object, nullptr) << "no sub-object named exactly " << o.name;
                for (int k = 0; k < 3 * object->vertexCount; ++k) {
                    const float d = object->vertices[k] - (part.a[k % 3] - part.b[k % 3]);
                    lo[k % 3] = std::min(lo[k % 3], d), hi[k % 3] = std::max(hi[k % 3], d);
                }
            }
            for (int e = 0; e < 3; ++e) {
                if (std::fabs(part.axis[e]) > 0.9f) continue; // along the axis
                EXPECT_TRUE(lo[e] <= 0.05f && hi[e] >= -0.05f) << part.name << " axis " << e;
                EXPECT_TRUE(part.axis[0] != 1.0f || std::fabs(lo[e] + hi[e]) <= 0.1f * (hi[e] - lo[e])) << part.name;
            }
        }
        MESH_FreeInstance(model);
    }
    MESH_Close();
}

// Pixels in a square around (cx, cy) whose colour moved by more than a few levels.
int changedPixels(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b, int width, int height, int cx,
                  int cy, int half) {
    int changed = 0;
    for (int y = std::max(0, cy - half); y < std::min(height, cy + half); ++y)
        for (int x = std::max(0, cx - half); x < std::min(width, cx + half); ++x) {
            const size_t i = (size_t(y) * width + x) * 3;
            changed +=
                std::max({std::abs(a[i] - b[i]), std::abs(a[i + 1] - b[i + 1]), std::abs(a[i + 2] - b[i + 2])}) > 12;
        }
    return changed;
}

// Where the pixels that differ between two frames lie on average (frame rows count down from the top);
// how many there are.
int changeCentre(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b, int width, int height,
                 double* x, double* y) {
    int n = 0;
    double sx = 0, sy = 0;
    for (int row = 0; row < height; ++row)
        for (int col = 0; col < width; ++col)
            if (changedPixels(a, b, width, height, col, row, 1)) n += 1, sx += col, sy += row;
    *x = n ? sx / n : 0, *y = n ? sy / n : 0;
    return n;
}

// Each vehicle in turn is seen where it travels, turns its parts, and hands over to the next at normal speed.
TEST_F(SceneThree, EachVehicleTakesItsTurnReachesTheScreenAndTurnsItsParts) {
    Open();
    const int first = V3_GetStatus().vehicle;
    glEnable(GL_BLEND); // the fade before the scene leaves blending on; the water relies on it
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    VH_DriverCapture(true);
    int w = 0, h = 0;
    auto render = [&] { return VH_DriverRender(), VH_DriverFrame(&w, &h); };
    for (int turn = 0; turn < V3_VEHICLE_COUNT; ++turn) {
        const int v = V3_GetStatus().vehicle;
        SCOPED_TRACE(CAT_RIVER_MESHES[V3_FIRST_VEHICLE + v]);
        // Travel until the vehicle is well inside the frame (window y counts up from the bottom).
        GLdouble wx = -1, wy = -1, wz = -1;
        double lastX = 0, lastY = 0; // where it was a step before
        int guard = 0;
        for (; !(wz > 0 && wz < 1 && wx > 300 && wx < 500); ++guard) {
            lastX = wx, lastY = wy;
            ASSERT_LT(guard, 2000) << "the vehicle never crossed the middle of the view";
            VH_DriverStep(0.05);
            ASSERT_EQ(V3_GetStatus().vehicle, v) << "the run ended before the vehicle reached the middle";
            float x, y, z;
            GLdouble model[16], proj[16];
            GLint viewport[4];
            V3_VehiclePosition(&x, &y, &z), glGetIntegerv(GL_VIEWPORT, viewport);
            glGetDoublev(GL_MODELVIEW_MATRIX, model), glGetDoublev(GL_PROJECTION_MATRIX, proj);
            ASSERT_EQ(gluProject(x, y, z, model, proj, viewport, &wx, &wy, &wz), GL_TRUE);
        }
        const int px = int(wx), py = 599 - int(wy);
        EXPECT_TRUE(py > 300 && py < 600) << "on the water, below the horizon: " << py;

        const std::vector<std::uint8_t> shown = render();
        ASSERT_EQ(w, 800);
        EXPECT_EQ(changedPixels(shown, render(), w, h, 0, 0, 800), 0) << "frames repeat exactly";
        t3DModel* vehicle = V3_GetStatus().meshes[V3_FIRST_VEHICLE + v];
        vehicle->visible = false;
        const std::vector<std::uint8_t> hidden = render();
        vehicle->visible = true;
        EXPECT_GT(changedPixels(shown, hidden, w, h, px, py, 60), 300) << "the vehicle is drawn where it travels";
        // Its parts turn: seen anywhere in the frame, as a close vehicle's parts may lie far from its middle.
        tMeshPartList* parts = V3_PartTable(v);
        for (int i = 0; i < parts->count; ++i)
            parts->parts[i].angle += 17.0f;
        const std::vector<std::uint8_t> turned = render();
        EXPECT_GT(changedPixels(shown, turned, w, h, 0, 0, 800), 15) << "its parts turn";
        // Bows point to -z in the models: parts that sit well toward one end are drawn ahead of the
        // vehicle's place as it travels (the bow's end) or behind it (the stern's).
        float endward = 0;
        for (int i = 0; i < parts->count; ++i)
            endward += parts->parts[i].a[2] / parts->count;
        double cx, cy;
        if (std::fabs(endward) > 5 && changeCentre(shown, turned, w, h, &cx, &cy) > 15) {
            const double ahead = (cx - px) * (wx - lastX) - (cy - py) * (wy - lastY); // along the travel on screen
            EXPECT_LT(ahead * endward, 0) << "parts at model z " << endward << " drawn " << ahead << " ahead";
        }

        VH_DriverSpecialKey(VH_SPECIAL_RIGHT); // meddling with the speed the next vehicle must not inherit
        VH_DriverSpecialKey(VH_SPECIAL_RIGHT);
        int rest = 0;
        for (; V3_GetStatus().vehicle == v && rest < 5000; ++rest)
            VH_DriverStep(0.05);
        EXPECT_GT(guard + rest, 20) << "a run takes a few seconds";
        const V3_Status s = V3_GetStatus();
        EXPECT_EQ(s.vehicle, (v + 1) % V3_VEHICLE_COUNT);
        EXPECT_TRUE(!s.meshes[V3_FIRST_VEHICLE + v]->visible && s.meshes[V3_FIRST_VEHICLE + s.vehicle]->visible);
        EXPECT_TRUE(s.speed == 2.5f && s.spinBoost == 0.0f && s.path->speed == 2.5f && s.path->running) << turn;
        EXPECT_TRUE(s.path->curdist == 0.0f && s.path->current.x == s.path->points[0].x &&
                    s.path->current.z == s.path->points[0].z);
    }
    VH_DriverCapture(false);
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
