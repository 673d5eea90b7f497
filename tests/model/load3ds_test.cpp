// 3DS reader tests: structure, axis conversion, normals, material links and damaged files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "data/rwops.h"
#include "model/chunks.h"
#include "model/load3ds.h"

namespace {

struct Loaded {
    explicit Loaded(std::vector<std::uint8_t> file) : bytes(std::move(file)) {
        ok = CLoad3DS_RW().Load(&model, VH_RWFromMem(bytes.data(), (int)bytes.size()), true);
    }
    ~Loaded() { MESH_FreeModelData(&model); }
    const t3DObject& Object(int i) { return model.objects[i]; }

    std::vector<std::uint8_t> bytes;
    t3DModel model;
    bool ok = false;
};

void expectNormal(const t3DObject& o, int v, float x, float y, float z) {
    const float* n = o.normals + v * 3;
    EXPECT_TRUE(std::fabs(n[0] - x) < 1e-5f && std::fabs(n[1] - y) < 1e-5f && std::fabs(n[2] - z) < 1e-5f)
        << o.name << " vertex " << v << ": " << n[0] << " " << n[1] << " " << n[2];
}

// File-frame corners (0,0,0), (1,0,0), (0,0,1): (0,0,0), (1,0,0), (0,1,0) in the engine's.
TestObject triangle(const std::string& name, std::vector<std::string> groups = {}) {
    return {name, {0, 0, 0, 1, 0, 0, 0, 0, 1}, {0, 1, 2}, {}, std::move(groups)};
}

// Everything the reader keeps of an object, as one comparable value.
std::string dump(const t3DObject& o) {
    std::string s = std::string(o.name) + "|";
    for (int n : {o.material, int(o.textured), o.vertexCount, o.faceCount, o.texCoordCount})
        s += std::to_string(n) + "|";
    s.append((const char*)o.vertices, o.vertexCount * 3 * sizeof(float)).append("|");
    s.append((const char*)o.faces, o.faceCount * 3 * sizeof(Uint32)).append("|");
    return s.append((const char*)o.texCoords, o.texCoordCount * 2 * sizeof(float));
}

} // namespace

TEST(Load3DS, RejectsNonModelsAndReadsObjectsWithTheAxisConversion) {
    t3DModel none;
    EXPECT_FALSE(CLoad3DS_RW().Load(&none, nullptr, true));
    EXPECT_FALSE(Loaded({}).ok);
    std::vector<std::uint8_t> file = Make3DS({}, {triangle("first"), {"second", {1, 2, 3}, {}, {}, {}}});
    file[0] = 0x3D; // an object-data chunk where the primary chunk belongs
    Loaded wrong(file);
    EXPECT_TRUE(!wrong.ok && wrong.model.objectCount == 0);

    file[0] = 0x4D;
    Loaded l(file);
    ASSERT_TRUE(l.ok && l.model.objectCount == 2);
    const t3DObject& tri = l.Object(0);
    EXPECT_STREQ(tri.name, "first");
    EXPECT_TRUE(tri.vertexCount == 3 && tri.faceCount == 1 && tri.faces[2] == 2u);
    for (int v = 0; v < 3; ++v)
        expectNormal(tri, v, 0, 0, 1);
    const float* p = l.Object(1).vertices; // (1, 2, 3) in the file
    EXPECT_TRUE(p[0] == 1.0f && p[1] == 3.0f && p[2] == -2.0f) << p[0] << " " << p[1] << " " << p[2];
}

TEST(Load3DS, EdgeNormalsAgreeForSharedAndDuplicatedVertices) {
    // Two faces folded along the edge (0,0,0)-(1,0,0): one lies flat, one stands up.
    TestObject shared{"shared", {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1}, {0, 1, 2, 0, 1, 3}, {}, {}};
    TestObject split{"split", {0, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}, {0, 2, 1, 3, 4, 5}, {}, {}};
    Loaded l(Make3DS({}, {shared, split}));
    ASSERT_TRUE(l.ok);
    const float h = std::sqrt(0.5f);
    for (int v : {0, 1})
        expectNormal(l.Object(0), v, 0, h, h);
    for (int v : {0, 2, 3, 4})
        expectNormal(l.Object(1), v, 0, h, h);
    expectNormal(l.Object(0), 2, 0, 1, 0); // corners off the edge keep their own face's normal
    expectNormal(l.Object(0), 3, 0, 0, 1);
    expectNormal(l.Object(1), 5, 0, 0, 1);
}

