// The BMP and TGA decoders and the depth conversions, on pictures built in memory.
#include <gtest/gtest.h>

#include "support/picture_files.h"

typedef std::vector<int> Rgb;

using testpic::colourAt;
using testpic::decode;

// Layouts that decode are cross-checked against ImageMagick; these are the ones that must not.
TEST(BmpDecoder, RefusesWhatItCannotReadAndSizesTheStreamCannotHold) {
    const Bytes palette(1024, 0);
    const Bytes row = {1, 2, 3, 4, 5, 6};
    // Compressed, 16 bits, no width, sizes overflowing 32 bits, more rows than the stream holds, a bare tag.
    const Bytes bad[] = {testpic::bmp(2, 1, 24, {row}, Bytes(), 1),
                         testpic::bmp(3, 1, 16, {row}),
                         testpic::bmp(0, 1, 24, {}),
                         testpic::bmp(0x55555556u, 3, 24, {row}),
                         testpic::bmp(16, 0x40000000u, 24, {row}),
                         testpic::bmp(4, 4, 8, {{0, 0, 0, 0}}, palette),
                         Bytes{'B', 'M', 0}};
    for (const Bytes& b : bad)
        EXPECT_EQ(decode(b, IMG_LoadBMP), nullptr) << "case " << &b - bad;
}

TEST(TgaDecoder, SixteenBitWhiteAlphaWideningAndShortStreams) {
    VH_Surface* s = decode(testpic::tga(2, 1, 16, {0xFF, 0x7F, 0x00, 0xFC}), IMG_LoadTGA);
    ASSERT_TRUE(s && s->bitsPerPixel == 15);
    VH_Surface* wide = Create24BitSurface(s);
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(colourAt(wide, 0, 0), (Rgb{255, 255, 255})) << "0x7FFF";
    EXPECT_EQ(colourAt(wide, 1, 0), (Rgb{255, 0, 0})) << "the attribute bit is not colour";
    IMG_FreeSurface(wide);
    IMG_FreeSurface(s);

    s = decode(testpic::tga(1, 1, 24, {1, 2, 3}), IMG_LoadTGA);
    ASSERT_NE(s, nullptr);
    VH_Surface* withAlpha = Create32BitSurface(s);
    ASSERT_NE(withAlpha, nullptr);
    EXPECT_EQ(IMG_GetPixel(withAlpha, 0, 0), 0xFF030201u) << "opaque, red highest";
    EXPECT_EQ(Create24BitSurface(s), nullptr) << "already 24 bits";
    IMG_FreeSurface(withAlpha);
    IMG_FreeSurface(s);

    Bytes mapType2 = testpic::tga(1, 1, 24, {1, 2, 3});
    mapType2[1] = 2;
    // Run-length, 8-bit grey, map type 2, larger than the stream, one byte short, no width.
    const Bytes bad[] = {
        testpic::tga(1, 1, 24, {1, 2, 3}, 10),        testpic::tga(1, 1, 8, {1}, 3),        mapType2,
        testpic::tga(65535, 65535, 32, {1, 2, 3, 4}), testpic::tga(2, 2, 24, Bytes(11, 1)), testpic::tga(0, 4, 24, {})};
    for (const Bytes& b : bad)
        EXPECT_EQ(decode(b, IMG_LoadTGA), nullptr) << "case " << &b - bad;
}

TEST(Conversions, GreyLevelsAndSurfaceLimits) {
    VH_Surface* s = IMG_CreateSurface(0, 2, 1, 32);
    ASSERT_NE(s, nullptr);
    const Uint8 px[8] = {30, 60, 91, 7, 255, 255, 255, 0};
    std::copy(px, px + 8, s->pixels);
    VH_Surface* grey = Create8BitSurface(s);
    ASSERT_NE(grey, nullptr);
    EXPECT_EQ((Rgb{grey->pixels[0], grey->pixels[1]}), (Rgb{(30 + 60 + 91) / 3, 255}));
    EXPECT_EQ(Create8BitSurface(grey), nullptr);
    IMG_FreeSurface(grey);
    IMG_FreeSurface(s);
    EXPECT_EQ(IMG_CreateSurface(0, 0x10000, 1, 8), nullptr) << "row wider than the 16-bit pitch";
}

