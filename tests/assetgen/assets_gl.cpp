// Generated fonts in the engine's window: texture sizes, and every character drawn. (Where the generated credits
// fall is credits_test's; that the credits screen draws what the layout gives is the text folder's.)
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <vector>

#include "generated.h"
#include "shell/driver.h"
#include "text/font.h"

TEST(AssetsGL, FontsLoadAndDrawEveryCharacter) {
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
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
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
    int w = 0, h = 0, inked = 0;
    const std::vector<std::uint8_t> rgb = VH_DriverReadBack(&w, &h);
    ASSERT_TRUE(w >= 800 && h >= y);
    for (int i = 0; i < y * w; ++i)
        inked += i % w < 800 && rgb[3 * size_t(i)] + rgb[3 * size_t(i) + 1] + rgb[3 * size_t(i) + 2] > 51;
    EXPECT_GT(inked, 6 * 94 * 6);
}
