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
    float a, s, t;
};
typedef std::vector<FedVertex> FedPolygon;

// Draws the grid into a +-32 box around the origin; every fed-back vertex mapped back to the world.
std::vector<FedPolygon> drawAndCapture() {
    static std::vector<GLfloat> buffer(1 << 20);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    for (GLenum mode : {GL_PROJECTION, GL_MODELVIEW})
        glMatrixMode(mode), glPushMatrix(), glLoadIdentity();
    glOrtho(-32, 32, -32, 32, -32, 32); // on the modelview: the same mapping with lighting off
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glFeedbackBuffer(GLsizei(buffer.size()), GL_4D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    GRID_Draw();
    const GLint used = glRenderMode(GL_RENDER);
    for (GLenum mode : {GL_PROJECTION, GL_MODELVIEW})
        glMatrixMode(mode), glPopMatrix();

    std::vector<FedPolygon> polys;
    EXPECT_GE(used, 0) << "feedback buffer overflowed";
    for (GLint k = 0; k < used;) {
        EXPECT_EQ(buffer[k], GL_POLYGON_TOKEN) << "only polygons expected";
        if (buffer[k++] != GL_POLYGON_TOKEN) break;
        polys.emplace_back();
        for (int i = 0, n = int(buffer[k++]); i < n; ++i, k += 12) {
            const GLfloat* f = &buffer[k];
            polys.back().push_back({(f[0] - viewport[0]) / viewport[2] * 64.0f - 32.0f,
                                    (f[1] - viewport[1]) / viewport[3] * 64.0f - 32.0f, -(f[2] * 2.0f - 1.0f) * 32.0f,
                                    f[7], f[8] / f[11], f[9] / f[11]});
        }
    }
    return polys;
}

// Total area on the x-z plane: quads may reach feedback split into triangles, area does not care.
float coveredArea(const std::vector<FedPolygon>& polys) {
    float area = 0;
    for (const FedPolygon& p : polys) {
        float twice = 0;
        for (size_t i = 0; i < p.size(); ++i)
            twice += p[i].x * p[(i + 1) % p.size()].z - p[(i + 1) % p.size()].x * p[i].z;
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

TEST_F(GridGL, QuadCountsFollowTheSampleCountsAndResetForgetsThem) {
    std::vector<float> zeros(64, 0.0f);
    // Sizes without heights behind them must not be read through.
    const struct {
        int cols, rows;
        const float* heights;
        float area;
    } grids[] = {{3, 3, zeros.data(), 4},
                 {4, 2, zeros.data(), 3},
                 {1, 5, zeros.data(), 0},
                 {5, 1, zeros.data(), 0},
                 {8, 8, nullptr, 0}};
    for (const auto& g : grids) {
        GRID_Set(g.cols, g.rows, g.heights);
        const std::vector<FedPolygon> polys = drawAndCapture();
        EXPECT_TRUE(GRID_Cols() == g.cols && GRID_Rows() == g.rows);
        EXPECT_EQ(polys.empty(), g.area == 0) << g.cols << "x" << g.rows;
        EXPECT_NEAR(coveredArea(polys), g.area, 0.01f) << g.cols << "x" << g.rows;
    }
    GRID_Set(3, 3, zeros.data());
    GRID_Reset();
    EXPECT_TRUE(GRID_Cols() == -1 && GRID_Rows() == -1 && drawAndCapture().empty());
}

TEST_F(GridGL, FortyEightSheetSpansTheRiverAndKeepsItsLook) {
    std::vector<float> heights(48 * 48, 0.0f);
    GRID_Set(48, 48, heights.data());
    std::vector<FedPolygon> polys = drawAndCapture();
    ASSERT_FALSE(polys.empty());
    float lo[2] = {1e9f, 1e9f}, hi[2] = {-1e9f, -1e9f}, maxS = 0, maxT = 0;
    for (const FedPolygon& p : polys)
        for (const FedVertex& v : p) {
            lo[0] = std::min(lo[0], v.x), hi[0] = std::max(hi[0], v.x);
            lo[1] = std::min(lo[1], v.z), hi[1] = std::max(hi[1], v.z);
            maxS = std::max(maxS, v.s), maxT = std::max(maxT, v.t);
            EXPECT_NEAR(v.y, 0.0f, 0.01f);
            EXPECT_NEAR(v.a, 0.55f, 0.01f);
        }
    for (int e = 0; e < 2; ++e) {
        EXPECT_NEAR(lo[e], -24.0f, 0.01f);
        EXPECT_NEAR(hi[e], 23.0f, 0.01f);
    }
    EXPECT_NEAR(coveredArea(polys), 47.0f * 47.0f, 0.5f);
    // The texture stops one sample short of the far edges.
    EXPECT_NEAR(maxS, 47.0f / 48.0f, 1e-4f);
    EXPECT_NEAR(maxT, 47.0f / 48.0f, 1e-4f);

    // Heights lift the sheet downward in world y; the sample (i=1, j=2) sits at x -23, z -22.
    heights[48 * 2 + 1] = 3.0f;
    GRID_SetAlpha(0.25f);
    int lifted = 0;
    for (const FedPolygon& p : drawAndCapture())
        for (const FedVertex& v : p) {
            EXPECT_NEAR(v.a, 0.25f, 0.01f);
            if (std::abs(v.x + 23.0f) < 0.01f && std::abs(v.z + 22.0f) < 0.01f) {
                EXPECT_NEAR(v.y, -3.0f, 0.01f);
                ++lifted;
            }
        }
    EXPECT_GT(lifted, 0);

    // A new grid forgets the old alpha; the draw leaves the colour white and normalising off.
    GRID_Set(48, 48, heights.data());
    EXPECT_NEAR(drawAndCapture().front().front().a, 0.55f, 0.01f);
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[3], 1.0f);
    EXPECT_FALSE(glIsEnabled(GL_NORMALIZE));
}

} // namespace
