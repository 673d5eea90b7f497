// The air battle's models read back through the engine's loader and checked against how the scene
// places them, turns their propellers and flies its camera past them.
#include <gtest/gtest.h>

#include <strings.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "core/catalogue.h"
#include "data/resfile.h"
#include "generated.h"
#include "math/vmath.h"
#include "model/load3ds.h"
#include "model/mesh.h"

namespace {

enum { kDirigible, kBlimp2, kBlimp3, kCliff, kPlane1, kPlane2, kCloud4, kCloud2 };

struct V3 {
    float x, y, z;
    V3 operator-(V3 b) const { return {x - b.x, y - b.y, z - b.z}; }
    V3 operator+(V3 b) const { return {x + b.x, y + b.y, z + b.z}; }
    V3 operator*(float s) const { return {x * s, y * s, z * s}; }
};
float dot(V3 a, V3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
V3 cross(V3 a, V3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

struct Model {
    t3DModel m;
    bool ok;
    explicit Model(int i) {
        VH_RWops* rw = RES_OpenEntryStreamFrom(AG_Archive().c_str(), CAT_SKY_MESHES[i]);
        ok = rw && CLoad3DS_RW().Load(&m, rw, true);
    }
    ~Model() { MESH_FreeModelData(&m); }
    const t3DObject* Find(const char* name) const {
        for (int i = 0; i < m.objectCount; ++i)
            if (strcasecmp(m.objects[i].name, name) == 0) return &m.objects[i];
        return nullptr;
    }
};

// Models are loaded once for the whole program.
const Model& sky(int i) {
    static std::unique_ptr<Model> models[CAT_SKY_MESH_COUNT];
    if (!models[i]) models[i] = std::make_unique<Model>(i);
    return *models[i];
}

V3 vertex(const t3DObject& o, int v) {
    return {o.vertices[3 * v], o.vertices[3 * v + 1], o.vertices[3 * v + 2]};
}

void bounds(const t3DObject& o, V3* lo, V3* hi) {
    *lo = {1e30f, 1e30f, 1e30f}, *hi = {-1e30f, -1e30f, -1e30f};
    for (int v = 0; v < o.vertexCount; ++v) {
        const V3 p = vertex(o, v);
        *lo = {std::min(lo->x, p.x), std::min(lo->y, p.y), std::min(lo->z, p.z)};
        *hi = {std::max(hi->x, p.x), std::max(hi->y, p.y), std::max(hi->z, p.z)};
    }
}

// A placement as the mesh draw applies it (translate, the engine's rotation of three angles, scale).
struct Placement {
    V3 position, rotation, scale;
    float turn[16];
    Placement(V3 p, V3 r, V3 s = {1, 1, 1}) : position(p), rotation(r), scale(s) {
        OBJECT3D o;
        o.Reset();
        o.rotation[0] = r.x, o.rotation[1] = r.y, o.rotation[2] = r.z;
        o.ApplyRotation();
        MATRIX m;
        m.FromQuat(o.orientation);
        std::copy(m.m, m.m + 16, turn);
    }
    V3 Direction(V3 d) const { // model direction to world, as glMultMatrixf reads the column-major matrix
        return {turn[0] * d.x + turn[4] * d.y + turn[8] * d.z, turn[1] * d.x + turn[5] * d.y + turn[9] * d.z,
                turn[2] * d.x + turn[6] * d.y + turn[10] * d.z};
    }
    V3 ToWorld(V3 p) const { return position + Direction({p.x * scale.x, p.y * scale.y, p.z * scale.z}); }
    V3 ToModel(V3 w) const {
        const V3 d = w - position; // the rotation is orthonormal: its transpose undoes it
        const V3 r = {turn[0] * d.x + turn[1] * d.y + turn[2] * d.z, turn[4] * d.x + turn[5] * d.y + turn[6] * d.z,
                      turn[8] * d.x + turn[9] * d.y + turn[10] * d.z};
        return {r.x / scale.x, r.y / scale.y, r.z / scale.z};
    }
};

// Distance from p to triangle abc: to its plane where p lies over the triangle, else to its nearest edge.
float distanceToTriangle(V3 p, V3 a, V3 b, V3 c) {
    const V3 n = cross(b - a, c - a);
    if (dot(n, n) > 0 && dot(cross(b - a, p - a), n) >= 0 && dot(cross(c - b, p - b), n) >= 0 &&
        dot(cross(a - c, p - c), n) >= 0)
        return std::fabs(dot(p - a, n)) / std::sqrt(dot(n, n));
    auto edge = [&](V3 s, V3 e) {
        const V3 d = e - s, q = p - (s + d * std::clamp(dot(p - s, d) / std::max(dot(d, d), 1e-30f), 0.0f, 1.0f));
        return std::sqrt(dot(q, q));
    };
    return std::min({edge(a, b), edge(b, c), edge(c, a)});
}

// Whether a ray from p crosses triangle abc (one fixed, oblique direction).
bool rayCrosses(V3 p, V3 a, V3 b, V3 c) {
    const V3 dir = {0.31f, 0.87f, 0.38f}, e1 = b - a, e2 = c - a, h = cross(dir, e2);
    const float det = dot(e1, h);
    if (std::fabs(det) < 1e-12f) return false;
    const V3 s = p - a;
    const float u = dot(s, h) / det;
    const V3 q = cross(s, e1);
    const float v = dot(dir, q) / det;
    return u >= 0 && v >= 0 && u + v <= 1 && dot(e2, q) / det > 0;
}

// Nearest surface of the model to p, and whether p lies inside any of its closed objects.
void probe(const t3DModel& m, V3 p, float* nearest, bool* inside) {
    *nearest = 1e30f, *inside = false;
    for (int i = 0; i < m.objectCount; ++i) {
        const t3DObject& o = m.objects[i];
        int crossings = 0;
        for (int f = 0; f < o.faceCount; ++f) {
            const V3 a = vertex(o, int(o.faces[3 * f])), b = vertex(o, int(o.faces[3 * f + 1])),
                     c = vertex(o, int(o.faces[3 * f + 2]));
            *nearest = std::min(*nearest, distanceToTriangle(p, a, b, c));
            crossings += rayCrosses(p, a, b, c);
        }
        *inside = *inside || crossings % 2 == 1;
    }
}

} // namespace

TEST(SceneTwoModels, EveryPropellerIsOnItsHubAndSweepsClearOfItsShip) {
    // what a propeller must never cut through when it turns
    const char* body[] = {"hull", "fins", "gondola", "control_car", "fuselage", "wing", "tail", "canopy"};
    for (int i = 0; i < CAT_SKY_MESH_COUNT; ++i) {
        const Model& model = sky(i);
        ASSERT_TRUE(model.ok) << CAT_SKY_MESHES[i];
        const CAT_PartTable& table = CAT_SKY_PART_TABLES[i];
        for (int k = 0; k < table.count; ++k) {
            const CAT_Part& part = table.parts[k];
            SCOPED_TRACE(std::string(CAT_SKY_MESHES[i]) + " " + part.name);
            const t3DObject* prop = model.Find(part.name);
            ASSERT_NE(prop, nullptr);
            V3 lo, hi;
            bounds(*prop, &lo, &hi);
            const V3 hub = {part.a[0], part.a[1], part.a[2]};
            const float radius = std::max(hi.x - lo.x, hi.y - lo.y) / 2;
            EXPECT_NEAR((lo.x + hi.x) / 2, hub.x, 0.002f * radius);
            EXPECT_NEAR((lo.y + hi.y) / 2, hub.y, 0.002f * radius);
            EXPECT_NEAR((lo.z + hi.z) / 2, hub.z, 0.05f * radius);
            EXPECT_LT(hi.z - lo.z, radius); // a disc turning about z, not a rod along it
            // the blades' slab (its outer half) against every body vertex in that ring
            float bladeLo = 1e30f, bladeHi = -1e30f;
            for (int v = 0; v < prop->vertexCount; ++v) {
                const V3 p = vertex(*prop, v) - hub;
                if (std::hypot(p.x, p.y) > radius / 2)
                    bladeLo = std::min(bladeLo, p.z), bladeHi = std::max(bladeHi, p.z);
            }
            for (const char* name : body) {
                const t3DObject* o = model.Find(name);
                for (int v = 0; o && v < o->vertexCount; ++v) {
                    const V3 p = vertex(*o, v) - hub;
                    const float r = std::hypot(p.x, p.y);
                    EXPECT_FALSE(p.z >= bladeLo - 0.05f && p.z <= bladeHi + 0.05f && r > 0.3f * radius &&
                                 r < radius + 0.05f)
                        << name << " at " << p.x << "," << p.y << "," << p.z << " from the hub";
                }
            }
        }
    }
}

// Where each craft travels in the script with the placement it has there, and which way that
// must take its bow: the blunt end of its hull (or fuselage) has to lead.
TEST(SceneTwoModels, BowsAndNosesLeadTheWayTheScriptMovesEachCraft) {
    struct Trip {
        int model;
        V3 rotation, travel;
    };
    const Trip trips[] = {
        {kDirigible, {0, 0, 0}, {0, 0, -1}}, {kBlimp3, {0, 90, 0}, {-1, 0, 0}},  {kBlimp2, {0, 90, 0}, {1, 0, 0}},
        {kBlimp2, {0, -90, 0}, {-1, 0, 0}},  {kBlimp2, {0, 180, 0}, {0, 0, 1}},  {kBlimp3, {0, 0, 0}, {0, 0, 1}},
        {kPlane1, {0, 180, 0}, {0, 0, -1}},  {kPlane2, {0, 180, 0}, {0, 0, -1}}, {kPlane1, {0, 0, 0}, {0, 0, 1}},
        {kPlane2, {0, 0, 0}, {0, 0, 1}},
    };
    for (const Trip& trip : trips) {
        SCOPED_TRACE(std::string(CAT_SKY_MESHES[trip.model]) + " turned " + std::to_string(trip.rotation.y));
        const Model& model = sky(trip.model);
        ASSERT_TRUE(model.ok);
        const t3DObject* body = model.Find("hull");
        if (!body) body = model.Find("fuselage");
        ASSERT_NE(body, nullptr);
        V3 lo, hi;
        bounds(*body, &lo, &hi);
        const V3 axis = {(lo.x + hi.x) / 2, (lo.y + hi.y) / 2, 0};
        const float end = 0.12f * (hi.z - lo.z);
        float girthLo = 0, girthHi = 0; // the largest radius near each end
        for (int v = 0; v < body->vertexCount; ++v) {
            const V3 p = vertex(*body, v);
            const float r = std::hypot(p.x - axis.x, p.y - axis.y);
            if (p.z < lo.z + end) girthLo = std::max(girthLo, r);
            if (p.z > hi.z - end) girthHi = std::max(girthHi, r);
        }
        ASSERT_GT(std::fabs(girthLo - girthHi), 0.1f * std::max(girthLo, girthHi)); // one end is clearly blunter
        const float bowZ = girthLo > girthHi ? -1.0f : 1.0f;
        EXPECT_GT(dot(Placement({0, 0, 0}, trip.rotation).Direction({0, 0, bowZ}), trip.travel), 0.99f);
        if (const t3DObject* wing = model.Find("wing")) { // pushers: the wing leads the propellers
            V3 wlo, whi;
            bounds(*wing, &wlo, &whi);
            const CAT_PartTable& props = CAT_SKY_PART_TABLES[trip.model];
            for (int k = 0; k < props.count; ++k)
                EXPECT_GT(((wlo.z + whi.z) / 2 - props.parts[k].a[2]) * bowZ, 0) << props.parts[k].name;
        }
    }
}

// The script flies its camera through or right beside these ships; it must see them from outside.
TEST(SceneTwoModels, TheScriptsCloseCamerasStayOutsideTheShips) {
    struct Shot {
        int model;
        Placement placed;
        V3 eyeFrom, eyeTo; // a straight stretch of the eye
    };
    const Shot shots[] = {
        // under the dirigible's belly, backing out past its bow while it flies on
        {kDirigible, Placement({0, 42, 0}, {0, 0, 0}), {-2, 39.6f, 0.6f}, {-2, 39.6f, -12.2f}},
        {kDirigible, Placement({0, 42, 39.65f}, {0, 90, 0}), {1.27f, 47.5f, 45.8f}, {1.27f, 47.5f, 45.8f}},
        {kDirigible, Placement({0, 42, 42}, {0, 0, 0}), {1.27f, 43.5f, 53.8f}, {1.27f, 43.5f, 53.8f}},
        // from under blimp2 while the planes come in, then from its side
        {kBlimp2, Placement({-6, 38, -44}, {0, 180, 0}), {-6.46f, 36.519f, -41.5796f}, {-6.46f, 36.519f, -41.5796f}},
        {kBlimp2, Placement({-6, 38, -44}, {0, 180, 0}), {-9.6f, 40.2f, -41.87f}, {-9.6f, 40.2f, -41.87f}},
    };
    for (const Shot& shot : shots) {
        const Model& model = sky(shot.model);
        ASSERT_TRUE(model.ok);
        const V3 stretch = shot.eyeTo - shot.eyeFrom;
        const int steps = dot(stretch, stretch) > 0 ? 64 : 1;
        for (int s = 0; s < steps; ++s) {
            const V3 eye = shot.eyeFrom + stretch * (s / float(std::max(steps - 1, 1)));
            SCOPED_TRACE(std::string(CAT_SKY_MESHES[shot.model]) + " seen from " + std::to_string(eye.x) + "," +
                         std::to_string(eye.y) + "," + std::to_string(eye.z));
            float nearest;
            bool inside;
            probe(model.m, shot.placed.ToModel(eye), &nearest, &inside);
            EXPECT_GT(nearest, 0.2f); // past the near plane, with room to spare
            EXPECT_FALSE(inside);
        }
    }
}

TEST(SceneTwoModels, TheCliffFramesBlimp2sClimbAndTheCloudsLieBetweenTheShots) {
    const Model &cliff = sky(kCliff), &blimp = sky(kBlimp2);
    ASSERT_TRUE(cliff.ok && blimp.ok);
    // blimp2 where its climb begins, as a box in the world, with half a unit to spare
    const Placement start({-17.2f, -37.65f, -24.61f}, {0, 90, 0});
    V3 lo = {1e30f, 1e30f, 1e30f}, hi = {-1e30f, -1e30f, -1e30f};
    for (int i = 0; i < blimp.m.objectCount; ++i)
        for (int v = 0; v < blimp.m.objects[i].vertexCount; ++v) {
            const V3 p = start.ToWorld(vertex(blimp.m.objects[i], v));
            lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
            hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
        }
    const Placement rock({-10, -43, 0}, {0, 0, 0}, {2, 1.3f, 4});
    float top = -1e30f, bottom = 1e30f, nearestX = 1e30f;
    for (int i = 0; i < cliff.m.objectCount; ++i)
        for (int v = 0; v < cliff.m.objects[i].vertexCount; ++v) {
            const V3 p = rock.ToWorld(vertex(cliff.m.objects[i], v));
            top = std::max(top, p.y), bottom = std::min(bottom, p.y);
            EXPECT_FALSE(p.x > lo.x - 0.5f && p.x < hi.x + 0.5f && p.y > lo.y - 0.5f && p.y < hi.y + 0.5f &&
                         p.z > lo.z - 0.5f && p.z < hi.z + 0.5f)
                << "cliff at " << p.x << "," << p.y << "," << p.z;
            if (std::fabs(p.y - start.position.y) < 3 && std::fabs(p.z - start.position.z) < 3 && p.x < lo.x)
                nearestX = std::min(nearestX, lo.x - p.x);
        }
    EXPECT_LT(bottom, -60.0f);                // out of the sea
    EXPECT_GT(top, start.position.y + 20.0f); // a wall behind the start of the climb
    EXPECT_LT(top, -3.0f);                    // under blimp2's second climb, which starts at y 0
    EXPECT_LT(nearestX, 10.0f);               // and close behind it, not somewhere off in the distance

    // clouds drawn at y 50, scale 2: under the airships' cameras (36 and up), over the last shots (15)
    for (int i : {kCloud4, kCloud2}) {
        const Model& cloud = sky(i);
        ASSERT_TRUE(cloud.ok);
        const Placement at({0, 50, 0}, {0, 0, 0}, {2, 2, 2});
        ASSERT_EQ(cloud.m.objectCount, 1);
        V3 clo, chi;
        bounds(cloud.m.objects[0], &clo, &chi);
        clo = at.ToWorld(clo), chi = at.ToWorld(chi);
        EXPECT_LT(chi.y, 35.5f) << CAT_SKY_MESHES[i];
        EXPECT_GT(clo.y, 20.0f) << CAT_SKY_MESHES[i];
        // wide enough that clouds some 25 apart in the scene's table meet as one layer
        EXPECT_GT(chi.x - clo.x, 30.0f) << CAT_SKY_MESHES[i];
        EXPECT_GT(chi.z - clo.z, 30.0f) << CAT_SKY_MESHES[i];
    }
}
