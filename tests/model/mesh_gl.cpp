// Mesh manager tests in the driver's window: loading once, instances, placement, lighting,
// visibility, textures and parts turned about their pivots, checked on the rendered frame.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <cstdio>
#include <string>

#include "model/chunks.h"
#include "model/mesh.h"
#include "shell/driver.h"
#include "support/gl_fixture.h"

namespace {

const int W = 800, H = 600; // the ortho view below maps 100 pixels to one unit

// A square facing +z in the engine's frame, centred on (cx, cy); written in the file's frame.
TestObject square(const std::string& name, float cx, float cy, float half, int texCoords = 4) {
    TestObject o;
    o.name = name;
    const float xy[4][2] = {{-half, -half}, {half, -half}, {half, half}, {-half, half}};
    for (const auto& p : xy) o.vertices.insert(o.vertices.end(), {cx + p[0], 0.0f, cy + p[1]});
    o.faces = {0, 1, 2, 0, 2, 3};
    for (int i = 0; i < texCoords; ++i) o.texCoords.insert(o.texCoords.end(), {0.25f, 0.25f});
    return o;
}

void writeData() {
    std::vector<TestMaterial> many;
    for (int i = 0; i < 65; ++i) many.push_back({"m" + std::to_string(i), "paint.bmp", {255, 0, 0}});
    TestObject full = square("full", -2, 1.5f, 0.4f), few = square("short", 0, 1.5f, 0.4f, 2),
               far = square("far", 2, 1.5f, 0.4f);
    full.faceMaterials = few.faceMaterials = {"m1"};
    far.faceMaterials = {"m64"};
    std::vector<std::uint8_t> junk(300);
    for (size_t i = 0; i < junk.size(); ++i) junk[i] = (std::uint8_t)(i * 37 + 11);
    ASSERT_TRUE(WriteArchive("vh_data.clu", {{"panel.3ds", Make3DS({}, {square("base", 0, 0, 0.5f),
                                                                        square("prop", 2, 0, 0.2f)})},
                                             {"tex.3ds", Make3DS(many, {full, few, far})},
                                             {"junk.3ds", junk}}));
}

class MeshGL : public ::testing::Test {
protected:
    void SetUp() override {
        VH_TestOpenWindow();
        MESH_Close();
        writeData();
    }
    void TearDown() override { MESH_Close(); }

    static void beginFrame(bool light = true) {
        glViewport(0, 0, W, H);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-4, 4, -3, 3, -10, 10);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        const GLfloat dir[4] = {0, 0, 1, 0}, white[4] = {1, 1, 1, 1}, black[4] = {0, 0, 0, 1};
        glLightfv(GL_LIGHT0, GL_POSITION, dir);
        glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
        glLightfv(GL_LIGHT0, GL_AMBIENT, black);
        if (light)
            glEnable(GL_LIGHT0);
        else
            glDisable(GL_LIGHT0);
    }
    void grab() {
        int w = 0, h = 0;
        rgb = VH_DriverReadBack(&w, &h);
        ASSERT_EQ(w, W);
        ASSERT_EQ(h, H);
    }
    // Mean brightness of a small patch around a point of the engine's xy plane.
    double at(float x, float y) const {
        const int px = (int)(W / 2 + 100 * x), py = (int)(H / 2 - 100 * y);
        return VH_TestMean(rgb, W, px - 5, py - 5, px + 5, py + 5);
    }
    const std::uint8_t* pixel(float x, float y) const {
        return &rgb[((size_t)(H / 2 - 100 * y) * W + (size_t)(W / 2 + 100 * x)) * 3];
    }

    std::vector<std::uint8_t> rgb;
};

} // namespace

TEST_F(MeshGL, EachFileLoadsOnceAndInstancesShareItsGeometry) {
    t3DModel* a = MESH_Load3DSMesh("panel.3ds", 4);
    ASSERT_NE(a, nullptr);
    ASSERT_EQ(a->objectCount, 2);
    EXPECT_STREQ(a->objects[1].name, "prop");

    // With the archive gone, a second load can only have come from memory.
    ASSERT_EQ(std::rename("vh_data.clu", "away.clu"), 0);
    t3DModel* b = MESH_Load3DSMesh("PANEL.3DS", 4);
    EXPECT_EQ(MESH_Load3DSMesh("tex.3ds", 4), nullptr);
    ASSERT_EQ(std::rename("away.clu", "vh_data.clu"), 0);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    EXPECT_EQ(MESH_Count(), 1);
    const t3DModel* base = MESH_FindModel("Panel.3DS");
    ASSERT_NE(base, nullptr);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(a->objects[i].vertices, b->objects[i].vertices);
        EXPECT_EQ(a->objects[i].normals, base->objects[i].normals);
        EXPECT_FALSE(a->objects[i].ownsArrays);
        EXPECT_TRUE(base->objects[i].ownsArrays);
    }

    EXPECT_EQ(MESH_Load3DSMesh("missing.3ds", 4), nullptr);
    EXPECT_EQ(MESH_Load3DSMesh("junk.3ds", 4), nullptr);
    EXPECT_EQ(MESH_CreateInstance("junk.3ds"), nullptr);
    EXPECT_EQ(MESH_Count(), 1);

    // Placement is per instance; freeing one instance (or trying to free the base model
    // through the instance call) leaves the geometry for the others.
    MESH_SetPlacement(a, 1, 2, 3, 10, 20, 30, 2, 2, 2);
    MESH_SetPlacement(b, 0, 0, 0, 0, 0, 0, 1, 1, 1);
    EXPECT_EQ(a->position[1], 2.0f);
    EXPECT_EQ(a->rotation[2], 30.0f);
    EXPECT_EQ(b->position[1], 0.0f);
    MESH_FreeInstance(a);
    MESH_FreeInstance(MESH_FindModel("panel.3ds"));
    EXPECT_EQ(MESH_Count(), 1);
    beginFrame();
    MESH_Draw(b, false);
    grab();
    EXPECT_GT(at(0, 0), 100.0);
    MESH_FreeInstance(b);

    MESH_Close();
    EXPECT_EQ(MESH_Count(), 0);
    EXPECT_EQ(MESH_FindModel("panel.3ds"), nullptr);
    t3DModel* again = MESH_Load3DSMesh("panel.3ds", 4);
    EXPECT_NE(again, nullptr);
    EXPECT_EQ(MESH_Count(), 1);
    MESH_FreeInstance(again);
}

