// The night beach put together as its scene places it: the models read back by the engine's reader and
// moved with the mesh draw's own placement, the flyer paths flown by the engine's path code as the scene
// flies them (doubled, at 24 units a second, shifted onto the gathering point).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "camera/spline.h"
#include "core/catalogue.h"
#include "data/resfile.h"
#include "data/rwops.h"
#include "generated.h"
#include "math/vmath.h"
#include "model/load3ds.h"
#include "model/mesh.h"

namespace {

struct P3 {
    double x, y, z;
    P3 operator+(P3 b) const { return {x + b.x, y + b.y, z + b.z}; }
    P3 operator-(P3 b) const { return {x - b.x, y - b.y, z - b.z}; }
    P3 operator*(double s) const { return {x * s, y * s, z * s}; }
};
P3 at(VECTOR v) {
    return {v.x, v.y, v.z};
}
double dist(P3 a, P3 b) {
    return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) + (a.z - b.z) * (a.z - b.z));
}
double flat(P3 a, P3 b) {
    return std::hypot(a.x - b.x, a.z - b.z);
}

enum { kBeach, kRock, kCampfire, kChair, kCity, kFigure };
const P3 kGather = {60, 45, 93}, kFountain = {-10.6, 19, 15.6}, kFire = {-25, 2.5, 90};

struct Tri {
    P3 a, b, c;
};

// A model's triangles in the world, moved exactly as the mesh draw moves them.
std::vector<Tri> placed(const t3DModel& m, const float* p) {
    OBJECT3D turn;
    turn.scale = 1.0f;
    turn.Reset();
    for (int i = 0; i < 3; ++i)
        turn.rotation[i] = p[3 + i];
    turn.ApplyRotation();
    MATRIX r;
    r.FromQuat(turn.orientation);
    auto move = [&](const float* v) {
        const double s[3] = {v[0] * p[6], v[1] * p[7], v[2] * p[8]};
        double w[3];
        for (int row = 0; row < 3; ++row) // OpenGL reads the array column by column
            w[row] = r.m[row] * s[0] + r.m[4 + row] * s[1] + r.m[8 + row] * s[2] + p[row];
        return P3{w[0], w[1], w[2]};
    };
    std::vector<Tri> out;
    for (int i = 0; i < m.objectCount; ++i) {
        const t3DObject& o = m.objects[i];
        for (int f = 0; f < o.faceCount; ++f)
            out.push_back({move(&o.vertices[3 * o.faces[3 * f]]), move(&o.vertices[3 * o.faces[3 * f + 1]]),
                           move(&o.vertices[3 * o.faces[3 * f + 2]])});
    }
    return out;
}

struct Box {
    P3 lo{1e30, 1e30, 1e30}, hi{-1e30, -1e30, -1e30};
    void Add(P3 p) {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
    bool Holds(P3 p, double margin) const {
        return p.x > lo.x - margin && p.x < hi.x + margin && p.y > lo.y - margin && p.y < hi.y + margin &&
               p.z > lo.z - margin && p.z < hi.z + margin;
    }
};

// Heights of surfaces seen from above, looked up through 4-unit buckets.
class Surfaces {
public:
    void Add(const std::vector<Tri>& tris) {
        for (const Tri& t : tris) {
            const int i0 = cell(std::min({t.a.x, t.b.x, t.c.x})), i1 = cell(std::max({t.a.x, t.b.x, t.c.x}));
            const int j0 = cell(std::min({t.a.z, t.b.z, t.c.z})), j1 = cell(std::max({t.a.z, t.b.z, t.c.z}));
            for (int i = i0; i <= i1; ++i)
                for (int j = j0; j <= j1; ++j)
                    buckets[{i, j}].push_back(t);
        }
    }
    // The highest surface over (x, z), or -1e30 where there is none.
    double Top(double x, double z) const {
        double best = -1e30;
        auto it = buckets.find({cell(x), cell(z)});
        if (it == buckets.end()) return best;
        for (const Tri& t : it->second) {
            const double d = (t.b.z - t.c.z) * (t.a.x - t.c.x) + (t.c.x - t.b.x) * (t.a.z - t.c.z);
            if (std::fabs(d) < 1e-12) continue;
            const double u = ((t.b.z - t.c.z) * (x - t.c.x) + (t.c.x - t.b.x) * (z - t.c.z)) / d;
            const double v = ((t.c.z - t.a.z) * (x - t.c.x) + (t.a.x - t.c.x) * (z - t.c.z)) / d;
            if (u < -1e-9 || v < -1e-9 || u + v > 1 + 1e-9) continue;
            best = std::max(best, u * t.a.y + v * t.b.y + (1 - u - v) * t.c.y);
        }
        return best;
    }

private:
    static int cell(double w) { return int(std::floor(w / 4.0)); }
    std::map<std::pair<int, int>, std::vector<Tri>> buckets;
};

// The scene's world, read once for the whole program.
struct World {
    std::vector<Tri> tris[6];
    Surfaces all, beach, city;
    Box boxes[6];
    bool ok = true;
    World() {
        const float figureAt[9] = {0, 0, 0, 0, 0, 0, 0.007f, 0.007f, 0.007f}; // the scale it is drawn at
        for (int i = 0; i <= kFigure; ++i) {
            t3DModel m;
            VH_RWops* rw = RES_OpenEntryStreamFrom(AG_Archive().c_str(), CAT_BEACH_MESHES[i]);
            ok = ok && rw && CLoad3DS_RW().Load(&m, rw, true);
            tris[i] = placed(m, i < kFigure ? AG_BEACH_PLACEMENT[i] : figureAt);
            for (const Tri& t : tris[i])
                boxes[i].Add(t.a), boxes[i].Add(t.b), boxes[i].Add(t.c);
            if (i < kFigure) all.Add(tris[i]);
            MESH_FreeModelData(&m);
        }
        beach.Add(tris[kBeach]);
        city.Add(tris[kCity]);
    }
    // Above everything drawn there and above the water, by at least margin.
    bool Clear(P3 p, double margin) const { return p.y > std::max(all.Top(p.x, p.z), 0.0) + margin; }
};

const World& world() {
    static const World w;
    return w;
}

} // namespace

