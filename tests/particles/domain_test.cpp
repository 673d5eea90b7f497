// Particle domains: stored radii and basis, where random points fall, the inside tests and the random sources.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "fixture.h"
#include "particles/domain.h"

namespace {

float distance(const VECTOR& a, const VECTOR& b) {
    return std::sqrt(PART_Length2(PART_Sub(a, b)));
}

} // namespace

TEST(Domain, RadiiAreOrderedAndTheDiscBasisAvoidsItsNormal) {
    for (int type : {PART_DOM_SPHERE, PART_DOM_CYLINDER, PART_DOM_DISC})
        for (float a : {1.0f, 2.0f}) {
            const PART_Domain d = type == PART_DOM_SPHERE ? PART_MakeDomain(type, 0, 0, 0, a, 3 - a)
                                                          : PART_MakeDomain(type, 0, 0, 0, 0, 0, 1, a, 3 - a);
            EXPECT_TRUE(d.radius1 == 2.0f && d.radius2 == 1.0f) << type << " " << a;
        }
    const VECTOR cases[][3] = {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, // |n.x| = 1 > 0.999: start from y
                               {{0, 0, 2}, {1, 0, 0}, {0, 1, 0}},
                               {{0, 3, 0}, {1, 0, 0}, {0, 0, -1}}};
    for (const auto& c : cases) {
        const PART_Domain d = PART_MakeDomain(PART_DOM_DISC, 0, 0, 0, c[0].x, c[0].y, c[0].z, 1, 0);
        EXPECT_TRUE(near(d.u, c[1]) && near(d.v, c[2])) << c[0].x << c[0].y << c[0].z;
    }
}

TEST(Domain, RandomPointsStayOnTheirShapes) {
    std::srand(11);
    const VECTOR centre(1, -2, 3);
    const PART_Domain surface = PART_MakeDomain(PART_DOM_SPHERE, 1, -2, 3, 3, 3);
    const PART_Domain shell = PART_MakeDomain(PART_DOM_SPHERE, 1, -2, 3, 1, 2);
    const PART_Domain segment = PART_MakeDomain(PART_DOM_SEGMENT, 0, 0, 0, 2, 4, 0);
    const PART_Domain triangle = PART_MakeDomain(PART_DOM_TRIANGLE, 0, 0, 0, 4, 0, 0, 0, 2, 0);
    const PART_Domain disc = PART_MakeDomain(PART_DOM_DISC, 0, 0, 5, 0, 0, 1, 2, 1);
    const PART_Domain cone = PART_MakeDomain(PART_DOM_CONE, 0, 0, 0, 0, 0, 10, 2, 0);
    const PART_Domain pipe = PART_MakeDomain(PART_DOM_CYLINDER, 0, 0, 0, 0, 0, 10, 2, 1);
    for (int i = 0; i < 500; ++i) {
        EXPECT_NEAR(distance(PART_DomainPoint(surface), centre), 3.0f, 1e-5f);
        const float r = distance(PART_DomainPoint(shell), centre);
        EXPECT_TRUE(r >= 1.0f - 1e-5f && r <= 2.0f + 1e-5f) << r;
        const VECTOR s = PART_DomainPoint(segment);
        EXPECT_TRUE(std::fabs(s.y - 2 * s.x) < 1e-5f && s.x >= 0 && s.x <= 2) << s.x;
        const VECTOR t = PART_DomainPoint(triangle); // x / 4 + y / 2 <= 1 in the z = 0 plane
        EXPECT_TRUE(t.x >= 0 && t.y >= 0 && t.x / 4 + t.y / 2 <= 1 + 1e-5f && t.z == 0) << t.x << " " << t.y;
        const VECTOR d = PART_DomainPoint(disc);
        const float rho = std::hypot(d.x, d.y);
        EXPECT_TRUE(d.z == 5 && rho >= 1 - 1e-5f && rho <= 2 + 1e-5f) << rho;
        const VECTOR c = PART_DomainPoint(cone); // thin near the apex
        EXPECT_LE(std::hypot(c.x, c.y), 2.0f * c.z / 10.0f + 1e-5f) << "height " << c.z;
        const VECTOR p = PART_DomainPoint(pipe); // as wide at its base as at its top
        const float across = std::hypot(p.x, p.y);
        EXPECT_TRUE(across >= 1 - 1e-5f && across <= 2 + 1e-5f && p.z >= 0 && p.z <= 10) << across << " " << p.z;
    }
    // Planes are not sampled over their area, an unknown type yields the origin, a zero axis no NaN.
    EXPECT_TRUE(near(PART_DomainPoint(PART_MakeDomain(PART_DOM_PLANE, 1, 2, 3, 0, 0, 1)), VECTOR(1, 2, 3), 0));
    EXPECT_TRUE(near(PART_DomainPoint(PART_MakeDomain(42, 1, 2, 3)), VECTOR(0, 0, 0), 0));
    EXPECT_TRUE(finite(PART_DomainPoint(PART_MakeDomain(PART_DOM_CYLINDER, 1, 1, 1, 1, 1, 1, 1, 0))));
}