TEST_F(MeshGL, DrawsLitAtItsPlacementAndNothingWhenInvisible) {
    t3DModel* m = MESH_Load3DSMesh("panel.3ds", 4);
    ASSERT_NE(m, nullptr);
    MESH_SetPlacement(m, 0, 0, 0, 0, 0, 0, 1, 1, 1);

    beginFrame(true);
    MESH_Draw(m, false);
    grab();
    const double lit = at(0, 0);
    beginFrame(false);
    MESH_Draw(m, false);
    grab();
    const double ambientOnly = at(0, 0);
    EXPECT_GT(lit, 100.0); // the normals face the light
    EXPECT_LT(ambientOnly, 0.5 * lit);
    EXPECT_LT(at(-1, -1), 1.0);

    m->lit = false; // flat grey, and lighting back on afterwards
    beginFrame(false);
    MESH_Draw(m, false);
    grab();
    EXPECT_NEAR(at(0, 0), 128.0, 3.0);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    m->lit = true;

    // A quarter turn about z, as OpenGL applies the rotation matrix (transposed): the prop at
    // (2, 0) lands at (0, -2), then moves with the position.
    MESH_SetPlacement(m, 0.5f, 0, 0, 0, 0, 90, 1, 1, 1);
    beginFrame();
    MESH_Draw(m, false);
    grab();
    EXPECT_GT(at(0.5f, 0), 100.0);
    EXPECT_GT(at(0.5f, -2), 100.0);
    EXPECT_LT(at(2.5f, 0), 1.0);
    EXPECT_LT(at(0.5f, 2), 1.0);

    m->visible = false;
    beginFrame();
    glDisable(GL_LIGHTING);
    MESH_Draw(m, false);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    tMeshPart spin = {"prop", {1, 0, 0}, {0, 0, 0}, {0, 0, 1}, 90, 0};
    tMeshPartList parts = {1, &spin};
    MESH_DrawAnimated(m, &parts);
    grab();
    EXPECT_LT(VH_TestMean(rgb, W, 0, 0, W, H), 0.01);
    MESH_FreeInstance(m);
}

TEST_F(MeshGL, NamedPartTurnsAboutItsPivotBetweenFrames) {
    t3DModel* m = MESH_Load3DSMesh("panel.3ds", 4);
    ASSERT_NE(m, nullptr);
    MESH_SetPlacement(m, 0, 0, 0, 0, 0, 0, 1, 1, 1);
    tMeshPart parts[2] = {{"other", {0, 0, 0}, {0, 0, 0}, {0, 0, 1}, 45, 0},
                          {"PROP", {1, 0, 0}, {0, 0, 0}, {0, 0, 1}, 0, 30}};
    tMeshPartList list = {2, parts};

    beginFrame();
    MESH_DrawAnimated(m, &list);
    grab();
    EXPECT_GT(at(0, 0), 100.0);
    EXPECT_GT(at(2, 0), 100.0);
    EXPECT_LT(at(1, 1), 1.0);

    parts[1].angle = 90; // about the line through (1, 0, 0): the prop swings from (2, 0) to (1, 1)
    beginFrame();
    MESH_DrawAnimated(m, &list);
    grab();
    EXPECT_GT(at(0, 0), 100.0); // the base has no part record
    EXPECT_LT(at(2, 0), 1.0);
    EXPECT_GT(at(1, 1), 100.0);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    MESH_FreeInstance(m);
}

TEST_F(MeshGL, TexturesOnlyWhereCoordinatesAndASlotExist) {
    t3DModel* m = MESH_Load3DSMesh("tex.3ds", 4);
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->materialCount, 65);
    EXPECT_EQ(m->materials[64].index, 64);
    GLuint red = 0;
    const std::uint8_t texels[4 * 3] = {255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0};
    glGenTextures(1, &red);
    glBindTexture(GL_TEXTURE_2D, red);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 2, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, texels);
    for (int i = 0; i < MESH_MAX_TEXTURES; ++i) m->textures[i] = red;
    MESH_SetPlacement(m, 0, 0, 0, 0, 0, 0, 1, 1, 1);

    beginFrame();
    MESH_Draw(m, false);
    grab();
    const std::uint8_t* full = pixel(-2, 1.5f);
    EXPECT_GT(full[0], 100);
    EXPECT_LT(full[1], 10); // red texture, modulated by the lit grey
    // Two coordinates for four vertices, and material 64 (past the table): grey, untextured.
    for (float x : {0.0f, 2.0f}) {
        const std::uint8_t* p = pixel(x, 1.5f);
        EXPECT_GT(p[1], 100) << x;
        EXPECT_NEAR(p[0], p[1], 3) << x;
    }
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
    glDeleteTextures(1, &red);
    MESH_FreeInstance(m);
}
