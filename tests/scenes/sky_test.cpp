// The sky plane's arrays: counts, the sag of its corners, texture coordinates, the clamp that keeps
// every index inside 16 bits, and radii that would otherwise give NaN.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "scenes/sky.h"

namespace {

TEST(SkyPlane, TheScenesPlaneSagsToItsCornersAndTilesItsPictureThreeTimes) {
    SKY_Build(60, 600.0f, 1600.0f, 3.0f, 3.0f); // the counts are checked with the clamp below
    ASSERT_EQ(SKY_VertexCount(), 61 * 61);
    const SKY_Vertex* v = SKY_Vertices();
    const float half = std::sqrt(1600.0f * 1600.0f - 600.0f * 600.0f); // 1483.2
    // Corners: row i, column j at 61 i + j; rows run along z, columns along x.
    for (int c : {0, 60, 61 * 60, 61 * 61 - 1}) {
        EXPECT_NEAR(std::fabs(v[c].x), half, 0.01f) << c;
        EXPECT_NEAR(std::fabs(v[c].z), half, 0.01f) << c;
        EXPECT_NEAR(v[c].y, -2750.0f, 0.5f) << c;
    }
    EXPECT_LT(v[0].x, v[60].x);
    EXPECT_LT(v[0].z, v[61 * 60].z);
    const SKY_Vertex& middle = v[61 * 30 + 30];
    EXPECT_TRUE(middle.x == 0.0f && middle.z == 0.0f && middle.y == 0.0f);
    // u climbs with the column from 0 to 3, v falls with the row from 3 to 0.
    EXPECT_TRUE(v[0].u == 0.0f && v[0].v == 3.0f);
    const SKY_Vertex &last = v[61 * 61 - 1], &inner = v[61 * 20 + 10];
    EXPECT_TRUE(std::fabs(last.u - 3) < 1e-5f && std::fabs(last.v) < 1e-5f) << last.u << " " << last.v;
    EXPECT_TRUE(std::fabs(inner.u - 0.5f) < 1e-5f && std::fabs(inner.v - 2) < 1e-5f) << inner.u << " " << inner.v;

    // Every cell is two triangles over its own four corners: (k, k+1, k+61) and (k+1, k+62, k+61).
    const Uint16* idx = SKY_Indices();
    const int cell = 6 * (60 * 7 + 9), k = 61 * 7 + 9;
    const int expected[6] = {k, k + 1, k + 61, k + 1, k + 62, k + 61};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(idx[cell + i], expected[i]);

    SKY_Free();
    EXPECT_TRUE(SKY_VertexCount() == 0 && SKY_IndexCount() == 0 && !SKY_Vertices() && !SKY_Indices());
}

TEST(SkyPlane, DivisionsAreClampedSoEveryIndexFitsAndOddRadiiStayFinite) {
    const int cases[][2] = {{-3, 1}, {0, 1}, {1, 1}, {60, 60}, {255, 255}, {256, 255}, {100000, 255}}; // asked, got
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0]);
        SKY_Build(c[0], 600.0f, 1600.0f, 3.0f, 3.0f);
        const int n = c[1];
        ASSERT_EQ(SKY_Divisions(), n);
        ASSERT_EQ(SKY_VertexCount(), (n + 1) * (n + 1));
        ASSERT_EQ(SKY_IndexCount(), 6 * n * n);
        // Without the clamp, 256 divisions would wrap index 65,536 round to the plane's first vertex.
        const Uint16* idx = SKY_Indices();
        EXPECT_EQ(*std::max_element(idx, idx + SKY_IndexCount()), SKY_VertexCount() - 1);
    }
    // The last cell's far corner is the last vertex, not a wrapped one.
    EXPECT_EQ(SKY_Indices()[SKY_IndexCount() - 2], 65535);

    // An atmosphere no wider than the planet, or of no size, has no chord to span.
    for (float atmosphere : {600.0f, 300.0f, 0.0f}) {
        SKY_Build(4, 600.0f, atmosphere, 3.0f, 3.0f);
        for (int i = 0; i < SKY_VertexCount(); ++i) {
            const SKY_Vertex& v = SKY_Vertices()[i];
            ASSERT_TRUE(std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z)) << atmosphere << " " << i;
        }
    }
    SKY_Free();
    SKY_Free(); // twice is harmless
}

} // namespace
