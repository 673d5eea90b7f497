// vmath: vector, quaternion, matrix and object-transform classes. Every product and sum is
// written in the one order the rest of the engine was tuned against; do not "simplify".
#include "math/vmath.h"

#include <cmath>

#include "math/quatlib.h"

namespace {

const float degToRad = 0.0174532924f; // pi/180 as a float
const float floatPi = 3.14159274f;

// The square-root table must exist before main; living in this file ties it to every
// program that uses the math classes at all.
struct FastSqrtStartup {
    FastSqrtStartup() { FastSqrtInit(); }
} fastSqrtStartup;

} // namespace

// ---------------------------------------------------------------------------------------------
// VECTOR
// ---------------------------------------------------------------------------------------------

void VECTOR::Zero() {
    x = y = z = 0.0f;
}

float VECTOR::Dot(VECTOR b) const {
    return x * b.x + y * b.y + z * b.z;
}

void VECTOR::Cross(VECTOR b) {
    const VECTOR t = *this;
    x = b.y * t.z - b.z * t.y;
    y = b.z * t.x - b.x * t.z;
    z = b.x * t.y - b.y * t.x;
}

float VECTOR::Length() const {
    const float length = (float)std::sqrt((double)(x * x + y * y + z * z));
    return length == 0.0f ? 1.0f : length;
}

void VECTOR::Normalize() {
    const float length = Length();
    x /= length;
    y /= length;
    z /= length;
}

VECTOR operator*(float s, VECTOR v) {
    return VECTOR(s * v.x, s * v.y, s * v.z);
}
VECTOR operator*(VECTOR v, float s) {
    return VECTOR(v.x * s, v.y * s, v.z * s);
}
VECTOR operator+(VECTOR a, VECTOR b) {
    return VECTOR(a.x + b.x, a.y + b.y, a.z + b.z);
}
VECTOR operator-(VECTOR a, VECTOR b) {
    return VECTOR(a.x - b.x, a.y - b.y, a.z - b.z);
}

// ---------------------------------------------------------------------------------------------
// QUAT
// ---------------------------------------------------------------------------------------------

void QUAT::Identity() {
    x = y = z = 0.0f;
    w = 1.0f;
}

void QUAT::Set(QUAT q) {
    *this = q;
}

void QUAT::FromAxisAngle(VECTOR axis, float angle) {
    const float half = angle / 2.0f;
    const float s = (float)std::sin((double)half);
    w = (float)std::cos((double)half);
    x = axis.x * s;
    y = axis.y * s;
    z = axis.z * s;
}

void QUAT::FromEuler(float a, float b, float c) {
    const float cr = (float)std::cos((double)(a * 0.5f));
    const float cp = (float)std::cos((double)(b * 0.5f));
    const float cy = (float)std::cos((double)(c * 0.5f));
    const float sr = (float)std::sin((double)(a * 0.5f));
    const float sp = (float)std::sin((double)(b * 0.5f));
    const float sy = (float)std::sin((double)(c * 0.5f));
    const float cpcy = cp * cy;
    const float spsy = sp * sy;
    w = cr * cpcy + sr * spsy;
    x = sr * cpcy - cr * spsy;
    y = cr * sp * cy + sr * cp * sy;
    z = cr * cp * sy - sr * sp * cy;
}

float QUAT::Norm() const {
    return (float)std::sqrt((double)(w * w + x * x + y * y + z * z));
}

void QUAT::Normalize() {
    const float n = Norm();
    w /= n;
    x /= n;
    y /= n;
    z /= n;
}

void QUAT::Multiply(QUAT q) {
    const VECTOR pv(x, y, z);
    const VECTOR qv(q.x, q.y, q.z);
    VECTOR cross = pv;
    cross.Cross(qv); // qv x pv
    const VECTOR v = cross + w * qv + q.w * pv;
    w = w * q.w - pv.Dot(qv);
    x = v.x;
    y = v.y;
    z = v.z;
}

void QUAT::FromMatrix(const float m[16]) {
    const float trace = m[0] + m[5] + m[10];
    if (trace > 0.0f) {
        float s = (float)std::sqrt((double)trace + 1.0);
        w = s * 0.5f;
        s = 0.5f / s;
        x = (m[6] - m[9]) * s;
        y = (m[8] - m[2]) * s;
        z = (m[1] - m[4]) * s;
        return;
    }
    static const int next[3] = {1, 2, 0};
    int i = 0;
    if (m[5] > m[0]) i = 1;
    if (m[10] > m[i * 4 + i]) i = 2;
    const int j = next[i];
    const int k = next[j];
    float s = (float)std::sqrt((double)(m[i * 4 + i] - (m[j * 4 + j] + m[k * 4 + k])) + 1.0);
    float q[3];
    q[i] = s * 0.5f;
    if (s != 0.0f) s = 0.5f / s;
    w = (m[j * 4 + k] - m[k * 4 + j]) * s;
    q[j] = (m[i * 4 + j] + m[j * 4 + i]) * s;
    q[k] = (m[i * 4 + k] + m[k * 4 + i]) * s;
    x = q[0];
    y = q[1];
    z = q[2];
}

