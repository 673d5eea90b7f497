// Font layout maths and mask expansion (no GL context needed).
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "text/font.h"

TEST(FontLayout, TextureWindowsCellsAndAdvances) {
    FNT_Quad q;
    // 'A' (65) in font 4: cell column 1, cell row 2 of a 256 x 32 texture.
    ASSERT_TRUE(FNT_GlyphQuad('A', 100, 50, 4, &q));
    EXPECT_FLOAT_EQ(q.s0, (8 - 0.5f) / 256);
    EXPECT_FLOAT_EQ(q.s1, (16 + 0.5f) / 256);
    EXPECT_FLOAT_EQ(q.t0, (16 - 0.5f) / 32);
    EXPECT_FLOAT_EQ(q.t1, (24 + 0.5f) / 32);
    EXPECT_FLOAT_EQ(q.x0, 100);
    EXPECT_FLOAT_EQ(q.x1, 108);
    EXPECT_FLOAT_EQ(q.y1, 58);

    // Font 5's 288-pixel mask sits in a 512-wide texture; font 0's 36 rows in 64.
    ASSERT_TRUE(FNT_GlyphQuad(127, 0, 0, 5, &q));
    EXPECT_FLOAT_EQ(q.s1, (31 * 9 + 0.5f + 9) / 512);
    ASSERT_TRUE(FNT_GlyphQuad(96, 0, 0, 0, &q));
    EXPECT_FLOAT_EQ(q.t0, (27 - 0.5f) / 64);

    // Codes of 128 and above (negative as signed chars) have no cell.
    EXPECT_FALSE(FNT_GlyphQuad(128, 0, 0, 0, &q));
    EXPECT_FALSE(FNT_GlyphQuad(-56, 0, 0, 0, &q));
    EXPECT_FALSE(FNT_GlyphQuad('A', 0, 0, 6, &q));

    const int widths[FNT_COUNT] = {4, 5, 6, 7, 8, 9};
    const int heights[FNT_COUNT] = {9, 5, 4, 12, 8, 8};
    for (int f = 0; f < FNT_COUNT; ++f) {
        EXPECT_EQ(FNT_GetWidth(f), widths[f]);
        EXPECT_EQ(FNT_GetHeight(f), heights[f]);
        EXPECT_EQ(FNT_GetAdvance(f), widths[f] + 1);
    }
    EXPECT_STREQ(FNT_GetFont(5)->fileName, "fnt9X8bgr.raw");
    EXPECT_EQ(FNT_GetWidth(-1), 0);
}

TEST(FontColours, SetColorTakesBlueFirstAndResetRestoresTheDefault) {
    Uint8 c[4];
    FNT_SetColor(0, 255, 0, 0, 255);
    ASSERT_TRUE(FNT_GetColor(0, c));
    EXPECT_EQ((std::vector<int>{c[0], c[1], c[2], c[3]}), (std::vector<int>{0, 0, 255, 255}));
    FNT_SetColor(4, 1, 2, 3, 4);
    FNT_ResetAllColors();
    FNT_GetColor(0, c);
    EXPECT_EQ((std::vector<int>{c[0], c[1], c[2], c[3]}), (std::vector<int>{255, 255, 255, 255}));
    FNT_GetColor(4, c);
    EXPECT_EQ((std::vector<int>{c[0], c[1], c[2], c[3]}), (std::vector<int>{255, 0, 0, 255}));
    FNT_GetColor(1, c);
    EXPECT_EQ((std::vector<int>{c[0], c[1], c[2], c[3]}), (std::vector<int>{0, 255, 255, 255}));
    EXPECT_FALSE(FNT_GetColor(6, c));
    FNT_SetColor(9, 1, 2, 3, 4); // ignored, no crash
}

TEST(FontMasks, ExpansionPadsWithTransparentPaper) {
    const Uint8 ink[4] = {255, 255, 255, 0};
    const Uint8 paper[4] = {3, 3, 3, 0};
    FNT_SetInkColor(ink);
    FNT_SetPaperColor(paper);
    // A 3 x 3 mask: the centre is ink, a byte of 2 is background too.
    const Uint8 mask[9] = {0, 0, 2, 0, 1, 0, 0, 0, 0};
    Uint8* image = FNT_MaskToRGBA(3, 3, mask);
    ASSERT_NE(image, nullptr);
    auto px = [&](int x, int y) { return &image[(y * 4 + x) * 4]; }; // padded to 4 x 4
    EXPECT_EQ((std::vector<int>{px(1, 1)[0], px(1, 1)[3]}), (std::vector<int>{255, 255}));
    EXPECT_EQ((std::vector<int>{px(2, 0)[0], px(2, 0)[3]}), (std::vector<int>{3, 0}));
    EXPECT_EQ((std::vector<int>{px(3, 3)[0], px(3, 3)[3]}), (std::vector<int>{3, 0}));
    EXPECT_EQ(px(0, 1)[3], 0);
    std::free(image);

    Uint8* rgb = FNT_MaskToRGB(3, 3, mask);
    ASSERT_NE(rgb, nullptr);
    EXPECT_EQ(rgb[(1 * 4 + 1) * 3], 255);
    EXPECT_EQ(rgb[(1 * 4 + 2) * 3], 3);
    std::free(rgb);
    EXPECT_EQ(FNT_MaskToRGBA(0, 3, mask), nullptr);
}
