// Scene three through the real state machine and driver: keys, vehicle turns, release,
// the generated models against the part tables, and what reaches the screen.
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "camera/wedpath.h"
#include "data/resfile.h"
#include "model/mesh.h"
#include "particles/grid.h"
#include "scenes/scene3.h"
#include "scenes/scenes.h"
#include "shell/driver.h"
#include "shell/sequence.h"
#include "shell/state.h"
#include "support/gl_fixture.h"
#include "text/console.h"

namespace {

constexpr int kKeyLeft = 100;
constexpr int kKeyRight = 102;

// The generated demo data lives in the run folder; assets load from the working folder.
void useDemoData() {
    VH_TestOpenWindow();
    ASSERT_EQ(chdir(VH_RUN_DIR), 0);
    ASSERT_EQ(access("vh_data.clu", R_OK), 0) << "the build makes the demo data in " << VH_RUN_DIR;
}

class SceneThree : public ::testing::Test {
protected:
    void SetUp() override { useDemoData(); }
    void TearDown() override {
        if (VH_State == VHS_SCENE && VH_SceneReady) Close();
    }
    // Enters the scene slot the way the intro before it does, and lets it initialise.
    void Open() {
        VH_SceneTable[2].handler = View3Main;
        VH_State = VHS_SCENE;
        VH_ID = 2;
        VH_Msg = MSG_INITIALIZE;
        VH_DriverStep(0.0);
        ASSERT_EQ(VH_Msg, MSG_UPDATE);
        ASSERT_NE(V3_GetStatus().path, nullptr);
    }
    // 'n' as a person would press it, then the step that hands the close to the scene.
    void Close() {
        VH_SceneTable[2].handler = View3Main;
        VH_State = VHS_SCENE;
        VH_ID = 2;
        VH_Msg = MSG_UPDATE;
        VH_DriverKey('n');
        VH_DriverStep(0.0);
        EXPECT_EQ(VH_State, VHS_EXIT) << "after scene three comes the exit state";
        VH_SceneReady = false;
        VH_ID = 2;
        VH_State = VHS_SCENE;
        VH_Msg = MSG_UPDATE;
    }
    // Steps until the vehicle changes; the number of steps, or -1.
    static int StepUntilNextVehicle(double dt, int limit = 5000) {
        const int before = V3_GetStatus().vehicle;
        for (int i = 1; i <= limit; ++i) {
            VH_DriverStep(dt);
            if (V3_GetStatus().vehicle != before) return i;
        }
        return -1;
    }
};

TEST_F(SceneThree, CloseIsSafeWithoutInitialisationAndReleasesEverything) {
    // Closed before it ever ran (and closed twice): nothing to free, nothing may break.
    Close();
    Close();
    EXPECT_EQ(V3_GetStatus().path, nullptr);

    Open();
    const V3_Status open = V3_GetStatus();
    ASSERT_GT(open.hintLine, 0);
    const char* hint = CON_FindLine(VH_Console, open.hintLine);
    ASSERT_NE(hint, nullptr);
    EXPECT_EQ(std::strncmp(hint, "Press the LEFT arrow to slowdown boat", 37), 0);
    EXPECT_EQ(GRID_Cols(), 48);
    EXPECT_TRUE(glIsEnabled(GL_FOG));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    EXPECT_GT(MESH_Count(), 0);
    for (int i = 0; i < V3_MESH_COUNT; ++i) EXPECT_NE(open.meshes[i], nullptr) << V3_MeshFiles[i];

    Close();
    const V3_Status closed = V3_GetStatus();
    EXPECT_EQ(closed.path, nullptr);
    EXPECT_EQ(closed.hintLine, -1);
    EXPECT_EQ(CON_FindLine(VH_Console, open.hintLine), nullptr);
    EXPECT_EQ(GRID_Cols(), -1);
    EXPECT_FALSE(glIsEnabled(GL_FOG));
    EXPECT_FALSE(glIsEnabled(GL_LIGHT0));
    EXPECT_EQ(MESH_Count(), 0);
    for (int i = 0; i < V3_MESH_COUNT; ++i) EXPECT_EQ(closed.meshes[i], nullptr);
}

TEST_F(SceneThree, ArrowKeysTradeSpeedForSpinAndSpaceResetsMidRun) {
    Open();
    VH_DriverKey(' ');
    for (int i = 0; i < 5; ++i) VH_DriverStep(0.05);
    const float travelled = V3_GetStatus().path->curdist;
    ASSERT_GT(travelled, 0.0f);

    // LEFT pressed far past zero: the speed bottoms out at 0.1, never 0 or below.
    float lowest = 100.0f;
    for (int i = 0; i < 40; ++i) {
        VH_DriverSpecialKey(kKeyLeft);
        lowest = std::min(lowest, V3_GetStatus().speed);
        EXPECT_FLOAT_EQ(V3_GetStatus().path->speed, V3_GetStatus().speed);
    }
    EXPECT_NEAR(lowest, 0.1f, 1e-5f);
    EXPECT_NEAR(V3_GetStatus().speed, 0.1f, 1e-5f);
    EXPECT_FLOAT_EQ(V3_GetStatus().spinBoost, 200.0f);
    EXPECT_NEAR(V3_GetStatus().path->duration, V3_GetStatus().path->maxdist / 0.1f, 1e-2f);

    // A plain 'd' shares LEFT's code but is no arrow.
    VH_DriverKey('d');
    EXPECT_FLOAT_EQ(V3_GetStatus().spinBoost, 200.0f);

    // SPACE mid-run: speed and boost back, the run itself goes on where it was.
    VH_DriverKey(' ');
    EXPECT_FLOAT_EQ(V3_GetStatus().speed, 2.5f);
    EXPECT_FLOAT_EQ(V3_GetStatus().spinBoost, 0.0f);
    EXPECT_FLOAT_EQ(V3_GetStatus().path->curdist, travelled);
    EXPECT_TRUE(V3_GetStatus().path->running);

    // RIGHT from no boost gives 1.0, not -5, and speeds up by a tenth.
    VH_DriverSpecialKey(kKeyRight);
    EXPECT_FLOAT_EQ(V3_GetStatus().spinBoost, 1.0f);
    EXPECT_NEAR(V3_GetStatus().speed, 2.6f, 1e-5f);
    EXPECT_NEAR(V3_GetStatus().path->rate, 2.6f / V3_GetStatus().path->maxdist, 1e-6f);

    // Parts turn by (speed + boost) each second: boat1's wheel at -64 + 1.
    const tMeshPart& board = V3_PartTable(V3_GetStatus().vehicle)->parts[0];
    const float before = board.angle;
    VH_DriverStep(0.1);
    EXPECT_NEAR(std::remainder(board.angle - before, 360.0f), -6.3f, 1e-3f);
}

TEST_F(SceneThree, VehiclesTakeTurnsAtTheStartAtNormalSpeed) {
    Open();
    const int first = V3_GetStatus().vehicle;
    for (int turn = 1; turn <= V3_VEHICLE_COUNT; ++turn) {
        const int current = V3_GetStatus().vehicle;
        // Some meddling with the speed that the next vehicle must not inherit.
        VH_DriverSpecialKey(kKeyRight);
        VH_DriverSpecialKey(kKeyRight);
        const int steps = StepUntilNextVehicle(0.05);
        ASSERT_GT(steps, 20) << "a run takes a few seconds";
        const V3_Status s = V3_GetStatus();
        EXPECT_EQ(s.vehicle, (current + 1) % V3_VEHICLE_COUNT);
        EXPECT_FALSE(s.meshes[V3_FIRST_VEHICLE + current]->visible);
        EXPECT_TRUE(s.meshes[V3_FIRST_VEHICLE + s.vehicle]->visible);
        EXPECT_FLOAT_EQ(s.speed, 2.5f);
        EXPECT_FLOAT_EQ(s.spinBoost, 0.0f);
        EXPECT_FLOAT_EQ(s.path->speed, 2.5f);
        EXPECT_TRUE(s.path->running);
        EXPECT_FLOAT_EQ(s.path->curdist, 0.0f);
        EXPECT_FLOAT_EQ(s.path->current.x, s.path->points[0].x) << "the new vehicle starts at the path's start";
        EXPECT_FLOAT_EQ(s.path->current.z, s.path->points[0].z);
    }
    EXPECT_EQ(V3_GetStatus().vehicle, first) << "five turns bring the first vehicle back";
}

TEST_F(SceneThree, GeneratedVehiclesCarryEveryTurningPartAroundItsHub) {
    for (int v = 0; v < V3_VEHICLE_COUNT; ++v) {
        const char* file = V3_MeshFiles[V3_FIRST_VEHICLE + v];
        SCOPED_TRACE(file);
        t3DModel* model = MESH_Load3DSMesh(file, 4);
        ASSERT_NE(model, nullptr);
        // Parts with the same pivot and axis turn as one (a wheel, a turret with its gun): the
        // group's extent across the axis, measured from the pivot A - B, must reach the pivot,
        // and a group turning about x is a wheel that must sit centred on it.
        const tMeshPartList* table = V3_PartTable(v);
        for (int i = 0; i < table->count; ++i) {
            const tMeshPart& part = table->parts[i];
            const bool axisX = part.axis[0] == 1.0f;
            // Across x: (y, z); across y: (x, z); across the tilted rudder axis: x and (0, c, c).
            const float c = 0.70710678f;
            const float u[3] = {axisX ? 0.0f : 1.0f, axisX ? 1.0f : 0.0f, 0.0f};
            const float w[3] = {0.0f, axisX ? 0.0f : (part.axis[1] == 1.0f ? 0.0f : c),
                                axisX || part.axis[1] == 1.0f ? 1.0f : c};
            float lo[2] = {1e30f, 1e30f}, hi[2] = {-1e30f, -1e30f};
            for (int j = 0; j < table->count; ++j) {
                const tMeshPart& o = table->parts[j];
                if (std::memcmp(o.a, part.a, sizeof o.a) || std::memcmp(o.b, part.b, sizeof o.b)) continue;
                const t3DObject* object = nullptr;
                for (int k = 0; k < model->objectCount; ++k)
                    if (std::strcmp(model->objects[k].name, o.name) == 0) object = &model->objects[k];
                ASSERT_NE(object, nullptr) << "no sub-object named exactly " << o.name;
                for (int k = 0; k < object->vertexCount; ++k) {
                    float d[3];
                    for (int e = 0; e < 3; ++e) d[e] = object->vertices[3 * k + e] - (part.a[e] - part.b[e]);
                    const float cu = d[0] * u[0] + d[1] * u[1] + d[2] * u[2];
                    const float cw = d[0] * w[0] + d[1] * w[1] + d[2] * w[2];
                    lo[0] = std::min(lo[0], cu), hi[0] = std::max(hi[0], cu);
                    lo[1] = std::min(lo[1], cw), hi[1] = std::max(hi[1], cw);
                }
            }
            for (int e = 0; e < 2; ++e) {
                EXPECT_LE(lo[e], 0.05f) << part.name;
                EXPECT_GE(hi[e], -0.05f) << part.name;
                if (axisX) {
                    EXPECT_NEAR((lo[e] + hi[e]) / 2, 0.0f, 0.1f * (hi[e] - lo[e]) / 2) << part.name;
                }
            }
        }
        MESH_FreeInstance(model);
    }
    MESH_Close();
}

// Where a world point lands in the captured frame (top row first).
bool projectToFrame(float x, float y, float z, int height, int* px, int* py) {
    GLdouble model[16], proj[16], wx, wy, wz;
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, model);
    glGetDoublev(GL_PROJECTION_MATRIX, proj);
    glGetIntegerv(GL_VIEWPORT, viewport);
    if (gluProject(x, y, z, model, proj, viewport, &wx, &wy, &wz) != GL_TRUE) return false;
    *px = static_cast<int>(wx);
    *py = height - 1 - static_cast<int>(wy);
    return wz > 0.0 && wz < 1.0;
}

