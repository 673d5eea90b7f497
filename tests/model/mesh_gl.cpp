// Mesh manager in the driver's window: loading once, instances, textures, and the draw's short cuts.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>
#include <cstdio>

#include "support/picture_files.h"
#include "model/chunks.h"
#include "image/texture.h"
#include "model/mesh.h"
#include "shell/driver.h"
#include "support/gl_fixture.h"

namespace {

// A square facing +z in the engine's frame, centred on (cx, cy); written in the file's frame.
TestObject square(const std::string& name, float cx, float cy, float half, int texCoords = 4,
                  const std::vector<std::string>& groups = {}) {
    TestObject o{name, {}, {0, 1, 2, 0, 2, 3}, std::vector<float>(texCoords * 2, 0.25f), groups};
    const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    for (const auto& c : corners)
        o.vertices.insert(o.vertices.end(), {cx + c[0] * half, 0.0f, cy + c[1] * half});
    return o;
}

// A model cut to its first 7 bytes: the main chunk's header and one byte of what it held.
std::vector<std::uint8_t> cutShort() {
    std::vector<std::uint8_t> file = Make3DS({}, {square("base", 0, 0, 0.5f)});
    file.resize(7);
    return file;
}

class MeshGL : public ::testing::Test {
protected:
    void SetUp() override {
        VH_TestOpenWindow();
        MESH_Close();
        std::vector<TestMaterial> many; // 65 materials, each naming a texture
        for (int i = 0; i < 65; ++i)
            many.push_back({"m" + std::to_string(i), "paint.bmp", {255, 0, 0}});
        ASSERT_TRUE(WriteArchive(
            "vh_data.clu",
            {{"panel.3ds", Make3DS({}, {square("base", 0, 0, 0.5f), square("prop", 2, 0, 0.2f)})},
             {"tex.3ds",
              Make3DS(many, {square("full", -2, 1.5f, 0.4f, 4, {"m1"}), square("short", 0, 1.5f, 0.4f, 2, {"m1"}),
                             square("far", 2, 1.5f, 0.4f, 4, {"m64"}),
                             // textured by its first group, then left with material -1
                             square("lost", -2, -1.5f, 0.4f, 4, {"m1", "nothing"})})},
             // the panel's base square again, shifted, textured: where the two overlap
             // in one plane their fragments may share a depth
             {"twin.3ds", Make3DS({{"m", "paint.bmp", {255, 0, 0}}}, {square("base", 0.3f, 0, 0.5f, 4, {"m"})})},
             {"junk.3ds", std::vector<std::uint8_t>(300, 0x3D)},
             {"cut.3ds", cutShort()},
             {"paint.bmp", testpic::flatBmp(4, 4, 0, 0, 255)}}));
    }
    void TearDown() override {
        MESH_Close();
        TEX_Clear();
    }

    // Draws on a cleared frame, 100 pixels per unit, lit down -z; reads it back.
    void draw(t3DModel* m) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-4, 4, -3, 3, -10, 10);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        const GLfloat dir[4] = {0, 0, 1, 0}, white[4] = {1, 1, 1, 1};
        glLightfv(GL_LIGHT0, GL_POSITION, dir);
        glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
        glEnable(GL_LIGHT0);
        MESH_Draw(m, false);
        int w = 0, h = 0;
        rgb = VH_DriverReadBack(&w, &h);
        ASSERT_TRUE(w == 800 && h == 600);
    }
    const std::uint8_t* pixel(float x, float y) const {
        return &rgb[((300 - (int)(100 * y)) * 800 + 400 + (int)(100 * x)) * 3];
    }
    double at(float x, float y) const { // mean brightness of a patch around a point of the xy plane
        const int px = 400 + (int)(100 * x), py = 300 - (int)(100 * y);
        return VH_TestMean(rgb, 800, px - 5, py - 5, px + 5, py + 5);
    }

    std::vector<std::uint8_t> rgb;
};

} // namespace

