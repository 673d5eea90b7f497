// Mesh kit: closed outward shapes under any transform; models the engine cannot draw are refused.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <tuple>

#include "data/rwops.h"
#include "meshkit.h"
#include "model/load3ds.h"
#include "model/mesh.h"

namespace {

// Signed volume: positive when every face is counter-clockwise seen from outside.
double volume(const MkMesh& m) {
    double v = 0;
    for (const MkFace& f : m.faces) {
        const MkVec3 &a = m.positions[f.a], &b = m.positions[f.b], &c = m.positions[f.c];
        v += a.x * (double(b.y) * c.z - double(b.z) * c.y) + a.y * (double(b.z) * c.x - double(b.x) * c.z) +
             a.z * (double(b.x) * c.y - double(b.y) * c.x);
    }
    return v / 6;
}

// Closed surface: every edge, taken by position, is walked once in each direction.
bool closed(const MkMesh& m) {
    typedef std::tuple<float, float, float> P;
    std::map<std::pair<P, P>, int> edges;
    auto key = [&](Uint32 i) { return P(m.positions[i].x, m.positions[i].y, m.positions[i].z); };
    for (const MkFace& f : m.faces) {
        Uint32 c[3] = {f.a, f.b, f.c};
        for (int i = 0; i < 3; ++i)
            edges[{key(c[i]), key(c[(i + 1) % 3])}] += 1;
    }
    for (const auto& e : edges) {
        auto back = edges.find({e.first.second, e.first.first});
        if (back == edges.end() || back->second != e.second) return false;
    }
    return true;
}

bool uvsInRange(const MkMesh& m) {
    for (const MkVec2& t : m.uvs)
        if (!(t.u >= 0 && t.u <= 1 && t.v >= 0 && t.v <= 1)) return false;
    return m.uvs.size() == m.positions.size();
}

} // namespace

TEST(MeshKit, ClosedShapesFaceOutwardsWithTheirVolumeAfterAnyTransform) {
    const double pi = 3.14159265358979, polygon = 32 * std::sin(2 * pi / 64); // inscribed 64-gon, radius 1
    MkMesh mirrored = MK_Box({1, 2, 3}), merged = MK_Box({1, 1, 1}), other = MK_Box({1, 1, 1});
    MK_Scale(mirrored, {-2, 1, 1}); // faces must be turned to stay outward
    MK_Translate(other, {3, 0, 0});
    MK_Merge(merged, other);
    const std::tuple<const char*, MkMesh, double, double> cases[] = {
        {"box", MK_Box({2, 3, 4}), 24.0, 1e-6},
        {"cylinder", MK_Cylinder(1, 2, 64), polygon * 2, 1e-4},
        {"cone", MK_Cone(1, 3, 64), polygon * 3 / 3, 1e-4},
        {"sphere", MK_Sphere(1, 48, 24), 4.0 / 3.0 * pi, 0.02},
        {"torus", MK_Torus(2, 0.5f, 64, 32), 2 * pi * pi * 2 * 0.25, 0.02},
        {"lathe", MK_Lathe({{0, 0}, {1, 0}, {1, 2}, {0, 2}}, 64), polygon * 2, 1e-4},
        {"extrusion", MK_Extrude({{-1, -1}, {1, -1}, {1, 1}, {-1, 1}}, {{0, 0, 0}, {0, 0, -5}}, true), 20.0, 1e-5},
        {"bent extrusion",
         MK_Extrude({{-0.2f, -0.2f}, {0.2f, -0.2f}, {0.2f, 0.2f}, {-0.2f, 0.2f}},
                    {{0, 0, 0}, {0, 0, -2}, {2, 0, -4}, {2, 3, -6}}, true),
         0.16 * (2 + 2 * std::sqrt(2.0) + std::sqrt(13.0)), 0.15},
        // concave: the caps must triangulate without leaving the outline
        {"L extrusion", MK_Extrude({{0, 0}, {2, 0}, {2, 1}, {1, 1}, {1, 2}, {0, 2}}, {{0, 0, 0}, {0, 0, -1}}, true),
         3.0, 1e-5},
        {"mirrored box", mirrored, 12.0, 1e-6},
        {"two merged boxes", merged, 2.0, 1e-6},
    };
    for (const auto& [name, mesh, expected, tolerance] : cases) { // tolerance relative to the volume
        SCOPED_TRACE(name);
        EXPECT_TRUE(closed(mesh) && uvsInRange(mesh));
        EXPECT_NEAR(volume(mesh), expected, expected * tolerance);
    }
    EXPECT_EQ(merged.faces.back().a, 24u + 20u); // the second box's indices follow the first's vertices
}

