// Fonts, the console and the credits screen drawn in the real window: fonts come from
// masks in a test archive where only the '#' cell is ink.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "image/test_archive.h"
#include "shell/driver.h"
#include "shell/window.h"
#include "support/gl_fixture.h"
#include "text/console.h"
#include "text/credits.h"
#include "text/font.h"

namespace {
std::vector<std::uint8_t> maskWithInkCell(int font, int code) {
    const int w = FNT_GetWidth(font), h = FNT_GetHeight(font);
    std::vector<std::uint8_t> mask((size_t)32 * w * 4 * h, 0);
    const int col = code % 32, row = code / 32;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) mask[(size_t)(row * h + y) * 32 * w + col * w + x] = 1;
    return mask;
}

struct Pixel {
    int r, g, b;
};
class Screen {
public:
    void grab() { rgb = VH_DriverReadBack(&w, &h); }
    Pixel at(int x, int y) const {
        const std::uint8_t* p = &rgb[((size_t)y * w + x) * 3];
        return {p[0], p[1], p[2]};
    }
    bool black(int x, int y) const {
        const Pixel p = at(x, y);
        return p.r + p.g + p.b == 0;
    }
    std::vector<std::uint8_t> rgb;
    int w = 0, h = 0;
};

class Text : public ::testing::Test {
protected:
    void SetUp() override {
        VH_TestOpenWindow();
        testpic::Entries entries;
        for (int f = 0; f < FNT_COUNT; ++f) entries.push_back({FNT_GetFont(f)->fileName, maskWithInkCell(f, '#')});
        ASSERT_TRUE(testpic::writeArchive("vh_data.clu", entries));
        FNT_ReleaseFonts();
        FNT_LoadFonts();
        clearScreen();
    }
    static void clearScreen() {
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
};
} // namespace

TEST_F(Text, FontTexturesAndCellsLandWhereTheyShould) {
    const int widths[FNT_COUNT] = {128, 256, 256, 256, 256, 512};
    const int heights[FNT_COUNT] = {64, 32, 16, 64, 32, 32};
    for (int f = 0; f < FNT_COUNT; ++f) {
        EXPECT_NE(FNT_GetFont(f)->texture, 0u);
        EXPECT_EQ(FNT_GetFont(f)->textureWidth, widths[f]);
        EXPECT_EQ(FNT_GetFont(f)->textureHeight, heights[f]);
    }

    // Font 1 (5 x 5, advance 6) at x = 10: the third cell covers x 22..26.
    FNT_DrawString("###", 10, 100, 1);
    // Bytes of 128 and above draw nothing but keep their place.
    FNT_DrawString("\xC8#", 10, 200, 0);
    Screen s;
    s.grab();
    EXPECT_TRUE(s.black(21, 102));
    EXPECT_EQ(s.at(22, 100).g, 255);
    EXPECT_EQ(s.at(26, 104).b, 255);
    EXPECT_EQ(s.at(26, 104).r, 0) << "font 1 is cyan by default";
    EXPECT_TRUE(s.black(27, 102));
    EXPECT_TRUE(s.black(22, 105));
    for (int x = 10; x < 14; ++x) EXPECT_TRUE(s.black(x, 204)) << x;
    EXPECT_EQ(s.at(15, 204).r, 255);
}

