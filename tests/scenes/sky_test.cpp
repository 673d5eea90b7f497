// The sky plane's arrays: the clamp that keeps every index inside 16 bits, and radii that would
// otherwise give NaN. (How the plane looks is the golden frames' business.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "scenes/sky.h"

namespace {

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
