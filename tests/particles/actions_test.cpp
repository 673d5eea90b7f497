// Particle actions: emission counts, culls, forces, collisions and the guards on particles that
// sit where a force has no direction; the fountain and trail presets, and every preset's actions.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fixture.h"
#include "particles/effects.h"

TEST_F(Particles, EmitCountsFollowRateTimesStepAndParticlesTheSettings) {
    group(100000);
    PART_SetTimeStep(0.5f);
    std::srand(17);
    int threes = 0;
    for (int i = 0; i < 4000; ++i) {
        int before = count();
        PART_Emit(6, PART_DOM_POINT, 0, 0, 0);
        ASSERT_EQ(count() - before, 3);
        before = count();
        PART_Emit(5, PART_DOM_POINT, 0, 0, 0);
        const int n = count() - before;
        ASSERT_TRUE(n == 2 || n == 3) << n;
        threes += n == 3;
    }
    EXPECT_NEAR(threes / 4000.0, 0.5, 0.03);

    group(4);
    PART_SetTimeStep(1);
    PART_Emit(3, PART_DOM_POINT, 0, 0, 0);
    PART_Emit(3, PART_DOM_POINT, 0, 0, 0);
    EXPECT_EQ(count(), 4) << "the surplus is dropped";
    PART_Emit(1.0e30f, PART_DOM_POINT, 0, 0, 0);
    EXPECT_EQ(count(), 4) << "a full group takes none, whatever the rate";

    group(3000); // each particle draws its age with the spread, its home and velocity from their domains
    std::srand(2);
    PART_SetBirthAge(10, 2);
    PART_SetHomeAtBirth(0);
    PART_SetHomeDomain(PART_DOM_BOX, 0, 0, 0, 1, 1, 1);
    PART_SetVelocityDomain(PART_DOM_SEGMENT, 0, 0, 0, 0, 0, 4);
    PART_Emit(3000, PART_DOM_POINT, 5, 5, 5);
    ASSERT_EQ(count(), 3000);
    int i = 0;
    const auto [mean, sd] = meanAndSpread(3000, [&] { return at(i++).age; });
    EXPECT_TRUE(std::fabs(mean - 10.0) < 0.15 && std::fabs(sd - 1.2539185 * 2) < 0.15) << mean << " " << sd;
    for (i = 0; i < count(); ++i)
        EXPECT_TRUE(at(i).homePosition.x >= 0 && at(i).homePosition.x <= 1 && at(i).position.x == 5 &&
                    near(at(i).savedVelocity, at(i).velocity, 0));
}

TEST_F(Particles, CullsByAgePointAndVolumeKeepTheOthersWhole) {
    for (int younger = 0; younger <= 1; ++younger) {
        PART_Reset();
        group(10);
        for (float a : {0.0f, 2.5f, 1.0f, 2.0f, 1.999f})
            add(VECTOR(a, 0, 0), VECTOR(0, a, 0)).age = a;
        PART_AgeCull(2, (Uint8)younger);
        ASSERT_EQ(count(), younger ? 2 : 3);
        for (int i = 0; i < count(); ++i) {
            EXPECT_EQ(at(i).age >= 2.0f, younger == 1) << at(i).age;
            EXPECT_TRUE(at(i).position.x == at(i).age && at(i).velocity.y == at(i).age) << "moved whole";
        }
    }
    PART_Reset();
    group(10);
    for (int i = 0; i < 6; ++i)
        add(VECTOR((float)i, 0, 0), VECTOR(0, (float)i, 0));
    PART_CullByPosition(1, PART_DOM_POINT, 0, 0, 0); // a point contains nothing
    EXPECT_EQ(count(), 6);
    PART_CullByVelocity(1, PART_DOM_BOX, -1, -1, -1, 1, 2.5f, 1); // speeds 0, 1, 2 die
    ASSERT_EQ(count(), 3);
    for (int i = 0; i < count(); ++i)
        EXPECT_GE(at(i).velocity.y, 3.0f);
    PART_CullByPosition(0, PART_DOM_POINT, 0, 0, 0);
    EXPECT_EQ(count(), 0);
}

