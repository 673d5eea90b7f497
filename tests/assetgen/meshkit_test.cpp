// Mesh kit: primitives are closed and face outwards, transforms keep them so, and models the engine
// cannot draw are refused before they are written.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <tuple>

#include "meshkit.h"

namespace {

const double kPi = 3.14159265358979;

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
    if (m.uvs.size() != m.positions.size()) return false;
    for (const MkVec2& t : m.uvs)
        if (!(t.u >= 0 && t.u <= 1 && t.v >= 0 && t.v <= 1)) return false;
    return true;
}

} // namespace

TEST(MeshKit, ClosedPrimitivesFaceOutwardsWithTheirVolume) {
    struct Case {
        const char* name;
        MkMesh mesh;
        double expected;
        double tolerance; // relative
    };
    const int n = 64;
    double polygon = 0.5 * n * std::sin(2 * kPi / n); // area of the inscribed 64-gon of radius 1
    std::vector<Case> cases = {
        {"box", MK_Box({2, 3, 4}), 24.0, 1e-6},
        {"cylinder", MK_Cylinder(1, 2, n), polygon * 2, 1e-4},
        {"cone", MK_Cone(1, 3, n), polygon * 3 / 3, 1e-4},
        {"sphere", MK_Sphere(1, 48, 24), 4.0 / 3.0 * kPi, 0.02},
        {"torus", MK_Torus(2, 0.5f, 64, 32), 2 * kPi * kPi * 2 * 0.25, 0.02},
        {"lathe", MK_Lathe({{0, 0}, {1, 0}, {1, 2}, {0, 2}}, n), polygon * 2, 1e-4},
        {"extrusion", MK_Extrude({{-1, -1}, {1, -1}, {1, 1}, {-1, 1}}, {{0, 0, 0}, {0, 0, -5}}, true), 20.0, 1e-5},
        {"bent extrusion",
         MK_Extrude({{-0.2f, -0.2f}, {0.2f, -0.2f}, {0.2f, 0.2f}, {-0.2f, 0.2f}},
                    {{0, 0, 0}, {0, 0, -2}, {2, 0, -4}, {2, 3, -6}}, true),
         0.16 * 2 * (2 + 2 * std::sqrt(2.0) + std::sqrt(13.0)) / 2, 0.15},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(closed(c.mesh));
        EXPECT_TRUE(uvsInRange(c.mesh));
        EXPECT_NEAR(volume(c.mesh), c.expected, c.expected * c.tolerance);
    }
}

TEST(MeshKit, OpenSheetsFaceUpAndConcaveCapsStayInside) {
    MkMesh field = MK_Heightfield(8, 4, 16, 8, [](float x, float z) { return 0.1f * x + 0.05f * z; });
    ASSERT_EQ(field.faces.size(), 8u * 4u * 2u);
    for (const MkFace& f : field.faces) {
        MkVec3 a = field.positions[f.a], b = field.positions[f.b], c = field.positions[f.c];
        float ny = (b.z - a.z) * (c.x - a.x) - (b.x - a.x) * (c.z - a.z);
        EXPECT_GT(ny, 0.0f);
    }
    EXPECT_TRUE(uvsInRange(field));
    EXPECT_FLOAT_EQ(field.positions.front().x, -8.0f);
    EXPECT_FLOAT_EQ(field.positions.back().z, 4.0f);
    EXPECT_FLOAT_EQ(field.positions.back().y, 0.1f * 8 + 0.05f * 4);

    // an L-shaped (concave) section: its caps must triangulate without leaving the outline
    MkMesh l = MK_Extrude({{0, 0}, {2, 0}, {2, 1}, {1, 1}, {1, 2}, {0, 2}}, {{0, 0, 0}, {0, 0, -1}}, true);
    EXPECT_TRUE(closed(l));
    EXPECT_NEAR(volume(l), 3.0, 1e-5);
}

