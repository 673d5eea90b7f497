// Texture upload and the texture manager against a real GL context, with pictures
// loaded from a test archive in the window's working folder.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <cstring>
#include <vector>

#include "image/image.h"
#include "image/texture.h"
#include "picture_files.h"
#include "support/gl_fixture.h"
#include "test_archive.h"
#include "text/console.h"

using testpic::Bytes;

namespace {
GLint param(GLenum name) {
    GLint v = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, name, &v);
    return v;
}
GLint level(int lod, GLenum name) {
    GLint v = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, lod, name, &v);
    return v;
}

Bytes greyBmp(unsigned side) {
    std::vector<Bytes> rows;
    for (unsigned y = 0; y < side; ++y) rows.push_back(Bytes(side, (std::uint8_t)(40 + y)));
    Bytes palette(1024, 0); // a palette the grey path must not apply
    for (int i = 0; i < 256; ++i) palette[i * 4 + 2] = 255;
    return testpic::bmp(side, side, 8, rows, palette);
}

class Textures : public ::testing::Test {
protected:
    void SetUp() override {
        VH_TestOpenWindow();
        TEX_Shutdown();
        Bytes tga24;
        for (int i = 0; i < 16; ++i) tga24.insert(tga24.end(), {10, 20, 30});
        ASSERT_TRUE(testpic::writeArchive("vh_data.clu", {
                                                             {"flat64.bmp", testpic::flatBmp(64, 64, 10, 200, 30)},
                                                             {"odd.bmp", testpic::flatBmp(100, 64, 1, 2, 3)},
                                                             {"thin.bmp", testpic::flatBmp(1, 64, 1, 2, 3)},
                                                             {"alpha.tga", testpic::tga(4, 4, 24, tga24)},
                                                             {"grey.bmp", greyBmp(8)},
                                                             {"SWIMMING.BMP", testpic::flatBmp(8, 8, 1, 2, 3)},
                                                             {"con_pic.bmp", testpic::flatBmp(8, 8, 4, 5, 6)},
                                                         }));
    }
    void TearDown() override { TEX_Shutdown(); }
};
} // namespace

