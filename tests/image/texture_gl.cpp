// Pictures in a real GL context, loaded from a test archive in the window's working folder:
// texture upload and the texture manager.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include "image/image.h"
#include "image/texture.h"
#include "support/picture_files.h"
#include "shell/driver.h"
#include "support/gl_fixture.h"
#include "text/console.h"

typedef std::vector<int> Ints;

namespace {
Ints params(const std::initializer_list<GLenum>& names, int lod = -1) {
    Ints out;
    for (GLenum name : names) {
        GLint v = 0;
        lod < 0 ? glGetTexParameteriv(GL_TEXTURE_2D, name, &v) : glGetTexLevelParameteriv(GL_TEXTURE_2D, lod, name, &v);
        out.push_back(v);
    }
    return out;
}
Ints texels(GLenum format, int count) {
    std::vector<Uint8> t(64 * 64 * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, format, GL_UNSIGNED_BYTE, t.data());
    return Ints(t.begin(), t.begin() + count);
}
} // namespace

TEST(Textures, UploadFollowsTheFlagsKeepsRowOrderAndTheManagerReusesNames) {
    VH_TestOpenWindow();
    TEX_Shutdown();
    std::vector<Bytes> greyRows = {Bytes(4, 40), Bytes(4, 41), Bytes(4, 42), Bytes(4, 43)};
    ASSERT_TRUE(WriteArchive("vh_data.clu",
                             {{"flat64.bmp", testpic::flatBmp(64, 64, 10, 200, 30)},
                              {"odd.bmp", testpic::flatBmp(100, 64, 1, 2, 3)},
                              {"thin.bmp", testpic::flatBmp(1, 64, 1, 2, 3)},
                              {"rgb.tga", testpic::tga(2, 2, 24, {10, 20, 30, 10, 20, 30, 10, 20, 30, 10, 20, 30})},
                              {"grey.bmp", testpic::bmp(4, 4, 8, greyRows, Bytes(1024, 255))},
                              {"SWIMMING.BMP", testpic::flatBmp(8, 8, 1, 2, 3)},
                              {"deep.bmp", testpic::bmp(2, 2, 32, std::vector<Bytes>(2, Bytes(8, 7)))},
                              {"tga.bmp", testpic::tga(2, 2, 24, Bytes(12, 9))},
                              {"con_pic.bmp", testpic::flatBmp(8, 8, 4, 5, 6)}}));
    ASSERT_NE(VH_LoadTexture("flat64.bmp", 0), 0u);
    const std::initializer_list<GLenum> sampling = {GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER, GL_TEXTURE_WRAP_S,
                                                    GL_TEXTURE_WRAP_T};
    EXPECT_EQ(params(sampling), (Ints{GL_NEAREST, GL_NEAREST, GL_CLAMP, GL_CLAMP}));
    EXPECT_EQ(params({GL_TEXTURE_ALPHA_SIZE}, 0), Ints{0});
    // The file's first row (red) is the picture's bottom: the last texture row.
    const Ints rgb = texels(GL_RGB, 64 * 64 * 3);
    EXPECT_EQ(Ints(rgb.begin(), rgb.begin() + 3), (Ints{30, 200, 10}));
    EXPECT_EQ(Ints(rgb.end() - 3, rgb.end()), (Ints{255, 0, 0}));

    ASSERT_NE(VH_LoadTexture("flat64.bmp", TEX_REPEAT | TEX_MIPMAP), 0u);
    EXPECT_EQ(params(sampling), (Ints{GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, GL_REPEAT, GL_REPEAT}));
    EXPECT_EQ(params({GL_TEXTURE_WIDTH}, 1), Ints{32});

    // Sides that are not powers of two from 2 to 2048, and missing files, make no texture.
    EXPECT_EQ((Ints{(int)VH_LoadTexture("odd.bmp", 0), (int)VH_LoadTexture("thin.bmp", 0),
                    (int)VH_LoadTexture("missing.bmp", 0)}),
              (Ints{0, 0, 0}));
    VH_Surface* huge = IMG_CreateSurface(0, 4096, 2, 24);
    EXPECT_EQ(VH_CreateTexture(huge, 0), 0u);
    IMG_FreeSurface(huge);

    // 24 bits asked for with alpha: 4 components, opaque everywhere.
    ASSERT_NE(VH_LoadTexture("rgb.tga", TEX_ALPHA), 0u);
    EXPECT_GT(params({GL_TEXTURE_ALPHA_SIZE}, 0)[0], 0);
    EXPECT_EQ(texels(GL_RGBA, 8), (Ints{30, 20, 10, 255, 30, 20, 10, 255}));

    // Grey: an 8-bit picture's indices are the levels (its palette is not applied).
    ASSERT_NE(VH_LoadTexture("grey.bmp", TEX_LUMINANCE | TEX_MIPMAP), 0u);
    EXPECT_EQ(params({GL_TEXTURE_RED_SIZE}, 0), Ints{0});
    EXPECT_EQ(texels(GL_LUMINANCE, 16), (Ints{43, 43, 43, 43, 42, 42, 42, 42, 41, 41, 41, 41, 40, 40, 40, 40}));
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);

    // The manager: one texture per name in any case; Clear drops all but those kept.
    TEX_Shutdown();
    const Uint32 swim = TEX_Load("SWIMMING.BMP", TEX_REPEAT | TEX_MIPMAP, 0);
    ASSERT_NE(swim, 0u);
    EXPECT_EQ(TEX_Load("swimming.bmp", 0, 1), swim);
    const Uint32 console = TEX_Load("con_pic.bmp", TEX_REPEAT | TEX_MIPMAP, 1);
    ASSERT_NE(console, 0u);
    EXPECT_EQ((Ints{(int)TEX_Load("nothere.bmp", 0, 0), TEX_Count()}), (Ints{0, 2}));
    TEX_List();
    EXPECT_STREQ(CON_FindLine(VH_Console, VH_Console.nextId - 1), "con_pic.bmp");

    // The bytes decide a picture's kind, whatever its name; one the engine does not read is named as what it is.
    testing::internal::CaptureStderr();
    EXPECT_NE(TEX_Load("tga.bmp", 0, 0), 0u);
    EXPECT_EQ(TEX_Load("deep.bmp", 0, 0), 0u);
    const std::string warned = testing::internal::GetCapturedStderr();
    EXPECT_NE(warned.find("warning: deep.bmp: 32-bit BMP: the engine reads 8- and 24-bit uncompressed BMP; drawn "
                          "without it\n"),
              std::string::npos)
        << warned;
    EXPECT_EQ(warned.find("tga.bmp"), std::string::npos) << warned;

    TEX_Clear();
    EXPECT_EQ((Ints{TEX_Count(), (int)TEX_Load("CON_PIC.BMP", 0, 0)}), (Ints{1, (int)console}));
    EXPECT_EQ((Ints{glIsTexture(console), glIsTexture(swim)}), (Ints{GL_TRUE, GL_FALSE}));
    EXPECT_TRUE(TEX_Load("SWIMMING.BMP", 0, 0) != 0 && TEX_Count() == 2) << "a cleared texture loads anew";
    TEX_Shutdown();
    EXPECT_EQ((Ints{TEX_Count(), glIsTexture(console)}), (Ints{0, GL_FALSE}));
}
