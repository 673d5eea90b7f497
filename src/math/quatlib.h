// quatlib: free quaternion and vector functions, the look-at builders and the table-driven fast
// square root that the particle depth sort uses.
//
// Quaternions passed as float arrays are [0] x, [1] y, [2] z, [3] w. Matrices written here use
// the layout of MATRIX::FromQuat. Unlike VECTOR::Cross, VectorCross and Cross3 compute a x b.
// uses: core
#pragma once

#include "math/vmath.h"

// Writes the start-up banner to stderr and fills the table; runs once before main.
void FastSqrtInit();
// Square root to about 14 significant bits; x must be 0 or a positive normal number.
double FastSqrt(double x);
double FastDistance(const float a[3], const float b[3]);

QUAT QuatMultiply(QUAT q1, QUAT q2); // q1 * q2
float QuatNorm(QUAT q);
QUAT QuatNormalized(QUAT q);
void QuatFromEulerAngles(float a, float b, float c, float out[4]);
QUAT QuatAxisAngleMatrix(VECTOR axis, float angle, float m[16]);
void QuatToMatrix(QUAT q, float m[16]);
void QuatSlerp(const float from[4], const float to[4], float t, float out[4]);
void QuatLerp(const float from[4], const float to[4], float t, float out[4]);

float VectorDot(VECTOR a, VECTOR b);
VECTOR VectorCross(VECTOR a, VECTOR b);
float VectorLength(VECTOR v);
VECTOR VectorNormalized(VECTOR v);
VECTOR VectorSubtract(VECTOR a, VECTOR b);
void Cross3(float out[3], const float a[3], const float b[3]);
void Normalize3(float v[3]);
void Scale3(float v[3], float s);

// Multiply the current OpenGL matrix: a viewing transform from eye towards center, and a
// placing transform that puts an object at eye with its local -z axis towards center.
void LookAtMatrixd(double eye[3], double center[3], double up[3]);
void ObjectLookAtMatrixf(float eye[3], float center[3], float up[3]);

// A program that links the engine but is not the demo (vhpack, assetgen) defines this as
// true, and the start-up banner, which belongs to the demo, is left out.
extern const bool VH_QuietStartup __attribute__((weak));