// Pixels in a square around (cx, cy) whose colour moved by more than a few levels.
int changedPixels(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b, int width, int height,
                  int cx, int cy, int half) {
    int changed = 0;
    for (int y = std::max(0, cy - half); y < std::min(height, cy + half); ++y)
        for (int x = std::max(0, cx - half); x < std::min(width, cx + half); ++x) {
            const size_t i = (static_cast<size_t>(y) * width + x) * 3;
            int d = 0;
            for (int c = 0; c < 3; ++c) d = std::max(d, std::abs(int(a[i + c]) - int(b[i + c])));
            if (d > 12) ++changed;
        }
    return changed;
}

std::vector<std::uint8_t> renderFrame(int* width, int* height) {
    VH_DriverRender();
    return VH_DriverFrame(width, height);
}

TEST_F(SceneThree, EachVehicleReachesTheScreenAndItsPartsTurn) {
    Open();
    // The fade before the scene leaves blending on; the water relies on it.
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    VH_DriverCapture(true);
    int w = 0, h = 0;
    for (int turn = 0; turn < V3_VEHICLE_COUNT; ++turn) {
        const int v = V3_GetStatus().vehicle;
        SCOPED_TRACE(V3_MeshFiles[V3_FIRST_VEHICLE + v]);
        // Travel until the vehicle is well inside the frame.
        int px = -1, py = -1, guard = 0;
        for (;; ++guard) {
            ASSERT_LT(guard, 2000) << "the vehicle never crossed the middle of the view";
            float x, y, z;
            V3_VehiclePosition(&x, &y, &z);
            if (projectToFrame(x, y, z, 600, &px, &py) && px > 300 && px < 500) break;
            VH_DriverStep(0.05);
            ASSERT_EQ(V3_GetStatus().vehicle, v) << "the run ended before the vehicle reached the middle";
        }
        EXPECT_GT(py, 300) << "on the water, below the horizon";
        EXPECT_LT(py, 600);

        const std::vector<std::uint8_t> shown = renderFrame(&w, &h);
        ASSERT_EQ(w, 800);
        EXPECT_EQ(changedPixels(shown, renderFrame(&w, &h), w, h, px, py, 60), 0) << "frames repeat exactly";
        t3DModel* vehicle = V3_GetStatus().meshes[V3_FIRST_VEHICLE + v];
        vehicle->visible = false;
        const std::vector<std::uint8_t> hidden = renderFrame(&w, &h);
        vehicle->visible = true;
        EXPECT_GT(changedPixels(shown, hidden, w, h, px, py, 60), 300) << "the vehicle is drawn where it travels";

        tMeshPartList* parts = V3_PartTable(v);
        for (int i = 0; i < parts->count; ++i) parts->parts[i].angle += 17.0f;
        const std::vector<std::uint8_t> turned = renderFrame(&w, &h);
        EXPECT_GT(changedPixels(shown, turned, w, h, px, py, 60), 15) << "its parts turn";

        ASSERT_GT(StepUntilNextVehicle(0.05), 0);
    }
    VH_DriverCapture(false);
}