TEST(BeachScene, ModelsStandWhereTheCameraTheEffectsAndTheFigureGlowExpectThem) {
    const World& w = world();
    ASSERT_TRUE(w.ok);
    // the fire and the chair stand on level dry sand; the fire's logs stay low so its flames show
    for (P3 spot : {P3{-25, 0, 90}, P3{-24, 0, 100}, P3{-24.4, 0, 99.6}, P3{-23.6, 0, 100.4}})
        EXPECT_NEAR(w.beach.Top(spot.x, spot.z), 2.5, 0.15) << spot.x << "," << spot.z;
    EXPECT_NEAR(w.boxes[kChair].lo.y, 2.5, 0.05);
    EXPECT_TRUE(w.boxes[kChair].hi.y > 3.3 && w.boxes[kChair].hi.y < 4.0);
    EXPECT_LT(w.boxes[kCampfire].hi.y, 3.0);
    EXPECT_TRUE(w.boxes[kCampfire].lo.x > -28 && w.boxes[kCampfire].hi.x < -21.5 && w.boxes[kCampfire].lo.z > 87 &&
                w.boxes[kCampfire].hi.z < 93);
    EXPECT_GT(flat((w.boxes[kChair].lo + w.boxes[kChair].hi) * 0.5, kFire), 8.0); // beside the fire, not in it

    // the beach meets the sea: land by the fire, water under the camera's first leg, and every far
    // edge that faces the sea sunk to the sea floor
    EXPECT_LT(w.beach.Top(15, 104), -0.5);
    EXPECT_LT(w.beach.Top(-10, 20), -2.0); // round the rock
    int seaEdge = 0, afloat = 0;
    for (const Tri& t : w.tris[kBeach])
        for (P3 p : {t.a, t.b, t.c})
            if (p.x > 240 || (p.z < -190 && p.x > -100) || (p.z > 330 && p.x > 80)) {
                ++seaEdge;
                afloat += p.y > -7.0;
            }
    EXPECT_GT(seaEdge, 100);
    EXPECT_EQ(afloat, 0);
    EXPECT_LT(w.boxes[kRock].lo.y, -1.0); // the rock rises from below the water

    // the spray lands on y = 19 within a radius of 5 of the fountain: water just under it, the
    // basin's rim inside that radius, the square's paving round it; the city stands on the plateau
    for (double r : {1.5, 3.0, 4.0}) {
        const double top = w.city.Top(kFountain.x + r, kFountain.z);
        EXPECT_TRUE(top > 18.85 && top < 19.0) << r << ": " << top;
    }
    for (double r : {6.0, 8.0})
        EXPECT_NEAR(w.city.Top(kFountain.x, kFountain.z - r), 19.1, 0.1) << r;
    EXPECT_LT(w.city.Top(kFountain.x, kFountain.z), 19.4); // the jet is born at 19.4
    EXPECT_NEAR(w.all.Top(-40, 10), 18.9, 0.05);           // the plateau west of the city
    EXPECT_LT(w.boxes[kCity].lo.y, 19.0);

    // where the camera stands it is clear of everything, and its opening flight skims over the water
    // and the rock's rim without cutting into them
    const P3 eyes[] = {{-15, 4.3, 104}, {15, 1, 104}, {-13, 24, 30}, {-33, 5.1, 90}, {-13, 24.78, 3.6}, {54, 85, 70}};
    for (P3 e : eyes)
        EXPECT_TRUE(w.Clear(e, 0.5)) << e.x << "," << e.y << "," << e.z;
    for (int i = 0; i <= 100; ++i) {
        const P3 e = P3{15, 1, 104} + (P3{-13, 24, 30} - P3{15, 1, 104}) * (i / 100.0);
        EXPECT_TRUE(w.Clear(e, 0.5)) << i;
    }
    // the eight figures rise from a ring 3 above the fountain and fly straight to the gathering point
    for (int i = 0; i < 8; ++i) {
        const double a = i * 45 * M_PI / 180;
        const P3 start = {5 * std::cos(a) - 10.6, 22, 5 * std::sin(a) + 15.6};
        for (int s = 0; s <= 100; ++s)
            EXPECT_TRUE(w.Clear(start + (kGather - start) * (s / 100.0), 1.0)) << i << "@" << s;
    }
    // the figure, drawn at scale 0.007, fits the glow sphere drawn round it
    double reach = 0;
    for (const Tri& t : w.tris[kFigure])
        reach = std::max({reach, dist(t.a, P3{0, 0, 0}), dist(t.b, P3{0, 0, 0}), dist(t.c, P3{0, 0, 0})});
    EXPECT_LT(reach, 0.85);
    EXPECT_NEAR(w.boxes[kFigure].hi.y - w.boxes[kFigure].lo.y, 1.4, 0.1);
    EXPECT_NEAR(w.boxes[kFigure].hi.y + w.boxes[kFigure].lo.y, 0.0, 0.1); // centred where the sphere is drawn
}

