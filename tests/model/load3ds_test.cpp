// 3DS reader tests: structure, axis conversion, normals, material links and damaged files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "data/rwops.h"
#include "model/chunks.h"
#include "model/load3ds.h"

namespace {

struct Loaded {
    explicit Loaded(std::vector<std::uint8_t> file) : bytes(std::move(file)) {
        CLoad3DS_RW loader;
        ok = loader.Load(&model, VH_RWFromMem(bytes.data(), (int)bytes.size()), true);
    }
    ~Loaded() { MESH_FreeModelData(&model); }
    t3DObject& Object(int i) { return model.objects[i]; }

    std::vector<std::uint8_t> bytes;
    t3DModel model;
    bool ok = false;
};

void expectNormal(const t3DObject& o, int v, float x, float y, float z) {
    EXPECT_NEAR(o.normals[v * 3 + 0], x, 1e-5f) << "vertex " << v;
    EXPECT_NEAR(o.normals[v * 3 + 1], y, 1e-5f) << "vertex " << v;
    EXPECT_NEAR(o.normals[v * 3 + 2], z, 1e-5f) << "vertex " << v;
}

TestObject triangle(const std::string& name) {
    TestObject o;
    o.name = name;
    // File frame (z up): these become (0,0,0), (1,0,0), (0,1,0) in the engine's frame.
    o.vertices = {0, 0, 0, 1, 0, 0, 0, 0, 1};
    o.faces = {0, 1, 2};
    return o;
}

} // namespace

TEST(Load3DS, RejectsWhatIsNotAModel) {
    t3DModel model;
    CLoad3DS_RW loader;
    EXPECT_FALSE(loader.Load(&model, nullptr, true));

    std::vector<std::uint8_t> file = Make3DS({}, {triangle("t")});
    file[0] = 0x3D, file[1] = 0x3D; // an object-data chunk where the primary chunk belongs
    Loaded wrongId(file);
    EXPECT_FALSE(wrongId.ok);
    EXPECT_EQ(wrongId.model.objectCount, 0);

    Loaded empty(std::vector<std::uint8_t>{});
    EXPECT_FALSE(empty.ok);
    Loaded header(std::vector<std::uint8_t>{0x4D, 0x4D, 6, 0});
    EXPECT_FALSE(header.ok);
}

TEST(Load3DS, ReadsObjectsWithAxisConversionAndFaceNormals) {
    TestObject point = triangle("second");
    point.vertices = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    Loaded l(Make3DS({}, {triangle("first"), point}));
    ASSERT_TRUE(l.ok);
    ASSERT_EQ(l.model.objectCount, 2);
    ASSERT_EQ(l.model.objects.size(), 2u);
    EXPECT_EQ(l.model.materialCount, 0);

    t3DObject& tri = l.Object(0);
    EXPECT_STREQ(tri.name, "first");
    EXPECT_EQ(tri.vertexCount, 3);
    EXPECT_EQ(tri.faceCount, 1);
    EXPECT_EQ(tri.texCoordCount, 0);
    EXPECT_EQ(tri.vertices[5], 0.0f);
    EXPECT_EQ(tri.vertices[7], 1.0f); // file z became y
    for (int v = 0; v < 3; ++v) expectNormal(tri, v, 0, 0, 1);
    EXPECT_EQ(tri.faces[1], 1u);
    EXPECT_EQ(tri.faces[2], 2u);

    const t3DObject& p = l.Object(1);
    EXPECT_STREQ(p.name, "second");
    EXPECT_EQ(p.vertices[0], 1.0f);
    EXPECT_EQ(p.vertices[1], 3.0f);
    EXPECT_EQ(p.vertices[2], -2.0f);
}

