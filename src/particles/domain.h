// domain: the shapes particles are born in and collide with, built from nine numbers, with a
// random point generator and an inside test per shape, and the two random sources (uniform
// and normal) of the whole particle system. Everything a generator or test can precompute
// is stored in the record at construction, so the per-particle work stays a few products.
// uses: core, math
#pragma once

#include "core/types.h"
#include "math/vmath.h"

// The numbers are part of the interface: callers pass them as plain integers.
enum {
    PART_DOM_POINT = 0,
    PART_DOM_SEGMENT = 1,
    PART_DOM_TRIANGLE = 2,
    PART_DOM_PLANE = 3,
    PART_DOM_BOX = 4,
    PART_DOM_SPHERE = 5,
    PART_DOM_CYLINDER = 6,
    PART_DOM_CONE = 7,
    PART_DOM_GAUSSIAN = 8,
    PART_DOM_DISC = 9,
    PART_DOM_PARALLELOGRAM = 10
};

// What each field holds depends on the type; the table in domain.cpp's PART_MakeDomain says which.
struct PART_Domain {
    Sint32 type;
    VECTOR p1;
    VECTOR p2;
    VECTOR u;
    VECTOR v;
    float radius1;
    float radius2;
    float radius1Sqr;
    float radius2Sqr;
};

PART_Domain PART_MakeDomain(int type, float a0 = 0, float a1 = 0, float a2 = 0, float a3 = 0, float a4 = 0,
                            float a5 = 0, float a6 = 0, float a7 = 0, float a8 = 0);
VECTOR PART_DomainPoint(const PART_Domain& domain);
// The gaussian's test is probabilistic and takes one uniform draw.
bool PART_DomainContains(const PART_Domain& domain, const VECTOR& point);

// rand() reduced to 0..32767, divided by 32767: both 0 and 1 can come out.
float PART_Uniform();
// 0 for spread 0 without a draw; otherwise normal with standard deviation 1.2539185 x spread.
float PART_NormalSample(float spread);

// Inline arithmetic for the per-particle loops: VECTOR's own operators live out of line.
inline VECTOR PART_Add(const VECTOR& a, const VECTOR& b) {
    return VECTOR(a.x + b.x, a.y + b.y, a.z + b.z);
}
inline VECTOR PART_Sub(const VECTOR& a, const VECTOR& b) {
    return VECTOR(a.x - b.x, a.y - b.y, a.z - b.z);
}
inline VECTOR PART_Scale(const VECTOR& a, float s) {
    return VECTOR(a.x * s, a.y * s, a.z * s);
}
inline float PART_Dot(const VECTOR& a, const VECTOR& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline VECTOR PART_Cross(const VECTOR& a, const VECTOR& b) {
    return VECTOR(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}
inline float PART_Length2(const VECTOR& a) {
    return PART_Dot(a, a);
}
