// Scene two through the state machine and driver: the script on fixed frame times, the overview
// key, propellers of hidden models, the models' part names, and a clean close.
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "camera/camera.h"
#include "model/mesh.h"
#include "particles/grid.h"
#include "scenes/scene2.h"
#include "scenes/scenes.h"
#include "scenes/sky.h"
#include "shell/driver.h"
#include "shell/sequence.h"
#include "support/gl_fixture.h"
#include "support/scene_fixture.h"
#include "text/console.h"

namespace {

enum { kDirigible, kBlimp2, kBlimp3, kCliff, kPlane1, kPlane2 };

std::vector<float> anglesOf(int model) {
    std::vector<float> angles;
    const tMeshPartList* table = V2_PartTable(model);
    for (int i = 0; i < table->count; ++i)
        angles.push_back(table->parts[i].angle);
    return angles;
}

// Each angle moved by degrees per second x seconds, counted round the circle.
void expectTurned(int model, const std::vector<float>& before, float seconds) {
    const tMeshPartList* table = V2_PartTable(model);
    for (int i = 0; i < table->count; ++i) {
        const float moved = std::remainder(table->parts[i].angle - before[i], 360.0f);
        EXPECT_NEAR(moved, std::remainder(table->parts[i].speed * seconds, 360.0f), 0.05f)
            << table->parts[i].name << " over " << seconds << " s";
    }
}

// Renders the scene's own pass (no console over it) and tells whether it left camera c's view.
bool rendersViewOf(const DemoCamera& c) {
    float shown[16], expected[16];
    VH_RenderScene();
    glGetFloatv(GL_MODELVIEW_MATRIX, shown);
    glLoadIdentity();
    gluLookAt(c.eye.x, c.eye.y, c.eye.z, c.target.x, c.target.y, c.target.z, c.up.x, c.up.y, c.up.z);
    glGetFloatv(GL_MODELVIEW_MATRIX, expected);
    for (int i = 0; i < 16; ++i)
        if (std::fabs(shown[i] - expected[i]) > 1e-4f) return false;
    return true;
}

class SceneTwo : public VH_SceneTest {
protected:
    SceneTwo() : VH_SceneTest(1, View2Main, VHS_INTRO, "the third intro follows scene two") {}
    void Open() {
        ASSERT_NO_FATAL_FAILURE(VH_SceneTest::Open());
        ASSERT_NE(V2_GetStatus().camera, nullptr);
    }
};

TEST_F(SceneTwo, EveryModelLoadsAndCloseReleasesEverything) {
    Close(); // before it ever ran, and twice
    Close();
    Open();
    const V2_Status s = V2_GetStatus();
    const char* hint = CON_FindLine(VH_Console, s.hintLine);
    EXPECT_STREQ(hint ? hint : "", "Press the 'A' key to change camera position");
    EXPECT_TRUE(GRID_Cols() == 48 && SKY_Divisions() == 60 && glIsEnabled(GL_FOG) && glIsEnabled(GL_LIGHT1) &&
                !glIsEnabled(GL_LIGHT0));
    // The part names themselves are matched against the generated models in tests/assetgen.
    for (int m = 0; m < V2_MESH_COUNT; ++m) {
        ASSERT_NE(s.meshes[m], nullptr) << CAT_SKY_MESHES[m];
        EXPECT_EQ(s.meshes[m]->visible, m != kBlimp2 && m != kCliff && m != kPlane1 && m != kPlane2) << m;
    }

    Close(); // models, fog and lights given back are counted by the goto cycles test
    const V2_Status closed = V2_GetStatus();
    EXPECT_TRUE(closed.camera == nullptr && closed.hintLine == -1 && !CON_FindLine(VH_Console, s.hintLine));
    EXPECT_TRUE(GRID_Cols() == -1 && SKY_VertexCount() == 0);
    EXPECT_EQ(std::count(closed.meshes, closed.meshes + V2_MESH_COUNT, nullptr), V2_MESH_COUNT);
}

TEST_F(SceneTwo, OverviewKeySwitchesTheViewAtOnceWhileTheScriptRunsOn) {
    Open();
    ASSERT_FALSE(V2_GetStatus().useAltCamera);
    for (int i = 0; i < 10; ++i)
        VH_DriverStep(0.1);
    const DemoCamera& overview = *V2_GetStatus().altCamera;
    VH_DriverKey('A');
    ASSERT_TRUE(V2_GetStatus().useAltCamera);
    EXPECT_TRUE(rendersViewOf(overview)) << "the overview camera at the very next frame";

    // The script and its camera go on unseen: step 1's move carries the scripted eye along.
    const VECTOR eye = V2_GetStatus().camera->eye;
    for (int i = 0; i < 60; ++i)
        VH_DriverStep(0.1);
    EXPECT_EQ(V2_GetStatus().step, 1);
    EXPECT_LT(V2_GetStatus().camera->eye.z, eye.z - 1.0f) << "towards z = 30";
    VH_DriverSpecialKey('A'); // a special key with the same code is no letter
    EXPECT_TRUE(rendersViewOf(overview));

    VH_DriverKey('a');
    EXPECT_FALSE(V2_GetStatus().useAltCamera);
    EXPECT_TRUE(rendersViewOf(*V2_GetStatus().camera)) << "back to the scripted view, where it has got to";
    EXPECT_FALSE(rendersViewOf(overview));
}

// The sky goes behind the solids only while they are all opaque: through a see-through model it
// must show as when drawn first, never the clear colour.
TEST_F(SceneTwo, ASeeThroughModelShowsTheSkyBehindIt) {
    Open();
    for (int i = 0; i < 30; ++i)
        VH_DriverStep(1.0 / 30);
    glEnable(GL_BLEND); // as the text passes leave it, so see-through models blend
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    int w = 0, h = 0;
    VH_RenderScene();
    const std::vector<std::uint8_t> solid = VH_DriverReadBack(&w, &h);

    // The dirigible turned wholly transparent, and known to be see-through as the mesh manager
    // marks a model whose texture has alpha.
    t3DModel* dirigible = V2_GetStatus().meshes[kDirigible];
    for (GLuint texture : dirigible->textures) {
        if (!texture) continue;
        const std::uint8_t clear[16] = {128, 128, 128, 0, 128, 128, 128, 0, 128, 128, 128, 0, 128, 128, 128, 0};
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, clear);
    }
    dirigible->seeThrough = true;
    VH_RenderScene();
    const std::vector<std::uint8_t> through = VH_DriverReadBack(&w, &h);
    int where = 0, cleared = 0;
    for (size_t i = 0; i < solid.size(); i += 3) {
        if (std::abs(solid[i] - through[i]) + std::abs(solid[i + 1] - through[i + 1]) +
                std::abs(solid[i + 2] - through[i + 2]) <=
            24)
            continue;
        ++where;
        cleared += std::max({through[i], through[i + 1], through[i + 2]}) < 8;
    }
    EXPECT_GT(where, 2000) << "the dirigible fills part of the view";
    EXPECT_EQ(cleared, 0) << "of " << where << " pixels behind it, these show the clear colour, not the sky";
}

