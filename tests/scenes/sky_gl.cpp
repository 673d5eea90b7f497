// The sky plane drawn last, behind what the frame holds, against drawn first under everything.
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "scenes/sky.h"
#include "shell/driver.h"
#include "support/gl_fixture.h"

namespace {

// Three lit boxes of quads across the view, at different depths and overlapping.
void drawSolids() {
    glEnable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    const float boxes[3][4] = {{-30, 40, -200, 25}, {0, 60, -120, 30}, {25, 20, -60, 12}};
    glBegin(GL_QUADS);
    for (const auto& b : boxes) {
        glNormal3f(0, -1, 0.3f);
        glVertex3f(b[0] - b[3], b[1], b[2] - b[3]);
        glVertex3f(b[0] + b[3], b[1], b[2] - b[3]);
        glVertex3f(b[0] + b[3], b[1] + b[3], b[2] + b[3]);
        glVertex3f(b[0] - b[3], b[1] + b[3], b[2] + b[3]);
    }
    glEnd();
    glEnable(GL_TEXTURE_2D);
}

TEST(SkyGL, DrawnBehindTheSolidsItShowsWhatItShowedDrawnFirst) {
    VH_TestOpenWindow();
    SKY_Build(60, 600.0f, 1600.0f, 3.0f, 3.0f);
    GLubyte texels[16 * 16 * 3];
    for (int i = 0; i < 16 * 16; ++i)
        texels[3 * i] = (GLubyte)(16 * (i % 16)), texels[3 * i + 1] = (GLubyte)(16 * (i / 16)), texels[3 * i + 2] = 200;
    GLuint texture;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 16, 16, 0, GL_RGB, GL_UNSIGNED_BYTE, texels);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(70.0, 800.0 / 600.0, 1.0, 6000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(0, -40, 0, 0, 60, -150, 0, 1, 0);
    glEnable(GL_LIGHT0);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);

    std::vector<std::uint8_t> pictures[2];
    for (int behind = 0; behind < 2; ++behind) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        if (!behind) SKY_Draw();
        drawSolids();
        if (behind) SKY_DrawBehind();
        int w, h;
        pictures[behind] = VH_DriverReadBack(&w, &h);
    }
    EXPECT_TRUE(pictures[0] == pictures[1]);
    // Both sky and solids are in the picture, so the comparison compared something.
    const double sky = VH_TestMean(pictures[1], 800, 0, 0, 800, 60), all = VH_TestMean(pictures[1], 800, 0, 0, 800, 600);
    EXPECT_GT(sky, 20.0);
    EXPECT_NE(sky, all);

    GLint func = 0;
    GLfloat range[2] = {-1, -1};
    GLboolean mask = GL_FALSE;
    glGetIntegerv(GL_DEPTH_FUNC, &func);
    glGetFloatv(GL_DEPTH_RANGE, range);
    glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
    EXPECT_TRUE(func == GL_LESS && range[0] == 0.0f && range[1] == 1.0f && mask == GL_TRUE);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST) && glIsEnabled(GL_LIGHTING));
    glDeleteTextures(1, &texture);
    SKY_Free();
}

} // namespace
