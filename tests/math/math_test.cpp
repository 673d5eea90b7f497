// math tests: operation orders, zero guards, conversions and the fast square root.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "math/quatlib.h"
#include "math/vmath.h"
#include "support/gl_fixture.h"

namespace {

const float pi = 3.14159265f;

void expectQuat(const QUAT& q, float x, float y, float z, float w, float tol = 1e-5f) {
    EXPECT_NEAR(q.x, x, tol);
    EXPECT_NEAR(q.y, y, tol);
    EXPECT_NEAR(q.z, z, tol);
    EXPECT_NEAR(q.w, w, tol);
}

void expectVec(const VECTOR& v, float x, float y, float z, float tol = 1e-5f) {
    EXPECT_NEAR(v.x, x, tol);
    EXPECT_NEAR(v.y, y, tol);
    EXPECT_NEAR(v.z, z, tol);
}

// q and -q are the same rotation.
void expectSameRotation(const QUAT& a, const QUAT& b) {
    EXPECT_NEAR(std::fabs(a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w), 1.0f, 1e-5f)
        << a.x << " " << a.y << " " << a.z << " " << a.w;
}

QUAT axisAngle(float ax, float ay, float az, float radians) {
    QUAT q;
    q.FromAxisAngle(VECTOR(ax, ay, az), radians);
    return q;
}

} // namespace

TEST(Vector, CrossOrdersAndZeroGuards) {
    VECTOR a(0, 0, 1);
    a.Cross(VECTOR(0, 1, 0)); // in place: b x a
    expectVec(a, 1, 0, 0);
    expectVec(VectorCross(VECTOR(0, 0, 1), VECTOR(0, 1, 0)), -1, 0, 0);
    float out[3];
    const float p[3] = {0, 0, 1}, q[3] = {0, 1, 0};
    Cross3(out, p, q);
    expectVec(VECTOR(out[0], out[1], out[2]), -1, 0, 0);

    VECTOR zero(0, 0, 0);
    EXPECT_EQ(zero.Length(), 1.0f);
    zero.Normalize();
    expectVec(zero, 0, 0, 0, 0);
    expectVec(VectorNormalized(VECTOR(0, 0, 0)), 0, 0, 0, 0);
    EXPECT_EQ(VectorLength(VECTOR(0, 0, 0)), 0.0f);

    VECTOR v(3, 0, 4);
    EXPECT_FLOAT_EQ(v.Length(), 5.0f);
    v.Normalize();
    expectVec(v, 0.6f, 0, 0.8f);
    expectVec(VectorSubtract(VECTOR(1, 2, 3), VECTOR(3, 2, 1)), -2, 0, 2);
    expectVec(2.0f * VECTOR(1, 2, 3) - VECTOR(1, 1, 1) * 3.0f, -1, 1, 3);
}

TEST(Quat, ProductOrdersAndEulerComposition) {
    const QUAT qx = axisAngle(1, 0, 0, 0.7f), qy = axisAngle(0, 1, 0, -0.4f), qz = axisAngle(0, 0, 1, 1.1f);
    // Multiply in place pre-multiplies: p becomes q * p. The two orders differ for these.
    QUAT p = qx;
    p.Multiply(qy);
    const QUAT yx = QuatMultiply(qy, qx), xy = QuatMultiply(qx, qy);
    expectQuat(p, yx.x, yx.y, yx.z, yx.w);
    EXPECT_GT(std::fabs(yx.z - xy.z), 0.1f);

    const QUAT id(0, 0, 0, 1);
    const QUAT left = QuatMultiply(id, qz), right = QuatMultiply(qz, id);
    expectQuat(left, qz.x, qz.y, qz.z, qz.w, 0);
    expectQuat(right, qz.x, qz.y, qz.z, qz.w, 0);

    // Euler angles compose as z, then y, then x from the left.
    QUAT e;
    e.FromEuler(0.7f, -0.4f, 1.1f);
    const QUAT zyx = QuatMultiply(QuatMultiply(qz, qy), qx);
    expectQuat(e, zyx.x, zyx.y, zyx.z, zyx.w);
    float arr[4];
    QuatFromEulerAngles(0.7f, -0.4f, 1.1f, arr);
    expectQuat(QUAT(arr[0], arr[1], arr[2], arr[3]), e.x, e.y, e.z, e.w, 0);
    e.FromEuler(0, 0, 0);
    expectQuat(e, 0, 0, 0, 1, 0);

    QUAT n(0, 3, 0, 4);
    EXPECT_FLOAT_EQ(n.Norm(), 5.0f);
    n.Normalize();
    expectQuat(n, 0, 0.6f, 0, 0.8f);
    expectQuat(QuatNormalized(QUAT(0, 0, 6, 8)), 0, 0, 0.6f, 0.8f);
}

