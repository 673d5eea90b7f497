// Generated fonts and credits in the engine's window: texture sizes, every character and the credits screen drawn.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <vector>

#include "generated.h"
#include "picture.h"
#include "shell/driver.h"
#include "text/credits.h"
#include "text/font.h"

namespace {

// The frame just drawn, saved under the build tree and cleared for the next one.
AgImage takeFrame(const char* name) {
    int w = 0, h = 0;
    std::vector<std::uint8_t> rgb = VH_DriverReadBack(&w, &h);
    AgImage img(w, h);
    for (int i = 0; i < w * h; ++i)
        img.At(i % w, i / w) = PIC_Rgb(rgb[3 * size_t(i)], rgb[3 * size_t(i) + 1], rgb[3 * size_t(i) + 2]);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    EXPECT_TRUE(!name || PIC_WritePNG(img, std::string(VH_BIN_DIR) + "/../assetgen_" + name + ".png"));
    return img;
}

int inked(const AgImage& img, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            n += img.At(x, y).r + img.At(x, y).g + img.At(x, y).b > 0.2f;
    return n;
}

} // namespace

TEST(AssetsGL, FontsAndCreditsDrawAcrossTheScreen) {
    VH_TestOpenWindow(); // generated into the window's working folder, where the loaders look
    const AG_Result made = AG_Shell(AG_Generator + " --out .");
    ASSERT_EQ(made.status, 0) << made.out;
    FNT_ReleaseFonts();
    FNT_LoadFonts();
    const int sizes[FNT_COUNT][2] = {{128, 64}, {256, 32}, {256, 16}, {256, 64}, {256, 32}, {512, 32}};
    for (int f = 0; f < FNT_COUNT; ++f) {
        const FNT_Font* font = FNT_GetFont(f);
        ASSERT_NE(font, nullptr);
        EXPECT_TRUE(font->texture && font->textureWidth == sizes[f][0] && font->textureHeight == sizes[f][1])
            << font->fileName;
    }

    // every printable character of every font, as the engine draws them
    takeFrame(nullptr);
    std::string all;
    for (int c = 32; c < 127; ++c)
        all += char(c);
    int y = 10;
    for (int f = 0; f < FNT_COUNT; ++f, y += 10)
        for (const std::string& line :
             {all.substr(0, 48), all.substr(48), std::string("Vexhal draws the quick brown fox over the lazy dog.")}) {
            FNT_DrawString(line.c_str(), 10, y, f);
            y += FNT_GetHeight(f) + 3;
        }
    EXPECT_GT(inked(takeFrame("fonts_engine"), 0, 0, 800, y), 6 * 94 * 6);

    CRED_Draw();
    const AgImage credits = takeFrame("credits");
    // text in every fifth of the height, and at the left edge, the middle and the right edge
    for (int band = 0; band < 5; ++band)
        EXPECT_GT(inked(credits, 0, band * 120, 800, band * 120 + 120), 200) << band;
    for (int x : {0, 360, 720})
        EXPECT_GT(inked(credits, x, 0, x + 80, 600), 200) << x;
}