TEST(Load3DS, FaceMaterialsLinkByExactNameAndTexturesFollowTheMap) {
    const std::vector<std::vector<std::string>> groups = {{}, {"wood"}, {"WOOD"}, {"wood", "missing"}, {"plain"}};
    std::vector<TestObject> objects;
    for (size_t i = 0; i < groups.size(); ++i)
        objects.push_back(triangle("o" + std::to_string(i), groups[i]));
    Loaded l(Make3DS({{"plain", "", {10, 20, 30}}, {"wood", "wood.bmp", {200, 100, 50}}}, objects));
    ASSERT_TRUE(l.ok && l.model.materialCount == 2);
    EXPECT_STREQ(l.model.materials[0].name, "plain");
    EXPECT_EQ(l.model.materials[0].textureFile + std::string("|") + l.model.materials[1].textureFile, "|wood.bmp");
    EXPECT_EQ(l.model.materials[0].colour[2], 30);
    // No group keeps material 0; a later unmatched group resets the index but not textured.
    const int expected[5][2] = {{0, 0}, {1, 1}, {-1, 0}, {-1, 1}, {0, 0}};
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(l.Object(i).material == expected[i][0] && l.Object(i).textured == expected[i][1]) << i;
}

TEST(Load3DS, UnknownChunksAreSteppedOver) {
    TestObject o{"o", {0, 0, 0, 1, 0, 0, 0, 0, 1}, {0, 1, 2}, {0, 0, 1, 0, 0, 1}, {"wood"}};
    const std::vector<TestMaterial> wood = {{"wood", "wood.bmp", {1, 2, 3}}};
    Loaded clean(Make3DS(wood, {o, triangle("p")})), junk(Make3DS(wood, {o, triangle("p")}, true));
    ASSERT_TRUE(junk.ok && junk.model.objectCount == 2 && junk.model.materialCount == 1);
    EXPECT_STREQ(junk.model.materials[0].textureFile, "wood.bmp");
    EXPECT_EQ(junk.model.materials[0].colour[1], 2);
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(dump(clean.Object(i)), dump(junk.Object(i))) << i;
}

TEST(Load3DS, DamagedFilesLoadWhatTheyCanWithinTheirFields) {
    // Faces naming a vertex past the list are dropped; the good one stays.
    Loaded dropped(Make3DS({}, {{"bad", {0, 0, 0, 1, 0, 0, 0, 0, 1}, {0, 1, 3, 0, 1, 2, 9, 9, 9}, {}, {}}}));
    ASSERT_TRUE(dropped.ok && dropped.Object(0).faceCount == 1);
    EXPECT_EQ(dropped.Object(0).faces[2], 2u);

    ChunkWriter w;
    w.Begin(0x4D4D), w.Begin(0x3D3D);
    w.Begin(0x4000), w.Str("zero"); // a child of length 0 ends the level instead of looping
    w.Put<std::uint16_t>(0x4100), w.Put<std::uint32_t>(0), w.Raw("\0\0\0\0\0\0\0\0", 8), w.End();
    w.Begin(0x4000), w.Str("long"); // a child claiming far more than its parent holds
    w.Put<std::uint16_t>(0x4110), w.Put<std::uint32_t>(100000), w.End();
    w.Begin(0x4000), w.Raw("abc", 3), w.End(); // a name filling its chunk without a terminator
    w.StrChunk(0x4000, std::string(600, 'x'));
    w.Begin(0xAFFF), w.StrChunk(0xA000, std::string(300, 'm')), w.End();
    w.Begin(0x4000), w.Str("deep"); // nesting far deeper than any real file
    for (int i = 0; i < 200000; ++i)
        i < 100000 ? w.Begin(0x4100) : w.End();
    w.End(), w.End(), w.End();
    Loaded l(w.bytes);
    ASSERT_TRUE(l.ok && l.model.objectCount == 5);
    EXPECT_TRUE(!std::strcmp(l.Object(1).name, "long") && l.Object(1).vertexCount == 0);
    EXPECT_STREQ(l.Object(2).name, "abc");
    EXPECT_EQ(std::strlen(l.Object(3).name), 509u);
    EXPECT_EQ(std::strlen(l.model.materials[0].name), 254u);
    EXPECT_STREQ(l.Object(4).name, "deep");
}
