// Look-at builders: the viewing transform against GLU's, the placing transform by where it
// puts an object's origin and its -z axis.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>
#include <cmath>

#include "math/quatlib.h"
#include "support/gl_fixture.h"

TEST(LookAt, ViewingTransformMatchesGluAndPlacingTransformAimsMinusZ) {
    VH_TestOpenWindow();
    glMatrixMode(GL_MODELVIEW);
    const double views[3][9] = {
        {3, 0, 0, 0, 0, 0, 0, 1, 0}, {1, 2, 5, -2, 0.5, -1, 0, 1, 0}, {0, 4, 1, 0, 0, 0, 0, 0, -1}};
    for (const auto& v : views) {
        float ours[16], glu[16];
        double eye[3] = {v[0], v[1], v[2]}, center[3] = {v[3], v[4], v[5]}, up[3] = {v[6], v[7], v[8]};
        glLoadIdentity();
        LookAtMatrixd(eye, center, up);
        glGetFloatv(GL_MODELVIEW_MATRIX, ours);
        glLoadIdentity();
        gluLookAt(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8]);
        glGetFloatv(GL_MODELVIEW_MATRIX, glu);
        for (int i = 0; i < 16; ++i)
            EXPECT_NEAR(ours[i], glu[i], 2e-3f * (1.0f + std::fabs(glu[i]))) << i;
    }

    float eye[3] = {1, 2, 3}, center[3] = {4, 2, -1}, up[3] = {0, 1, 0}, m[16];
    glLoadIdentity();
    ObjectLookAtMatrixf(eye, center, up);
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    glLoadIdentity();
    for (int r = 0; r < 3; ++r) {
        EXPECT_NEAR(m[12 + r], eye[r], 1e-5f);                   // the origin lands on eye
        EXPECT_NEAR(m[12 + r] - 5 * m[8 + r], center[r], 1e-4f); // five units along -z on center
    }
    EXPECT_NEAR(m[5], 1.0f, 1e-5f); // a level aim keeps the object upright
}
