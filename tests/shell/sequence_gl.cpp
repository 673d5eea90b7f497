// The state machine and intro/fade/scene sequencing on fixed frame times; scenes are recorders.
#include <gtest/gtest.h>

#include <GL/freeglut.h>
#include <tuple>
#include <vector>

#include "shell/driver.h"
#include "shell/sequence.h"
#include "shell/state.h"
#include "text/console.h"
#include "support/gl_fixture.h"

namespace {
std::vector<int> sceneMessages;
std::vector<int> sceneKeys;

void recordingScene(float, int) {
    sceneMessages.push_back(VH_GetMsg());
    if (VH_GetMsg() == MSG_KEYBOARD) sceneKeys.push_back(VH_GetKey());
}

// (state, id, message): a tuple, so a failed comparison prints all three.
using Snapshot = std::tuple<int, int, int>;
Snapshot now() {
    return {VH_GetState(), VH_GetID(), VH_GetMsg()};
}
void put(const Snapshot& s) {
    VH_SetProgramState(std::get<0>(s), std::get<1>(s), std::get<2>(s));
}

class Sequence : public ::testing::Test {
protected:
    void SetUp() override {
        VH_TestOpenWindow();
        for (int i = 0; i < 3; ++i)
            VH_SetSceneHandler(VH_RowOf(VHS_SCENE, i), recordingScene);
        sceneMessages.clear();
        sceneKeys.clear();
        put({VHS_INTRO, 3, MSG_INITIALIZE});
        VH_SetSceneReady(false);
        VH_ResetExitState();
    }
    static void step(double seconds) { VH_DriverStep(seconds); }
    static void step(std::initializer_list<double> times) {
        for (double t : times)
            VH_DriverStep(t);
    }
    // Steps with dt until the state (or id) changes; returns the number of steps.
    static int stepUntilChange(double dt, int limit = 1000) {
        const Snapshot before = now();
        for (int i = 1; i <= limit; ++i) {
            step(dt);
            if (now() != before) return i;
        }
        return -1;
    }
};

TEST_F(Sequence, IntroFadesHoldAndCutToSceneWithRealTiming) {
    step(0.01); // intro initialises, hands over to a fade-in
    EXPECT_EQ(now(), (Snapshot{VHS_TRANSITION, VH_FadeInID(), MSG_INITIALIZE}));
    Snapshot back{};
    VH_GetTransitionReturn(&std::get<0>(back), &std::get<1>(back), &std::get<2>(back));
    EXPECT_EQ(back, (Snapshot{VHS_INTRO, 3, MSG_UPDATE}));
    step(0.01);
    EXPECT_TRUE(VH_GetMsg() == MSG_UPDATE && VH_GetFadeAlpha() == 1.0f) << VH_GetFadeAlpha();

    // 1200 ms of fade at 10 ms a frame: alpha passes zero after about 120 frames.
    EXPECT_NEAR(stepUntilChange(0.01), 121, 2);
    EXPECT_EQ(VH_GetMsg(), MSG_CLOSE);
    EXPECT_FLOAT_EQ(VH_GetFadeAlpha(), 0.0f);
    step(0.01); // the transition returns to the intro
    EXPECT_EQ(now(), (Snapshot{VHS_INTRO, 3, MSG_UPDATE}));

    // The picture is held for 1000 ms, then a fade-out starts.
    EXPECT_NEAR(stepUntilChange(0.01), 100, 1);
    EXPECT_EQ(now(), (Snapshot{VHS_TRANSITION, VH_FadeOutID(), MSG_INITIALIZE}));
    step(0.01);
    EXPECT_NEAR(stepUntilChange(0.01), 121, 2) << "the fade-out takes as long as the fade-in";
    EXPECT_FLOAT_EQ(VH_GetFadeAlpha(), 1.0f);
    step(0.01);
    EXPECT_EQ(now(), (Snapshot{VHS_INTRO, 3, MSG_CLOSE}));
    step(0.01);
    EXPECT_EQ(now(), (Snapshot{VHS_SCENE, 0, MSG_INITIALIZE}));
    EXPECT_EQ(VH_GetIntroTexture(), 0u);
    step(0.01);
    EXPECT_EQ(now(), (Snapshot{VHS_SCENE, 0, MSG_UPDATE}));
    EXPECT_TRUE(VH_IsSceneReady());
    step(0.02);
    ASSERT_EQ(sceneMessages, (std::vector<int>{MSG_INITIALIZE, MSG_UPDATE}));
}

TEST_F(Sequence, FadeClampsLongFramesAndEndsOnlyPastTheLimit) {
    step({0.01, 0.01, 5.0}); // alpha far below zero in the running fade-in: clamped, closes on this step
    EXPECT_FLOAT_EQ(VH_GetFadeAlpha(), 0.0f);
    EXPECT_EQ(VH_GetMsg(), MSG_CLOSE);

    // Landing exactly on the limit does not end a fade; passing it does.
    put({VHS_TRANSITION, VH_FadeOutID(), MSG_UPDATE});
    VH_SetFade(0.5f, 0.5f);
    step(1.0);
    EXPECT_FLOAT_EQ(VH_GetFadeAlpha(), 1.0f);
    EXPECT_EQ(VH_GetMsg(), MSG_UPDATE);
    step(0.001);
    EXPECT_EQ(VH_GetMsg(), MSG_CLOSE);
    EXPECT_FLOAT_EQ(VH_GetFadeAlpha(), 1.0f);

    VH_SetProgramState(VH_GetState(), VH_FadeInID(), MSG_UPDATE);
    VH_SetFade(0.5f, -0.5f);
    step(1.0);
    EXPECT_EQ(VH_GetMsg(), MSG_UPDATE);
}

TEST_F(Sequence, NKeyAtEachPointOfAnIntro) {
    // Before the first idle step: the intro closes at once and scene one follows.
    VH_DriverKey('n');
    step(0.01);
    EXPECT_EQ(now(), (Snapshot{VHS_SCENE, 0, MSG_INITIALIZE}));

    // During a fade-in: the fade ends, the intro's hold goes on from where it was.
    SetUp();
    step({0.01, 0.01, 0.3});
    VH_DriverKey('n');
    step(0.01);
    EXPECT_EQ(now(), (Snapshot{VHS_INTRO, 3, MSG_UPDATE}));
    EXPECT_NEAR(stepUntilChange(0.01), 100, 1);

    // During the fade-out: it ends and the intro closes on the next step.
    step({0.01, 0.2});
    VH_DriverKey('n');
    step(0.01);
    EXPECT_EQ(now(), (Snapshot{VHS_INTRO, 3, MSG_CLOSE}));
    step(0.01);
    EXPECT_EQ(now(), (Snapshot{VHS_SCENE, 0, MSG_INITIALIZE}));

    // During the hold: no fade-out, a cut to the scene.
    SetUp();
    VH_SetProgramState(VH_GetState(), 4, VH_GetMsg());
    step({0.01, 0.01, 5.0, 0.01});
    ASSERT_EQ(now(), (Snapshot{VHS_INTRO, 4, MSG_UPDATE}));
    VH_DriverKey('n');
    step(0.01);
    EXPECT_EQ(now(), (Snapshot{VHS_SCENE, 1, MSG_INITIALIZE}));
}

TEST_F(Sequence, KeysInAScene) {
    put({VHS_SCENE, 1, MSG_INITIALIZE});
    step(0.01);
    ASSERT_EQ(VH_GetMsg(), MSG_UPDATE);

    // The scene sees keys (special ones flagged); 'N' and '~' are not the global keys.
    const bool consoleWasOpen = VH_Console.open;
    VH_DriverKey('N');
    VH_DriverKey('~');
    EXPECT_EQ(VH_Console.open, consoleWasOpen) << "'~' is not the console key";
    VH_DriverKey('`');
    EXPECT_NE(VH_Console.open, consoleWasOpen);
    VH_DriverKey('`');
    VH_DriverSpecialKey(GLUT_KEY_LEFT);
    EXPECT_EQ(VH_GetKeySpecial(), true);
    EXPECT_EQ(VH_GetMsg(), MSG_UPDATE);
    EXPECT_EQ(sceneKeys, (std::vector<int>{'N', '~', '`', '`', GLUT_KEY_LEFT}));

    // 'n' reaches the scene, then closes it; keys while the close is pending are dropped.
    VH_DriverKey('n');
    EXPECT_EQ(VH_GetMsg(), MSG_CLOSE);
    VH_DriverKey('a');
    EXPECT_EQ(VH_GetMsg(), MSG_CLOSE);
    EXPECT_EQ(sceneKeys.back(), 'n');
    step(0.01);
    EXPECT_EQ(now(), (Snapshot{VHS_INTRO, 5, MSG_INITIALIZE}));
    EXPECT_FALSE(VH_IsSceneReady());
    EXPECT_EQ(sceneMessages.back(), MSG_CLOSE);

    // Scene three's close leads to the exit state.
    put({VHS_SCENE, 2, MSG_CLOSE});
    step(0.01);
    EXPECT_EQ(now(), (Snapshot{VHS_EXIT, 6, MSG_INITIALIZE}));
}

TEST_F(Sequence, RenderersDrawAndClearOnlyUnderUpdate) {
    const auto fillRed = [] {
        glClearColor(1, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        glClearColor(0, 0, 0, 0);
    };
    const auto centreRed = [] {
        int w, h;
        const std::vector<std::uint8_t> px = VH_DriverReadBack(&w, &h);
        const std::uint8_t* p = &px[((size_t)(h / 2) * w + w / 2) * 3];
        return p[0] > 200 && p[1] < 50 && p[2] < 50;
    };
    struct Case {
        int state, id;
        void (*render)();
    } cases[] = {{VHS_INTRO, 3, VH_RenderIntro},
                 {VHS_TRANSITION, VH_FadeInID(), VH_RenderTransition},
                 {VHS_SCENE, 0, VH_RenderScene}};
    for (const Case& c : cases) {
        VH_SetProgramState(c.state, c.id, VH_GetMsg());
        VH_SetSceneReady(true);
        for (int msg : {MSG_INITIALIZE, MSG_CLOSE, MSG_UPDATE}) { // only the update clears and draws
            VH_SetMsg(msg);
            VH_SetFade(1.0f, VH_GetFadeSpeed());
            fillRed();
            c.render();
            EXPECT_EQ(centreRed(), msg != MSG_UPDATE) << "state " << c.state << ", message " << msg;
        }
    }
    // The scene is handed MSG_RENDER only while it is ready.
    sceneMessages.clear();
    VH_SetProgramState(VHS_SCENE, VH_GetID(), VH_GetMsg());
    VH_SetSceneReady(false);
    VH_RenderScene();
    VH_SetSceneReady(true);
    VH_RenderScene();
    EXPECT_EQ(sceneMessages, (std::vector<int>{MSG_RENDER}));
    EXPECT_EQ(VH_GetMsg(), MSG_UPDATE);
}

TEST_F(Sequence, ExitStateIgnoresKeysForThreeSecondsThenAnyKeyCounts) {
    put({VHS_EXIT, 6, MSG_INITIALIZE});
    VH_DriverKey('n'); // an 'n' before the exit state's first step must not stop the credits
    step(0.01);
    VH_DriverRender();
    EXPECT_TRUE(VH_CreditsShown());
    for (int i = 0; i < 29; ++i) {
        VH_DriverKey('x');
        step(0.1);
    }
    EXPECT_FALSE(VH_IsExitRequested());
    step(0.5); // timer at 3000 ms found no key; it polls every 250 ms from now on
    step(0.5);
    EXPECT_FALSE(VH_IsExitRequested());
    VH_DriverSpecialKey(GLUT_KEY_UP); // special keys count too
    EXPECT_FALSE(VH_IsExitRequested());
    // Stepping on would end this process: tests/e2e/shell.sh presses the key that really ends it.
    VH_ExitTimer(7);
    EXPECT_FALSE(VH_IsExitRequested());
    VH_ExitTimer(42);
    EXPECT_TRUE(VH_IsExitRequested());
}

TEST(SequenceDeath, InvalidStateOrMessageEndsWithStatusOne) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const Snapshot invalid[] = {{2, 3, MSG_INITIALIZE}, {VHS_INTRO, 3, 5}, {VHS_SCENE, 0, 7}};
    for (const Snapshot& s : invalid)
        EXPECT_EXIT((VH_TestOpenWindow(), put(s), VH_DriverStep(0.01)), ::testing::ExitedWithCode(1), "")
            << testing::PrintToString(s);
}

} // namespace