// Runs the scene until its step changes (or the guard), one fixed frame at a time.
int runUntilStepChanges(double dt, int guard = 20000) {
    const int step = V2_GetStatus().step;
    for (int i = 0; i < guard && V2_GetStatus().step == step; ++i)
        VH_DriverStep(dt);
    return V2_GetStatus().step;
}

TEST_F(SceneTwo, TheScriptPlaysItsThirteenStepsOnFixedFrameTimes) {
    // Step 0 lasts 4 s of frame time, in big frames as in small.
    Open();
    ASSERT_EQ(runUntilStepChanges(0.25), 1);
    EXPECT_NEAR(V2_GetStatus().sceneTime, 4.0f, 1e-4f);
    Close();

    // A second visit starts afresh; the propeller angles carry on from the first.
    Open();
    const double dt = 1.0 / 30;
    float started[V2_STEP_COUNT] = {};
    const std::vector<float> dirigible0 = anglesOf(kDirigible), blimp2_0 = anglesOf(kBlimp2);
    for (int step = 1; step < V2_STEP_COUNT; ++step) {
        ASSERT_EQ(runUntilStepChanges(dt), step) << "stuck in step " << step - 1;
        started[step] = V2_GetStatus().sceneTime;
        const V2_Status s = V2_GetStatus();
        switch (step) {
        case 4: // shots fly as drawn spheres; the models drawn after them still find their arrays on
            VH_DriverStep(dt);
            ASSERT_TRUE(V2_GetStatus().shots);
            VH_RenderScene();
            EXPECT_TRUE(glIsEnabled(GL_VERTEX_ARRAY) && glIsEnabled(GL_NORMAL_ARRAY));
            break;
        case 5: // blimp2 was hidden until now: its propellers kept their angles while the dirigible's turned

            EXPECT_EQ(anglesOf(kBlimp2), blimp2_0);
            expectTurned(kDirigible, dirigible0, started[5]);
            EXPECT_FALSE(s.shots || s.blimpSmoke) << "the shooting stops once blimp3 has gone";
            break;
        case 7: {
            // The dirigible was hidden through steps 5 and 6, so it has not turned since.
            const std::vector<float> dirigible = anglesOf(kDirigible);
            VH_DriverStep(dt);
            EXPECT_EQ(anglesOf(kDirigible), dirigible) << "step 7's first update shows it, the next turns it";
            // The planes wait 200 ms at their start, then come in at 10.5 units a second.
            const float z0 = V2_GetStatus().planes[0].position.z;
            EXPECT_FLOAT_EQ(z0, 49.0f);
            int still = 1;
            for (; V2_GetStatus().planes[0].position.z == z0 && still < 100; ++still)
                VH_DriverStep(dt);
            // The first update to move them starts once 200 ms have passed, and no later than the next.
            EXPECT_TRUE(still * dt > 0.2 + dt / 2 && still * dt < 0.2 + 2.5 * dt) << still << " updates";
            EXPECT_NEAR(V2_GetStatus().planes[0].position.z, z0 - 10.5f * dt, 1e-4f);
            break;
        }
        case 11:
            EXPECT_TRUE(s.dirigibleSmoke && !s.tracers && !s.planeFire);
            EXPECT_FALSE(s.placements[kPlane1].visible || s.placements[kPlane2].visible);
            break;
        case 12:
            EXPECT_FALSE(s.dirigibleSmoke);
            break;
        }
    }
    // Steps that last as long as a timer or a camera move; a move queued on a step's first update
    // starts on the next and ends an update after it reaches its end, hence the frame or two more.
    EXPECT_NEAR(started[2] - started[1], 19.0f, 3 * dt) << "step 1 lasts its camera move";
    EXPECT_NEAR(started[3] - started[2], 10.0f, 3 * dt);
    EXPECT_NEAR(started[4] - started[3], 12.0f, 3 * dt);
    EXPECT_NEAR(started[6] - started[5], 21.0f, 3 * dt);
    EXPECT_NEAR(started[7] - started[6], 21.0f, 3 * dt);
    EXPECT_NEAR(started[8] - started[7], 0.2f + 49.0f / 10.5f, 3 * dt);
    EXPECT_NEAR(started[12] - started[11], 15.0f, 3 * dt);
    // Blimp3 leaves at x = -38: from -6, 5 units in step 2, 12 in step 3, then 1.5 units a second.
    EXPECT_NEAR(started[5] - started[4], (38.0f - 6.0f - 5.0f - 12.0f) / 1.5f, 3 * dt);

    // Step 12 runs for ever, moving the camera to the next viewpoint each time the blimps come round.
    std::vector<float> hops;
    int index = V2_GetStatus().eyeIndex;
    ASSERT_EQ(index, 0);
    VECTOR eye = V2_GetStatus().camera->eye;
    for (int i = 0; i < int(200 / dt) && hops.size() < 17; ++i) {
        VH_DriverStep(dt);
        const V2_Status s = V2_GetStatus();
        ASSERT_EQ(s.step, 12);
        if (s.eyeIndex == index) continue;
        EXPECT_EQ(s.eyeIndex, (index + 1) % 16) << "one viewpoint on, 15 wraps to 0";
        EXPECT_TRUE(s.camera->eye.y == 15.0f && (s.camera->eye.x != eye.x || s.camera->eye.z != eye.z));
        index = s.eyeIndex, eye = s.camera->eye;
        hops.push_back(s.sceneTime);
    }
    ASSERT_EQ(hops.size(), 17u);
    EXPECT_EQ(index, 1);
    for (size_t i = 1; i < hops.size(); ++i)
        EXPECT_NEAR(hops[i] - hops[i - 1], 149.61f / 15.2f, 2 * dt);
}

