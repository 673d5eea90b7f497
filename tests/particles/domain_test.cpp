// Particle domains: what the constructor stores, where random points fall, the inside tests
// and the two random sources.
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

TEST(Domain, RadiiAreOrderedWhateverTheArgumentOrder) {
    for (int type : {PART_DOM_SPHERE, PART_DOM_CYLINDER, PART_DOM_DISC}) {
        const bool sphere = type == PART_DOM_SPHERE;
        const PART_Domain a =
            sphere ? PART_MakeDomain(type, 0, 0, 0, 2, 1) : PART_MakeDomain(type, 0, 0, 0, 0, 0, 1, 2, 1);
        const PART_Domain b =
            sphere ? PART_MakeDomain(type, 0, 0, 0, 1, 2) : PART_MakeDomain(type, 0, 0, 0, 0, 0, 1, 1, 2);
        EXPECT_EQ(a.radius1, 2.0f) << type;
        EXPECT_EQ(b.radius1, 2.0f) << type;
        EXPECT_EQ(a.radius2, 1.0f) << type;
        EXPECT_EQ(b.radius2, 1.0f) << type;
    }
    const PART_Domain s = PART_MakeDomain(PART_DOM_SPHERE, 0, 0, 0, 1, 2);
    EXPECT_EQ(s.radius1Sqr, 4.0f);
    EXPECT_EQ(s.radius2Sqr, 1.0f);
    EXPECT_TRUE(PART_DomainContains(s, VECTOR(1.5f, 0, 0)));
    EXPECT_FALSE(PART_DomainContains(s, VECTOR(0.5f, 0, 0))); // inside the hollow
    EXPECT_FALSE(PART_DomainContains(s, VECTOR(0, 2.1f, 0)));
}

TEST(Domain, RandomPointsStayOnTheirShapes) {
    std::srand(11);
    const VECTOR centre(1, -2, 3);
    const PART_Domain surface = PART_MakeDomain(PART_DOM_SPHERE, 1, -2, 3, 3, 3);
    const PART_Domain shell = PART_MakeDomain(PART_DOM_SPHERE, 1, -2, 3, 1, 2);
    const PART_Domain segment = PART_MakeDomain(PART_DOM_SEGMENT, 0, 0, 0, 2, 4, 0);
    const PART_Domain triangle = PART_MakeDomain(PART_DOM_TRIANGLE, 0, 0, 0, 4, 0, 0, 0, 2, 0);
    const PART_Domain disc = PART_MakeDomain(PART_DOM_DISC, 0, 0, 5, 0, 0, 1, 2, 1);
    for (int i = 0; i < 500; ++i) {
        EXPECT_NEAR(distance(PART_DomainPoint(surface), centre), 3.0f, 1e-5f);
        const float r = distance(PART_DomainPoint(shell), centre);
        EXPECT_TRUE(r >= 1.0f - 1e-5f && r <= 2.0f + 1e-5f) << r;
        const VECTOR s = PART_DomainPoint(segment);
        EXPECT_NEAR(s.y, 2 * s.x, 1e-5f);
        EXPECT_TRUE(s.x >= 0 && s.x <= 2) << s.x;
        const VECTOR t = PART_DomainPoint(triangle); // x / 4 + y / 2 <= 1 in the z = 0 plane
        EXPECT_TRUE(t.x >= 0 && t.y >= 0 && t.x / 4 + t.y / 2 <= 1 + 1e-5f && t.z == 0) << t.x << " " << t.y;
        const VECTOR d = PART_DomainPoint(disc);
        const float rho = std::hypot(d.x, d.y);
        EXPECT_TRUE(d.z == 5 && rho >= 1 - 1e-5f && rho <= 2 + 1e-5f) << rho;
    }
    // Planes are not sampled over their area, and an unknown type yields the origin.
    EXPECT_TRUE(near(PART_DomainPoint(PART_MakeDomain(PART_DOM_PLANE, 1, 2, 3, 0, 0, 1)), VECTOR(1, 2, 3), 0));
    EXPECT_TRUE(near(PART_DomainPoint(PART_MakeDomain(42, 1, 2, 3)), VECTOR(0, 0, 0), 0));
}

TEST(Domain, BoxCornersAndPlaneSurfaceAreInside) {
    const PART_Domain box = PART_MakeDomain(PART_DOM_BOX, 1, 5, 0, 0, 0, 2);
    EXPECT_TRUE(near(box.p1, VECTOR(0, 0, 0), 0));
    EXPECT_TRUE(near(box.p2, VECTOR(1, 5, 2), 0));
    EXPECT_TRUE(PART_DomainContains(box, VECTOR(1, 5, 2)));
    EXPECT_TRUE(PART_DomainContains(box, VECTOR(0, 0, 0)));
    EXPECT_FALSE(PART_DomainContains(box, VECTOR(1, 5, 2.001f)));
    EXPECT_FALSE(PART_DomainContains(box, VECTOR(-0.001f, 1, 1)));

    const PART_Domain plane = PART_MakeDomain(PART_DOM_PLANE, 0, 0, -3, 0, 0, 2); // normal scaled: made unit
    EXPECT_EQ(plane.p2.z, 1.0f);
    EXPECT_EQ(plane.radius1, 3.0f);
    EXPECT_TRUE(PART_DomainContains(plane, VECTOR(7, -4, -3)));
    EXPECT_TRUE(PART_DomainContains(plane, VECTOR(0, 0, 10)));
    EXPECT_FALSE(PART_DomainContains(plane, VECTOR(0, 0, -3.01f)));
    // Shapes without volume contain nothing.
    for (int type : {PART_DOM_POINT, PART_DOM_SEGMENT, PART_DOM_TRIANGLE, PART_DOM_DISC, PART_DOM_PARALLELOGRAM})
        EXPECT_FALSE(PART_DomainContains(PART_MakeDomain(type, 0, 0, 0, 1, 0, 0, 0, 1, 0), VECTOR(0, 0, 0))) << type;
}

