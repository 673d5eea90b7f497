// Autoplay over the demo data the build makes: each scene, driven on a steady frame step, moves on
// by itself once its script has been seen, and not before; without autoplay it waits for 'n'. The
// console's AUTOPLAY and the --autoplay option switch it.
#include <gtest/gtest.h>

#include <string>
#include <unistd.h>

#include "support/dirs.h"
#include "core/program.h"
#include "scenes/scenes.h"
#include "shell/driver.h"
#include "shell/options.h"
#include "shell/sequence.h"
#include "support/gl_fixture.h"
#include "text/console.h"

namespace {

const double kStep = 1.0 / 30.0; // s of demo time per update

class Autoplay : public ::testing::Test {
protected:
    void SetUp() override {
        VH_TestOpenWindow();
        ASSERT_EQ(chdir(VH_RUN_DIR), 0);
        ASSERT_EQ(access("vh_data.clu", R_OK), 0) << "the build makes the demo data in " << VH_RUN_DIR;
    }
    void TearDown() override {
        VH_SetAutoplay(false);
        VH_GotoRow(0); // closes a scene left running, so the next test finds the machine at rest
    }

    // Starts the scene of row and updates it until it leaves the scene state or limit seconds
    // have passed; returns the demo time it ran. The frames are not drawn: only the script counts.
    double play(const char* part, double limit) {
        VH_GotoRow(VH_RowByName(part));
        VH_DriverStep(0.0); // the scene loads
        EXPECT_TRUE(VH_GetState() == VHS_SCENE && VH_IsSceneReady()) << part;
        double t = 0.0;
        while (VH_GetState() == VHS_SCENE && t < limit) {
            VH_DriverStep(kStep);
            t += kStep;
        }
        return t;
    }
};

// Where each scene's script ends on this step, measured over the generated data (43.5, 309.1 and
// 32.8 s), with a margin narrower than one more or one less of what each scene counts: a camera
// switch on the beach (5.5 s), a pass of the blimps (9.8 s), a crossing of the river (about 6.5 s).
struct Expected {
    const char* part;
    int next; // the state after the scene
    double from, to;
};
const Expected kScenes[] = {
    {"scene1", VHS_INTRO, 41.0, 46.0},
    {"scene2", VHS_INTRO, 302.0, 316.0},
    {"scene3", VHS_EXIT, 30.0, 36.0},
};

TEST_F(Autoplay, EachSceneMovesOnOnceItsScriptIsSeenAndOtherwiseWaits) {
    for (const Expected& e : kScenes) {
        SCOPED_TRACE(e.part);
        // Twice with autoplay: the second visit follows one that saw the script through, and
        // must see it through again before it moves on.
        for (int visit = 1; visit <= 2; ++visit) {
            VH_SetAutoplay(true);
            const double ran = play(e.part, e.to + 20.0);
            EXPECT_EQ(VH_GetState(), e.next) << "visit " << visit;
            EXPECT_GE(ran, e.from) << "visit " << visit << " closed before its script was seen";
            EXPECT_LE(ran, e.to) << "visit " << visit << " ran on after its script was seen";
        }
        VH_SetAutoplay(false);
        const double waited = play(e.part, e.to + 5.0);
        EXPECT_TRUE(VH_GetState() == VHS_SCENE && VH_GetMsg() == MSG_UPDATE) << "without autoplay, 'n' is awaited";
        EXPECT_GE(waited, e.to + 5.0);
    }
}

TEST_F(Autoplay, TheConsoleAndTheCommandLineSwitchIt) {
    const auto type = VH_TestTypeCommand;
    const auto lastLine = VH_TestLastLine;
    EXPECT_FALSE(VH_Autoplay()) << "off unless asked";
    type("autoplay");
    EXPECT_TRUE(VH_Autoplay());
    EXPECT_EQ(lastLine(), "Autoplay on: each scene moves on by itself once its script has been seen");
    type("AUTOPLAY");
    EXPECT_FALSE(VH_Autoplay());
    EXPECT_EQ(lastLine(), "Autoplay off: each scene waits for 'n'");
    VH_DriverKey('`');

    char prog[] = "vexhal", flag[] = "--autoplay";
    char* with[] = {prog, flag};
    char* without[] = {prog};
    VH_Options on, off;
    std::string error;
    ASSERT_TRUE(VH_ParseOptions(2, with, &on, &error)) << error;
    ASSERT_TRUE(VH_ParseOptions(1, without, &off, &error)) << error;
    EXPECT_TRUE(on.autoplay && !off.autoplay);
    EXPECT_EQ(on.glutArgs.size(), 2u) << "the option is ours, not GLUT's";
}

} // namespace
