// The night beach put together as its scene places it: the models read back by the engine's reader and
// moved with the mesh draw's own placement, the flyer paths read from the archive and flown as the scene
// flies them (doubled, shifted onto the gathering point, the cubic spline of the file's k + 1).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <string>
#include <vector>

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
};
P3 operator+(P3 a, P3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
P3 operator-(P3 a, P3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
P3 operator*(P3 a, double s) {
    return {a.x * s, a.y * s, a.z * s};
}
double dist(P3 a, P3 b) {
    return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) + (a.z - b.z) * (a.z - b.z));
}
double flat(P3 a, P3 b) {
    return std::hypot(a.x - b.x, a.z - b.z);
}

enum { kBeach, kRock, kCampfire, kChair, kCity };
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

std::vector<Uint8> entryBytes(const char* name) {
    std::vector<Uint8> bytes;
    VH_RWops* rw = RES_OpenEntryStreamFrom(AG_Archive().c_str(), name);
    if (!rw) return bytes;
    Uint8 buf[4096];
    for (int n; (n = rw->read(rw, buf, 1, sizeof buf)) > 0;)
        bytes.insert(bytes.end(), buf, buf + n);
    rw->close(rw);
    return bytes;
}

// The scene's world, read once for the whole program.
struct World {
    std::vector<Tri> tris[5];
    Surfaces all, beach, city;
    Box boxes[5];
    std::vector<P3> figure; // model units
    bool ok = false;
    World() {
        ok = true;
        for (int i = 0; i <= 5; ++i) {
            t3DModel m;
            VH_RWops* rw = RES_OpenEntryStreamFrom(AG_Archive().c_str(), CAT_BEACH_MESHES[i]);
            ok = ok && rw && CLoad3DS_RW().Load(&m, rw, true);
            if (i == 5) {
                for (int o = 0; o < m.objectCount; ++o)
                    for (int v = 0; v < m.objects[o].vertexCount; ++v) {
                        const float* p = &m.objects[o].vertices[3 * v];
                        figure.push_back({p[0], p[1], p[2]});
                    }
            } else {
                tris[i] = placed(m, AG_BEACH_PLACEMENT[i]);
                for (const Tri& t : tris[i])
                    boxes[i].Add(t.a), boxes[i].Add(t.b), boxes[i].Add(t.c);
                all.Add(tris[i]);
            }
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

// --- The flyer paths as the reader takes them -------------------------------------------------------

struct Path {
    Sint32 k = 0, resolution = 0;
    float startTime = 0, endTime = 0;
    std::vector<P3> points;
};

// Reads the .spo bytes, checking every count against what the file holds; false on any fault.
bool readPaths(const std::vector<Uint8>& b, std::vector<Path>* out) {
    size_t at = 0;
    auto take = [&](void* into, size_t n) {
        if (b.size() - at < n) return false;
        std::memcpy(into, b.data() + at, n);
        at += n;
        return true;
    };
    Uint8 head[8];
    if (!take(head, 8) || std::memcmp(head, "SPO\0", 4) != 0 || head[4] != 1 || head[5] != 1) return false;
    const int count = head[6] | head[7] << 8;
    for (int i = 0; i < count; ++i) {
        Path p;
        Sint32 tag, points, extra;
        float speed;
        Uint8 flags[18];
        if (!take(&tag, 4) || !take(&p.k, 4) || !take(&p.resolution, 4) || !take(&p.startTime, 4) ||
            !take(&p.endTime, 4) || !take(&speed, 4) || !take(flags, 18) || !take(&points, 4) || !take(&extra, 4))
            return false;
        if (points < 0 || extra < 0 || size_t(points) + size_t(extra) > (b.size() - at) / 12) return false;
        for (Sint32 j = 0; j < points; ++j) {
            float v[3];
            take(v, 12);
            p.points.push_back({v[0], v[1], v[2]});
        }
        at += size_t(extra) * 12;
        out->push_back(p);
    }
    return at == b.size();
}

// The clamped uniform B-spline of the given order at parameter v (0 .. n - order + 2).
P3 curve(const std::vector<P3>& p, int order, double v) {
    const int n = int(p.size()) - 1;
    if (v >= n - order + 2) return p.back();
    std::vector<double> u(size_t(n + order + 1)), basis(size_t(n + order));
    for (int j = 0; j <= n + order; ++j)
        u[j] = j < order ? 0 : (j <= n ? j - order + 1 : n - order + 2);
    for (size_t i = 0; i < basis.size(); ++i)
        basis[i] = u[i] <= v && v < u[i + 1];
    for (int t = 2; t <= order; ++t)
        for (int i = 0; i + t <= n + order; ++i)
            basis[i] = (u[i + t - 1] != u[i] ? (v - u[i]) / (u[i + t - 1] - u[i]) * basis[i] : 0) +
                       (u[i + t] != u[i + 1] ? (u[i + t] - v) / (u[i + t] - u[i + 1]) * basis[i + 1] : 0);
    P3 c = {0, 0, 0};
    for (int i = 0; i <= n; ++i)
        c = c + p[i] * basis[i];
    return c;
}

// The reader's length: resolution samples of the order-k curve, then on to the last point.
double measured(const std::vector<P3>& p, int k, int resolution) {
    const double inc = double(int(p.size()) - 1 - k + 2) / (resolution - 1);
    double total = 0;
    P3 last = curve(p, k, 0);
    for (int i = 1; i <= resolution - 2; ++i) {
        const P3 c = curve(p, k, inc * i);
        total += dist(c, last);
        last = c;
    }
    return total + dist(last, p.back());
}

} // namespace

TEST(BeachScene, ModelsStandWhereTheCameraAndTheEffectsExpectThem) {
    const World& w = world();
    ASSERT_TRUE(w.ok);
    // the fire and the chair stand on level dry sand; the fire's logs stay low so its flames show
    for (P3 at : {P3{-25, 0, 90}, P3{-24, 0, 100}, P3{-24.4, 0, 99.6}, P3{-23.6, 0, 100.4}})
        EXPECT_NEAR(w.beach.Top(at.x, at.z), 2.5, 0.15) << at.x << "," << at.z;
    EXPECT_NEAR(w.boxes[kChair].lo.y, 2.5, 0.05);
    EXPECT_TRUE(w.boxes[kChair].hi.y > 3.3 && w.boxes[kChair].hi.y < 4.0);
    EXPECT_LT(w.boxes[kCampfire].hi.y, 3.0);
    EXPECT_TRUE(w.boxes[kCampfire].lo.x > -28 && w.boxes[kCampfire].hi.x < -21.5 && w.boxes[kCampfire].lo.z > 87 &&
                w.boxes[kCampfire].hi.z < 93);
    EXPECT_GT(flat(P3{(w.boxes[kChair].lo.x + w.boxes[kChair].hi.x) / 2, 0,
                      (w.boxes[kChair].lo.z + w.boxes[kChair].hi.z) / 2},
                   kFire),
              8.0); // beside the fire, not in it

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
}

TEST(BeachScene, FigureFitsItsGlowSphereAtTheScale) {
    const World& w = world();
    ASSERT_FALSE(w.figure.empty());
    double lo = 1e30, hi = -1e30, reach = 0;
    for (P3 p : w.figure) {
        const P3 s = p * 0.007;
        lo = std::min(lo, s.y), hi = std::max(hi, s.y);
        reach = std::max(reach, dist(s, P3{0, 0, 0}));
    }
    EXPECT_NEAR(hi - lo, 1.4, 0.1);
    EXPECT_LT(reach, 0.85);
    EXPECT_NEAR(hi + lo, 0.0, 0.1); // centred on the place the sphere is drawn at
}

TEST(BeachScene, EightClosedFlyerPathsFlyThroughTheSceneAndClearOfIt) {
    const World& w = world();
    std::vector<Path> paths;
    ASSERT_TRUE(readPaths(entryBytes(CAT_BEACH_PATHS), &paths));
    ASSERT_EQ(paths.size(), 8u);
    bool overFire = false, overSea = false, roundCity = false;
    for (size_t i = 0; i < paths.size(); ++i) {
        SCOPED_TRACE("path " + std::to_string(i));
        const Path& p = paths[i];
        // what the spline reader can follow: its knot table, a direction at the start, a length
        ASSERT_GE(p.points.size(), 2u);
        ASSERT_TRUE(p.k >= 1 && int(p.points.size()) >= p.k + 1);
        ASSERT_LE(int(p.points.size()) + p.k + 1, 100);
        ASSERT_GE(p.resolution, 2);
        ASSERT_GT(p.endTime, p.startTime);
        EXPECT_TRUE(dist(p.points.front(), p.points.back()) == 0); // a closed loop

        // as the scene flies it: doubled, moved so the first point is the gathering point
        std::vector<P3> pts;
        for (P3 q : p.points)
            pts.push_back(q * 2.0 - p.points[0] * 2.0 + kGather);
        const int order = p.k + 1, samples = 800;
        const double vmax = int(pts.size()) - 1 - order + 2, length = measured(pts, p.k, p.resolution);
        const double seconds = length / 24.0; // SetSpeed(24) after the doubling
        double flown = 0, slowest = 1e30, fastest = 0, winding = 0;
        P3 last = curve(pts, order, 0);
        EXPECT_LT(dist(last, kGather), 1e-3);
        for (int s = 1; s <= samples; ++s) {
            const P3 c = curve(pts, order, vmax * s / samples);
            const double step = dist(c, last), speed = step / (seconds / samples);
            flown += step;
            slowest = std::min(slowest, speed), fastest = std::max(fastest, speed);
            winding += std::remainder(std::atan2(c.z - kFountain.z, c.x - kFountain.x) -
                                          std::atan2(last.z - kFountain.z, last.x - kFountain.x),
                                      2 * M_PI);
            last = c;
            ASSERT_TRUE(w.Clear(c, 3.0)) << s << ": " << c.x << "," << c.y << "," << c.z;
            ASSERT_FALSE(w.boxes[kRock].Holds(c, 1.0)) << s;
            ASSERT_FALSE(w.boxes[kCity].Holds(c, 1.0)) << s;
            ASSERT_TRUE(dist(c, kFountain) < 250 && dist(c, kFire) < 250) << s; // well inside the fog's end
            overFire = overFire || (flat(c, kFire) < 10 && c.y < 15);
            overSea = overSea || (w.beach.Top(c.x, c.z) < -7.5 && flat(c, kFountain) > 80);
        }
        EXPECT_LT(dist(last, kGather), 1e-3);
        roundCity = roundCity || std::fabs(winding) > 1.9 * M_PI;
        // 24 units a second on average and never crawling or racing
        EXPECT_NEAR(flown / seconds, 24.0, 2.0);
        EXPECT_GT(slowest, 12.0);
        EXPECT_LT(fastest, 40.0);
        EXPECT_GT(seconds, 10.0);
    }
    EXPECT_TRUE(overFire);
    EXPECT_TRUE(overSea);
    EXPECT_TRUE(roundCity);
}
