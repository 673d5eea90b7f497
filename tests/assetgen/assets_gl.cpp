// The generated data in the engine's own window: every picture becomes a texture with the flags
// the demo loads it with, every model loads with its textures, the six fonts and the credits screen
// draw, and both are written as pictures into the build tree to look at.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cstdio>
#include <cstring>
#include <strings.h>
#include <string>
#include <vector>

#include "../../tools/assetgen/picture.h"
#include "data/resfile.h"
#include "image/texture.h"
#include "model/mesh.h"
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

TEST(AssetsGL, EveryAssetLoadsTheWayTheDemoAsksForIt) {
    generateHere();
    const struct {
        const char* name;
        Uint32 flags;
    } pictures[] = {{"intro1.bmp", 0}, {"intro2.bmp", 0}, {"intro3.bmp", 0}, {"con_pic.bmp", 5}, {"SWIMMING.BMP", 5},
                    {"sky.bmp", 5},    {"smoke2.tga", 6}, {"flarex.tga", 6}, {"P1_2.bmp", 20},   {"P2_2.bmp", 20}};
    for (const auto& p : pictures)
        EXPECT_NE(TEX_Load(p.name, p.flags, 0), 0u) << p.name;
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    TEX_Shutdown();

    CResFile res;
    ASSERT_TRUE(res.Open("vh_data.clu", "rb"));
    int models = 0;
    for (const RES_Entry* e = res.FirstEntry(); e; e = e->next) {
        size_t n = strlen(e->name);
        if (n < 4 || strcasecmp(e->name + n - 4, ".3ds") != 0) continue;
        SCOPED_TRACE(e->name);
        t3DModel* instance = MESH_Load3DSMesh(e->name, 4);
        ASSERT_NE(instance, nullptr);
        for (int i = 0; i < instance->materialCount && i < MESH_MAX_TEXTURES; ++i)
            EXPECT_NE(instance->textures[i], 0u) << instance->materials[i].textureFile;
        MESH_FreeInstance(instance);
        ++models;
    }
    MESH_Close();
    TEX_Shutdown();
    RecordProperty("models", models);
}

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
