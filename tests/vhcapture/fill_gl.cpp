// vhcapture's fill measures in the driver's window: fragments counted per pixel while a frame is
// drawn (the frame itself unchanged), and pass times going to the pass that ran.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <set>
#include <unistd.h>
#include <vector>

#include "fill.h"
#include "shell/driver.h"
#include "support/gl_fixture.h"

namespace {

// A rectangle of the window in pixels (origin bottom left), at depth z (-1 near .. 1 far).
void rect(int x0, int y0, int x1, int y1, float z) {
    // clang-format off
    glBegin(GL_QUADS);
        glVertex3f((float)x0, (float)y0, z);
        glVertex3f((float)x1, (float)y0, z);
        glVertex3f((float)x1, (float)y1, z);
        glVertex3f((float)x0, (float)y1, z);
    glEnd();
    // clang-format on
}

// Three overlapping rectangles: a far one, a nearer one over its right half, and a blended one
// without depth writes across both. Depth-tested throughout; the far one drawn last in part.
std::vector<std::uint8_t> drawScene() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 800, 0, 600, 1, -1); // z as given is the window depth order: smaller is nearer
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glColor3f(0.2f, 0.4f, 0.9f);
    rect(100, 100, 500, 300, 0.5f); // far
    glColor3f(0.9f, 0.3f, 0.1f);
    rect(300, 100, 700, 300, 0.0f); // near, over the far one's right half
    glColor3f(0.2f, 0.4f, 0.9f);
    rect(100, 100, 300, 300, 0.8f); // behind the far one: fails the depth test, still made fragments
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDepthMask(GL_FALSE);
    glColor4f(1.0f, 1.0f, 1.0f, 0.5f);
    rect(200, 200, 600, 400, -0.5f);
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
    int w = 0, h = 0;
    return VH_DriverReadBack(&w, &h);
}

// The count at a window pixel given bottom-left, as the counts are kept top row first.
int countAt(const CapOverdraw& c, int x, int y) {
    return c.counts[(size_t)(c.height - 1 - y) * c.width + x];
}

} // namespace

TEST(Fill, CountsEveryFragmentOfTheFrameAndDrawsItTheSame) {
    VH_TestOpenWindow();
    GLint bits = 0;
    glGetIntegerv(GL_STENCIL_BITS, &bits);
    ASSERT_GE(bits, 8);
    const std::vector<std::uint8_t> plain = drawScene();
    CAP_StartCounting();
    const std::vector<std::uint8_t> counted = drawScene();
    CapOverdraw c;
    ASSERT_TRUE(CAP_TakeCounts(true, 800, 600, &c));
    glDisable(GL_STENCIL_TEST);
    EXPECT_TRUE(plain == counted) << "counting changes no pixel";
    ASSERT_TRUE(c.width == 800 && c.height == 600 && c.counts.size() == 800u * 600u);
    // Far and near; far and the hidden one; near alone; near and blended; far, near and blended.
    EXPECT_EQ(countAt(c, 400, 150), 2);
    EXPECT_EQ(countAt(c, 150, 150), 2);
    EXPECT_EQ(countAt(c, 650, 150), 1);
    EXPECT_EQ(countAt(c, 550, 250), 2);
    EXPECT_EQ(countAt(c, 400, 250), 3);
    EXPECT_EQ(countAt(c, 250, 250), 3) << "far, hidden and blended";
    EXPECT_EQ(countAt(c, 50, 50), 0);
    EXPECT_EQ(c.most, 3);
    // Far 400x200 + near 400x200 + hidden 200x200 + blended 400x200 fragments over 800x600 pixels.
    EXPECT_NEAR(c.mean, (80000.0 * 3 + 40000.0) / 480000.0, 1e-9);
    EXPECT_NEAR(c.covered, (600.0 * 200 + 400.0 * 100) / 480000.0, 1e-9); // the blended one reaches above

    // The buffer was cleared for the next frame: a frame that draws nothing counts nothing.
    CapOverdraw next;
    EXPECT_FALSE(CAP_TakeCounts(false, 800, 600, &next));
    ASSERT_TRUE(CAP_TakeCounts(true, 800, 600, &next));
    EXPECT_EQ(next.most, 0);

    // Each count up to 20 has a colour of its own, none is black but 0, and the map follows the counts.
    std::set<std::vector<int>> colours;
    for (int n = 0; n <= 20; ++n) {
        std::uint8_t rgb[3];
        CAP_HeatColour(n, rgb);
        colours.insert({rgb[0], rgb[1], rgb[2]});
        EXPECT_EQ(rgb[0] + rgb[1] + rgb[2] == 0, n == 0) << n;
    }
    EXPECT_EQ(colours.size(), 21u);
    const std::vector<std::uint8_t> map = CAP_HeatMap(c);
    std::uint8_t three[3];
    CAP_HeatColour(3, three);
    const size_t at = ((size_t)(600 - 1 - 250) * 800 + 400) * 3;
    EXPECT_TRUE(map[at] == three[0] && map[at + 1] == three[1] && map[at + 2] == three[2]);
}

TEST(Fill, EachPassGetsTheTimeUntilTheNextMark) {
    VH_TestOpenWindow();
    CapPassTimes frame;
    CAP_StartPassTimes(&frame);
    VH_BeginPass(VH_PASS_MODELS);
    usleep(40000);
    VH_BeginPass(VH_PASS_WATER);
    VH_BeginPass(VH_PASS_MODELS); // a pass may come back: its times add up
    usleep(20000);
    VH_BeginPass(VH_PASS_TEXT);
    usleep(10000);
    CAP_EndPassTimes();
    CAP_StartPassTimes(nullptr);
    VH_BeginPass(VH_PASS_SKY); // not listened to any more
    EXPECT_GE(frame.ms[VH_PASS_MODELS], 60.0);
    EXPECT_GE(frame.ms[VH_PASS_TEXT], 10.0);
    EXPECT_LT(frame.ms[VH_PASS_TEXT], frame.ms[VH_PASS_MODELS]);
    EXPECT_LT(frame.ms[VH_PASS_WATER], 10.0);
    EXPECT_EQ(frame.ms[VH_PASS_SKY], 0.0);
    EXPECT_EQ(frame.ms[VH_PASS_CLOUDS], 0.0);
}