TEST(Load3DS, EdgeNormalsAgreeForSharedAndDuplicatedVertices) {
    // Two faces folded along the edge (0,0,0)-(1,0,0): one lies flat, one stands up.
    TestObject shared;
    shared.name = "shared";
    shared.vertices = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1};
    shared.faces = {0, 1, 2, 0, 1, 3};
    TestObject split;
    split.name = "split";
    split.vertices = {0, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    split.faces = {0, 2, 1, 3, 4, 5};
    Loaded l(Make3DS({}, {shared, split}));
    ASSERT_TRUE(l.ok);
    const t3DObject& a = l.Object(0);
    const t3DObject& b = l.Object(1);
    const float h = std::sqrt(0.5f);
    // The edge's ends average both faces; the other corners keep their own face's normal.
    for (int v : {0, 1}) expectNormal(a, v, 0, h, h);
    for (int v : {0, 2, 3, 4}) expectNormal(b, v, 0, h, h);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(a.normals[0 * 3 + i], b.normals[0 * 3 + i]);
        EXPECT_EQ(a.normals[1 * 3 + i], b.normals[2 * 3 + i]);
    }
    expectNormal(a, 2, 0, 1, 0);
    expectNormal(a, 3, 0, 0, 1);
}

TEST(Load3DS, MaterialLinksAndTextureMaps) {
    TestMaterial plain{"plain", "", {10, 20, 30}};
    TestMaterial wood{"wood", "wood.bmp", {200, 100, 50}};
    TestObject none = triangle("none");
    TestObject linked = triangle("linked");
    linked.faceMaterials = {"wood"};
    TestObject wrongCase = triangle("case");
    wrongCase.faceMaterials = {"WOOD"};
    TestObject twoGroups = triangle("groups");
    twoGroups.faceMaterials = {"wood", "missing"};
    TestObject flat = triangle("flat");
    flat.faceMaterials = {"plain"};
    Loaded l(Make3DS({plain, wood}, {none, linked, wrongCase, twoGroups, flat}));
    ASSERT_TRUE(l.ok);
    ASSERT_EQ(l.model.materialCount, 2);
    EXPECT_STREQ(l.model.materials[0].name, "plain");
    EXPECT_STREQ(l.model.materials[0].textureFile, "");
    EXPECT_EQ(l.model.materials[0].colour[2], 30);
    EXPECT_STREQ(l.model.materials[1].textureFile, "wood.bmp");
    EXPECT_EQ(l.model.materials[1].colour[0], 200);

    const int expected[5][2] = {{0, 0}, {1, 1}, {-1, 0}, {-1, 1}, {0, 0}}; // material, textured
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(l.Object(i).material, expected[i][0]) << l.Object(i).name;
        EXPECT_EQ(l.Object(i).textured, expected[i][1]) << l.Object(i).name;
    }
}

TEST(Load3DS, UnknownChunksAreSteppedOver) {
    TestMaterial wood{"wood", "wood.bmp", {1, 2, 3}};
    TestObject o = triangle("o");
    o.texCoords = {0, 0, 1, 0, 0, 1};
    o.faceMaterials = {"wood"};
    Loaded clean(Make3DS({wood}, {o, triangle("p")}));
    Loaded junk(Make3DS({wood}, {o, triangle("p")}, true));
    ASSERT_TRUE(junk.ok);
    ASSERT_GT(junk.bytes.size(), clean.bytes.size());
    ASSERT_EQ(junk.model.objectCount, 2);
    ASSERT_EQ(junk.model.materialCount, 1);
    EXPECT_STREQ(junk.model.materials[0].textureFile, "wood.bmp");
    EXPECT_EQ(junk.model.materials[0].colour[1], 2);
    for (int i = 0; i < 2; ++i) {
        const t3DObject& a = clean.Object(i);
        const t3DObject& b = junk.Object(i);
        EXPECT_STREQ(a.name, b.name);
        EXPECT_EQ(a.material, b.material);
        EXPECT_EQ(a.textured, b.textured);
        ASSERT_EQ(a.vertexCount, b.vertexCount);
        ASSERT_EQ(a.faceCount, b.faceCount);
        ASSERT_EQ(a.texCoordCount, b.texCoordCount);
        EXPECT_EQ(0, std::memcmp(a.vertices, b.vertices, a.vertexCount * 12));
        EXPECT_EQ(0, std::memcmp(a.faces, b.faces, a.faceCount * 12));
        if (a.texCoordCount) {
            EXPECT_EQ(0, std::memcmp(a.texCoords, b.texCoords, a.texCoordCount * 8));
        }
    }
}