TEST_F(Particles, DragClampAndReturnHome) {
    group(10);
    const VECTOR before[] = {{0.05f, 0, 0}, {0, 0.1f, 0}, {0, 0, 0.2f}, {0, 0, 0}, {0.005f, 0, 0}, {0, 0, -10}};
    for (const VECTOR& v : before)
        add(VECTOR(), v);
    PART_Drag(0.5f, 0.5f, 0.5f, 0, 0.1f); // the high bound is inclusive
    PART_ClampSpeed(0.01f, 5);            // a particle at rest stays at rest
    const VECTOR after[] = {{0.025f, 0, 0}, {0, 0.05f, 0}, {0, 0, 0.2f}, {0, 0, 0}, {0.01f, 0, 0}, {0, 0, -5}};
    for (int i = 0; i < 6; ++i)
        EXPECT_TRUE(near(at(i).velocity, after[i], 1e-7f)) << i;

    // Recorded, return-home counts its time down run by run and lands the particle at rest.
    PART_Reset();
    group(2);
    PART_SetHomeAtBirth(0);
    PART_SetHome(4, -2, 1);
    add(VECTOR(0, 0, 0), VECTOR(0.3f, 0.1f, 0));
    const int list = PART_CreateLists(1);
    PART_BeginList(list);
    PART_ReturnHome(20);
    PART_Advance();
    PART_EndList();
    PART_SetTimeStep(0.05f);
    for (int i = 0; i < 400; ++i)
        PART_RunList(list);
    EXPECT_TRUE(near(at(0).position, VECTOR(4, -2, 1), 0.05f) && near(at(0).velocity, VECTOR(0, 0, 0), 0.05f));
    PART_ReturnHome(0);
    EXPECT_TRUE(near(at(0).position, VECTOR(4, -2, 1), 0) && near(at(0).velocity, VECTOR(0, 0, 0), 0));
}

TEST_F(Particles, ReboundOnPlaneDiscTriangleAndParallelogram) {
    group(20);
    add(VECTOR(0, 0.5f, 0), VECTOR(1, -2, 0));    // crosses y = 0
    add(VECTOR(0, 2, 0), VECTOR(1, -2, 0));       // ends exactly on the plane
    add(VECTOR(0, -1, 0), VECTOR(1, -2, 0));      // already below, moving away
    add(VECTOR(0, 0.5f, 0), VECTOR(0.1f, -2, 0)); // slides slower than the cutoff
    PART_Rebound(0.2f, 0.5f, 0.5f, PART_DOM_PLANE, 0, 0, 0, 0, 1, 0);
    const VECTOR plane[] = {{0.8f, 1, 0}, {1, -2, 0}, {1, -2, 0}, {0.1f, 1, 0}};
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(near(at(i).velocity, plane[i])) << i;

    PART_Reset(); // a disc takes crossings within its ring; triangles and parallelograms by edge coordinates
    group(20);
    for (float x : {1.0f, 3.0f, 0.2f})
        add(VECTOR(x, 0.5f, 0), VECTOR(0, -1, 0));
    PART_Rebound(0, 1, 0, PART_DOM_DISC, 0, 0, 0, 0, 1, 0, 2, 0.5f);
    EXPECT_TRUE(at(0).velocity.y == 1 && at(1).velocity.y == -1 && at(2).velocity.y == -1);
    add(VECTOR(0.7f, 0.7f, 1), VECTOR(0, 0, -2)); // outside the triangle, inside the square
    add(VECTOR(0.2f, 0.2f, 1), VECTOR(0, 0, -2)); // inside both
    PART_Rebound(0, 1, 0, PART_DOM_TRIANGLE, 0, 0, 0, 1, 0, 0, 0, 1, 0);
    EXPECT_TRUE(at(3).velocity.z == -2.0f && std::fabs(at(4).velocity.z - 2.0f) < 1e-6f);
    PART_Rebound(0, 1, 0, PART_DOM_PARALLELOGRAM, 0, 0, 0, 1, 0, 0, 0, 1, 0);
    EXPECT_TRUE(std::fabs(at(3).velocity.z - 2.0f) < 1e-6f && at(4).velocity.z > 0) << "moving away now";
}

