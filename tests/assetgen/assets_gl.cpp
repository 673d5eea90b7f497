// The generated fonts and credits in the engine's own window: the six font textures have the sizes
// the font table gives, every character and the credits screen draw, and both are written as
// pictures into the build tree to look at.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "picture.h"
#include "shell/driver.h"
#include "support/gl_fixture.h"
#include "text/credits.h"
#include "text/font.h"

namespace {

// Generates the data straight into the window's working folder (which the fixture made).
void generateHere() {
    static bool done = false;
    if (done) return;
    done = true;
    VH_TestOpenWindow();
    FILE* p = popen((std::string(VH_BIN_DIR) + "/assetgen --out . 2>&1").c_str(), "r");
    char buf[256];
    while (p && fgets(buf, sizeof buf, p)) {
    }
    ASSERT_TRUE(p && pclose(p) == 0);
}

AgImage frame() {
    int w = 0, h = 0;
    std::vector<std::uint8_t> rgb = VH_DriverReadBack(&w, &h);
    AgImage img(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::uint8_t* p = &rgb[(size_t(y) * w + x) * 3];
            img.At(x, y) = PIC_Rgb(p[0], p[1], p[2]);
        }
    return img;
}

int inked(const AgImage& img, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            n += img.At(x, y).r + img.At(x, y).g + img.At(x, y).b > 0.2f;
    return n;
}

void clear() {
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

} // namespace

TEST(AssetsGL, FontsAndCreditsDrawAcrossTheScreen) {
    generateHere();
    FNT_ReleaseFonts();
    FNT_LoadFonts();
    const int sizes[FNT_COUNT][2] = {{128, 64}, {256, 32}, {256, 16}, {256, 64}, {256, 32}, {512, 32}};
    for (int f = 0; f < FNT_COUNT; ++f) {
        const FNT_Font* font = FNT_GetFont(f);
        ASSERT_NE(font, nullptr);
        EXPECT_NE(font->texture, 0u) << font->fileName;
        EXPECT_EQ(font->textureWidth, sizes[f][0]) << font->fileName;
        EXPECT_EQ(font->textureHeight, sizes[f][1]) << font->fileName;
    }

    // every printable character of every font, as the engine draws them
    clear();
    std::string all;
    for (int c = 32; c < 127; ++c)
        all += char(c);
    int y = 10;
    for (int f = 0; f < FNT_COUNT; ++f) {
        FNT_DrawString(all.substr(0, 48).c_str(), 10, y, f);
        FNT_DrawString(all.substr(48).c_str(), 10, y + FNT_GetHeight(f) + 3, f);
        FNT_DrawString("Vexhal draws the quick brown fox over the lazy dog.", 10, y + 2 * (FNT_GetHeight(f) + 3), f);
        y += 3 * (FNT_GetHeight(f) + 3) + 10;
    }
    AgImage specimen = frame();
    EXPECT_TRUE(PIC_WritePNG(specimen, std::string(VH_BIN_DIR) + "/../assetgen_fonts_engine.png"));
    EXPECT_GT(inked(specimen, 0, 0, 800, y), 6 * 94 * 6);

    clear();
    CRED_Draw();
    AgImage credits = frame();
    EXPECT_TRUE(PIC_WritePNG(credits, std::string(VH_BIN_DIR) + "/../assetgen_credits.png"));
    // text in every fifth of the height, and at the left edge, the middle and the right edge
    for (int band = 0; band < 5; ++band)
        EXPECT_GT(inked(credits, 0, band * 120, 800, band * 120 + 120), 200) << band;
    EXPECT_GT(inked(credits, 0, 0, 80, 600), 200);
    EXPECT_GT(inked(credits, 360, 0, 440, 600), 200);
    EXPECT_GT(inked(credits, 720, 0, 800, 600), 200);
}