TEST(Domain, InsideTests) {
    const PART_Domain sphere = PART_MakeDomain(PART_DOM_SPHERE, 0, 0, 0, 1, 2);
    const PART_Domain box = PART_MakeDomain(PART_DOM_BOX, 1, 5, 0, 0, 0, 2);
    const PART_Domain plane = PART_MakeDomain(PART_DOM_PLANE, 0, 0, -3, 0, 0, 2); // normal scaled: made unit
    const PART_Domain cone = PART_MakeDomain(PART_DOM_CONE, 0, 0, 0, 0, 0, 10, 2, 0);
    const PART_Domain pipe = PART_MakeDomain(PART_DOM_CYLINDER, 0, 0, 0, 0, 0, 4, 2, 1);
    const struct {
        const PART_Domain& d;
        VECTOR at;
        bool inside;
    } cases[] = {{sphere, {1.5f, 0, 0}, true},   {sphere, {0.5f, 0, 0}, false}, {sphere, {0, 2.1f, 0}, false},
                 {box, {1, 5, 2}, true},         {box, {0, 0, 0}, true},        {box, {1, 5, 2.001f}, false},
                 {box, {-0.001f, 1, 1}, false},  {plane, {7, -4, -3}, true},    {plane, {0, 0, 10}, true},
                 {plane, {0, 0, -3.01f}, false}, {cone, {0.9f, 0, 5}, true},    {cone, {1.1f, 0, 5}, false},
                 {cone, {0, 0, -0.1f}, false},   {pipe, {0, 1.5f, 4}, true},    {pipe, {0, 1.5f, 4.1f}, false},
                 {pipe, {0, 0.5f, 2}, false}};
    for (const auto& c : cases)
        EXPECT_EQ(PART_DomainContains(c.d, c.at), c.inside) << c.d.type << " " << c.at.x << c.at.y << c.at.z;
    // Shapes without volume contain nothing, nor does a gaussian of no spread.
    for (int type : {PART_DOM_POINT, PART_DOM_SEGMENT, PART_DOM_TRIANGLE, PART_DOM_DISC, PART_DOM_PARALLELOGRAM})
        EXPECT_FALSE(PART_DomainContains(PART_MakeDomain(type, 0, 0, 0, 1, 0, 0, 0, 1, 0), VECTOR(0, 0, 0))) << type;
    EXPECT_FALSE(PART_DomainContains(PART_MakeDomain(PART_DOM_GAUSSIAN, 0, 0, 0, 0), VECTOR(0, 0, 0)));
}

TEST(Domain, RandomSources) {
    std::srand(7);
    const int next = std::rand();
    std::srand(7);
    EXPECT_EQ(PART_NormalSample(0), 0.0f);
    EXPECT_EQ(std::rand(), next) << "a zero spread takes no draw";

    std::srand(3);
    int positive = 0;
    const double sd = meanAndSpread(40000, [&] {
                          const float x = PART_NormalSample(2.0f);
                          positive += x > 0;
                          return x;
                      }).second;
    EXPECT_NEAR(sd, 1.2539185 * 2.0, 0.06);
    EXPECT_NEAR(positive / 40000.0, 0.5, 0.02);
    const PART_Domain g = PART_MakeDomain(PART_DOM_GAUSSIAN, 0, 0, 10, 0.5f); // the same spread per axis
    EXPECT_NEAR(meanAndSpread(40000, [&] { return PART_DomainPoint(g).z; }).second, 1.2539185 * 0.5, 0.02);

    float lo = 1, hi = 0; // both ends of the uniform source are reached
    for (int i = 0; i < 400000; ++i)
        lo = std::fmin(lo, PART_Uniform()), hi = std::fmax(hi, PART_Uniform());
    EXPECT_TRUE(lo == 0.0f && hi == 1.0f);
}
