// domain: the eleven particle shapes, their random points and inside tests, and the random sources.
#include "particles/domain.h"

#include <cmath>
#include <cstdlib>

namespace {

const float twoPi = 2.0f * 3.1415927f;
const float invSqrtTwoPi = 0.3989422804014327f;
const float normalScale = 1.2539185f;

// The generator is described over 0..32767; a wider rand() keeps its low fifteen bits, which
// leaves a runtime whose RAND_MAX is 32767 untouched.
int rand15() {
    return std::rand() & 0x7FFF;
}

// A zero vector stays zero rather than turning into NaN: a degenerate domain then samples
// and tests as a flattened shape instead of poisoning every particle that touches it.
VECTOR unit(const VECTOR& a) {
    const float len = std::sqrt(PART_Length2(a));
    return len > 0.0f ? PART_Scale(a, 1.0f / len) : VECTOR(0, 0, 0);
}

// u and v span the plane at right angles to the unit vector n.
void perpendicularBasis(const VECTOR& n, VECTOR* u, VECTOR* v) {
    const VECTOR b = std::fabs((double)n.x) <= 0.999 ? VECTOR(1, 0, 0) : VECTOR(0, 1, 0);
    *u = unit(PART_Sub(b, PART_Scale(n, PART_Dot(b, n))));
    *v = PART_Cross(n, *u);
}

// Outer radius first, whatever order the caller gave.
void setRadii(PART_Domain* d, float ra, float rb) {
    d->radius1 = ra > rb ? ra : rb;
    d->radius2 = ra > rb ? rb : ra;
    d->radius1Sqr = d->radius1 * d->radius1;
    d->radius2Sqr = d->radius2 * d->radius2;
}

// Triangle and parallelogram: corner, edges, unit normal, plane offset and edge lengths.
void setFlat(PART_Domain* d, const VECTOR& corner, const VECTOR& u, const VECTOR& v) {
    d->p1 = corner;
    d->u = u;
    d->v = v;
    d->p2 = unit(PART_Cross(unit(u), unit(v)));
    d->radius1 = -PART_Dot(d->p1, d->p2);
    d->radius1Sqr = std::sqrt(PART_Length2(u));
    d->radius2Sqr = std::sqrt(PART_Length2(v));
}

} // namespace

PART_Domain PART_MakeDomain(int type, float a0, float a1, float a2, float a3, float a4, float a5, float a6, float a7,
                            float a8) {
    PART_Domain d = {};
    d.type = type;
    const VECTOR first(a0, a1, a2), second(a3, a4, a5), third(a6, a7, a8);
    switch (type) {
    case PART_DOM_POINT:
        d.p1 = first;
        break;
    case PART_DOM_SEGMENT:
        d.p1 = first;
        d.p2 = PART_Sub(second, first);
        break;
    case PART_DOM_TRIANGLE:
        setFlat(&d, first, PART_Sub(second, first), PART_Sub(third, first));
        break;
    case PART_DOM_PLANE:
        d.p1 = first;
        d.p2 = unit(second);
        d.radius1 = -PART_Dot(d.p1, d.p2);
        break;
    case PART_DOM_BOX:
        d.p1 = VECTOR(std::fmin(a0, a3), std::fmin(a1, a4), std::fmin(a2, a5));
        d.p2 = VECTOR(std::fmax(a0, a3), std::fmax(a1, a4), std::fmax(a2, a5));
        break;
    case PART_DOM_SPHERE:
        d.p1 = first;
        setRadii(&d, a3, a4);
        break;
    case PART_DOM_CYLINDER:
    case PART_DOM_CONE: {
        d.p1 = first;
        d.p2 = PART_Sub(second, first);
        setRadii(&d, a6, a7);
        const float axis2 = PART_Length2(d.p2);
        d.radius2Sqr = axis2 > 0.0f ? 1.0f / axis2 : 0.0f;
        perpendicularBasis(unit(d.p2), &d.u, &d.v);
        break;
    }
    case PART_DOM_GAUSSIAN:
        d.p1 = first;
        d.radius1 = a3;
        // A zero spread is a point: zero density keeps the inside test from computing 0 x infinity.
        d.radius2 = a3 != 0.0f ? invSqrtTwoPi / a3 : 0.0f;
        d.radius2Sqr = a3 != 0.0f ? -0.5f / (a3 * a3) : 0.0f;
        break;
    case PART_DOM_DISC:
        d.p1 = first;
        d.p2 = unit(second);
        perpendicularBasis(d.p2, &d.u, &d.v);
        setRadii(&d, a6, a7);
        d.radius1Sqr = -PART_Dot(d.p1, d.p2);
        break;
    case PART_DOM_PARALLELOGRAM:
        setFlat(&d, first, second, third);
        break;
    default:
        break;
    }
    return d;
}