void initialiseWithoutData() {
    VH_SetMsg(MSG_INITIALIZE);
    View2Main(0.0f, -1);
    VH_SetMsg(MSG_UPDATE);
    for (int i = 0; i < 250; ++i)
        View2Main(0.1f, -1);
    VH_SetMsg(MSG_RENDER);
    View2Main(0.0f, -1);
    std::exit(V2_GetStatus().step == 2 ? 3 : 4);
}

TEST(SceneTwoDeath, MissingModelsDoNotStopTheScriptAndAnUnknownMessageEndsIt) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The window's folder holds an empty archive: no model, no picture, and the script still runs.
    EXPECT_EXIT((VH_TestOpenWindow(), initialiseWithoutData()), ::testing::ExitedWithCode(3), "");
    EXPECT_EXIT((VH_TestOpenWindow(), VH_SetMsg(9), View2Main(0.0f, -1)), ::testing::ExitedWithCode(1), "");
}

} // namespace

// The shots of the planes last as long as their flights: step 8 until the third plane is past
// z = -55 at 10.5 a second, steps 9 and 10 until it reaches z = 15 and z = 42, coming from z = -81 at
// 6.5 a second along (21, 7, 123).
TEST_F(SceneTwo, ThePlanesStepsLastTheirFlights) {
    Open();
    double dt = 0.25; // big frames up to the planes, small ones where the flights are timed
    float started[V2_STEP_COUNT] = {};
    for (int guard = 0; V2_GetStatus().step < 11 && guard < 5000; ++guard) {
        const int step = V2_GetStatus().step;
        VH_DriverStep(dt);
        if (V2_GetStatus().step != step) started[V2_GetStatus().step] = V2_GetStatus().sceneTime;
        if (V2_GetStatus().step >= 7) dt = 1.0 / 30;
    }
    ASSERT_EQ(V2_GetStatus().step, 11);
    const float along = 6.5f * 123.0f / std::sqrt(21.0f * 21 + 7 * 7 + 123 * 123); // units of z a second
    EXPECT_NEAR(started[9] - started[8], 55.0f / 10.5f, 0.1f);
    EXPECT_NEAR(started[10] - started[9], (15.0f + 81.0f) / along, 0.1f);
    EXPECT_NEAR(started[11] - started[10], (42.0f - 15.0f) / along, 0.1f);
}
