// Height grid: what GRID_Draw really sends to GL, read back through feedback mode.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <vector>

#include "particles/grid.h"
#include "support/gl_fixture.h"

namespace {

struct FedVertex {
    float x, y, z, alpha, s, t; // world coordinates, recovered from window coordinates
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
    for (GLint k = 0; k < used && buffer[k++] == GL_POLYGON_TOKEN;) {
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

// Area on the x-z plane (quads may reach feedback split into triangles) and the largest texture coordinates.
float coveredArea(const std::vector<FedPolygon>& polys, float* maxS = nullptr, float* maxT = nullptr) {
    float area = 0;
    for (const FedPolygon& p : polys) {
        float twice = 0;
        for (size_t i = 0; i < p.size(); ++i) {
            twice += p[i].x * p[(i + 1) % p.size()].z - p[(i + 1) % p.size()].x * p[i].z;
            if (maxS) *maxS = std::fmax(*maxS, p[i].s), *maxT = std::fmax(*maxT, p[i].t);
        }
        area += std::abs(twice) / 2;
    }
    return area;
}

TEST(GridGL, QuadsFollowTheSamplesAndTheirSizes) {
    VH_TestOpenWindow();
    std::vector<float> heights(48 * 48, 0.0f);
    for (const auto& [cols, rows, area] : {std::tuple(4, 2, 3.0f), {1, 5, 0.0f}, {5, 1, 0.0f}}) {
        GRID_Set(cols, rows, heights.data());
        EXPECT_TRUE(GRID_Cols() == cols && GRID_Rows() == rows);
        EXPECT_NEAR(coveredArea(drawAndCapture()), area, 0.01f) << cols << "x" << rows;
    }
    GRID_Set(8, 8, nullptr); // sizes without heights behind them must not be read through
    EXPECT_TRUE(drawAndCapture().empty());

    GRID_Set(48, 48, heights.data());
    float maxS = 0, maxT = 0;
    EXPECT_NEAR(coveredArea(drawAndCapture(), &maxS, &maxT), 47.0f * 47.0f, 0.5f);
    EXPECT_TRUE(std::fabs(maxS - 47.0f / 48.0f) < 1e-4f && std::fabs(maxT - 47.0f / 48.0f) < 1e-4f)
        << "the texture stops one sample short of the far edges";
    heights[48 * 2 + 1] = 5.0f; // changed in place, without GRID_Set: the sheet drawn follows
    int lifted = 0;
    for (const FedPolygon& p : drawAndCapture())
        for (const FedVertex& v : p)
            lifted += std::fabs(v.y + 5.0f) < 0.01f;
    EXPECT_GT(lifted, 0);

    GRID_SetAlpha(0.25f);
    EXPECT_NEAR(drawAndCapture().front().front().alpha, 0.25f, 0.01f);
    GRID_Set(48, 48, heights.data()); // a new grid forgets the old alpha
    EXPECT_NEAR(drawAndCapture().front().front().alpha, 0.55f, 0.01f);
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_TRUE(colour[3] == 1.0f && !glIsEnabled(GL_NORMALIZE)) << "the draw leaves white and normalising off";
    GRID_Reset();
    EXPECT_TRUE(GRID_Cols() == -1 && GRID_Rows() == -1 && drawAndCapture().empty());
}

} // namespace