TEST(Load3DS, DamagedFilesLoadWhatTheyCanAndNeverReadPastTheirFields) {
    // Faces naming vertex 3 of a three-vertex list are dropped; the good one stays.
    TestObject bad = triangle("bad");
    bad.faces = {0, 1, 3, 0, 1, 2, 9, 9, 9};
    Loaded dropped(Make3DS({}, {bad}));
    ASSERT_TRUE(dropped.ok);
    ASSERT_EQ(dropped.Object(0).faceCount, 1);
    EXPECT_EQ(dropped.Object(0).faces[2], 2u);

    // A child of length 0 inside the object ends that level instead of looping on itself.
    ChunkWriter w;
    w.Begin(0x4D4D);
    w.Begin(0x3D3D);
    w.Begin(0x4000);
    w.Str("zero");
    w.U16(0x4100);
    w.U32(0);
    w.Raw("\0\0\0\0\0\0\0\0", 8);
    w.End();
    w.Begin(0x4000); // a sibling claiming far more than its parent holds
    w.Str("long");
    w.U16(0x4110);
    w.U32(100000);
    w.End();
    w.End();
    w.End();
    Loaded zero(w.bytes);
    ASSERT_TRUE(zero.ok);
    ASSERT_EQ(zero.model.objectCount, 2);
    EXPECT_STREQ(zero.Object(1).name, "long");
    EXPECT_EQ(zero.Object(1).vertexCount, 0);

    // A name that fills its chunk without a terminator stops at the chunk; one longer than its
    // field is cut to it.
    ChunkWriter n;
    n.Begin(0x4D4D);
    n.Begin(0x3D3D);
    n.Begin(0x4000);
    n.Raw("abc", 3);
    n.End();
    n.Begin(0x4000);
    n.Str(std::string(600, 'x'));
    n.End();
    n.Begin(0xAFFF);
    n.Begin(0xA000);
    n.Str(std::string(300, 'm'));
    n.End();
    n.End();
    n.End();
    n.End();
    Loaded names(n.bytes);
    ASSERT_TRUE(names.ok);
    ASSERT_EQ(names.model.objectCount, 2);
    EXPECT_STREQ(names.Object(0).name, "abc");
    EXPECT_EQ(std::strlen(names.Object(1).name), 509u);
    EXPECT_EQ(std::strlen(names.model.materials[0].name), 254u);

    // Nesting far deeper than any real file: bounded recursion, no stack exhaustion.
    ChunkWriter d;
    d.Begin(0x4D4D);
    d.Begin(0x3D3D);
    d.Begin(0x4000);
    d.Str("deep");
    for (int i = 0; i < 100000; ++i) d.Begin(0x4100);
    for (int i = 0; i < 100000; ++i) d.End();
    d.End();
    d.End();
    d.End();
    Loaded deep(d.bytes);
    EXPECT_TRUE(deep.ok);
    EXPECT_EQ(deep.model.objectCount, 1);
}

TEST(Load3DS, EveryTruncationAndByteFlipOfAFileIsSafe) {
    TestMaterial wood{"wood", "wood.bmp", {1, 2, 3}};
    TestObject o = triangle("o");
    o.texCoords = {0, 0, 1, 0, 0, 1};
    o.faceMaterials = {"wood"};
    const std::vector<std::uint8_t> file = Make3DS({wood}, {o, triangle("p")}, true);
    for (size_t len = 0; len < file.size(); ++len) {
        Loaded cut(std::vector<std::uint8_t>(file.begin(), file.begin() + len));
        for (const t3DObject& obj : cut.model.objects)
            for (int i = 0; i < obj.faceCount * 3; ++i) ASSERT_LT(obj.faces[i], (Uint32)obj.vertexCount);
    }
    std::mt19937 rng(7);
    for (int round = 0; round < 3000; ++round) {
        std::vector<std::uint8_t> bent = file;
        for (int k = 0; k < 3; ++k) bent[rng() % bent.size()] ^= (std::uint8_t)(1u << (rng() % 8));
        Loaded l(bent);
        for (const t3DObject& obj : l.model.objects) {
            ASSERT_LT(std::strlen(obj.name), sizeof obj.name);
            for (int i = 0; i < obj.faceCount * 3; ++i) ASSERT_LT(obj.faces[i], (Uint32)obj.vertexCount);
        }
    }
}
