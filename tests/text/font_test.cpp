// Font cell windows and index guards (no GL context needed); drawing is checked in text_gl.
#include <gtest/gtest.h>

#include "text/font.h"

TEST(Fonts, TextureWindowsAndIndicesOutOfRange) {
    FNT_Quad q;
    // 'A' (65) in font 4: cell column 1, row 2 of a 256 x 32 texture, half a texel larger.
    ASSERT_TRUE(FNT_GlyphQuad('A', 100, 50, 4, &q));
    EXPECT_EQ((std::vector<float>{q.s0, q.s1, q.t0, q.t1}),
              (std::vector<float>{7.5f / 256, 16.5f / 256, 15.5f / 32, 24.5f / 32}));
    EXPECT_EQ((std::vector<float>{q.x0, q.y0, q.x1, q.y1}), (std::vector<float>{100, 50, 108, 58}));
    ASSERT_TRUE(FNT_GlyphQuad(127, 0, 0, 5, &q)); // 288 pixels of mask in a 512-wide texture
    EXPECT_FLOAT_EQ(q.s1, (279 + 0.5f + 9) / 512);
    EXPECT_FALSE(FNT_GlyphQuad(128, 0, 0, 0, &q));
    EXPECT_FALSE(FNT_GlyphQuad(-56, 0, 0, 0, &q));
    EXPECT_FALSE(FNT_GlyphQuad('A', 0, 0, 6, &q));

    Uint8 c[4];
    EXPECT_FALSE(FNT_GetColor(6, c));
}