TEST(BeachScene, EightClosedFlyerPathsFlyThroughTheSceneAndClearOfIt) {
    const World& w = world();
    int count = 0;
    // the reader refuses the file whole when a path is cut short or overruns its knot table
    const std::unique_ptr<PathControl3D[]> paths(
        OpenPath3DFile(RES_OpenEntryStreamFrom(AG_Archive().c_str(), CAT_BEACH_PATHS), &count, true));
    ASSERT_TRUE(paths && count == 8);
    bool overFire = false, overSea = false, roundCity = false;
    for (int i = 0; i < count; ++i) {
        SCOPED_TRACE("path " + std::to_string(i));
        PathControl3D& p = paths[i];
        EXPECT_TRUE(dist(at(p.points[0]), at(p.points[p.points.size() - 1])) == 0); // a closed loop
        for (VECTOR& q : p.points)
            q = q * 2.0f;
        p.SetSpeed(24);
        p.loop = false, p.active = true;
        const P3 shift = kGather - at(p.points[0]);
        const double frame = 0.02;
        double seconds = 0, flown = 0, slowest = 1e30, fastest = 0, winding = 0;
        P3 last = kGather;
        while (p.time < 1.0f) {
            p.Update(frame);
            seconds += frame;
            const P3 c = at(p.position) + shift;
            const double step = dist(c, last);
            flown += step;
            if (p.time < 1.0f) // the last frame stops short at the end
                slowest = std::min(slowest, step / frame), fastest = std::max(fastest, step / frame);
            winding += std::remainder(std::atan2(c.z - kFountain.z, c.x - kFountain.x) -
                                          std::atan2(last.z - kFountain.z, last.x - kFountain.x),
                                      2 * M_PI);
            last = c;
            ASSERT_TRUE(w.Clear(c, 3.0)) << seconds << ": " << c.x << "," << c.y << "," << c.z;
            ASSERT_FALSE(w.boxes[kRock].Holds(c, 1.0)) << seconds;
            ASSERT_FALSE(w.boxes[kCity].Holds(c, 1.0)) << seconds;
            ASSERT_TRUE(dist(c, kFountain) < 250 && dist(c, kFire) < 250) << seconds; // well inside the fog's end
            overFire = overFire || (flat(c, kFire) < 10 && c.y < 15);
            overSea = overSea || (w.beach.Top(c.x, c.z) < -7.5 && flat(c, kFountain) > 80);
        }
        EXPECT_LT(dist(last, kGather), 1e-3);
        roundCity = roundCity || std::fabs(winding) > 1.9 * M_PI;
        // 24 units a second on average (the travelled curve is as long as the measured one) and never
        // crawling or racing
        EXPECT_NEAR(flown / seconds, 24.0, 2.0);
        EXPECT_GT(slowest, 12.0);
        EXPECT_LT(fastest, 40.0);
        EXPECT_GT(seconds, 10.0);
    }
    EXPECT_TRUE(overFire);
    EXPECT_TRUE(overSea);
    EXPECT_TRUE(roundCity);
}