TEST(MeshKit, TransformsKeepSurfacesOutwardAndTurnTheWayGLDoes) {
    MkMesh box = MK_Box({1, 2, 3});
    MK_Scale(box, {-2, 1, 1}); // mirrored: faces must be turned to stay outward
    EXPECT_NEAR(volume(box), 12.0, 1e-5);
    EXPECT_TRUE(closed(box));

    MkMesh p;
    p.positions = {{1, 0, 0}};
    p.uvs = {{0, 0}};
    MK_RotateY(p, 90); // as glRotatef(90, 0, 1, 0): +x goes to -z
    EXPECT_NEAR(p.positions[0].x, 0, 1e-6);
    EXPECT_NEAR(p.positions[0].z, -1, 1e-6);
    MK_RotateX(p, 90); // -z goes to +y
    EXPECT_NEAR(p.positions[0].y, 1, 1e-6);
    MK_RotateZ(p, 90); // +y goes to -x
    EXPECT_NEAR(p.positions[0].x, -1, 1e-6);
    MK_Translate(p, {1, 2, 3});
    EXPECT_NEAR(p.positions[0].x, 0, 1e-6);
    EXPECT_NEAR(p.positions[0].z, 3, 1e-6);

    MkMesh merged = MK_Box({1, 1, 1});
    MkMesh other = MK_Box({1, 1, 1});
    MK_Translate(other, {3, 0, 0});
    MK_Merge(merged, other);
    EXPECT_EQ(merged.faces.size(), 24u);
    EXPECT_NEAR(volume(merged), 2.0, 1e-6);
    EXPECT_EQ(merged.faces.back().a, 24u + 20u); // the second box's indices follow the first's vertices
}

TEST(MeshKit, TextureProjectionsFillThePictureTopDown) {
    MkMesh cyl = MK_Cylinder(1, 4, 16, false);
    MK_CylindricalUV(cyl);
    for (size_t i = 0; i < cyl.positions.size(); ++i) {
        const MkVec3& p = cyl.positions[i];
        if (p.y == 4) {
            EXPECT_FLOAT_EQ(cyl.uvs[i].v, 0.0f); // top row of the picture at the top
        } else {
            EXPECT_FLOAT_EQ(cyl.uvs[i].v, 1.0f);
        }
        if (p.x == 1 && p.z == 0) {
            EXPECT_FLOAT_EQ(cyl.uvs[i].u, 0.0f);
        }
        if (p.x == -1) {
            EXPECT_NEAR(cyl.uvs[i].u, 1.0f, 1e-6);
        }
    }
    MkMesh wall = MK_Box({2, 2, 2});
    MK_PlanarUV(wall, MK_AXIS_Z);
    for (size_t i = 0; i < wall.positions.size(); ++i) {
        EXPECT_FLOAT_EQ(wall.uvs[i].u, (wall.positions[i].x + 1) / 2);
        EXPECT_FLOAT_EQ(wall.uvs[i].v, (1 - wall.positions[i].y) / 2);
    }
    MkMesh box = MK_Box({4, 2, 1});
    MK_BoxUV(box);
    EXPECT_TRUE(uvsInRange(box) && closed(box));
}

TEST(MeshKit, CheckRefusesWhatTheEngineCannotDraw) {
    auto model = [] {
        MkModel m;
        MK_AddMaterial(m, "paint", 255, 0, 0, "paint.bmp");
        MK_AddObject(m, "body", MK_Box({1, 1, 1}), "paint");
        return m;
    };
    ASSERT_EQ(MK_Check(model()), "");
    ASSERT_FALSE(MK_Write3DS(model()).empty());

    std::vector<std::pair<const char*, MkModel>> bad;
    MkModel m = model();
    m.objects[0].mesh.uvs[3].u = 1.25f; // clamped textures: would smear the edge
    bad.push_back({"uv outside 0..1", m});
    m = model();
    m.objects[0].material = "Paint"; // the reader matches material names case-sensitively
    bad.push_back({"unknown material", m});
    m = model();
    MK_AddMaterial(m, "paint", 0, 0, 0, "other.bmp");
    bad.push_back({"material twice", m});
    m = model();
    m.objects[0].mesh.faces[0].c = 99;
    bad.push_back({"index out of range", m});
    m = model();
    m.objects[0].mesh.positions[0].x = std::nanf("");
    bad.push_back({"not a number", m});
    m = model();
    m.objects[0].mesh = MK_Heightfield(300, 300, 1, 1, [](float, float) { return 0.0f; });
    bad.push_back({"more than 65535 vertices", m});
    m = model();
    for (int i = 0; i < 64; ++i)
        MK_AddMaterial(m, "m" + std::to_string(i), 0, 0, 0, "x.bmp");
    bad.push_back({"65 materials", m});
    m = model();
    m.materials[0].textureMap = std::string(64, 'a') + ".bmp";
    bad.push_back({"texture name too long for the texture manager", m});
    m = model();
    m.objects[0].mesh.uvs.pop_back();
    bad.push_back({"missing texture coordinates", m});
    for (const auto& b : bad) {
        SCOPED_TRACE(b.first);
        EXPECT_NE(MK_Check(b.second), "");
        EXPECT_TRUE(MK_Write3DS(b.second).empty());
    }
}
