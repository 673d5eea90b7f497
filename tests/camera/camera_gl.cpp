// The camera under GL: the view follows an eye riding a spline file; the projection changes only with the angle.
#include <GL/gl.h>
#include <GL/glu.h>
#include <GL/glut.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "camera/camera.h"
#include "camera/spline.h"
#include "camera/spo_bytes.h"
#include "core/viewport.h"
#include "data/rwops.h"
#include "shell/driver.h"
#include "support/archive_bytes.h"
#include "support/gl_fixture.h"

namespace {

// A red cube on the origin the camera looks at, a green sphere and a blue cube beside it.
Bytes drawScene() {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    for (GLenum off : {GL_LIGHTING, GL_TEXTURE_2D, GL_FOG, GL_BLEND, GL_CULL_FACE})
        glDisable(off);
    glEnable(GL_DEPTH_TEST);
    const float shapes[3][6] = {{0, 0, 0, 1, 0, 0}, {9, 0, -9, 0, 1, 0}, {-9, 0, -6, 0, 0, 1}};
    for (const auto& s : shapes) {
        glColor3f(s[3], s[4], s[5]);
        glPushMatrix();
        glTranslatef(s[0], s[1], s[2]);
        s[4] > 0 ? glutSolidSphere(2, 16, 12) : glutSolidCube(4);
        glPopMatrix();
    }
    int width = 0, height = 0;
    return VH_DriverReadBack(&width, &height);
}

long differingPixels(const Bytes& a, const Bytes& b) {
    long n = 0;
    for (size_t i = 0; i + 2 < a.size() && i + 2 < b.size(); i += 3)
        n += std::abs(a[i] - b[i]) + std::abs(a[i + 1] - b[i + 1]) + std::abs(a[i + 2] - b[i + 2]) > 30;
    return n;
}

} // namespace

TEST(CameraView, RidesASplineFileAndTheViewMovesAlongIt) {
    VH_TestOpenWindow();
    SpoRecord flight;
    flight.k = 2;
    flight.points = {{-22, 5, 26}, {0, 14, 36}, {26, 9, 16}, {30, 4, -6}};
    const std::string file = VH_TestTempDir() + "/flight.spo";
    ASSERT_TRUE(WriteFile(file, SpoFile({flight})));
    int count = 0;
    PathControl3D* paths = OpenPath3DFile(VH_RWFromFile(file.c_str(), "rb"), &count, true);
    ASSERT_TRUE(paths && count == 1);
    paths[0].SetSpeed(30.0f);
    paths[0].active = true;
    paths[0].loop = false;

    DemoCamera cam(VECTOR(0, 0, 50), VECTOR(0, 0, 0), VECTOR(0, 1, 0));
    cam.projectionDirty = true;
    cam.AddPathEvent(&paths[0], CAM_SPLINEPATH, CAM_EYE, true, false);
    // Where the eye is along the ride is the camera tests' business; here, that every frame shows it.
    Bytes first, last;
    int frames = 0;
    for (; frames < 400 && cam.CountActiveEvents() > 0; ++frames) {
        cam.Update(0.05);
        cam.Apply();
        last = drawScene();
        if (frames == 0) first = last;
        const std::uint8_t* centre = &last[(300 * 800 + 400) * 3]; // the 800 x 600 window's centre
        EXPECT_TRUE(centre[0] > 200 && centre[1] < 50) << "frame " << frames << " looks at the red cube";
    }
    ASSERT_TRUE(cam.CountActiveEvents() == 0 && frames > 10) << "the ride ends with its path";
    const VECTOR end = flight.points[3];
    EXPECT_GT(differingPixels(first, last), 20000);
    glLoadIdentity(); // the last frame is the view from the last control point itself
    gluLookAt(end.x, end.y, end.z, 0, 0, 0, 0, 1, 0);
    EXPECT_EQ(differingPixels(drawScene(), last), 0);
    delete[] paths;
}

TEST(CameraView, ApplySetsTheProjectionOnlyWhenTheAngleChanged) {
    VH_TestOpenWindow();
    const float savedFov = VH_FOV;
    DemoCamera cam(VECTOR(3, 4, 20), VECTOR(1, 0, -2), VECTOR(0, 1, 0));
    cam.AddLinearEvent(VECTOR(60, 0, 0), VECTOR(60, 0, 0), 1000.0f, CAM_FOV); // the same angle
    for (double fov : {0.0, 67.5, 75.0, 82.5, 0.0}) { // 0: left alone, also by the update that ends the move
        if (fov == 67.5) cam.AddLinearEvent(VECTOR(60, 0, 0), VECTOR(90, 0, 0), 1000.0f, CAM_FOV);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        cam.Update(0.25);
        cam.Apply();
        GLint mode = 0;
        glGetIntegerv(GL_MATRIX_MODE, &mode);
        float m[16];
        glGetFloatv(GL_PROJECTION_MATRIX, m);
        const double focal = fov > 0 ? 1.0 / std::tan(fov * M_PI / 360.0) : 1.0; // the aspect is 1
        EXPECT_TRUE(mode == GL_MODELVIEW && std::fabs(m[0] - focal) < 1e-4 && std::fabs(m[5] - focal) < 1e-4) << fov;
        EXPECT_NEAR(m[14], fov > 0 ? -2.0 * 320.0 * 0.1 / (320.0 - 0.1) : 0.0, 1e-4) << fov;
        EXPECT_TRUE(fov == 0 || VH_FOV == float(fov)) << fov;
    }
    VH_FOV = savedFov;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
}
