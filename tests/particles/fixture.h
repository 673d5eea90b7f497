// Particle test helpers: a fresh particle state per test and direct particle placement.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "particles/actions.h"
#include "particles/papi.h"

class Particles : public ::testing::Test {
protected:
    void SetUp() override { PART_Reset(); }
    void TearDown() override { PART_Reset(); }

    // A new current group of room particles.
    int group(int room) {
        const int g = PART_CreateGroups(1, room);
        PART_SelectGroup(g);
        return g;
    }
    // Adds a particle with the given position and velocity to the current group.
    static PART_Particle& add(VECTOR at, VECTOR velocity = VECTOR()) {
        PART_SetVelocity(velocity.x, velocity.y, velocity.z);
        PART_AddParticle(at.x, at.y, at.z);
        PART_Group* g = PART_CurrentGroup();
        return g->particles[g->count - 1];
    }
    static PART_Particle& at(int i) { return PART_CurrentGroup()->particles[i]; }
    static int count() { return PART_ParticleCount(); }
};

inline bool finite(const VECTOR& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

inline ::testing::AssertionResult near(const VECTOR& got, const VECTOR& want, float tol = 1e-5f) {
    if (std::fabs(got.x - want.x) <= tol && std::fabs(got.y - want.y) <= tol && std::fabs(got.z - want.z) <= tol)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << got.x << ", " << got.y << ", " << got.z << ") is not (" << want.x
                                         << ", " << want.y << ", " << want.z << ")";
}

// The mean and standard deviation of n draws.
template <typename Draw> std::pair<double, double> meanAndSpread(int n, Draw draw) {
    double sum = 0, sum2 = 0;
    for (int i = 0; i < n; ++i) {
        const double x = draw();
        sum += x, sum2 += x * x;
    }
    return {sum / n, std::sqrt(sum2 / n - (sum / n) * (sum / n))};
}
