// Text layout without drawing: the credits (justification on the current width, fonts, rows,
// colours, long lines) and the font cell windows with their index guards.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "shell/window.h"
#include "text/credits.h"
#include "text/font.h"

namespace {
typedef std::vector<std::string> Calls;
// Each call as "text@x,y,font" or "colour b,g,r,a".
Calls layout(const std::string& content, int width = 800) {
    Calls calls;
    const int saved = VH_WindowWidth;
    VH_WindowWidth = width;
    FILE* f = fmemopen(const_cast<char*>(content.data()), content.size(), "r");
    const CRED_Sink sink = {[](void* u, const char* t, int x, int y, int font) {
                                char call[300];
                                std::snprintf(call, sizeof call, "%s@%d,%d,%d", t, x, y, font);
                                static_cast<Calls*>(u)->push_back(call);
                            },
                            [](void* u, int, Uint8 b, Uint8 g, Uint8 r, Uint8 a) {
                                char call[40];
                                std::snprintf(call, sizeof call, "colour %d,%d,%d,%d", b, g, r, a);
                                static_cast<Calls*>(u)->push_back(call);
                            },
                            &calls};
    CRED_Layout(f, sink);
    fclose(f);
    VH_WindowWidth = saved;
    return calls;
}
} // namespace

TEST(Credits, JustificationFontsAndRows) {
    // Centred text uses the glyph width as advance, right-aligned the glyph width + 1.
    EXPECT_EQ(layout("#J C\nHELLO\nWORLD\n#J R\nAB\n#J X\nCD\n#J L\nleft\n"),
              (Calls{"HELLO@390,0,0", "WORLD@390,11,0", "AB@783,22,0", "CD@783,33,0", "left@7,44,0"}));
    EXPECT_EQ(layout("#J C\nHELLO\n#F 4\nfour\n", 1000), (Calls{"HELLO@490,0,0", "four@484,11,4"}));
    // Up before any text lifts the line off the top; down and empty lines advance.
    EXPECT_EQ(layout("#U\nTOP\n\n#N\nLOW   \t\n#C\n#\n#Q comment\n"), (Calls{"TOP@7,-11,0", "@7,0,0", "LOW@7,22,0"}));
}

TEST(Credits, ColoursLongLinesAndNumberLists) {
    EXPECT_EQ(layout("#C 255, 0 0\nFIRST\nSECOND\n#C 1 2\n#C 1,2,3,4\n#C 300 -4 nan 1e9\n"),
              (Calls{"colour 255,0,0,255", "FIRST@7,0,0", "SECOND@7,11,0", "colour 1,2,3,4", "colour 255,0,0,255"}));
    const std::string a(127, 'a');
    EXPECT_EQ(layout(a + "bbb\nX"), (Calls{a + "@7,0,0", "bbb@7,11,0", "X@7,22,0"}));

    float v[4] = {9, 9, 9, 9};
    EXPECT_EQ(CRED_ParseFloats("", v, 4) + CRED_ParseFloats("1 2", v, 0), 0);
    EXPECT_EQ(CRED_ParseFloats("1.5,\tx, 7 8 9", v, 3), 3);
    EXPECT_EQ((std::vector<float>{v[0], v[1], v[2], v[3]}), (std::vector<float>{1.5f, 0, 7, 9}));

    char trimmed[] = "  text \t\r\n\v\f ", blank[] = " \t ";
    EXPECT_STREQ(STR_TrimRight(trimmed), "  text");
    EXPECT_STREQ(STR_TrimRight(blank), "");
}

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