TEST_F(MeshGL, EachFileLoadsOnceAndInstancesShareItsGeometry) {
    t3DModel* a = MESH_Load3DSMesh("panel.3ds", 4);
    ASSERT_TRUE(a && a->objectCount == 2);
    ASSERT_EQ(std::rename("vh_data.clu", "away.clu"), 0); // a second load can only come from memory
    t3DModel* b = MESH_Load3DSMesh("PANEL.3DS", 4);
    EXPECT_EQ(MESH_Load3DSMesh("tex.3ds", 4), nullptr);
    ASSERT_EQ(std::rename("away.clu", "vh_data.clu"), 0);
    const t3DModel* base = MESH_FindModel("Panel.3DS");
    ASSERT_TRUE(b && base && a != b);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(a->objects[i].vertices, b->objects[i].vertices);
        EXPECT_EQ(a->objects[i].normals, base->objects[i].normals);
        EXPECT_TRUE(!a->objects[i].ownsArrays && base->objects[i].ownsArrays);
    }
    EXPECT_TRUE(!MESH_Load3DSMesh("missing.3ds", 4) && !MESH_Load3DSMesh("junk.3ds", 4));
    // Cut short to nothing: refused as junk is, with a warning naming it.
    testing::internal::CaptureStderr();
    EXPECT_EQ(MESH_Load3DSMesh("cut.3ds", 4), nullptr);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("warning: cut.3ds: "), std::string::npos);
    EXPECT_EQ(MESH_Count(), 1);

    // Freeing an instance (or the base, through the instance call) leaves the geometry; placement is per instance.
    MESH_SetPlacement(a, 1, 2, 3, 10, 20, 30, 2, 2, 2);
    MESH_FreeInstance(a);
    MESH_FreeInstance(MESH_FindModel("panel.3ds"));
    EXPECT_EQ(MESH_Count(), 1);
    MESH_SetPlacement(b, 0, 0, 0, 0, 0, 0, 1, 1, 1);
    draw(b);
    EXPECT_GT(at(0, 0), 100.0);
    MESH_FreeInstance(b);

    MESH_Close(); // and a later load reads the file anew
    EXPECT_EQ(MESH_FindModel("panel.3ds"), nullptr);
    MESH_FreeInstance(MESH_Load3DSMesh("panel.3ds", 4));
    EXPECT_NE(MESH_FindModel("panel.3ds"), nullptr);
}

TEST_F(MeshGL, TexturesOnlyWhereCoordinatesAndASlotExist) {
    t3DModel* m = MESH_Load3DSMesh("tex.3ds", 4);
    ASSERT_TRUE(m && m->materialCount == 65);
    EXPECT_NE(m->textures[1], 0u);
    draw(m);
    EXPECT_TRUE(pixel(-2, 1.5f)[0] > 100 && pixel(-2, 1.5f)[1] < 10); // red, modulated by lit grey
    // Two coordinates for four vertices, material 64 (past the table) and material -1: grey.
    for (const std::uint8_t* p : {pixel(0, 1.5f), pixel(2, 1.5f), pixel(-2, -1.5f)})
        EXPECT_TRUE(p[1] > 100 && p[0] == p[1]) << (int)p[0] << " " << (int)p[1];
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
    GLint bound = 0; // and no name read from outside the table was bound on the way
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_TRUE(bound == 0 || (Uint32)bound == m->textures[1]) << bound;
    MESH_FreeInstance(m);
}