// What the upload would hand to OpenGL, per kind of texture: colour ones need texture sides,
// grey ones take any size; a surface of the asked depth goes as it is.
TEST(TextureSurface, DepthPerKindAndSidesForColourOnly) {
    struct Case {
        Uint32 w, h;
        int depth;
        Uint32 flags;
        int upload; // depth handed on; 0: none
        bool same;  // the surface itself, no copy
    };
    const Case cases[] = {
        {4, 2, 24, 0, 24, true},
        {4, 2, 15, 0, 24, false},
        {4, 2, 24, TEX_ALPHA, 32, false},
        {4, 2, 32, TEX_ALPHA | TEX_MIPMAP, 32, true},
        {3, 2, 24, 0, 0, false},
        {4096, 2, 8, TEX_ALPHA, 0, false},
        {3, 5, 32, TEX_LUMINANCE, 8, false},
        {3, 5, 8, TEX_LUMINANCE | TEX_ALPHA, 8, true},
    };
    for (const Case& c : cases) {
        VH_Surface* s = IMG_CreateSurface(0, c.w, c.h, c.depth);
        ASSERT_NE(s, nullptr);
        VH_Surface* converted = reinterpret_cast<VH_Surface*>(1);
        const VH_Surface* up = IMG_TextureSurface(s, c.flags, &converted);
        const int i = int(&c - cases);
        EXPECT_EQ(up ? up->bitsPerPixel : 0, c.upload) << "case " << i;
        EXPECT_EQ(up == s, c.same) << "case " << i;
        EXPECT_EQ(converted, up && !c.same ? up : nullptr) << "case " << i;
        IMG_FreeSurface(converted);
        IMG_FreeSurface(s);
    }

    // Grey levels paired with the source's alpha, or opaque without one.
    VH_Surface* rgba = IMG_CreateSurface(0, 2, 1, 32);
    const Uint8 px[8] = {30, 60, 90, 7, 255, 255, 255, 200};
    std::copy(px, px + 8, rgba->pixels);
    VH_Surface* grey = nullptr;
    ASSERT_NE(IMG_TextureSurface(rgba, TEX_LUMINANCE, &grey), nullptr);
    EXPECT_EQ(IMG_GreyAlphaPairs(grey, rgba), (std::vector<Uint8>{60, 7, 255, 200}));
    EXPECT_EQ(IMG_GreyAlphaPairs(grey, grey), (std::vector<Uint8>{60, 255, 255, 255}));
    IMG_FreeSurface(grey);
    IMG_FreeSurface(rgba);
}

// A palette of "colours used" entries, where 0 means the full 256 that an 8-bit picture can index.
TEST(BmpDecoder, EightBitPaletteHoldsColoursUsedEntriesOrAllOfThemForZero) {
    Bytes full(1024, 0);
    const Bytes first = {10, 20, 30, 0}, last = {50, 100, 200, 0};
    std::copy(first.begin(), first.end(), full.begin());
    std::copy(last.begin(), last.end(), full.end() - 4);
    Bytes two = first;
    two.insert(two.end(), last.begin(), last.end());
    Bytes counted = testpic::bmp(2, 1, 8, {{1, 0}}, two);
    counted[46] = 2; // the colours-used field
    const struct {
        Bytes file;
        const char* what;
    } cases[] = {{testpic::bmp(2, 1, 8, {{255, 0}}, full), "0: all 256"}, {counted, "2 entries"}};
    for (const auto& c : cases) {
        VH_Surface* s = decode(c.file, IMG_LoadBMP);
        ASSERT_NE(s, nullptr) << c.what;
        EXPECT_EQ(colourAt(s, 0, 0), (Rgb{200, 100, 50})) << c.what;
        EXPECT_EQ(colourAt(s, 1, 0), (Rgb{30, 20, 10})) << c.what;
        IMG_FreeSurface(s);
    }
}
