// Shell services needing GL: the error report, the 2D overlay pass, the FPS counter and the frame timer.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include "shell/driver.h"
#include "core/glerror.h"
#include "shell/state.h"
#include "core/timer.h"
#include "shell/window.h"
#include "text/overlay.h"
#include "support/gl_fixture.h"

namespace {
TEST(GLErrorReport, NamesOnePendingErrorPerReport) {
    VH_TestOpenWindow();
    while (glGetError() != GL_NO_ERROR) {
    }
    testing::internal::CaptureStderr();
    GLERR_ReportLabel("ABC");
    glEnable(0x7FFF); // invalid enum
    GLERR_Report();
    GLERR_ReportLabel("XYZ"); // the report fetched it: nothing is left
    glLineWidth(-1.0f);       // invalid value
    GLERR_ReportLabel("LBL");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "\nABC: NO GL ERROR\nGL_INVALID_ENUM\nXYZ: NO GL ERROR\nLBL GL_INVALID_VALUE");
    EXPECT_STREQ(GLERR_Name(0x0506), "UNKNOWN GL ERROR CODE");
    EXPECT_STREQ(GLERR_Name(0x0503), "GL_STACK_OVERFLOW");
}

// Capabilities, blend factors, matrix mode and stack depths after whatever ran last.
std::vector<GLint> glState() {
    std::vector<GLint> state;
    for (GLenum cap : {GL_BLEND, GL_TEXTURE_2D, GL_LIGHTING, GL_DEPTH_TEST, GL_CULL_FACE})
        state.push_back(glIsEnabled(cap));
    for (GLenum name :
         {GL_BLEND_SRC, GL_BLEND_DST, GL_MATRIX_MODE, GL_PROJECTION_STACK_DEPTH, GL_MODELVIEW_STACK_DEPTH}) {
        state.push_back(0);
        glGetIntegerv(name, &state.back());
    }
    return state;
}

TEST(Overlay, PassRestoresStateAndLeavesBlendingOn) {
    VH_TestOpenWindow();
    for (GLenum cap : {GL_BLEND, GL_TEXTURE_2D, GL_DEPTH_TEST, GL_CULL_FACE})
        glDisable(cap);
    glEnable(GL_LIGHTING);
    glBlendFunc(GL_ONE, GL_ONE);
    const std::vector<GLint> before = glState();
    CON_Begin2D(false);
    EXPECT_TRUE(glIsEnabled(GL_BLEND) && !glIsEnabled(GL_LIGHTING) && !glIsEnabled(GL_DEPTH_TEST));
    CON_DrawRect(0, 10, 0, 10);
    CON_End2D();
    // Texturing stays off; lighting, depth test and culling are on for the 3D pass that follows.
    EXPECT_EQ(glState(), (std::vector<GLint>{1, 0, 1, 1, 1, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_MODELVIEW,
                                             before[8], before[9]}));

    // Texturing on before the pass stays on after an untextured one; lighting off stays off.
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    CON_Begin2D(false);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    CON_End2D();
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D) && !glIsEnabled(GL_LIGHTING));
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

// Both clocks run on demo time, so the driver's steps are the frames they count.
TEST(FrameLoop, FpsCountsTheWindowThatEndedAndTheTimerTheTimeSinceItsLastReading) {
    VH_TestOpenWindow();
    VH_SetProgramState(VHS_INTRO, 3, MSG_INITIALIZE);
    VH_ResetFPSWindow();
    double ms = -1.0;
    int frames = -1;
    VH_IdleStep(0.3);
    VH_IdleStep(0.3);
    VH_GetFPSWindow(&ms, &frames);
    EXPECT_TRUE(frames == 2 && ms == 600.0) << frames << " " << ms;
    VH_IdleStep(2.5); // shown: 3 frames; the 2100 ms excess is dropped
    VH_GetFPSWindow(&ms, &frames);
    EXPECT_TRUE(frames == 0 && ms == 0.0);
    VH_IdleStep(0.5);
    VH_GetFPSWindow(&ms, &frames);
    EXPECT_DOUBLE_EQ(ms, 500.0);

    TIMER_Reset(); // the next reading counts from now
    VH_DriverStep(0.25);
    EXPECT_NEAR(TIMER_GetDelta(), 0.25, 0.0011);
    VH_DriverStep(0.125);
    EXPECT_NEAR(TIMER_GetDelta(), 0.125, 0.0011);
    EXPECT_NEAR(TIMER_GetDelta(), 0.0, 1e-9);
}

TEST(Window, ReshapeKeepsTheAspectFixed) {
    VH_TestOpenWindow();
    reshape(1000, 500);
    GLfloat proj[16];
    GLint vp[4];
    glGetFloatv(GL_PROJECTION_MATRIX, proj);
    glGetIntegerv(GL_VIEWPORT, vp);
    EXPECT_FLOAT_EQ(proj[0], proj[5]); // aspect 1.0, not 2.0
    EXPECT_TRUE(VH_WindowWidth == 1000 && VH_WindowHeight == 500 && vp[2] == 1000 && vp[3] == 500);
    reshape(800, 600);
}
} // namespace
