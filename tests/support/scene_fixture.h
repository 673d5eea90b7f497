// scene_fixture: a scene entered through the state machine and the driver the way the intro before it
// enters it, and closed with 'n' as a person would close it, over the demo data the build makes.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include "support/dirs.h"
#include "core/program.h"
#include "shell/driver.h"
#include "shell/sequence.h"
#include "support/gl_fixture.h"

class VH_SceneTest : public ::testing::Test {
protected:
    // id: the scene's slot; next: the state that follows the scene, and how the failure says so.
    VH_SceneTest(int id, VH_SceneHandler handler, int next, const char* nextSays)
        : id(id), handler(handler), next(next), nextSays(nextSays) {}

    void SetUp() override {
        VH_TestOpenWindow();
        ASSERT_EQ(chdir(VH_RUN_DIR), 0);
        ASSERT_EQ(access("vh_data.clu", R_OK), 0) << "the build makes the demo data in " << VH_RUN_DIR;
    }
    void TearDown() override {
        if (VH_GetState() == VHS_SCENE && VH_IsSceneReady()) Close();
    }
    // Puts the state machine on the scene's slot with the given message.
    void Enter(int message) {
        VH_SetSceneHandler(VH_RowOf(VHS_SCENE, id), handler);
        VH_SetProgramState(VHS_SCENE, id, message);
    }
    // Enters the scene and lets it initialise.
    void Open() {
        Enter(MSG_INITIALIZE);
        VH_DriverStep(0.0);
        ASSERT_EQ(VH_GetMsg(), MSG_UPDATE);
    }
    // 'n', then the step that hands the close to the scene; the machine is parked back on the scene's
    // slot, so no other state's handler runs on a later step.
    void Close() {
        Enter(MSG_UPDATE);
        VH_DriverKey('n');
        VH_DriverStep(0.0);
        EXPECT_EQ(VH_GetState(), next) << nextSays;
        VH_SetSceneReady(false);
        Enter(MSG_UPDATE);
    }

private:
    int id;
    VH_SceneHandler handler;
    int next;
    const char* nextSays;
};