TEST_F(Particles, SwirlAndAttractionsTurnAndPullWithinTheirReachAndSkipParticlesWithNoDirection) {
    group(10);
    add(VECTOR(1, 0, 0));
    add(VECTOR(0, -1, 0));
    add(VECTOR(0, 0, 0)); // on the centre
    PART_Swirl(0, 0, 0, 0, 0, 5, 0, 0, 1.0e9f);
    PART_Swirl(0, 0, 0, 0, 0, 5, 1.5707963f, 0, 0.5f); // all outside the radius but the centre
    EXPECT_TRUE(near(at(0).position, VECTOR(1, 0, 0)));
    PART_Swirl(0, 0, 0, 0, 0, 5, 1.5707963f, 0, 1.0e9f);
    EXPECT_TRUE(near(at(0).position, VECTOR(0, 1, 0)) && near(at(1).position, VECTOR(1, 0, 0)));
    EXPECT_TRUE(near(at(2).position, VECTOR(0, 0, 0), 0));

    PART_Reset();
    group(10);
    add(VECTOR(2, 0, 0));
    PART_PointAttract(0, 0, 0, 1, 0, 1.0e9f);
    PART_PointAttract(0, 0, 0, 1, 0, 1); // out of reach
    EXPECT_TRUE(near(at(0).velocity, VECTOR(-2.0f / 6.0f, 0, 0))) << "root added to the square, not multiplied";

    // Everything sits on a centre, an axis, a shape's edge, or at rest: nothing may turn NaN.
    PART_Reset();
    group(10);
    add(VECTOR(0, 0, 0));
    add(VECTOR(0, 0, 0));
    add(VECTOR(0, 0, 5));
    PART_PointAttract(0, 0, 0, 1, 0, 1.0e9f);
    PART_LineAttract(0, 0, 0, 0, 0, 1, 1, 0, 1.0e9f);
    PART_LineAttract(0, 0, 0, 0, 0, 0, 1, 0, 1.0e9f); // no axis at all
    PART_Swirl(0, 0, 5, 0, 0, 0, 1, 0, 1.0e9f);
    PART_Shockwave(0, 0, 0, 1, 1, 1, 0, 0);
    PART_Shockwave(1, 0, 0, 1, 1, 0, 0, 0); // zero width
    PART_ChainAttract(1, 0, 1.0e9f);
    PART_MutualAttract(1, 0, 1.0e9f);
    PART_ShareVelocity(1, 0, 1.0e9f);
    PART_SetVelocity(1, 0, 0);
    PART_Blower(0, 0, 0, 1, 0, 1.0e9f);
    PART_SteerClear(1, 0, 1.0e20f, PART_DOM_PLANE, 0, 0, 0, 0, 0, 1);
    PART_SteerClear(1, 0, 10, PART_DOM_SPHERE, 0, 0, 10, 1, 0);
    PART_Rebound(0, 1, 0, PART_DOM_SPHERE, 0, 0, 0, 1, 0);
    for (int i = 0; i < count(); ++i)
        EXPECT_TRUE(finite(at(i).velocity) && finite(at(i).position)) << i;
}

TEST_F(Particles, SteeringTurnsButKeepsSpeed) {
    group(10);
    add(VECTOR(0.1f, 0, 0), VECTOR(0, 0, 2)); // heading for a sphere ahead, a little off its centre line
    add(VECTOR(0, 0, 1), VECTOR(0, 3, -3));   // slanting down towards the plane z = 0
    add(VECTOR(0, 0, 3), VECTOR(0, 3, -3));   // the same, beyond the look-ahead
    PART_SteerClear(1, 0.01f, 10, PART_DOM_SPHERE, 0, 0, 5, 1, 0);
    EXPECT_TRUE(std::fabs(PART_Length2(at(0).velocity) - 4.0f) < 1e-4f && at(0).velocity.x > 0.0f);
    PART_SteerClear(1, 0.01f, 2, PART_DOM_PLANE, 0, 0, 0, 0, 0, 1);
    EXPECT_TRUE(std::fabs(PART_Length2(at(1).velocity) - 18.0f) < 1e-4f && at(1).velocity.z > 0.0f);
    EXPECT_TRUE(near(at(2).velocity, VECTOR(0, 3, -3), 0));
}