TEST(MeshKit, RotationsTurnAsGLDoesAndProjectionsFillThePicture) {
    MkMesh p;
    p.positions = {{1, 0, 0}};
    MK_RotateY(p, 90); // as glRotatef(90, 0, 1, 0): +x goes to -z
    EXPECT_NEAR(p.positions[0].z, -1, 1e-6);
    MK_RotateX(p, 90); // -z goes to +y
    EXPECT_NEAR(p.positions[0].y, 1, 1e-6);
    MK_RotateZ(p, 90); // +y goes to -x
    EXPECT_NEAR(p.positions[0].x, -1, 1e-6);
    MK_Translate(p, {1, 2, 3});
    EXPECT_TRUE(std::fabs(p.positions[0].x) < 1e-6 && std::fabs(p.positions[0].z - 3) < 1e-6);

    MkMesh cyl = MK_Cylinder(1, 4, 16, false), wall = MK_Box({2, 2, 2}), box = MK_Box({4, 2, 1});
    MK_CylindricalUV(cyl);
    for (size_t i = 0; i < cyl.positions.size(); ++i) {
        const MkVec3& q = cyl.positions[i];
        // top row of the picture at the top; the seam starts at +x
        EXPECT_FLOAT_EQ(cyl.uvs[i].v, q.y == 4 ? 0.0f : 1.0f);
        EXPECT_TRUE(!(q.x == 1 && q.z == 0) || cyl.uvs[i].u == 0.0f) << i;
        EXPECT_TRUE(q.x != -1 || std::fabs(cyl.uvs[i].u - 1.0f) < 1e-6f) << i;
    }
    MK_PlanarUV(wall, MK_AXIS_Z);
    for (size_t i = 0; i < wall.positions.size(); ++i)
        EXPECT_TRUE(wall.uvs[i].u == (wall.positions[i].x + 1) / 2 && wall.uvs[i].v == (1 - wall.positions[i].y) / 2);
    MK_BoxUV(box);
    EXPECT_TRUE(uvsInRange(box) && closed(box));
}

TEST(MeshKit, ModelsComeBackAsBuiltInTheEngineFrameAndWhatItCannotDrawIsRefused) {
    MkModel good;
    MK_AddMaterial(good, "paint", 10, 20, 30, "paint.bmp");
    MK_AddMaterial(good, "brass", 200, 180, 60, "brass.bmp");
    MkMesh hull = MK_Box({2, 1, 6}), wheel = MK_Cylinder(0.8f, 0.2f, 16);
    MK_Translate(hull, {0.5f, 0.25f, -1});
    MK_RotateZ(wheel, 90);
    MK_AddObject(good, "hull", hull, "paint");
    MK_AddObject(good, "r_wheel1", wheel, "brass");
    ASSERT_EQ(MK_Check(good), "");
    std::vector<Uint8> bytes = MK_Write3DS(good);
    t3DModel model;
    ASSERT_TRUE(CLoad3DS_RW().Load(&model, VH_RWFromMem(bytes.data(), int(bytes.size())), true));
    EXPECT_TRUE(model.objectCount == 2 && model.materialCount == 2 && model.materials[1].colour[0] == 200);
    EXPECT_STREQ(model.materials[0].textureFile, "paint.bmp");
    for (int i = 0; i < model.objectCount; ++i) {
        const t3DObject& o = model.objects[i];
        const MkMesh& k = good.objects[i].mesh;
        SCOPED_TRACE(good.objects[i].name);
        EXPECT_TRUE(o.name == good.objects[i].name && o.material == i);
        ASSERT_TRUE(size_t(o.vertexCount) == k.positions.size() && size_t(o.faceCount) == k.faces.size());
        for (int v = 0; v < o.vertexCount; ++v)
            EXPECT_TRUE(o.vertices[3 * v] == k.positions[v].x && o.vertices[3 * v + 1] == k.positions[v].y &&
                        o.vertices[3 * v + 2] == k.positions[v].z && o.texCoords[2 * v] == k.uvs[v].u &&
                        o.texCoords[2 * v + 1] == k.uvs[v].v)
                << "vertex " << v;
        for (int f = 0; f < o.faceCount; ++f) // the winding survives
            EXPECT_TRUE(o.faces[3 * f] == k.faces[f].a && o.faces[3 * f + 2] == k.faces[f].c) << "face " << f;
    }
    MESH_FreeModelData(&model);

    const std::pair<const char*, std::function<void(MkModel&)>> bad[] = {
        {"uv outside 0..1", [](MkModel& m) { m.objects[0].mesh.uvs[3].u = 1.25f; }}, // clamped: smears the edge
        {"unknown material", [](MkModel& m) { m.objects[0].material = "Paint"; }},   // names match by case
        {"material twice", [](MkModel& m) { MK_AddMaterial(m, "brass", 0, 0, 0, "other.bmp"); }},
        {"index out of range", [](MkModel& m) { m.objects[0].mesh.faces[0].c = 99; }},
        {"not a number", [](MkModel& m) { m.objects[0].mesh.positions[0].x = std::nanf(""); }},
        {"more than 65535 vertices",
         [](MkModel& m) { m.objects[0].mesh = MK_Heightfield(300, 300, 1, 1, [](float, float) { return 0.0f; }); }},
        {"65 materials",
         [](MkModel& m) {
             for (int i = 0; i < 63; ++i)
                 MK_AddMaterial(m, "m" + std::to_string(i), 0, 0, 0, "x.bmp");
         }},
        {"texture name too long for the texture manager",
         [](MkModel& m) { m.materials[0].textureMap = std::string(64, 'a') + ".bmp"; }},
        {"missing texture coordinates", [](MkModel& m) { m.objects[0].mesh.uvs.pop_back(); }},
    };
    for (const auto& [what, change] : bad) {
        SCOPED_TRACE(what);
        MkModel m = good;
        change(m);
        EXPECT_NE(MK_Check(m), "");
        EXPECT_TRUE(MK_Write3DS(m).empty());
    }
}
