// The camera under GL: a spline file written here is ridden by the eye and the rendered view
// follows it; Apply loads the view every frame and the projection only when the angle changed.
#include <GL/gl.h>
#include <GL/glu.h>
#include <GL/glut.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "camera/camera.h"
#include "camera/spline.h"
#include "camera/spo_bytes.h"
#include "core/viewport.h"
#include "data/rwops.h"
#include "shell/driver.h"
#include "support/gl_fixture.h"

namespace {

typedef std::vector<std::uint8_t> Frame;

// Four flat-coloured shapes at fixed places; the red cube sits on the origin the camera looks at.
Frame drawScene(int* width, int* height) {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    for (GLenum off : {GL_LIGHTING, GL_TEXTURE_2D, GL_FOG, GL_BLEND, GL_CULL_FACE})
        glDisable(off);
    glEnable(GL_DEPTH_TEST);
    // x, y, z, red, green, blue, cube (1) or sphere (0), size
    const float shapes[4][8] = {
        {0, 0, 0, 1, 0, 0, 1, 4}, {9, 0, -9, 0, 1, 0, 0, 2}, {-9, 0, -6, 0, 0, 1, 1, 3}, {0, 7, -12, 1, 1, 0, 0, 2.5f}};
    for (const auto& s : shapes) {
        glColor3f(s[3], s[4], s[5]);
        // clang-format off
        glPushMatrix();
            glTranslatef(s[0], s[1], s[2]);
            s[6] != 0 ? glutSolidCube(s[7]) : glutSolidSphere(s[7], 16, 12);
        glPopMatrix();
        // clang-format on
    }
    glFinish();
    return VH_DriverReadBack(width, height);
}

long differingPixels(const Frame& a, const Frame& b) {
    long n = 0;
    for (size_t i = 0; i + 2 < a.size() && i + 2 < b.size(); i += 3)
        if (std::abs(a[i] - b[i]) + std::abs(a[i + 1] - b[i + 1]) + std::abs(a[i + 2] - b[i + 2]) > 30) ++n;
    return n;
}

void resetProjection() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
}

} // namespace

TEST(CameraView, RidesASplineFileAndTheViewMovesAlongIt) {
    VH_TestOpenWindow();
    const std::vector<VECTOR> points = {{-22, 5, 26}, {0, 14, 36}, {26, 9, 16}, {30, 4, -6}};
    SpoRecord flight;
    flight.k = 2;
    flight.points = points;
    const std::vector<std::uint8_t> bytes = SpoFile({flight});
    const std::string file = VH_TestTempDir() + "/flight.spo";
    FILE* out = std::fopen(file.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), out), bytes.size());
    std::fclose(out);

    int count = 0;
    PathControl3D* paths = OpenPath3DFile(VH_RWFromFile(file.c_str(), "rb"), &count, true);
    ASSERT_NE(paths, nullptr);
    ASSERT_EQ(count, 1);
    PathControl3D& path = paths[0];
    path.SetSpeed(30.0f);
    path.active = true;
    path.loop = false;

    DemoCamera cam(VECTOR(0, 0, 50), VECTOR(0, 0, 0), VECTOR(0, 1, 0));
    cam.projectionDirty = true;
    cam.AddPathEvent(&path, CAM_SPLINEPATH, CAM_EYE, true, false);
    std::vector<Frame> frames;
    std::vector<VECTOR> eyes;
    int width = 0, height = 0;
    for (int i = 0; i < 400 && cam.CountActiveEvents() > 0; ++i) {
        cam.Update(0.05);
        cam.Apply();
        frames.push_back(drawScene(&width, &height));
        eyes.push_back(cam.eye);
    }
    ASSERT_EQ(cam.CountActiveEvents(), 0) << "the ride ends with its path";
    ASSERT_GT(frames.size(), 10u);
    ASSERT_EQ(width, 800);
    EXPECT_TRUE(cam.eye.x == points[3].x && cam.eye.y == points[3].y && cam.eye.z == points[3].z)
        << "the eye ends at the last control point";

    for (size_t i = 0; i < frames.size(); ++i) {
        const std::uint8_t* centre = &frames[i][(size_t(height / 2) * width + width / 2) * 3];
        EXPECT_TRUE(centre[0] > 200 && centre[1] < 50 && centre[2] < 50) << "frame " << i << " looks at the red cube";
        if (i == 0) continue;
        const VECTOR step = eyes[i] - eyes[i - 1];
        const float moved = std::sqrt(step.Dot(step)); // Length reads a zero step as 1
        if (moved > 0.5f) {
            EXPECT_GT(differingPixels(frames[i - 1], frames[i]), 200) << "frame " << i << ", eye moved " << moved;
        } else if (moved == 0.0f) {
            EXPECT_EQ(differingPixels(frames[i - 1], frames[i]), 0) << "frame " << i;
        }
    }
    EXPECT_GT(differingPixels(frames.front(), frames.back()), 20000);

    // The last frame is the view from the last control point itself.
    glLoadIdentity();
    gluLookAt(points[3].x, points[3].y, points[3].z, 0, 0, 0, 0, 1, 0);
    EXPECT_EQ(differingPixels(drawScene(&width, &height), frames.back()), 0);
    delete[] paths;
}

TEST(CameraView, ApplySetsTheProjectionOnlyWhenTheAngleChanged) {
    VH_TestOpenWindow();
    const float savedFov = VH_FOV;
    DemoCamera cam(VECTOR(3, 4, 20), VECTOR(1, 0, -2), VECTOR(0, 1, 0));
    cam.AddLinearEvent(VECTOR(60, 0, 0), VECTOR(60, 0, 0), 1000.0f, CAM_FOV); // the same angle
    resetProjection();
    cam.Update(0.25);
    cam.Apply();
    float projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    EXPECT_TRUE(projection[0] == 1 && projection[5] == 1) << "left alone";
    cam.AddLinearEvent(VECTOR(60, 0, 0), VECTOR(90, 0, 0), 1000.0f, CAM_FOV);
    const double pi = 3.14159265358979;
    for (double fov : {67.5, 75.0, 82.5, -1.0}) { // the last update ends the move: nothing changes
        resetProjection();
        cam.Update(0.25);
        cam.Apply();
        GLint mode = 0;
        glGetIntegerv(GL_MATRIX_MODE, &mode);
        EXPECT_EQ(mode, GL_MODELVIEW);
        glGetFloatv(GL_PROJECTION_MATRIX, projection);
        if (fov > 0) {
            const double focal = 1.0 / std::tan(fov * pi / 360.0);
            EXPECT_NEAR(projection[0], focal, 1e-4) << fov << ": the aspect is 1";
            EXPECT_NEAR(projection[5], focal, 1e-4) << fov;
            EXPECT_NEAR(projection[14], -2.0 * 320.0 * 0.1 / (320.0 - 0.1), 1e-4);
            EXPECT_FLOAT_EQ(VH_FOV, float(fov));
        } else {
            EXPECT_TRUE(projection[0] == 1 && projection[5] == 1 && projection[14] == 0) << "left alone";
            EXPECT_FLOAT_EQ(VH_FOV, 82.5f);
        }
    }
    VH_FOV = savedFov;
    resetProjection();
}