TEST(Matrix, QuatAndMatrixConversionsAreAConjugatePair) {
    MATRIX m;
    m.FromQuat(QUAT(0, 0, 0, 1));
    for (int i = 0; i < 16; ++i) EXPECT_EQ(m.m[i], (i % 5 == 0) ? 1.0f : 0.0f) << i;

    const QUAT z90 = axisAngle(0, 0, 1, pi / 2);
    m.FromQuat(z90);
    EXPECT_NEAR(m.m[1], -1.0f, 1e-6f);
    EXPECT_NEAR(m.m[4], 1.0f, 1e-6f);
    QUAT back;
    back.FromMatrix(m.m);
    expectQuat(back, 0, 0, -0.70710678f, 0.70710678f);

    // Turns near a half turn have a negative trace and take the other branch; it may return
    // the conjugate's negative, which is the same rotation. Each picks a different pivot axis.
    const QUAT turns[3] = {axisAngle(0.8f, 0, 0.6f, 125.0f * pi / 180.0f), axisAngle(0, 1, 0, 130.0f * pi / 180.0f),
                           axisAngle(0, 0.6f, 0.8f, 135.0f * pi / 180.0f)};
    for (const QUAT& q : turns) {
        float arr[16];
        const QUAT r = QuatAxisAngleMatrix(VECTOR(q.x, q.y, q.z) * (1.0f / std::sqrt(1 - q.w * q.w)),
                                           2.0f * std::acos(q.w), arr);
        expectQuat(r, q.x, q.y, q.z, q.w);
        back.FromMatrix(arr);
        expectSameRotation(back, QUAT(-q.x, -q.y, -q.z, q.w));
        EXPECT_LT(std::fabs(back.x * q.x + back.y * q.y + back.z * q.z + back.w * q.w), 0.9f);
    }

    MATRIX viaAxis;
    viaAxis.FromAxisAngle(VECTOR(0, 0, 1), pi / 2);
    for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(viaAxis.m[i], m.m[i]);
}

TEST(Matrix, MultiplyIsColumnMajorAndInvertRigid) {
    MATRIX t, s;
    t.m[12] = 1.0f; // translate x by 1
    s.m[0] = s.m[5] = s.m[10] = 2.0f;
    MATRIX ts = t;
    ts.Multiply(s.m); // translate after scaling: the translation stays 1
    EXPECT_EQ(ts.m[0], 2.0f);
    EXPECT_EQ(ts.m[12], 1.0f);
    MATRIX st = s;
    st.Multiply(t.m); // scale after translating: the translation doubles
    EXPECT_EQ(st.m[12], 2.0f);

    MATRIX r;
    r.FromQuat(axisAngle(0, 0, 1, pi / 2));
    r.m[12] = 1, r.m[13] = 2, r.m[14] = 3;
    MATRIX inv = r;
    inv.InvertRigid();
    EXPECT_EQ(inv.m[1], r.m[4]);
    EXPECT_EQ(inv.m[4], r.m[1]);
    EXPECT_EQ(inv.m[6], r.m[9]);
    EXPECT_EQ(inv.m[12], -1.0f);
    EXPECT_EQ(inv.m[14], -3.0f);
}