TEST_F(Textures, UploadFollowsTheFlagsAndKeepsRowOrder) {
    const GLuint plain = VH_LoadTexture("flat64.bmp", 0);
    ASSERT_NE(plain, 0u);
    EXPECT_EQ(param(GL_TEXTURE_MIN_FILTER), GL_NEAREST);
    EXPECT_EQ(param(GL_TEXTURE_MAG_FILTER), GL_NEAREST);
    EXPECT_EQ(param(GL_TEXTURE_WRAP_S), GL_CLAMP);
    EXPECT_EQ(param(GL_TEXTURE_WRAP_T), GL_CLAMP);
    EXPECT_EQ(level(0, GL_TEXTURE_WIDTH), 64);
    EXPECT_EQ(level(0, GL_TEXTURE_ALPHA_SIZE), 0);
    std::vector<Uint8> texels(64 * 64 * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    // The file's first row (red) is the picture's bottom row: the last texture row.
    EXPECT_EQ((std::vector<int>{texels[63 * 64 * 3], texels[63 * 64 * 3 + 1], texels[63 * 64 * 3 + 2]}),
              (std::vector<int>{255, 0, 0}));
    EXPECT_EQ((std::vector<int>{texels[0], texels[1], texels[2]}), (std::vector<int>{30, 200, 10}));

    ASSERT_NE(VH_LoadTexture("flat64.bmp", TEX_REPEAT | TEX_MIPMAP), 0u);
    EXPECT_EQ(param(GL_TEXTURE_WRAP_S), GL_REPEAT);
    EXPECT_EQ(param(GL_TEXTURE_WRAP_T), GL_REPEAT);
    EXPECT_EQ(param(GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(param(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(level(1, GL_TEXTURE_WIDTH), 32);

    ASSERT_NE(VH_LoadTexture("flat64.bmp", TEX_BUILDMIPMAPS), 0u);
    EXPECT_EQ(param(GL_TEXTURE_MIN_FILTER), GL_NEAREST);
    EXPECT_EQ(level(1, GL_TEXTURE_WIDTH), 32) << "mipmaps built with nearest filters";

    EXPECT_EQ(VH_LoadTexture("odd.bmp", 0), 0u);
    EXPECT_EQ(VH_LoadTexture("thin.bmp", 0), 0u);
    EXPECT_EQ(VH_LoadTexture("missing.bmp", 0), 0u);
    VH_Surface* huge = IMG_CreateSurface(0, 4096, 2, 24);
    ASSERT_NE(huge, nullptr);
    EXPECT_EQ(VH_CreateTexture(huge, 0), 0u);
    IMG_FreeSurface(huge);

    // A 24-bit picture asked for with alpha becomes 4 components, opaque everywhere.
    ASSERT_NE(VH_LoadTexture("alpha.tga", TEX_ALPHA), 0u);
    EXPECT_GT(level(0, GL_TEXTURE_ALPHA_SIZE), 0);
    std::vector<Uint8> rgba(4 * 4 * 4);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    for (int i = 0; i < 16; ++i) EXPECT_EQ(rgba[i * 4 + 3], 255);
    EXPECT_EQ(rgba[0], 30);

    // Grey: the indices of an 8-bit picture are the levels; its palette is not applied.
    ASSERT_NE(VH_LoadTexture("grey.bmp", TEX_LUMINANCE), 0u);
    EXPECT_GT(level(0, GL_TEXTURE_LUMINANCE_SIZE), 0);
    EXPECT_EQ(level(0, GL_TEXTURE_RED_SIZE), 0);
    std::vector<Uint8> grey(8 * 8);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_LUMINANCE, GL_UNSIGNED_BYTE, grey.data());
    EXPECT_EQ(grey[0], 40 + 7);
    EXPECT_EQ(grey[7 * 8], 40);
    // A colour picture asked for in grey is averaged, not read byte by byte.
    ASSERT_NE(VH_LoadTexture("flat64.bmp", TEX_LUMINANCE), 0u);
    std::vector<Uint8> averaged(64 * 64);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_LUMINANCE, GL_UNSIGNED_BYTE, averaged.data());
    EXPECT_EQ(averaged[0], (30 + 200 + 10) / 3);
    EXPECT_EQ(averaged[63 * 64 + 5], 255 / 3);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST_F(Textures, ManagerReusesNamesAndClearKeepsWhatIsKept) {
    const Uint32 swim = TEX_Load("SWIMMING.BMP", TEX_REPEAT | TEX_MIPMAP, 0);
    ASSERT_NE(swim, 0u);
    EXPECT_EQ(TEX_Load("swimming.bmp", 0, 1), swim);
    EXPECT_EQ(TEX_Count(), 1);
    const Uint32 console = TEX_Load("con_pic.bmp", TEX_REPEAT | TEX_MIPMAP, 1);
    ASSERT_NE(console, 0u);
    EXPECT_EQ(TEX_Load("nothere.bmp", 0, 0), 0u);
    EXPECT_EQ(TEX_Count(), 2);

    TEX_List();
    bool listed = false;
    for (const CON_Line& line : VH_Console.lines)
        listed = listed || (line.id != -1 && std::strcmp(line.text, "con_pic.bmp") == 0);
    EXPECT_TRUE(listed);

    TEX_Clear();
    EXPECT_EQ(TEX_Count(), 1);
    EXPECT_STREQ(TEX_Name(0), "con_pic.bmp");
    EXPECT_EQ(TEX_Load("CON_PIC.BMP", 0, 0), console);
    EXPECT_EQ(glIsTexture(console), GL_TRUE);
    EXPECT_EQ(glIsTexture(swim), GL_FALSE);
    EXPECT_NE(TEX_Load("SWIMMING.BMP", 0, 0), 0u) << "a cleared texture loads anew";
    EXPECT_EQ(TEX_Count(), 2);

    TEX_Shutdown();
    EXPECT_EQ(TEX_Count(), 0);
    EXPECT_EQ(glIsTexture(console), GL_FALSE);
}
