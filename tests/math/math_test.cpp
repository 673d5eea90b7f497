// Math tests: operation orders, zero guards, conversions and the fast square root.
#include <gtest/gtest.h>

#include <cmath>

#include "support/dirs.h"
#include "math/quatlib.h"
#include "math/vmath.h"
#include "support/archive_bytes.h"
#include "support/gl_fixture.h"

namespace {

const float pi = 3.14159265f;

::testing::AssertionResult near(const float* got, std::initializer_list<float> want, float tol = 1e-5f) {
    int i = 0;
    for (float w : want)
        if (!(std::fabs(got[i++] - w) <= tol))
            return ::testing::AssertionFailure() << "component " << i - 1 << " is " << got[i - 1] << ", not " << w;
    return ::testing::AssertionSuccess();
}
template <typename T> const float* f(const T& v) {
    return &v.x;
}

QUAT axisAngle(float ax, float ay, float az, float degrees) {
    QUAT q;
    q.FromAxisAngle(VECTOR(ax, ay, az), degrees * pi / 180.0f);
    return q;
}

} // namespace

TEST(Vector, CrossOrdersAndZeroGuards) {
    VECTOR a(0, 0, 1);
    a.Cross(VECTOR(0, 1, 0)); // in place: b x a
    EXPECT_TRUE(near(f(a), {1, 0, 0}));
    EXPECT_TRUE(near(f(VectorCross(VECTOR(0, 0, 1), VECTOR(0, 1, 0))), {-1, 0, 0}));
    float out[3];
    const float p[3] = {0, 0, 1}, q[3] = {0, 1, 0};
    Cross3(out, p, q);
    EXPECT_TRUE(near(out, {-1, 0, 0}));

    VECTOR zero(0, 0, 0);
    EXPECT_EQ(zero.Length(), 1.0f);
    zero.Normalize();
    EXPECT_TRUE(near(f(zero), {0, 0, 0}, 0));
    EXPECT_TRUE(near(f(VectorNormalized(VECTOR(0, 0, 0))), {0, 0, 0}, 0));
    VECTOR v(3, 0, 4);
    v.Normalize();
    EXPECT_TRUE(near(f(v), {0.6f, 0, 0.8f}));
    EXPECT_TRUE(near(f(2.0f * VECTOR(1, 2, 3) - VECTOR(1, 1, 1) * 3.0f + VECTOR(1, 0, 0)), {0, 1, 3}));
}

TEST(Quat, ProductOrdersEulerCompositionAndInterpolation) {
    const QUAT qx = axisAngle(1, 0, 0, 40), qy = axisAngle(0, 1, 0, -23), qz = axisAngle(0, 0, 1, 63);
    QUAT p = qx;
    p.Multiply(qy); // in place pre-multiplies: p becomes qy * qx, which differs from qx * qy
    const QUAT yx = QuatMultiply(qy, qx);
    EXPECT_TRUE(near(f(p), {yx.x, yx.y, yx.z, yx.w}));
    EXPECT_GT(std::fabs(yx.z - QuatMultiply(qx, qy).z), 0.1f);

    // Euler angles compose as z, then y, then x from the left.
    QUAT e;
    e.FromEuler(40 * pi / 180, -23 * pi / 180, 63 * pi / 180);
    const QUAT zyx = QuatMultiply(QuatMultiply(qz, qy), qx);
    EXPECT_TRUE(near(f(e), {zyx.x, zyx.y, zyx.z, zyx.w}));
    float arr[4];
    QuatFromEulerAngles(40 * pi / 180, -23 * pi / 180, 63 * pi / 180, arr);
    EXPECT_TRUE(near(arr, {zyx.x, zyx.y, zyx.z, zyx.w}));
    QUAT n(0, 3, 0, 4);
    n.Normalize();
    EXPECT_TRUE(near(f(n), {0, 0.6f, 0, 0.8f}));

    // Slerp and lerp: the ends, the short way round, and the parallel case.
    const QUAT z90 = axisAngle(0, 0, 1, 90), z45 = axisAngle(0, 0, 1, 45);
    const float from[4] = {0, 0, 0, 1}, to[4] = {z90.x, z90.y, z90.z, z90.w};
    const float negTo[4] = {-to[0], -to[1], -to[2], -to[3]};
    float out[4];
    QuatSlerp(from, to, 0.0f, out);
    EXPECT_TRUE(near(out, {0, 0, 0, 1}));
    QuatSlerp(from, to, 0.5f, out); // spherical: unit length, half the turn
    EXPECT_TRUE(near(out, {z45.x, z45.y, z45.z, z45.w}));
    QuatSlerp(from, negTo, 1.0f, out); // the short way round: -to is flipped back
    EXPECT_TRUE(near(out, {to[0], to[1], to[2], to[3]}));
    QuatSlerp(from, from, 0.3f, out); // parallel: the linear branch, no division by sin(0)
    EXPECT_TRUE(near(out, {0, 0, 0, 1}));
    QuatLerp(from, negTo, 0.5f, out); // flipped too, and not normalised
    EXPECT_TRUE(near(out, {0, 0, 0.5f * to[2], 0.5f + 0.5f * to[3]}));
}