TEST(Object3D, RotationMovementAndAxes) {
    OBJECT3D o;
    o.scale = 0.5f;
    o.Reset();
    EXPECT_EQ(o.scale, 0.5f);
    expectVec(o.Side(), 1, 0, 0);
    expectVec(o.Up(), 0, 1, 0);
    expectVec(o.Forward(), 0, 0, 1);

    o.ApplyRotation(); // nothing pending
    expectQuat(o.orientation, 0, 0, 0, 1, 0);
    o.rotation[1] = 90.0f; // halved by the scale: 45 degrees per application
    o.ApplyRotation();
    o.ApplyRotation(); // rotation is kept, so this is a second 45
    EXPECT_EQ(o.rotation[1], 90.0f);
    expectVec(o.Forward(), -1, 0, 0);
    expectVec(o.Side(), 0, 0, 1);
    expectVec(o.Up(), 0, 1, 0);

    o.movement[2] = 4.0f; // forward, times the scale
    o.movement[1] = 2.0f;
    o.ApplyMovement();
    expectVec(o.position, -2, 1, 0);
    EXPECT_EQ(o.movement[1], 0.0f);
    EXPECT_EQ(o.movement[2], 0.0f);
    o.Move(1.0f, 0.0f, 0.0f); // side, without the scale
    expectVec(o.position, -2, 1, 1);
}

TEST(Slerp, BranchesAndEnds) {
    const float from[4] = {0, 0, 0, 1};
    const QUAT z90 = axisAngle(0, 0, 1, pi / 2);
    const float to[4] = {z90.x, z90.y, z90.z, z90.w};
    float out[4];
    QuatSlerp(from, to, 0.0f, out);
    expectQuat(QUAT(out[0], out[1], out[2], out[3]), 0, 0, 0, 1);
    QuatSlerp(from, to, 1.0f, out);
    expectQuat(QUAT(out[0], out[1], out[2], out[3]), to[0], to[1], to[2], to[3]);
    QuatSlerp(from, to, 0.5f, out); // spherical: unit length, a 45 degree turn
    const QUAT z45 = axisAngle(0, 0, 1, pi / 4);
    expectQuat(QUAT(out[0], out[1], out[2], out[3]), z45.x, z45.y, z45.z, z45.w);

    const float negTo[4] = {-to[0], -to[1], -to[2], -to[3]};
    QuatSlerp(from, negTo, 1.0f, out); // the short way round: -to flipped back
    expectQuat(QUAT(out[0], out[1], out[2], out[3]), to[0], to[1], to[2], to[3]);
    QuatSlerp(from, from, 0.3f, out); // parallel: the linear branch, no division by sin(0)
    expectQuat(QUAT(out[0], out[1], out[2], out[3]), 0, 0, 0, 1);

    QuatLerp(from, negTo, 0.5f, out); // flipped too, and not normalised
    expectQuat(QUAT(out[0], out[1], out[2], out[3]), 0, 0, 0.5f * to[2], 0.5f + 0.5f * to[3]);
}

TEST(FastSqrt, ExactPointsPrecisionAndDistance) {
    EXPECT_EQ(FastSqrt(0.0), 0.0);
    EXPECT_EQ(FastSqrt(4.0), 2.0);
    EXPECT_NEAR(FastSqrt(2.0), 1.41421, 1e-4);
    EXPECT_NEAR(FastSqrt(0.25), 0.5, 0.5 / 8192);
    EXPECT_NEAR(FastSqrt(0.5), 0.70711, 1e-4);
    // Each bucket holds the root at its low end, so the error is one-sided and below 2^-13.
    for (double x = 1e-6; x < 1e9; x *= 1.37) {
        const double fast = FastSqrt(x), exact = std::sqrt(x);
        EXPECT_LE(std::fabs(fast - exact) / exact, 1.0 / 8192) << x;
    }
    const float a[3] = {1, 2, 3}, b[3] = {4, 6, 3};
    EXPECT_EQ(FastDistance(a, a), 0.0);
    EXPECT_NEAR(FastDistance(a, b), 5.0, 5.0 / 8192);
}

TEST(FastSqrt, BannerIsWrittenOnceBeforeMain) {
    // The demo itself, without a display: it fails in GLUT, after the static initialisers ran.
    const std::string cmd = "cd " + VH_TestTempDir() + " && env -u DISPLAY " VH_BIN_DIR "/vexhal 2>&1 >/dev/null";
    FILE* p = popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string err;
    char buf[256];
    while (size_t n = fread(buf, 1, sizeof buf, p)) err.append(buf, n);
    pclose(p);
    EXPECT_EQ(err.rfind("FAST SQRT LIB INIT", 0), 0u) << err;
    EXPECT_EQ(err.find("FAST SQRT LIB INIT", 1), std::string::npos) << err;
}
