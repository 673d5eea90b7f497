// Particle rendering: what the renderers send to GL (through feedback mode), the client-array
// state they leave, the billboard sort, and that the batched and unbatched billboards give the
// same particle order and the same picture.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "fixture.h"
#include "math/quatlib.h"
#include "particles/render.h"
#include "shell/driver.h"
#include "support/gl_fixture.h"

namespace {

struct FedVertex {
    float x, y, z, r, g, b, a; // window coordinates and colour
};
struct Fed {
    GLenum token;
    std::vector<FedVertex> vertices;
};

// Window coordinates equal world x and y: one unit per pixel over the 800 x 600 window.
void pixelSpace() {
    glViewport(0, 0, 800, 600);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 800, 0, 600, -100, 100);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    for (GLenum cap : {GL_LIGHTING, GL_DEPTH_TEST, GL_CULL_FACE, GL_FOG, GL_ALPHA_TEST, GL_TEXTURE_2D, GL_BLEND})
        glDisable(cap);
}

template <typename Draw> std::vector<Fed> feedback(Draw draw) {
    static std::vector<GLfloat> buffer(1 << 18);
    glFeedbackBuffer((GLsizei)buffer.size(), GL_3D_COLOR, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint used = glRenderMode(GL_RENDER);
    std::vector<Fed> out;
    EXPECT_GE(used, 0) << "feedback overflow";
    for (GLint k = 0; k < used;) {
        const GLenum token = (GLenum)buffer[k++];
        int n = token == GL_POINT_TOKEN ? 1 : (token == GL_POLYGON_TOKEN ? (int)buffer[k++] : 2);
        Fed f{token == GL_LINE_RESET_TOKEN ? (GLenum)GL_LINE_TOKEN : token, {}};
        for (int i = 0; i < n; ++i, k += 7)
            f.vertices.push_back(
                {buffer[k], buffer[k + 1], buffer[k + 2], buffer[k + 3], buffer[k + 4], buffer[k + 5], buffer[k + 6]});
        out.push_back(f);
    }
    return out;
}

bool placed(const FedVertex& v, float x, float y, float tolerance = 0.01f) {
    return std::fabs(v.x - x) <= tolerance && std::fabs(v.y - y) <= tolerance;
}

// Width and height of everything fed back.
void extent(const std::vector<Fed>& fed, float* w, float* h) {
    float x0 = 1e9f, x1 = -1e9f, y0 = 1e9f, y1 = -1e9f;
    for (const Fed& f : fed)
        for (const FedVertex& v : f.vertices)
            x0 = std::min(x0, v.x), x1 = std::max(x1, v.x), y0 = std::min(y0, v.y), y1 = std::max(y1, v.y);
    *w = x1 - x0, *h = y1 - y0;
}

class ParticlesGL : public Particles {
protected:
    void SetUp() override {
        VH_TestOpenWindow();
        Particles::SetUp();
        pixelSpace();
    }
};

// The particles' order, read from the tag each carries in its colour's blue channel.
std::vector<float> tags(const PART_Particle* p, int n) {
    std::vector<float> t;
    for (int i = 0; i < n; ++i)
        t.push_back(p[i].colour.z);
    return t;
}

} // namespace