// A "boatpath.wed" whose only record claims five points: more than a curve holds.
void writeArchiveWithBrokenPath() {
    std::vector<Uint8> wed(48 + 44 + 5 * 8, 0);
    wed[0] = 'W', wed[1] = 'E', wed[2] = 'D';
    wed[40] = 1;      // one path record
    wed[48 + 36] = 5; // five points
    const std::string dir = VH_TestTempDir();
    if (chdir(dir.c_str()) != 0) std::exit(4);
    CResFile archive;
    if (!archive.Open("vh_data.clu", "w") || !archive.AddEntry("boatpath.wed", 0, wed.data(), Uint32(wed.size()), false) ||
        !archive.Commit())
        std::exit(5);
}

void initialiseScene() {
    VH_Msg = MSG_INITIALIZE;
    View3Main(0.0f, -1);
    std::exit(3); // not reached when the scene ended the program
}

TEST(SceneThreeDeath, MissingOrBrokenPathOrUnknownMessageEndsWithStatusOne) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The window opens in a folder whose archive is empty: there is no path at all.
    EXPECT_EXIT((VH_TestOpenWindow(), initialiseScene()), ::testing::ExitedWithCode(1), "");
    EXPECT_EXIT((VH_TestOpenWindow(), writeArchiveWithBrokenPath(), initialiseScene()), ::testing::ExitedWithCode(1),
                "");
    EXPECT_EXIT((VH_TestOpenWindow(), VH_Msg = 9, View3Main(0.0f, -1)), ::testing::ExitedWithCode(1), "");
}

} // namespace