TEST_F(Particles, PresetsFountainBouncesInsideItsDiscDiesBelowTheFloorAndTrailFollowsTheFigure) {
    const int g = group(300);
    add(VECTOR(1, 0, 0.005f), VECTOR(0, 0, -0.5f)); // falls onto the disc
    add(VECTOR(6, 0, 0.005f), VECTOR(0, 0, -0.5f)); // falls past its rim
    add(VECTOR(6, 1, -3.5f), VECTOR(0, 0, 0));      // already below the floor
    std::srand(4);
    PART_SetTimeStep(0.1f);
    FX_Fountain(g);
    EXPECT_EQ(count(), 2 + 10) << "rate 100 at step 0.1";
    ASSERT_TRUE(at(0).position.x == 1.0f && at(1).position.x == 6.0f);
    EXPECT_NEAR(at(0).velocity.z, 0.35f * 0.501f, 1e-5f);
    EXPECT_NEAR(at(1).velocity.z, -0.501f, 1e-5f);
    for (int i = 0; i < 60; ++i)
        FX_Fountain(g);
    for (int i = 0; i < count(); ++i)
        EXPECT_LT(at(i).position.x, 5.0f) << "the one past the rim fell below z = -3";

    FLIERS flyer = {}; // a trail emits at the figure's drawn place, on the segment from its colour
    PART_SetTimeStep(1);
    PART_SetVelocity(0, 0, 0); // the fountain left its own
    flyer.group = group(10);
    flyer.position = VECTOR(10, 20, 30);
    flyer.offset = VECTOR(1, 2, 3);
    flyer.colour = VECTOR(0, 0, 1);
    for (int i = 0; i < 5; ++i)
        FX_FlierTrail(flyer);
    ASSERT_EQ(count(), 5);
    for (int i = 0; i < count(); ++i) {
        const PART_Particle& p = at(i);
        EXPECT_TRUE(std::hypot(p.position.x - 11, p.position.y - 22) <= 0.51f && std::fabs(p.position.z - 33) < 1e-4f);
        EXPECT_TRUE(std::fabs(p.colour.x - p.colour.y) < 1e-6f && p.colour.z >= 0.29f) << "to (1, 1, 0.3), fading";
    }
}

TEST_F(Particles, FadeColourClosesOnItsTargetAndTheCampFireRises) {
    group(4);
    PART_SetTimeStep(0.5f);
    PART_SetColour(0, 0, 0, 0);
    add(VECTOR(0, 0, 0));
    PART_SetColour(1, 1, 1, 1);
    add(VECTOR(0, 0, 0));
    PART_FadeColour(0.5f, 0.25f, 1, 0.5f, 0.5f); // a quarter of the way each step, from below and above
    EXPECT_TRUE(near(at(0).colour, VECTOR(0.125f, 0.0625f, 0.25f)) && std::fabs(at(0).alpha - 0.125f) < 1e-6f);
    EXPECT_TRUE(near(at(1).colour, VECTOR(0.875f, 0.8125f, 1)) && std::fabs(at(1).alpha - 0.875f) < 1e-6f);

    // The fire is born on a flat disc and carried up its axis: after a few seconds of frames the
    // particles stand above it and still climb.
    const int fire = group(200);
    PART_SetTimeStep(1);
    std::srand(5);
    for (int i = 0; i < 60; ++i)
        FX_Fire(fire);
    ASSERT_GT(count(), 50);
    int i = 0;
    EXPECT_GT(meanAndSpread(count(), [&] { return at(i++).position.z; }).first, 0.2);
    i = 0;
    EXPECT_GT(meanAndSpread(count(), [&] { return at(i++).velocity.z; }).first, 0.01);
}

