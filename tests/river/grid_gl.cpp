// Height grid: what GRID_Draw really sends to GL, read back through feedback mode.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "particles/grid.h"
#include "support/gl_fixture.h"

namespace {

struct FedVertex {
    float x, y, z; // world coordinates, recovered from window coordinates
    float r, g, b, a;
    float s, t;
};

struct FedPolygon {
    std::vector<FedVertex> v;
};

// An orthographic box of +-32 around the origin; window coordinates map back to world.
std::vector<FedPolygon> drawAndCapture() {
    static std::vector<GLfloat> buffer(1 << 20);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(-32, 32, -32, 32, -32, 32);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);

    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_4D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    GRID_Draw();
    const GLint used = glRenderMode(GL_RENDER);

    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();

    std::vector<FedPolygon> polys;
    EXPECT_GE(used, 0) << "feedback buffer overflowed";
    for (GLint k = 0; k < used;) {
        const GLfloat token = buffer[k++];
        EXPECT_EQ(token, GL_POLYGON_TOKEN) << "only polygons expected";
        if (token != GL_POLYGON_TOKEN) break;
        const int n = static_cast<int>(buffer[k++]);
        FedPolygon p;
        for (int i = 0; i < n; ++i, k += 12) {
            const GLfloat* f = &buffer[k];
            FedVertex v;
            v.x = (f[0] - viewport[0]) / viewport[2] * 64.0f - 32.0f;
            v.y = (f[1] - viewport[1]) / viewport[3] * 64.0f - 32.0f;
            v.z = -(f[2] * 2.0f - 1.0f) * 32.0f;
            v.r = f[4], v.g = f[5], v.b = f[6], v.a = f[7];
            v.s = f[8] / f[11], v.t = f[9] / f[11];
            p.v.push_back(v);
        }
        polys.push_back(p);
    }
    return polys;
}

// Total area on the x-z plane: quads may reach feedback split into triangles, area does not care.
float coveredArea(const std::vector<FedPolygon>& polys) {
    float area = 0;
    for (const FedPolygon& p : polys) {
        float twice = 0;
        for (size_t i = 0; i < p.v.size(); ++i) {
            const FedVertex& a = p.v[i];
            const FedVertex& b = p.v[(i + 1) % p.v.size()];
            twice += a.x * b.z - b.x * a.z;
        }
        area += std::abs(twice) / 2;
    }
    return area;
}

class GridGL : public ::testing::Test {
protected:
    void SetUp() override {
        VH_TestOpenWindow();
        GRID_Reset();
    }
    void TearDown() override { GRID_Reset(); }
};

TEST_F(GridGL, QuadCountsFollowTheSampleCounts) {
    std::vector<float> zeros(64, 0.0f);

    GRID_Set(3, 3, zeros.data());
    EXPECT_EQ(GRID_Cols(), 3);
    EXPECT_EQ(GRID_Rows(), 3);
    EXPECT_NEAR(coveredArea(drawAndCapture()), 4.0f, 0.01f); // 2 x 2 unit quads

    GRID_Set(4, 2, zeros.data());
    EXPECT_NEAR(coveredArea(drawAndCapture()), 3.0f, 0.01f);

    GRID_Set(1, 5, zeros.data());
    EXPECT_TRUE(drawAndCapture().empty());
    GRID_Set(5, 1, zeros.data());
    EXPECT_TRUE(drawAndCapture().empty());

    // Sizes without heights behind them must not be read through.
    GRID_Set(8, 8, nullptr);
    EXPECT_TRUE(drawAndCapture().empty());

    GRID_Set(3, 3, zeros.data());
    GRID_Reset();
    EXPECT_EQ(GRID_Cols(), -1);
    EXPECT_EQ(GRID_Rows(), -1);
    EXPECT_TRUE(drawAndCapture().empty());
}

TEST_F(GridGL, FortyEightSheetSpansTheRiverAndKeepsItsLook) {
    std::vector<float> heights(48 * 48, 0.0f);
    GRID_Set(48, 48, heights.data());
    std::vector<FedPolygon> polys = drawAndCapture();
    ASSERT_FALSE(polys.empty());

    float minX = 1e9f, maxX = -1e9f, minZ = 1e9f, maxZ = -1e9f, maxS = 0, maxT = 0;
    for (const FedPolygon& p : polys)
        for (const FedVertex& v : p.v) {
            minX = std::min(minX, v.x), maxX = std::max(maxX, v.x);
            minZ = std::min(minZ, v.z), maxZ = std::max(maxZ, v.z);
            maxS = std::max(maxS, v.s), maxT = std::max(maxT, v.t);
            EXPECT_NEAR(v.y, 0.0f, 0.01f);
            EXPECT_NEAR(v.a, 0.55f, 0.01f);
        }
    EXPECT_NEAR(minX, -24.0f, 0.01f);
    EXPECT_NEAR(maxX, 23.0f, 0.01f);
    EXPECT_NEAR(minZ, -24.0f, 0.01f);
    EXPECT_NEAR(maxZ, 23.0f, 0.01f);
    EXPECT_NEAR(coveredArea(polys), 47.0f * 47.0f, 0.5f);
    // The texture stops one sample short of the far edges.
    EXPECT_NEAR(maxS, 47.0f / 48.0f, 1e-4f);
    EXPECT_NEAR(maxT, 47.0f / 48.0f, 1e-4f);

    // Heights lift the sheet downward in world y; the sample (i=1, j=2) sits at x -23, z -22.
    heights[48 * 2 + 1] = 3.0f;
    GRID_SetAlpha(0.25f);
    bool sawLifted = false;
    for (const FedPolygon& p : drawAndCapture())
        for (const FedVertex& v : p.v) {
            EXPECT_NEAR(v.a, 0.25f, 0.01f);
            if (std::abs(v.x + 23.0f) < 0.01f && std::abs(v.z + 22.0f) < 0.01f) {
                EXPECT_NEAR(v.y, -3.0f, 0.01f);
                sawLifted = true;
            }
        }
    EXPECT_TRUE(sawLifted);

    // A new grid forgets the old alpha; the draw leaves the colour white and normalising off.
    GRID_Set(48, 48, heights.data());
    EXPECT_NEAR(drawAndCapture().front().v.front().a, 0.55f, 0.01f);
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[3], 1.0f);
    EXPECT_FALSE(glIsEnabled(GL_NORMALIZE));
}

} // namespace