TEST_F(Text, ColourLastsOneStringAndStateIsLeftAsDocumented) {
    FNT_SetColor(0, 255, 0, 0, 255);
    FNT_DrawString("#", 0, 0, 0);
    FNT_DrawString("#", 0, 20, 0);
    Screen s;
    s.grab();
    EXPECT_EQ((std::vector<int>{s.at(1, 1).r, s.at(1, 1).g, s.at(1, 1).b}), (std::vector<int>{0, 0, 255}));
    EXPECT_EQ((std::vector<int>{s.at(1, 21).r, s.at(1, 21).g, s.at(1, 21).b}), (std::vector<int>{255, 255, 255}));

    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_BLEND);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_LIGHTING);
    glViewport(0, 0, 10, 10);
    glMatrixMode(GL_PROJECTION);
    FNT_SetColor(2, 10, 20, 30, 40);
    FNT_DrawString("", 5, 5, 2);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    GLint v[4];
    glGetIntegerv(GL_BLEND_SRC, v);
    EXPECT_EQ(v[0], GL_SRC_ALPHA);
    glGetIntegerv(GL_BLEND_DST, v);
    EXPECT_EQ(v[0], GL_ONE_MINUS_SRC_ALPHA);
    glGetIntegerv(GL_VIEWPORT, v);
    EXPECT_EQ(v[2], VH_WindowWidth);
    EXPECT_EQ(v[3], VH_WindowHeight);
    glGetIntegerv(GL_MATRIX_MODE, v);
    EXPECT_EQ(v[0], GL_MODELVIEW);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, v);
    EXPECT_EQ((GLuint)v[0], FNT_GetFont(2)->texture);
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_NEAR(colour[0], 30 / 255.0, 1e-3) << "the font colour stays current";
    EXPECT_NEAR(colour[3], 40 / 255.0, 1e-3);
    Uint8 next[4];
    FNT_GetColor(2, next);
    EXPECT_EQ((std::vector<int>{next[0], next[1], next[2]}), (std::vector<int>{255, 255, 0})) << "reset after the string";
    glDisable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);

    // A mask shorter than its picture is skipped rather than read past its end.
    testpic::Entries entries;
    for (int f = 0; f < FNT_COUNT; ++f) {
        std::vector<std::uint8_t> mask = maskWithInkCell(f, '#');
        if (f == 3) mask.resize(mask.size() / 2);
        entries.push_back({FNT_GetFont(f)->fileName, mask});
    }
    ASSERT_TRUE(testpic::writeArchive("vh_data.clu", entries));
    FNT_ReleaseFonts();
    FNT_LoadFonts();
    EXPECT_TRUE(FNT_FontsLoaded);
    EXPECT_EQ(FNT_GetFont(3)->texture, 0u);
    EXPECT_NE(FNT_GetFont(4)->texture, 0u);
}

TEST_F(Text, ConsoleTypedThroughTheDriverAnswersAndDraws) {
    ASSERT_FALSE(VH_Console.open);
    VH_DriverKey('`');
    ASSERT_TRUE(VH_Console.open);
    for (const char* k = "help"; *k; ++k) VH_DriverKey((unsigned char)*k);
    EXPECT_STREQ(VH_Console.input, "HELP");
    VH_DriverKey(13);
    int echoed = -1, answer = -1;
    for (int i = 0; i < CON_LINE_COUNT; ++i) {
        if (VH_Console.lines[i].id == -1) continue;
        if (std::strcmp(VH_Console.lines[i].text, "HELP") == 0) echoed = i;
        if (std::strcmp(VH_Console.lines[i].text, "Command HELP Not Found") == 0) answer = i;
    }
    EXPECT_GE(echoed, 0);
    EXPECT_EQ(answer, echoed + 1);
    EXPECT_EQ(VH_Console.input[0], 0);

    // Typed '#'s show on the input row at y 437, in the input colour (0, 255, 63).
    VH_DriverKey('#');
    VH_DriverKey('#');
    const bool usePicture = VH_Console.usePicture;
    VH_Console.usePicture = false;
    VH_Console.cursorShown = false;
    clearScreen();
    CON_Render(VH_Console);
    Screen s;
    s.grab();
    const Pixel ink = s.at(6, 440);
    EXPECT_EQ((std::vector<int>{ink.r, ink.g, ink.b}), (std::vector<int>{0, 255, 63}));
    // The panel covers the top three quarters, blended over black.
    const Pixel panel = s.at(700, 300);
    EXPECT_GT(panel.r, 200);
    EXPECT_LT(panel.g, panel.r);
    EXPECT_TRUE(s.black(700, 500));

    VH_Console.usePicture = usePicture;
    VH_DriverKey(8);
    VH_DriverKey(8);
    VH_DriverKey('`');
    EXPECT_FALSE(VH_Console.open);
}

TEST_F(Text, CreditsAreCentredAndColouredForOneLine) {
    FILE* f = std::fopen("credits.txt", "w");
    ASSERT_NE(f, nullptr);
    // A text line cannot start with '#', so each starts with a blank cell.
    std::fputs("#J C\n#C 255 0 0\n ####\n ####\n", f);
    std::fclose(f);
    CRED_Draw();
    Screen s;
    s.grab();
    const int x = 400 - (5 * 4) / 2 + 5; // the second cell of five
    EXPECT_TRUE(s.black(x - 1, 4));
    EXPECT_EQ((std::vector<int>{s.at(x, 4).r, s.at(x, 4).g, s.at(x, 4).b}), (std::vector<int>{0, 0, 255}));
    EXPECT_EQ((std::vector<int>{s.at(x, 15).r, s.at(x, 15).g, s.at(x, 15).b}), (std::vector<int>{255, 255, 255}));
    std::remove("credits.txt");
    clearScreen();
    CRED_Draw(); // no file: nothing drawn
    s.grab();
    EXPECT_TRUE(s.black(x, 4));
}
