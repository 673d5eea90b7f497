// Font cell windows and colours (no GL context needed).
#include <gtest/gtest.h>

#include "text/font.h"

TEST(Fonts, TextureWindowsColourOrderAndDefaults) {
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
    FNT_SetColor(0, 255, 0, 0, 255); // blue first
    FNT_GetColor(0, c);
    EXPECT_EQ((std::vector<int>{c[0], c[1], c[2], c[3]}), (std::vector<int>{0, 0, 255, 255}));
    FNT_ResetAllColors();
    FNT_GetColor(0, c);
    EXPECT_EQ((std::vector<int>{c[0], c[1], c[2]}), (std::vector<int>{255, 255, 255}));
    FNT_GetColor(1, c);
    EXPECT_EQ((std::vector<int>{c[0], c[1], c[2]}), (std::vector<int>{0, 255, 255}));
    EXPECT_FALSE(FNT_GetColor(6, c));
}