TEST_F(ParticlesGL, PointsAndStreaksReadTheRecordsAndLeaveClientArraysAlone) {
    // As the program leaves them for its meshes: normal and texture-coordinate arrays on, here
    // pointing nowhere, so a points draw that read them would fault.
    for (GLenum on : {GL_VERTEX_ARRAY, GL_NORMAL_ARRAY, GL_TEXTURE_COORD_ARRAY, GL_COLOR_ARRAY})
        glEnableClientState(on);
    glVertexPointer(3, GL_FLOAT, 0, nullptr);
    glNormalPointer(GL_FLOAT, 0, nullptr);
    glTexCoordPointer(2, GL_FLOAT, 0, nullptr);
    glColorPointer(4, GL_FLOAT, 0, nullptr);
    group(4);
    PART_DrawGroup(0, 0); // empty: nothing at all happens
    EXPECT_TRUE(glIsEnabled(GL_COLOR_ARRAY));

    PART_SetColour(1, 0.5f, 0.25f, 1);
    add(VECTOR(100, 200, 0), VECTOR(10, -20, 0));
    PART_SetColour(0, 1, 0, 1);
    add(VECTOR(300, 400, 0), VECTOR(0, 5, 0));
    glColor4f(0.5f, 0.5f, 0.5f, 1);
    EXPECT_EQ(feedback([] { PART_DrawGroup(0, 1); }).size(), 2u) << "constant colour, colour array left on";
    std::vector<Fed> fed = feedback([] { PART_DrawGroup(0, 0); });
    ASSERT_EQ(fed.size(), 2u);
    EXPECT_EQ(fed[1].token, (GLenum)GL_POINT_TOKEN);
    EXPECT_TRUE(placed(fed[1].vertices[0], 300, 400));
    EXPECT_NEAR(fed[0].vertices[0].b, 0.25, 0.01) << "colour read at the record's stride";
    EXPECT_NEAR(fed[1].vertices[0].g, 1, 0.01);
    for (GLenum on : {GL_VERTEX_ARRAY, GL_NORMAL_ARRAY, GL_TEXTURE_COORD_ARRAY})
        EXPECT_TRUE(glIsEnabled(on)) << on;
    EXPECT_FALSE(glIsEnabled(GL_COLOR_ARRAY));
    GLvoid* pointer = &pointer;
    glGetPointerv(GL_VERTEX_ARRAY_POINTER, &pointer);
    EXPECT_EQ(pointer, nullptr) << "the caller's vertex pointer is back";

    fed = feedback([] { PART_DrawGroup(GL_LINES, 0); });
    ASSERT_EQ(fed.size(), 2u);
    EXPECT_TRUE(placed(fed[0].vertices[0], 90, 220) && placed(fed[0].vertices[1], 100, 200)) << "tail a step back";
    EXPECT_NEAR(fed[0].vertices[0].g, 0.5, 0.01) << "the tail takes the particle's own colour";
    EXPECT_NEAR(fed[1].vertices[0].g, 1, 0.01);
}

TEST_F(ParticlesGL, BillboardSizeFollowsScaleAndSize) {
    group(1);
    PART_Particle& p = add(VECTOR(400, 300, 0));
    glScalef(3, 3, 3); // the camera axes are normalised: the modelview's scale does not change the quad
    glTranslatef(-250, -180, 0);
    const struct {
        float scale, size;
        Uint8 fixed;
        float side; // in world units
    } cases[] = {{0.5f, 1, 0, 2}, {0.5f, 3, 0, 6}, {0.5f, 3, 1, 2}, {2, 0.25f, 0, 2}, {2, 0.25f, 1, 8}};
    for (const auto& c : cases) {
        p.size.x = c.size;
        float w, h;
        extent(feedback([&] { PART_DrawBillboardsBound(c.scale, c.fixed, 0); }), &w, &h);
        float wu, hu;
        extent(feedback([&] { PART_DrawBillboardsBoundUnbatched(c.scale, c.fixed, 0); }), &wu, &hu);
        EXPECT_TRUE(std::fabs(w - 3 * c.side) < 1e-3f && std::fabs(h - 3 * c.side) < 1e-3f && w == wu && h == hu)
            << c.scale << " " << c.size << " " << (int)c.fixed << ": " << w << " x " << h;
    }
}