namespace {

// What a preset issues, recorded into a list and read back record by record.
struct Recorded {
    std::vector<PART_ActionEntry> actions;
    std::vector<int> types() const {
        std::vector<int> t;
        for (const PART_ActionEntry& a : actions)
            t.push_back(get<Sint32>(a));
        return t;
    }
    template <typename R> static R get(const PART_ActionEntry& a) {
        R r;
        std::memcpy(&r, a.bytes, sizeof r);
        return r;
    }
    template <typename R> R at(size_t i) const { return get<R>(actions.at(i)); }
};

template <typename Preset> Recorded recordOf(Preset preset) {
    const int list = PART_CreateLists(1);
    PART_BeginList(list);
    preset();
    PART_EndList();
    Recorded r;
    const PART_ActionEntry* first = PART_ListActions(list);
    r.actions.assign(first, first + PART_ListLength(list));
    PART_FreeLists(list, 1);
    return r;
}

bool same(const PART_Domain& a, const PART_Domain& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// An emission's rate, place and the birth settings it captured (age 0 with spread 1 in every preset).
void expectEmit(const PART_EmitRec& e, float rate, const PART_Domain& at, const PART_Domain& colour,
                const PART_Domain& velocity, const PART_Domain& size) {
    EXPECT_EQ(e.particleRate, rate);
    EXPECT_TRUE(same(e.position, at)) << "where";
    EXPECT_TRUE(same(e.colour, colour) && e.alpha == 1.0f) << "colour";
    EXPECT_TRUE(same(e.velocity, velocity)) << "velocity";
    EXPECT_TRUE(same(e.size, size)) << "size";
    EXPECT_TRUE(e.birthAge == 0.0f && e.birthAgeSpread == 1.0f);
}

} // namespace

TEST_F(Particles, PresetsIssueTheirActionsWithTheirOwnConstants) {
    enum {
        FADE = PART_ACTION_FADE_COLOUR,
        GROW = PART_ACTION_GROW_SIZE,
        CULL = PART_ACTION_AGE_CULL,
        EMIT = PART_ACTION_EMIT,
        ACCEL = PART_ACTION_ACCELERATE,
        DRAG = PART_ACTION_DRAG,
        ADVANCE = PART_ACTION_ADVANCE
    };
    const int g = group(10);
    auto point = [](float x, float y, float z) { return PART_MakeDomain(PART_DOM_POINT, x, y, z); };
    auto disc = [](VECTOR c, VECTOR n, float r) {
        return PART_MakeDomain(PART_DOM_DISC, c.x, c.y, c.z, n.x, n.y, n.z, r, 0);
    };
    auto toYellow = [](float r, float g, float b) { return PART_MakeDomain(PART_DOM_SEGMENT, r, g, b, 1, 1, 0.3f); };
    auto fade = [](const PART_FadeColourRec& f, VECTOR c, float alpha, float scale) {
        EXPECT_TRUE(near(f.colour, c) && f.alpha == alpha && f.scale == scale) << "fade";
    };
    auto cull = [](const PART_AgeCullRec& c, float limit) { EXPECT_TRUE(c.ageLimit == limit && !c.killYounger); };
    auto accel = [](const PART_AccelerateRec& a, VECTOR v) { EXPECT_TRUE(near(a.acceleration, v, 0)) << "accel"; };

    Recorded r = recordOf([&] { FX_Fire(g); });
    ASSERT_EQ(r.types(), (std::vector<int>{FADE, CULL, EMIT, ACCEL, ADVANCE}));
    fade(r.at<PART_FadeColourRec>(0), VECTOR(0.89f, 0.2f, 0.5f), 1, 0.01f);
    cull(r.at<PART_AgeCullRec>(1), 100);
    expectEmit(r.at<PART_EmitRec>(2), 1, disc(VECTOR(0, 0, 0), VECTOR(0, 0, 1), 0.5f), toYellow(1, 0, 0),
               PART_MakeDomain(PART_DOM_GAUSSIAN, 0, 0, -0.001f, -0.008f), point(1, 1, 1));
    accel(r.at<PART_AccelerateRec>(3), VECTOR(0, 0, 0.0007f));

    FLIERS flyer = {};
    flyer.group = g, flyer.position = VECTOR(10, 20, 30), flyer.offset = VECTOR(1, 2, 3);
    flyer.colour = VECTOR(0.4f, 1, 0.2f);
    PART_SetVelocityDomain(PART_DOM_POINT, 7, 8, 9); // a trail keeps the velocity it finds
    r = recordOf([&] { FX_FlierTrail(flyer); });
    ASSERT_EQ(r.types(), (std::vector<int>{FADE, CULL, EMIT, ACCEL, ADVANCE}));
    fade(r.at<PART_FadeColourRec>(0), VECTOR(0, 0, 0), 1, 0.005f);
    cull(r.at<PART_AgeCullRec>(1), 300);
    expectEmit(r.at<PART_EmitRec>(2), 1, disc(VECTOR(11, 22, 33), VECTOR(0, 0, 1), 0.5f), toYellow(0.4f, 1, 0.2f),
               point(7, 8, 9), point(1, 1, 1));
    accel(r.at<PART_AccelerateRec>(3), VECTOR(0, -0.0001f, 0));

    // Shots fall, tracers fly straight: both aimed from a point at the speed given.
    PART_SetSize(2, 2, 2); // and both keep the size they find
    r = recordOf([&] { FX_Spray(g, VECTOR(1, 2, 3), VECTOR(1, 2, 13), 0.8f); });
    ASSERT_EQ(r.types(), (std::vector<int>{CULL, EMIT, ACCEL, ADVANCE}));
    cull(r.at<PART_AgeCullRec>(0), 130);
    expectEmit(r.at<PART_EmitRec>(1), 1, point(1, 2, 3), point(1, 1, 1), point(0, 0, 0.8f), point(2, 2, 2));
    accel(r.at<PART_AccelerateRec>(2), VECTOR(0, -0.005f, 0));
    r = recordOf([&] { FX_Stream(g, VECTOR(1, 2, 3), VECTOR(1, -8, 3), 1.3f); });
    ASSERT_EQ(r.types(), (std::vector<int>{CULL, EMIT, ADVANCE}));
    cull(r.at<PART_AgeCullRec>(0), 100);
    expectEmit(r.at<PART_EmitRec>(1), 0.5f, point(1, 2, 3), point(0.7f, 0.5f, 1), point(0, -1.3f, 0), point(2, 2, 2));

    // The two smokes: one sequence, their own colours, spreads, sizes and lives.
    const struct {
        void (*preset)(int);
        VECTOR from, normal;
        float radius, grow, limit;
    } smokes[] = {{FX_SmokeLarge, {1, 0, 0}, {0, 0.001f, 0}, 0.03f, 5, 200},
                  {FX_SmokeSmall, {1, 0.3f, 0.01f}, {0, 0.0001f, 0}, 0.003f, 3, 100}};
    for (const auto& s : smokes) {
        r = recordOf([&] { s.preset(g); });
        ASSERT_EQ(r.types(), (std::vector<int>{FADE, GROW, CULL, EMIT, ACCEL, DRAG, ADVANCE})) << s.limit;
        fade(r.at<PART_FadeColourRec>(0), VECTOR(0, 0, 0), 0.01f, 0.01f);
        const PART_GrowSizeRec grow = r.at<PART_GrowSizeRec>(1);
        EXPECT_TRUE(near(grow.size, VECTOR(s.grow, s.grow, s.grow), 0) &&
                    near(grow.scale, VECTOR(0.005f, 0.005f, 0.005f), 0));
        cull(r.at<PART_AgeCullRec>(2), s.limit);
        expectEmit(r.at<PART_EmitRec>(3), 1, disc(VECTOR(0, 0, 0), VECTOR(0, 0, 1), 0.5f),
                   toYellow(s.from.x, s.from.y, s.from.z), disc(VECTOR(0, 0, 0), s.normal, s.radius),
                   point(0.1f, 1, 1));
        accel(r.at<PART_AccelerateRec>(4), VECTOR(0, 0.005f, 0));
        const PART_DragRec drag = r.at<PART_DragRec>(5);
        EXPECT_TRUE(near(drag.damping, VECTOR(1, 0.975f, 1), 0) && drag.lowSpeedSqr == 0.0f &&
                    drag.highSpeedSqr == 1.0e16f * 1.0e16f);
    }
}