TEST(Domain, ConeIsThinAtTheApexAndCylinderTestsItsEnds) {
    std::srand(5);
    const PART_Domain cone = PART_MakeDomain(PART_DOM_CONE, 0, 0, 0, 0, 0, 10, 2, 0);
    for (int i = 0; i < 1000; ++i) {
        const VECTOR p = PART_DomainPoint(cone);
        const float t = p.z / 10.0f;
        EXPECT_LE(std::hypot(p.x, p.y), 2.0f * t + 1e-5f) << "t " << t;
    }
    EXPECT_TRUE(PART_DomainContains(cone, VECTOR(0.9f, 0, 5)));
    EXPECT_FALSE(PART_DomainContains(cone, VECTOR(1.1f, 0, 5))); // the base radius 2, halved half-way up
    EXPECT_FALSE(PART_DomainContains(cone, VECTOR(0, 0, -0.1f)));

    const PART_Domain pipe = PART_MakeDomain(PART_DOM_CYLINDER, 0, 0, 0, 0, 0, 4, 2, 1);
    EXPECT_EQ(pipe.radius2Sqr, 1.0f / 16.0f);
    EXPECT_TRUE(PART_DomainContains(pipe, VECTOR(0, 1.5f, 4)));
    EXPECT_FALSE(PART_DomainContains(pipe, VECTOR(0, 1.5f, 4.1f)));
    EXPECT_FALSE(PART_DomainContains(pipe, VECTOR(0, 0.5f, 2))); // inside the inner radius
    // A zero axis is guarded: nothing past the base point is inside, and nothing is NaN.
    const PART_Domain flat = PART_MakeDomain(PART_DOM_CYLINDER, 1, 1, 1, 1, 1, 1, 1, 0);
    EXPECT_EQ(flat.radius2Sqr, 0.0f);
    EXPECT_TRUE(finite(flat.u) && finite(flat.v));
    EXPECT_TRUE(finite(PART_DomainPoint(flat)));
}

TEST(Domain, DiscBasisAvoidsTheNormal) {
    const struct {
        VECTOR normal, u, v;
    } cases[] = {
        {VECTOR(1, 0, 0), VECTOR(0, 1, 0), VECTOR(0, 0, 1)}, // |n.x| = 1 > 0.999: start from y
        {VECTOR(0, 0, 2), VECTOR(1, 0, 0), VECTOR(0, 1, 0)},
        {VECTOR(0, 3, 0), VECTOR(1, 0, 0), VECTOR(0, 0, -1)},
    };
    for (const auto& c : cases) {
        const PART_Domain d = PART_MakeDomain(PART_DOM_DISC, 0, 0, 0, c.normal.x, c.normal.y, c.normal.z, 1, 0);
        EXPECT_TRUE(near(d.u, c.u)) << c.normal.x << c.normal.y << c.normal.z;
        EXPECT_TRUE(near(d.v, c.v)) << c.normal.x << c.normal.y << c.normal.z;
        EXPECT_NEAR(PART_Dot(d.u, d.p2), 0.0f, 1e-6f);
    }
}

TEST(Domain, NormalSamplerSpread) {
    std::srand(7);
    const int next = std::rand();
    std::srand(7);
    EXPECT_EQ(PART_NormalSample(0), 0.0f);
    EXPECT_EQ(std::rand(), next) << "a zero spread takes no draw";

    std::srand(3);
    const int n = 40000;
    double sum = 0, sum2 = 0;
    int positive = 0;
    for (int i = 0; i < n; ++i) {
        const double x = PART_NormalSample(2.0f);
        sum += x, sum2 += x * x, positive += x > 0;
    }
    const double mean = sum / n, sd = std::sqrt(sum2 / n - mean * mean);
    EXPECT_NEAR(mean, 0.0, 0.05);
    EXPECT_NEAR(sd, 1.2539185 * 2.0, 0.06);
    EXPECT_NEAR((double)positive / n, 0.5, 0.02);

    // The gaussian domain's points carry the same spread per axis.
    const PART_Domain g = PART_MakeDomain(PART_DOM_GAUSSIAN, 0, 0, 10, 0.5f);
    double gz = 0, gz2 = 0;
    for (int i = 0; i < n; ++i) {
        const double z = PART_DomainPoint(g).z - 10.0;
        gz += z, gz2 += z * z;
    }
    EXPECT_NEAR(std::sqrt(gz2 / n - (gz / n) * (gz / n)), 1.2539185 * 0.5, 0.02);
    // A zero spread is a point with no density anywhere, not NaN.
    const PART_Domain spike = PART_MakeDomain(PART_DOM_GAUSSIAN, 0, 0, 0, 0);
    EXPECT_FALSE(PART_DomainContains(spike, VECTOR(0, 0, 0)));
}

TEST(Domain, UniformCoversBothEnds) {
    std::srand(1);
    float lo = 1, hi = 0;
    for (int i = 0; i < 400000; ++i) {
        const float u = PART_Uniform();
        lo = std::fmin(lo, u), hi = std::fmax(hi, u);
    }
    EXPECT_EQ(lo, 0.0f);
    EXPECT_EQ(hi, 1.0f);
}
