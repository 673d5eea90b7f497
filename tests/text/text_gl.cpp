// Fonts drawn in the real window, with font masks from a test archive in which only the '#' cell is ink.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <cstdio>
#include <cstring>

#include "support/picture_files.h"
#include "shell/driver.h"
#include "shell/window.h"
#include "support/gl_fixture.h"
#include "text/font.h"

typedef std::vector<int> Ints;

namespace {
Bytes inkCellMask(int font, size_t keep = ~size_t(0)) {
    const int w = FNT_GetWidth(font), h = FNT_GetHeight(font);
    Bytes mask((size_t)32 * w * 4 * h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            mask[(size_t)(h + y) * 32 * w + 3 * w + x] = 1; // '#': column 3, row 1
    mask.resize(std::min(keep, mask.size()));
    return mask;
}
void loadFonts(int shortFont = -1) {
    NamedBytes entries;
    for (int f = 0; f < FNT_COUNT; ++f)
        entries.push_back({FNT_GetFont(f)->fileName, inkCellMask(f, f == shortFont ? 100 : ~size_t(0))});
    ASSERT_TRUE(WriteArchive("vh_data.clu", entries));
    FNT_ReleaseFonts();
    FNT_LoadFonts();
}

class Text : public ::testing::Test {
protected:
    void SetUp() override {
        VH_TestOpenWindow();
        loadFonts();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    Ints at(int x, int y) {
        int w = 0, h = 0;
        const std::vector<std::uint8_t> rgb = VH_DriverReadBack(&w, &h);
        const std::uint8_t* p = &rgb[((size_t)y * w + x) * 3];
        return {p[0], p[1], p[2]};
    }
    const Ints black = {0, 0, 0};
};
} // namespace

TEST_F(Text, FontTexturesCellsAndTheColourOfOneString) {
    // Font 1 (5 x 5, advance 6, cyan) at x = 10: the third cell covers x 22..26.
    // A byte of 128 or more (font 0 at y 200) draws nothing but keeps its place on the line.
    // A colour set blue first lasts one string.
    FNT_DrawString("###", 10, 100, 1);
    FNT_DrawString("\xC8#", 10, 200, 0);
    FNT_SetColor(0, 255, 0, 0, 255);
    FNT_DrawString("#", 0, 0, 0);
    FNT_DrawString("#", 0, 20, 0);
    const Ints cyan = {0, 255, 255}, white = {255, 255, 255}, red = {0, 0, 255};
    EXPECT_EQ((std::vector<Ints>{at(21, 102), at(22, 100), at(26, 104), at(27, 102), at(13, 204), at(15, 204)}),
              (std::vector<Ints>{black, cyan, cyan, black, black, white}));
    EXPECT_EQ((std::vector<Ints>{at(1, 1), at(1, 21)}), (std::vector<Ints>{red, white}));

    // A mask shorter than its picture is skipped rather than read past its end.
    loadFonts(3);
    EXPECT_EQ((Ints{FNT_FontsLoaded(), (int)FNT_GetFont(3)->texture, FNT_GetFont(4)->texture != 0}), (Ints{1, 0, 1}));
    glClear(GL_COLOR_BUFFER_BIT);
    FNT_DrawString("AB", 10, 300, 3);
    EXPECT_EQ(at(12, 302), black) << "a font without a texture draws no blocks";
}

TEST_F(Text, AStringLeavesTheStateTheOthersExpect) {
    for (GLenum cap : {GL_DEPTH_TEST, GL_CULL_FACE, GL_BLEND, GL_ALPHA_TEST, GL_TEXTURE_2D})
        glDisable(cap);
    glEnable(GL_LIGHTING);
    glViewport(0, 0, 10, 10);
    glMatrixMode(GL_PROJECTION);
    FNT_DrawString("", 5, 5, 2);
    Ints state;
    for (GLenum cap : {GL_DEPTH_TEST, GL_CULL_FACE, GL_BLEND, GL_LIGHTING, GL_ALPHA_TEST, GL_TEXTURE_2D})
        state.push_back(glIsEnabled(cap));
    GLint v[4];
    glGetIntegerv(GL_VIEWPORT, v);
    state.insert(state.end(), {v[2], v[3]});
    for (GLenum name : {GL_BLEND_SRC, GL_BLEND_DST, GL_MATRIX_MODE, GL_TEXTURE_BINDING_2D}) {
        glGetIntegerv(name, v);
        state.push_back(v[0]);
    }
    EXPECT_EQ(state, (Ints{1, 1, 1, 1, 0, 0, VH_WindowWidth, VH_WindowHeight, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA,
                           GL_MODELVIEW, (int)FNT_GetFont(2)->texture}));
    glDisable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
}