VECTOR PART_DomainPoint(const PART_Domain& d) {
    switch (d.type) {
    case PART_DOM_POINT:
    case PART_DOM_PLANE:
        return d.p1;
    case PART_DOM_SEGMENT:
        return PART_Add(d.p1, PART_Scale(d.p2, PART_Uniform()));
    case PART_DOM_TRIANGLE: {
        const float r1 = PART_Uniform();
        const float r2 = PART_Uniform();
        if (r1 + r2 >= 1.0f) return PART_Add(d.p1, PART_Add(PART_Scale(d.u, 1.0f - r1), PART_Scale(d.v, 1.0f - r2)));
        return PART_Add(d.p1, PART_Add(PART_Scale(d.u, r1), PART_Scale(d.v, r2)));
    }
    case PART_DOM_BOX: {
        const float x = d.p1.x + PART_Uniform() * (d.p2.x - d.p1.x);
        const float y = d.p1.y + PART_Uniform() * (d.p2.y - d.p1.y);
        const float z = d.p1.z + PART_Uniform() * (d.p2.z - d.p1.z);
        return VECTOR(x, y, z);
    }
    case PART_DOM_SPHERE: {
        const float z = PART_Uniform();
        const float y = PART_Uniform();
        const float x = PART_Uniform();
        // Never zero: 0.5 is not a multiple of 1/32767.
        const VECTOR dir = unit(VECTOR(x - 0.5f, y - 0.5f, z - 0.5f));
        const float radius = d.radius1 != d.radius2 ? d.radius2 + PART_Uniform() * (d.radius1 - d.radius2) : d.radius1;
        return PART_Add(d.p1, PART_Scale(dir, radius));
    }
    case PART_DOM_CYLINDER:
    case PART_DOM_CONE: {
        const float t = PART_Uniform();
        const float theta = PART_Uniform() * twoPi;
        const float rho = d.radius2 + PART_Uniform() * (d.radius1 - d.radius2);
        float x = std::cos(theta) * rho, y = std::sin(theta) * rho;
        if (d.type == PART_DOM_CONE) x *= t, y *= t;
        return PART_Add(PART_Add(d.p1, PART_Scale(d.p2, t)), PART_Add(PART_Scale(d.u, x), PART_Scale(d.v, y)));
    }
    case PART_DOM_GAUSSIAN: {
        const float x = PART_NormalSample(d.radius1);
        const float y = PART_NormalSample(d.radius1);
        const float z = PART_NormalSample(d.radius1);
        return PART_Add(d.p1, VECTOR(x, y, z));
    }
    case PART_DOM_DISC: {
        const float theta = PART_Uniform() * twoPi;
        const float rho = d.radius2 + PART_Uniform() * (d.radius1 - d.radius2);
        return PART_Add(d.p1, PART_Add(PART_Scale(d.u, std::cos(theta) * rho), PART_Scale(d.v, std::sin(theta) * rho)));
    }
    case PART_DOM_PARALLELOGRAM: {
        const float r1 = PART_Uniform();
        const float r2 = PART_Uniform();
        return PART_Add(d.p1, PART_Add(PART_Scale(d.v, r1), PART_Scale(d.u, r2)));
    }
    default:
        return VECTOR(0, 0, 0);
    }
}

bool PART_DomainContains(const PART_Domain& d, const VECTOR& x) {
    switch (d.type) {
    case PART_DOM_PLANE:
        return PART_Dot(x, d.p2) + d.radius1 >= 0.0f;
    case PART_DOM_BOX:
        return d.p1.x <= x.x && x.x <= d.p2.x && d.p1.y <= x.y && x.y <= d.p2.y && d.p1.z <= x.z && x.z <= d.p2.z;
    case PART_DOM_SPHERE: {
        const float r2 = PART_Length2(PART_Sub(x, d.p1));
        return d.radius2Sqr <= r2 && r2 <= d.radius1Sqr;
    }
    case PART_DOM_CYLINDER:
    case PART_DOM_CONE: {
        const VECTOR rel = PART_Sub(x, d.p1);
        const float t = PART_Dot(rel, d.p2) * d.radius2Sqr;
        if (t < 0.0f || t > 1.0f) return false;
        const float dist2 = PART_Length2(PART_Sub(rel, PART_Scale(d.p2, t)));
        const float scale = d.type == PART_DOM_CONE ? t : 1.0f;
        const float outer = scale * d.radius1, inner = scale * d.radius2;
        return dist2 <= outer * outer && dist2 >= inner * inner;
    }
    case PART_DOM_GAUSSIAN: {
        const float density = std::exp(PART_Length2(PART_Sub(x, d.p1)) * d.radius2Sqr) * d.radius2;
        return PART_Uniform() < density;
    }
    default:
        return false;
    }
}

float PART_Uniform() {
    return (float)rand15() / 32767.0f;
}

float PART_NormalSample(float spread) {
    if (spread == 0.0f) return 0.0f;
    float e;
    for (;;) {
        float u = PART_Uniform();
        if (u <= 0.0f) u = 1.0f;
        e = -std::log(u);
        const float w = PART_Uniform();
        if (w <= std::exp(-(e - 1.0f) * (e - 1.0f) * 0.5f)) break;
    }
    const float r = e * spread * normalScale;
    return (rand15() & 1) ? r : -r;
}