// The draw's short cuts (a model wholly outside the view sends nothing; the opaque pass draws
// without blending) against the same model drawn always and blended, from many places in and
// around a perspective view, scaled and turned: the same pixels every time.
TEST_F(MeshGL, ShortCutsDrawTheSamePicturesAsDrawingEverythingBlended) {
    t3DModel* models[2] = {MESH_Load3DSMesh("panel.3ds", 4), MESH_Load3DSMesh("tex.3ds", 4)};
    ASSERT_TRUE(models[0] && models[1] && models[0]->boundRadius > 0 && models[1]->boundRadius > 0);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(50.0, 800.0 / 600.0, 1.0, 30.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const GLfloat dir[4] = {0, 1, 1, 0};
    glLightfv(GL_LIGHT0, GL_POSITION, dir);
    glEnable(GL_LIGHT0);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    int culled = 0, shown = 0;
    for (t3DModel* m : models)
        for (float z : {2.0f, -0.5f, -6.0f, -20.0f, -31.5f})
            for (float x = -14.0f; x <= 14.0f; x += 1.75f) {
                const bool turned = x < 0; // turned at its own size, or grown and not turned
                const float s = turned ? 1.0f : 2.5f;
                MESH_SetPlacement(m, x, 0.4f * x, z, turned ? 80.0f : 0.0f, turned ? 10 * x : 0.0f, 0, s, s, s);
                std::vector<std::uint8_t> pictures[2];
                for (int literal = 0; literal < 2; ++literal) {
                    const float radius = m->boundRadius;
                    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
                    if (literal) m->boundRadius = -1.0f; // not known: always drawn
                    if (!literal) MESH_BeginOpaquePass();
                    MESH_Draw(m, false);
                    if (!literal) MESH_EndOpaquePass();
                    m->boundRadius = radius;
                    int w, h;
                    pictures[literal] = VH_DriverReadBack(&w, &h);
                }
                ASSERT_TRUE(glIsEnabled(GL_BLEND)) << "the pass ends with blending as it found it";
                ASSERT_TRUE(pictures[0] == pictures[1]) << m->name << " at " << x << ", " << z;
                if (!turned) {
                    glPushMatrix();
                    glTranslatef(x, 0.4f * x, z);
                    glScalef(s, s, s);
                    culled += MESH_SphereOutsideView(m->boundCentre, m->boundRadius);
                    glPopMatrix();
                }
                shown += VH_TestMean(pictures[0], 800, 0, 0, 800, 600) > 0.0;
            }
    EXPECT_GT(culled, 15) << "places behind, beyond or beside the view send nothing";
    EXPECT_GT(shown, 30);
    glDisable(GL_BLEND);
    for (t3DModel* m : models)
        MESH_FreeInstance(m);
}

TEST_F(MeshGL, NearestFirstDrawsTheListsPictureWithFewerFragmentsShaded) {
    t3DModel* panel = MESH_Load3DSMesh("panel.3ds", 4);
    t3DModel* tex = MESH_Load3DSMesh("tex.3ds", 4);
    t3DModel* twin = MESH_Load3DSMesh("twin.3ds", 4);
    ASSERT_TRUE(panel && tex && twin);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(50.0, 800.0 / 600.0, 1.0, 60.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(1.5, 1.0, 4.0, 0.0, 0.0, -6.0, 0.0, 1.0, 0.0);
    const GLfloat dir[4] = {0, 1, 1, 0};
    glLightfv(GL_LIGHT0, GL_POSITION, dir);
    glEnable(GL_LIGHT0);
    glEnable(GL_DEPTH_TEST);
    // Turned so that the panel and its twin, in one plane, lie at different distances from the eye.
    for (t3DModel* m : {panel, tex, twin})
        MESH_SetPlacement(m, 0, 0, 0, 0, 55, 0, 1, 1, 1);
    // Far ones first, overlapping on screen; the panel and its twin twice in one plane, in both orders.
    const std::vector<MESH_Placed> list = {
        {tex, {0.5f, 0.2f, -40}},  {panel, {0, 0, -32}},     {twin, {0, 0, -32}},
        {tex, {-0.4f, 0.1f, -24}}, {nullptr, {0, 0, 0}},     {twin, {0.8f, 0, -16}},
        {panel, {0.8f, 0, -16}},   {tex, {0.2f, -0.3f, -3}}, {panel, {-0.2f, 0, -9}},
    };
    struct Result {
        std::vector<std::uint8_t> rgb;
        std::vector<GLint> state; // texture bound, colour, array pointers
        std::vector<float> positions;
        long shaded = 0; // fragments that passed the depth test
    };
    const auto run = [&](bool nearestFirst, GLenum depthFunc, bool blend) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
        glDepthFunc(depthFunc);
        // Count only the fragments that pass the depth test, as those are the ones shaded.
        glEnable(GL_STENCIL_TEST);
        glStencilFunc(GL_ALWAYS, 0, 0xFF);
        glStencilOp(GL_KEEP, GL_KEEP, GL_INCR);
        if (blend) glEnable(GL_BLEND);
        glBindTexture(GL_TEXTURE_2D, 0);
        if (nearestFirst) {
            MESH_DrawNearestFirst(list.data(), (int)list.size());
        } else {
            for (const MESH_Placed& p : list)
                if (p.model) {
                    std::copy_n(p.position, 3, p.model->position);
                    MESH_Draw(p.model, false);
                }
        }
        glDisable(GL_BLEND);
        glDisable(GL_STENCIL_TEST);
        glDepthFunc(GL_LESS);
        Result r;
        int w, h;
        r.rgb = VH_DriverReadBack(&w, &h);
        std::vector<std::uint8_t> counts((size_t)w * h);
        glReadPixels(0, 0, w, h, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, counts.data());
        for (std::uint8_t c : counts)
            r.shaded += c;
        GLint bound = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        GLfloat colour[4];
        glGetFloatv(GL_CURRENT_COLOR, colour);
        GLvoid *vertices = nullptr, *normals = nullptr, *coords = nullptr;
        glGetPointerv(GL_VERTEX_ARRAY_POINTER, &vertices);
        glGetPointerv(GL_NORMAL_ARRAY_POINTER, &normals);
        glGetPointerv(GL_TEXTURE_COORD_ARRAY_POINTER, &coords);
        r.state = {bound,
                   (GLint)(colour[0] * 255),
                   (GLint)(std::uintptr_t)vertices,
                   (GLint)(std::uintptr_t)normals,
                   (GLint)(std::uintptr_t)coords,
                   glIsEnabled(GL_TEXTURE_2D),
                   glIsEnabled(GL_LIGHTING)};
        for (t3DModel* m : {panel, tex, twin})
            r.positions.insert(r.positions.end(), m->position, m->position + 3);
        return r;
    };
    for (GLenum depthFunc : {GL_LESS, GL_LEQUAL})
        for (bool blend : {false, true}) {
            SCOPED_TRACE(std::to_string(depthFunc) + (blend ? " blended" : ""));
            const Result listOrder = run(false, depthFunc, blend), nearest = run(true, depthFunc, blend);
            EXPECT_TRUE(nearest.rgb == listOrder.rgb);
            EXPECT_EQ(nearest.state, listOrder.state);
            EXPECT_EQ(nearest.positions, listOrder.positions);
            EXPECT_GT(VH_TestMean(listOrder.rgb, 800, 0, 0, 800, 600), 1.0);
            if (blend)
                EXPECT_EQ(nearest.shaded, listOrder.shaded) << "blended: drawn in list order";
            else
                EXPECT_LT(nearest.shaded, listOrder.shaded) << "some of those behind were not shaded";
        }
    for (t3DModel* m : {panel, tex, twin})
        MESH_FreeInstance(m);
}
