// scene1_paths: "flyerpaths.spo", the eight looping flights of the figures.
//
// The scene doubles every control point, then shifts each path so that its first point falls where the
// figure arrived, the gathering point (60, 45, 93). The paths are therefore designed in world units
// from that point and stored halved. Each loop is a closed ring of waypoints, smoothed through and
// resampled at an even spacing (the traversal moves evenly in the spline's parameter, so evenly spaced
// points give an even 24 units per second); its first and last control points are the gathering point
// and their neighbours lie on one line through it, so the figure passes it without a kink.
#include <algorithm>
#include <cmath>
#include <vector>

#include "core/catalogue.h"
#include "pathfiles.h"
#include "scene1_layout.h"

namespace {

constexpr int kOrder = 3;         // the file's k: the flight follows the cubic (k + 1) spline
constexpr float kSpacing = 12.0f; // world units between control points: close, so turns keep their pace
constexpr int kMostLegs = 92;     // the reader's knot table holds points + k + 1 <= 100
constexpr float kSpeed = 24.0f;   // the scene's speed, units per second

// Waypoints after the gathering point, in world units. Paths 6 and 7 are the two the camera follows
// and chases, so they keep well above what they cross.
const std::vector<std::vector<MkVec3>> kWaypoints = {
    // 0: round the rock and the city, anticlockwise seen from above, above the cliffs' height
    {{40, 36, 62},
     {30, 28, 15},
     {15, 27, -32},
     {-22, 26, -44},
     {-66, 27, -28},
     {-82, 28, 12},
     {-64, 28, 52},
     {-22, 30, 62},
     {16, 33, 56},
     {42, 40, 80}},
    // 1: low over the shore and the fire, round the dunes and back over the sea
    {{32, 24, 112},
     {6, 13, 102},
     {-14, 9.5f, 93},
     {-32, 10, 87},
     {-52, 14, 92},
     {-62, 19, 112},
     {-44, 17, 134},
     {-10, 13, 142},
     {20, 16, 128},
     {44, 30, 108}},
    // 2: out over the open sea, skimming it to the south, back past the rock's seaward side
    {{128, 13, 82}, {146, 8, 32}, {122, 7, -12}, {72, 8, -24}, {42, 12, 14}, {38, 26, 58}},
    // 3: north along the beach, inland over the dunes and back over the fire
    {{40, 31, 130},
     {16, 15, 170},
     {4, 12, 210},
     {-26, 20, 228},
     {-60, 29, 202},
     {-66, 27, 150},
     {-42, 16, 112},
     {-24, 10, 90},
     {4, 14, 70},
     {34, 30, 74}},
    // 4: low round the rock over the water, then along the bay's beach
    {{56, 26, 52},
     {40, 11, 12},
     {34, 8, -40},
     {-20, 7, -48},
     {-70, 8, -44},
     {-96, 10, -6},
     {-96, 13, 34},
     {-80, 14, 64},
     {-42, 13, 70},
     {-10, 14, 74},
     {22, 22, 82}},
    // 5: high over everything
    {{46, 60, 52},
     {10, 65, 6},
     {-30, 62, -16},
     {-76, 58, 20},
     {-86, 55, 80},
     {-56, 52, 140},
     {-6, 55, 156},
     {40, 54, 130}},
    // 6: over the city, round to the west and back over the chair and the shore
    {{36, 41, 56},
     {15, 40, 16},
     {-10, 40, 14},
     {-36, 39, -7},
     {-70, 33, 4},
     {-82, 28, 50},
     {-56, 24, 86},
     {-30, 20, 101},
     {-4, 22, 126},
     {26, 31, 126}},
    // 7: a wide tour: along the bay, round the rock's far side, back up the beach and over the fire
    {{36, 31, 70},
     {6, 23, 56},
     {-35, 24, 52},
     {-76, 26, 26},
     {-76, 28, -16},
     {-40, 30, -42},
     {6, 28, -42},
     {40, 25, -10},
     {52, 24, 36},
     {30, 20, 76},
     {0, 17, 110},
     {-30, 17, 130},
     {-56, 22, 116},
     {-46, 18, 88},
     {-16, 16, 80},
     {20, 28, 88}},
};

// A closed Catmull-Rom ring through the points, sampled finely.
std::vector<MkVec3> smoothRing(const std::vector<MkVec3>& ring) {
    std::vector<MkVec3> out;
    const size_t n = ring.size();
    for (size_t i = 0; i < n; ++i) {
        const MkVec3 p0 = ring[(i + n - 1) % n], p1 = ring[i], p2 = ring[(i + 1) % n], p3 = ring[(i + 2) % n];
        for (int s = 0; s < 64; ++s) {
            const float t = s / 64.0f, t2 = t * t, t3 = t2 * t;
            auto cr = [&](float a, float b, float c, float d) {
                return 0.5f * (2 * b + (c - a) * t + (2 * a - 5 * b + 4 * c - d) * t2 + (3 * b - a - 3 * c + d) * t3);
            };
            out.push_back({cr(p0.x, p1.x, p2.x, p3.x), cr(p0.y, p1.y, p2.y, p3.y), cr(p0.z, p1.z, p2.z, p3.z)});
        }
    }
    out.push_back(ring[0]);
    return out;
}

// The ring of one loop: the gathering point, then on straight ahead the way the figure came in, a turn
// over the sea towards the side the loop goes on to, and the loop's own waypoints; so the figure
// passes the gathering point without turning back on itself.
std::vector<MkVec3> loopRing(const std::vector<MkVec3>& waypoints) {
    const MkVec3 in = MK_Sub(NB_GATHER, waypoints.back());
    const float l = std::hypot(in.x, in.z);
    const MkVec3 ahead = {in.x / l, 0, in.z / l}, side0 = {-ahead.z, 0, ahead.x};
    const MkVec3 next = MK_Sub(waypoints.front(), NB_GATHER);
    const MkVec3 side = (side0.x * next.x + side0.z * next.z) > 0 ? side0 : MK_Mul(side0, -1);
    std::vector<MkVec3> ring = {NB_GATHER, MK_Add(NB_GATHER, MK_Mul(ahead, 28)),
                                MK_Add(MK_Add(NB_GATHER, MK_Mul(ahead, 48)), MK_Mul(side, 20)),
                                MK_Add(MK_Add(NB_GATHER, MK_Mul(ahead, 34)), MK_Mul(side, 44))};
    ring.insert(ring.end(), waypoints.begin(), waypoints.end());
    return ring;
}

// Control points of one loop in world units: the gathering point, the ring resampled evenly, and the
// gathering point again, with a third of a spacing on each side of it along the ring's direction
// there (a clamped cubic leaves its end three times as fast as its first leg is long).
std::vector<MkVec3> loopPoints(const std::vector<MkVec3>& waypoints) {
    const std::vector<MkVec3> ring = loopRing(waypoints);
    const std::vector<MkVec3> fine = smoothRing(ring);
    std::vector<float> along(fine.size(), 0.0f);
    for (size_t i = 1; i < fine.size(); ++i)
        along[i] = along[i - 1] + MK_Length(MK_Sub(fine[i], fine[i - 1]));
    const int legs = std::min(int(std::lround(along.back() / kSpacing)), kMostLegs);
    const float spacing = along.back() / legs;
    std::vector<MkVec3> out = {NB_GATHER};
    const MkVec3 tangent = MK_Mul(MK_Sub(fine[1], fine.end()[-2]), 1.0f / MK_Length(MK_Sub(fine[1], fine.end()[-2])));
    out.push_back(MK_Add(NB_GATHER, MK_Mul(tangent, spacing / 3)));
    size_t k = 0;
    for (int leg = 1; leg < legs; ++leg) {
        const float target = along.back() * leg / legs;
        while (along[k + 1] < target)
            ++k;
        const float t = (target - along[k]) / (along[k + 1] - along[k]);
        out.push_back(MK_Add(fine[k], MK_Mul(MK_Sub(fine[k + 1], fine[k]), t)));
    }
    out.push_back(MK_Sub(NB_GATHER, MK_Mul(tangent, spacing / 3)));
    out.push_back(NB_GATHER);
    return out;
}

// The clamped uniform B-spline the engine's paths follow (knots 0 .. n - order + 2).
MkVec3 splinePoint(const std::vector<MkVec3>& p, int order, double v) {
    const int n = int(p.size()) - 1;
    std::vector<double> u(size_t(n + order + 1));
    for (int j = 0; j <= n + order; ++j)
        u[j] = j < order ? 0 : (j <= n ? j - order + 1 : n - order + 2);
    if (v >= n - order + 2) return p.back();
    // de Boor's triangle of basis values
    std::vector<double> basis(u.size() - 1, 0.0);
    for (size_t i = 0; i + 1 < u.size(); ++i)
        basis[i] = (u[i] <= v && v < u[i + 1]) ? 1.0 : 0.0;
    for (int t = 2; t <= order; ++t)
        for (int i = 0; i + t < int(u.size()); ++i) {
            double b = 0;
            if (u[i + t - 1] != u[i]) b += (v - u[i]) / (u[i + t - 1] - u[i]) * basis[i];
            if (u[i + t] != u[i + 1]) b += (u[i + t] - v) / (u[i + t] - u[i + 1]) * basis[i + 1];
            basis[i] = b;
        }
    MkVec3 c = {0, 0, 0};
    for (int i = 0; i <= n; ++i)
        c = MK_Add(c, MK_Mul(p[i], float(basis[i])));
    return c;
}

double splineLength(const std::vector<MkVec3>& p, int order) {
    const double vmax = int(p.size()) - 1 - order + 2;
    double total = 0;
    MkVec3 last = p[0];
    for (int i = 1; i <= 2000; ++i) {
        const MkVec3 c = splinePoint(p, order, vmax * i / 2000);
        total += MK_Length(MK_Sub(c, last));
        last = c;
    }
    return total;
}

} // namespace

void NB_AddPaths(AssetSink& sink) {
    std::vector<SpoPath> paths;
    for (const std::vector<MkVec3>& waypoints : kWaypoints) {
        SpoPath path;
        path.k = kOrder;
        path.resolution = 400;
        std::vector<MkVec3> points = loopPoints(waypoints);
        // the file's own timing already gives the scene's pace in world units
        path.startTime = 0;
        path.endTime = float(splineLength(points, kOrder + 1) / kSpeed);
        for (MkVec3& p : points)
            p = MK_Mul(p, 0.5f); // the scene doubles them
        path.points = points;
        paths.push_back(path);
    }
    sink.AddSPO(CAT_BEACH_PATHS, paths);
}