TEST(Matrix, ConversionsAreAConjugatePairMultiplyIsColumnMajorInvertRigidTransposes) {
    MATRIX m;
    m.FromAxisAngle(VECTOR(0, 0, 1), pi / 2);
    EXPECT_TRUE(near(&m.m[0], {0, -1, 0, 0, 1, 0}, 1e-6f));
    QUAT back;
    back.FromMatrix(m.m);
    EXPECT_TRUE(near(f(back), {0, 0, -0.70710678f, 0.70710678f}));

    // Turns past 120 degrees have a negative trace and take the other branch, which may return
    // the conjugate's negative (the same rotation). Each one pivots on a different axis.
    for (const QUAT& q : {axisAngle(0.8f, 0, 0.6f, 125), axisAngle(0, 1, 0, 130), axisAngle(0, 0.6f, 0.8f, 135)}) {
        float a[16];
        QuatToMatrix(q, a);
        back.FromMatrix(a);
        const float dotConjugate = -back.x * q.x - back.y * q.y - back.z * q.z + back.w * q.w;
        const float dotSame = back.x * q.x + back.y * q.y + back.z * q.z + back.w * q.w;
        EXPECT_NEAR(std::fabs(dotConjugate), 1.0f, 1e-5f);
        EXPECT_LT(std::fabs(dotSame), 0.9f);
    }

    MATRIX t, s;
    t.m[12] = 1.0f; // translate x by 1
    s.m[0] = s.m[5] = s.m[10] = 2.0f;
    MATRIX ts = t, st = s;
    ts.Multiply(s.m); // scaling first keeps the translation
    st.Multiply(t.m); // translating first doubles it
    EXPECT_TRUE(ts.m[0] == 2.0f && ts.m[12] == 1.0f && st.m[12] == 2.0f);
    MATRIX r;
    r.FromQuat(axisAngle(0, 0, 1, 90));
    r.m[12] = 1, r.m[14] = 3;
    MATRIX inv = r;
    inv.InvertRigid();
    EXPECT_TRUE(inv.m[1] == r.m[4] && inv.m[4] == r.m[1] && inv.m[12] == -1.0f && inv.m[14] == -3.0f);
}

TEST(Object3D, RotationMovementAndAxes) {
    OBJECT3D o;
    o.scale = 0.5f;
    o.Reset();
    EXPECT_EQ(o.scale, 0.5f);
    EXPECT_TRUE(near(f(o.Side()), {1, 0, 0}) && near(f(o.Up()), {0, 1, 0}) && near(f(o.Forward()), {0, 0, 1}));
    o.ApplyRotation(); // nothing pending
    EXPECT_TRUE(near(f(o.orientation), {0, 0, 0, 1}, 0));
    o.rotation[1] = 90.0f; // halved by the scale; kept, so two applications make 90
    o.ApplyRotation();
    o.ApplyRotation();
    EXPECT_TRUE(near(f(o.Forward()), {-1, 0, 0}) && near(f(o.Side()), {0, 0, 1}));
    o.movement[2] = 4.0f;
    o.movement[1] = 2.0f;
    o.ApplyMovement(); // along the object's forward and up, times the scale
    EXPECT_TRUE(near(f(o.position), {-2, 1, 0}));
    EXPECT_TRUE(o.movement[1] == 0.0f && o.movement[2] == 0.0f);
    o.Move(1.0f, 0.0f, 0.0f); // along side, without the scale
    EXPECT_TRUE(near(f(o.position), {-2, 1, 1}));
}

TEST(FastSqrt, PrecisionOverEveryExponentAndDistance) {
    EXPECT_EQ(FastSqrt(0.0), 0.0);
    // Each bucket holds the root at its low end: the error is below 2^-13 for any exponent.
    for (double x = 1e-6; x < 1e9; x *= 1.37)
        EXPECT_LE(std::fabs(FastSqrt(x) - std::sqrt(x)) / std::sqrt(x), 1.0 / 8192) << x;
    const float a[3] = {1, 2, 3}, b[3] = {4, 6, 3};
    EXPECT_EQ(FastDistance(a, a), 0.0);
    EXPECT_NEAR(FastDistance(a, b), 5.0, 5.0 / 8192);
}

TEST(FastSqrt, BannerIsWrittenOnceBeforeMain) {
    // The demo itself, without a display: it fails in GLUT, after the static initialisers ran.
    const std::string err = RunOutput("cd " + VH_TestTempDir() + " && env -u DISPLAY " + std::string(VH_BIN_DIR) +
                                      "/vexhal 2>&1 >/dev/null");
    EXPECT_EQ(err.rfind("FAST SQRT LIB INIT", 0), 0u) << err;
    EXPECT_EQ(err.find("FAST SQRT LIB INIT", 1), std::string::npos) << err;
}
