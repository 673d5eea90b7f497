// An intro picture from the archive, played by the driver: black as the fade-in starts,
// the picture at full brightness while held, black again at the end of the fade-out.
#include <gtest/gtest.h>

#include "picture_files.h"
#include "shell/driver.h"
#include "shell/sequence.h"
#include "shell/state.h"
#include "support/gl_fixture.h"

namespace {
double renderedMean() {
    VH_DriverCapture(true);
    VH_DriverRender();
    int w = 0, h = 0;
    const std::vector<std::uint8_t>& frame = VH_DriverFrame(&w, &h);
    return VH_TestMean(frame, w, 0, 0, w, h);
}
template <typename F> bool stepUntil(F condition) {
    for (int i = 0; i < 1000 && !condition(); ++i)
        VH_DriverStep(0.01);
    return condition();
}
} // namespace

TEST(IntroPicture, FadesInHoldsAndFadesOutToBlack) {
    VH_TestOpenWindow();
    ASSERT_TRUE(WriteArchive("vh_data.clu", {{"intro1.bmp", testpic::flatBmp(64, 64, 200, 200, 200)}}));
    VH_State = VHS_INTRO, VH_ID = 3, VH_Msg = MSG_INITIALIZE;
    VH_DriverStep(0.01);
    ASSERT_NE(VH_IntroTexture, 0u);
    VH_DriverStep(0.01);
    ASSERT_EQ(VH_ID, ID_FADEIN);
    EXPECT_LT(renderedMean(), 3.0);
    ASSERT_TRUE(stepUntil([] { return VH_State == VHS_INTRO && VH_Msg == MSG_UPDATE; }));
    EXPECT_GT(renderedMean(), 185.0); // light grey but for the one red bottom row
    ASSERT_TRUE(stepUntil([] { return VH_ID == ID_FADEOUT && VH_Msg == MSG_UPDATE && VH_FadeColor[3] > 0.99f; }));
    EXPECT_LT(renderedMean(), 3.0);
    ASSERT_TRUE(stepUntil([] { return VH_State == VHS_SCENE; }));
    EXPECT_EQ(VH_IntroTexture, 0u);
    VH_State = VHS_INTRO, VH_ID = 3, VH_Msg = MSG_INITIALIZE; // leave before the scene starts
}