TEST_F(ParticlesGL, BatchedAndUnbatchedSortTheSameAndDrawTheSamePicture) {
    const int n = 400; // a seeded crowd, some particles at the very same spot to give the sort ties
    group(n);
    std::srand(21);
    for (int i = 0; i < n; ++i) {
        const VECTOR p =
            i % 7 == 3 ? at(i - 2).position
                       : VECTOR(100.0f + std::rand() % 600, 100.0f + std::rand() % 400, -50.0f + std::rand() % 100);
        PART_SetColour((float)(std::rand() % 256) / 255.0f, (float)(std::rand() % 256) / 255.0f, (float)i / (float)n,
                       0.4f + 0.6f * (float)(std::rand() % 100) / 100.0f);
        add(p).size.x = 0.5f + (float)(std::rand() % 100) / 50.0f;
    }
    const std::vector<PART_Particle> original(PART_CurrentGroup()->particles, PART_CurrentGroup()->particles + n);
    auto restore = [&] { std::copy(original.begin(), original.end(), PART_CurrentGroup()->particles); };

    GLubyte texels[8 * 8 * 2];
    for (int i = 0; i < 64; ++i)
        texels[2 * i] = (GLubyte)(255 - 20 * (i % 8)), texels[2 * i + 1] = (GLubyte)(40 * (i / 8));
    GLuint texture;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_LUMINANCE_ALPHA, 8, 8, 0, GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE, texels);
    glBindTexture(GL_TEXTURE_2D, 0);

    glTranslatef(400, 300, -20);
    glRotatef(25, 0, 1, 0);
    glRotatef(-10, 1, 0, 0);
    glTranslatef(-400, -300, 0);
    float m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    const float eye[3] = {m[12], m[13], m[14]};

    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA); // order-dependent: a different sort shows
    std::vector<std::uint8_t> pictures[2];
    std::vector<float> orders[2];
    GLfloat colours[2][4];
    const GLboolean coordsOn = glIsEnabled(GL_TEXTURE_COORD_ARRAY), coloursOn = glIsEnabled(GL_COLOR_ARRAY);
    for (int unbatched = 0; unbatched < 2; ++unbatched) {
        restore();
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        if (unbatched)
            PART_DrawBillboardsUnbatched(texture, 8, 0, 0);
        else
            PART_DrawBillboards(texture, 8, 0, 0);
        int w, h;
        pictures[unbatched] = VH_DriverReadBack(&w, &h);
        orders[unbatched] = tags(PART_CurrentGroup()->particles, n);
        glGetFloatv(GL_CURRENT_COLOR, colours[unbatched]);
        EXPECT_EQ(glIsEnabled(GL_TEXTURE_COORD_ARRAY), coordsOn);
        EXPECT_EQ(glIsEnabled(GL_COLOR_ARRAY), coloursOn);
        for (int i = 1; i < n; ++i)
            ASSERT_LE(FastDistance(&at(i - 1).position.x, eye), FastDistance(&at(i).position.x, eye)) << i;
        GLint bound;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ((GLuint)bound, texture);
    }
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glDeleteTextures(1, &texture);

    EXPECT_EQ(orders[0], orders[1]);
    for (int c = 0; c < 4; ++c)
        EXPECT_EQ(colours[0][c], colours[1][c]) << "both leave the last particle's colour current";
    EXPECT_NE(orders[0], tags(original.data(), n)) << "the crowd was not already in order";
    ASSERT_EQ(pictures[0].size(), pictures[1].size());
    size_t lit = 0, differing = 0;
    for (size_t i = 0; i < pictures[0].size(); ++i)
        lit += pictures[0][i] > 0, differing += pictures[0][i] != pictures[1][i];
    EXPECT_EQ(differing, 0u);
    EXPECT_GT(lit, pictures[0].size() / 10) << "the billboards cover a good part of the frame";
}

TEST_F(ParticlesGL, CopiesTurnTheirXAxisAlongTheVelocity) {
    group(2);
    PART_Particle& moving = add(VECTOR(100, 100, 0), VECTOR(0, 3, 0));
    moving.size = VECTOR(5, 5, 5);
    PART_Particle& resting = add(VECTOR(200, 100, 0));
    resting.size = VECTOR(5, 5, 5);
    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    glBegin(GL_POINTS);
    glVertex3f(1, 0, 0);
    glEnd();
    glEndList();
    const std::vector<Fed> fed = feedback([&] { PART_DrawCopies(list, 1, 0); });
    glDeleteLists(list, 1);
    ASSERT_EQ(fed.size(), 2u);
    EXPECT_TRUE(placed(fed[0].vertices[0], 100, 105, 1e-3f));
    EXPECT_TRUE(placed(fed[1].vertices[0], 205, 100, 1e-3f)) << "at rest: drawn unturned";
}
