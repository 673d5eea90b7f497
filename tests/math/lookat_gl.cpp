// Look-at builders: the viewing transform against GLU's, the placing transform by where it
// puts an object's origin and its -z axis.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>
#include <cmath>

#include "math/quatlib.h"
#include "support/gl_fixture.h"

namespace {

void modelview(float m[16]) { glGetFloatv(GL_MODELVIEW_MATRIX, m); }

// Column-major matrix times (x, y, z, w).
void apply(const float m[16], const float p[4], float out[3]) {
    for (int r = 0; r < 3; ++r) out[r] = m[r] * p[0] + m[4 + r] * p[1] + m[8 + r] * p[2] + m[12 + r] * p[3];
}

} // namespace

TEST(LookAt, ViewingTransformMatchesGluAndPlacingTransformAimsMinusZ) {
    VH_TestOpenWindow();
    glMatrixMode(GL_MODELVIEW);
    const double views[3][9] = {{3, 0, 0, 0, 0, 0, 0, 1, 0}, {1, 2, 5, -2, 0.5, -1, 0, 1, 0}, {0, 4, 1, 0, 0, 0, 0, 0, -1}};
    for (const auto& v : views) {
        float ours[16], glu[16];
        double eye[3] = {v[0], v[1], v[2]}, center[3] = {v[3], v[4], v[5]}, up[3] = {v[6], v[7], v[8]};
        glLoadIdentity();
        LookAtMatrixd(eye, center, up);
        modelview(ours);
        glLoadIdentity();
        gluLookAt(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8]);
        modelview(glu);
        for (int i = 0; i < 16; ++i) EXPECT_NEAR(ours[i], glu[i], 2e-3f * (1.0f + std::fabs(glu[i]))) << i;
    }

    float eye[3] = {1, 2, 3}, center[3] = {4, 2, -1}, up[3] = {0, 1, 0};
    glLoadIdentity();
    ObjectLookAtMatrixf(eye, center, up);
    float m[16], p[3];
    modelview(m);
    const float origin[4] = {0, 0, 0, 1}, ahead[4] = {0, 0, -5, 1}, top[4] = {0, 1, 0, 0};
    apply(m, origin, p);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(p[k], eye[k], 1e-5f);
    apply(m, ahead, p); // five units along -z is exactly the distance to center
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(p[k], center[k], 1e-4f);
    apply(m, top, p);
    EXPECT_NEAR(p[1], 1.0f, 1e-5f); // a level aim keeps the object upright
    glLoadIdentity();
}