// ---------------------------------------------------------------------------------------------
// MATRIX
// ---------------------------------------------------------------------------------------------

void MATRIX::Identity() {
    for (int i = 0; i < 16; ++i)
        m[i] = 0.0f;
    m[0] = m[5] = m[10] = m[15] = 1.0f;
}

void MATRIX::Copy(const float src[16]) {
    for (int i = 0; i < 16; ++i)
        m[i] = src[i];
}

void MATRIX::Multiply(const float b[16]) {
    float old[16];
    for (int i = 0; i < 16; ++i)
        old[i] = m[i];
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            m[c * 4 + r] = old[0 * 4 + r] * b[c * 4 + 0] + old[1 * 4 + r] * b[c * 4 + 1] +
                           old[2 * 4 + r] * b[c * 4 + 2] + old[3 * 4 + r] * b[c * 4 + 3];
}

void MATRIX::InvertRigid() {
    float t;
    t = m[1], m[1] = m[4], m[4] = t;
    t = m[2], m[2] = m[8], m[8] = t;
    t = m[6], m[6] = m[9], m[9] = t;
    m[12] *= -1.0f;
    m[13] *= -1.0f;
    m[14] *= -1.0f;
}

void MATRIX::FromAxisAngle(VECTOR axis, float angle) {
    const float s = (float)std::sin((double)(angle * 0.5f));
    const QUAT q(axis.x * s, axis.y * s, axis.z * s, (float)std::cos((double)(angle * 0.5f)));
    FromQuat(q);
}

void MATRIX::FromQuat(QUAT q) {
    const float x2 = q.x + q.x, y2 = q.y + q.y, z2 = q.z + q.z;
    const float xx = q.x * x2, xy = q.x * y2, xz = q.x * z2;
    const float yy = q.y * y2, yz = q.y * z2, zz = q.z * z2;
    const float wx = q.w * x2, wy = q.w * y2, wz = q.w * z2;
    m[0] = 1.0f - (yy + zz);
    m[1] = xy - wz;
    m[2] = xz + wy;
    m[3] = 0.0f;
    m[4] = xy + wz;
    m[5] = 1.0f - (xx + zz);
    m[6] = yz - wx;
    m[7] = 0.0f;
    m[8] = xz - wy;
    m[9] = yz + wx;
    m[10] = 1.0f - (xx + yy);
    m[11] = 0.0f;
    m[12] = m[13] = m[14] = 0.0f;
    m[15] = 1.0f;
}

// ---------------------------------------------------------------------------------------------
// OBJECT3D
// ---------------------------------------------------------------------------------------------

namespace {

// The local +z axis as OpenGL applies the FromQuat matrix (its elements 8, 9, 10).
VECTOR forwardOf(const QUAT& q) {
    return VECTOR(2.0f * (q.x * q.z - q.w * q.y), 2.0f * (q.y * q.z + q.w * q.x),
                  1.0f - 2.0f * (q.x * q.x + q.y * q.y));
}

VECTOR turnedForward(const QUAT& orientation, float a, float b) {
    QUAT turn;
    turn.FromEuler(a, b, 0.0f);
    QUAT copy = orientation;
    copy.Multiply(turn);
    return forwardOf(copy);
}

} // namespace

void OBJECT3D::Reset() {
    orientation.Identity();
    position.Zero();
    for (int i = 0; i < 3; ++i)
        rotation[i] = movement[i] = 0.0f;
}

void OBJECT3D::ApplyRotation() {
    QUAT turn;
    turn.FromEuler(rotation[0] * degToRad * scale, rotation[1] * degToRad * scale, rotation[2] * degToRad * scale);
    orientation.Multiply(turn);
}

VECTOR OBJECT3D::Forward() const {
    return forwardOf(orientation);
}
VECTOR OBJECT3D::Side() const {
    return turnedForward(orientation, 0.0f, (1.0f / 180.0f) * floatPi * -90.0f);
}
VECTOR OBJECT3D::Up() const {
    return turnedForward(orientation, (1.0f / 180.0f) * floatPi * 90.0f, 0.0f);
}

void OBJECT3D::ApplyMovement() {
    const VECTOR axes[3] = {Side(), Up(), Forward()};
    for (int n = 0; n < 3; ++n)
        if (movement[n] != 0.0f) position = position + axes[n] * movement[n] * scale;
    for (int n = 0; n < 3; ++n)
        movement[n] = 0.0f;
}

void OBJECT3D::Move(float side, float up, float forward) {
    const float amounts[3] = {side, up, forward};
    const VECTOR axes[3] = {Side(), Up(), Forward()};
    for (int n = 0; n < 3; ++n)
        if (amounts[n] != 0.0f) position = position + axes[n] * amounts[n];
}
