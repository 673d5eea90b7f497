// quatlib: free quaternion and vector functions, look-at builders and the fast square root.
#include "math/quatlib.h"

#include <GL/gl.h>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/report.h"
#include "core/types.h"

namespace {

const int sqrtTableSize = 16384;

// Top 20 mantissa bits of sqrt(m) for m = 1 + i/8192 (first half) and 2 * (1 + i/8192)
// (second half, odd exponents); each entry is the root at the low end of its bucket.
Uint32 FastSqrtTable[sqrtTableSize];

Uint32 highWord(double d) {
    std::uint64_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    return (Uint32)(bits >> 32);
}

double fromWords(Uint32 hi, Uint32 lo) {
    const std::uint64_t bits = ((std::uint64_t)hi << 32) | lo;
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

} // namespace

void FastSqrtInit() {
    if (&VH_QuietStartup == nullptr || !VH_QuietStartup) {
        std::fputs("FAST SQRT LIB INIT", stderr);
        VH_NoteOpenLine(true);
    }
    for (Uint32 i = 0; i < 8192; ++i) {
        FastSqrtTable[i] = highWord(std::sqrt(fromWords((i << 7) | 0x3FF00000u, 0))) & 0xFFFFFu;
        FastSqrtTable[8192 + i] = highWord(std::sqrt(fromWords((i << 7) | 0x40000000u, 0))) & 0xFFFFFu;
    }
}

double FastSqrt(double x) {
    if (x == 0.0) return 0.0;
    std::uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    Uint32 hi = (Uint32)(bits >> 32);
    const Uint32 lo = (Uint32)bits;
    Uint32 e = (hi >> 20) - 1023u;
    hi &= 0xFFFFFu;
    if (e & 1u) hi |= 0x100000u;
    // For a negative exponent the unsigned shift leaves junk above the 11-bit field, and the
    // final shift by 20 pushes exactly that junk out.
    e >>= 1;
    // The index is at most 0x1FFFFF >> 7 = 16383, so even a negative input stays in the table.
    hi = FastSqrtTable[hi >> 7] | ((e + 1023u) << 20);
    return fromWords(hi, lo);
}

double FastDistance(const float a[3], const float b[3]) {
    const double dx = (double)b[0] - a[0];
    const double dy = (double)b[1] - a[1];
    const double dz = (double)b[2] - a[2];
    return FastSqrt(dx * dx + dy * dy + dz * dz);
}

QUAT QuatMultiply(QUAT q1, QUAT q2) {
    const VECTOR a(q1.x, q1.y, q1.z);
    const VECTOR b(q2.x, q2.y, q2.z);
    const VECTOR v = VectorCross(a, b) + q1.w * b + q2.w * a;
    return QUAT(v.x, v.y, v.z, q1.w * q2.w - VectorDot(a, b));
}

float QuatNorm(QUAT q) {
    return (float)std::sqrt((double)(q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z));
}

QUAT QuatNormalized(QUAT q) {
    const float n = QuatNorm(q);
    return QUAT(q.x / n, q.y / n, q.z / n, q.w / n);
}

void QuatFromEulerAngles(float a, float b, float c, float out[4]) {
    QUAT q;
    q.FromEuler(a, b, c);
    out[0] = q.x;
    out[1] = q.y;
    out[2] = q.z;
    out[3] = q.w;
}

void QuatToMatrix(QUAT q, float m[16]) {
    MATRIX r;
    r.FromQuat(q);
    std::memcpy(m, r.m, sizeof r.m);
}

QUAT QuatAxisAngleMatrix(VECTOR axis, float angle, float m[16]) {
    const float s = (float)std::sin((double)(angle * 0.5f));
    const QUAT q(axis.x * s, axis.y * s, axis.z * s, (float)std::cos((double)(angle * 0.5f)));
    QuatToMatrix(q, m);
    return q;
}

void QuatSlerp(const float from[4], const float to[4], float t, float out[4]) {
    double cosom =
        (double)from[0] * to[0] + (double)from[1] * to[1] + (double)from[2] * to[2] + (double)from[3] * to[3];
    double to1[4];
    const double sign = cosom < 0.0 ? -1.0 : 1.0;
    cosom *= sign;
    for (int i = 0; i < 4; ++i)
        to1[i] = sign * to[i];
    double scale0, scale1;
    if ((1.0 - cosom) > 1e-6) {
        const double omega = std::acos(cosom);
        const double sinom = std::sin(omega);
        scale0 = std::sin((1.0 - t) * omega) / sinom;
        scale1 = std::sin(t * omega) / sinom;
    } else {
        scale0 = 1.0 - t;
        scale1 = t;
    }
    for (int i = 0; i < 4; ++i)
        out[i] = (float)(scale0 * from[i] + scale1 * to1[i]);
}

void QuatLerp(const float from[4], const float to[4], float t, float out[4]) {
    const float dot = from[0] * to[0] + from[1] * to[1] + from[2] * to[2] + from[3] * to[3];
    const float sign = dot < 0.0f ? -1.0f : 1.0f;
    for (int i = 0; i < 4; ++i)
        out[i] = (1.0f - t) * from[i] + t * (sign * to[i]);
}

float VectorDot(VECTOR a, VECTOR b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

VECTOR VectorCross(VECTOR a, VECTOR b) {
    return VECTOR(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

float VectorLength(VECTOR v) {
    return (float)std::sqrt((double)(v.x * v.x + v.y * v.y + v.z * v.z));
}

VECTOR VectorNormalized(VECTOR v) {
    float length = VectorLength(v);
    if (length == 0.0f) length = 1.0f;
    return VECTOR(v.x / length, v.y / length, v.z / length);
}

VECTOR VectorSubtract(VECTOR a, VECTOR b) {
    return VECTOR(a.x - b.x, a.y - b.y, a.z - b.z);
}

void Cross3(float out[3], const float a[3], const float b[3]) {
    const float x = a[1] * b[2] - a[2] * b[1];
    const float y = a[2] * b[0] - a[0] * b[2];
    const float z = a[0] * b[1] - a[1] * b[0];
    out[0] = x;
    out[1] = y;
    out[2] = z;
}

void Normalize3(float v[3]) {
    const float inv = (float)(1.0 / std::sqrt((double)(v[0] * v[0] + v[1] * v[1] + v[2] * v[2])));
    Scale3(v, inv);
}

void Scale3(float v[3], float s) {
    v[0] *= s;
    v[1] *= s;
    v[2] *= s;
}

namespace {

void crossd(double out[3], const double a[3], const double b[3]) {
    const double x = a[1] * b[2] - a[2] * b[1];
    const double y = a[2] * b[0] - a[0] * b[2];
    const double z = a[0] * b[1] - a[1] * b[0];
    out[0] = x;
    out[1] = y;
    out[2] = z;
}

void unitd(double v[3]) {
    const double length = FastSqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (length != 0.0)
        for (int i = 0; i < 3; ++i)
            v[i] /= length;
}

} // namespace

void LookAtMatrixd(double eye[3], double center[3], double up[3]) {
    double f[3] = {eye[0] - center[0], eye[1] - center[1], eye[2] - center[2]};
    unitd(f);
    double s[3], u[3];
    crossd(s, up, f);
    crossd(u, f, s);
    unitd(s);
    unitd(u);
    const GLdouble m[16] = {s[0], u[0], f[0], 0.0, s[1], u[1], f[1], 0.0, s[2], u[2], f[2], 0.0, 0.0, 0.0, 0.0, 1.0};
    glMultMatrixd(m);
    glTranslated(-eye[0], -eye[1], -eye[2]);
}

void ObjectLookAtMatrixf(float eye[3], float center[3], float up[3]) {
    float f[3] = {center[0] - eye[0], center[1] - eye[1], center[2] - eye[2]};
    Normalize3(f);
    float s[3], u[3];
    Cross3(s, f, up);
    Normalize3(s);
    Cross3(u, s, f);
    Scale3(f, -1.0f);
    const GLfloat m[16] = {s[0], s[1], s[2], 0.0f, u[0],   u[1],   u[2],   0.0f,
                           f[0], f[1], f[2], 0.0f, eye[0], eye[1], eye[2], 1.0f};
    glMultMatrixf(m);
}
