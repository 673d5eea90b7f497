// The BMP and TGA decoders and the depth conversions, on pictures built in memory.
#include <gtest/gtest.h>

#include "data/rwops.h"
#include "image/image.h"
#include "picture_files.h"
#include "text/font.h"

using testpic::Bytes;
typedef std::vector<int> Rgb;

namespace {
VH_Surface* decode(Bytes bytes, VH_Surface* (*decoder)(VH_RWops*)) {
    VH_RWops* rw = VH_RWFromMem(bytes.data(), (int)bytes.size());
    VH_Surface* s = decoder(rw);
    rw->close(rw);
    return s;
}

Rgb colourAt(const VH_Surface* s, unsigned x, unsigned y) {
    const Uint32 v = IMG_GetPixel(s, x, y);
    const int d = s->bitsPerPixel;
    return {IMG_GetRed(d, v, s->palette), IMG_GetGreen(d, v, s->palette), IMG_GetBlue(d, v, s->palette)};
}
} // namespace

TEST(BmpDecoder, RowsFlipPaddingIsSkippedAndThePaletteApplies) {
    // 3 x 2 at 24 bits: 9 bytes a row plus 3 of padding; the file's first row is the bottom.
    VH_Surface* s = decode(testpic::bmp(3, 2, 24, {{1, 2, 3, 4, 5, 6, 7, 8, 9}, {10, 20, 30, 40, 50, 60, 70, 80, 90}}),
                           IMG_LoadBMP);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->pitch, 9);
    EXPECT_EQ(colourAt(s, 0, 0), (Rgb{30, 20, 10}));
    EXPECT_EQ(colourAt(s, 2, 1), (Rgb{9, 8, 7}));
    IMG_FreeSurface(s);

    Bytes palette(1024, 0);
    palette[28] = 11, palette[29] = 22, palette[30] = 33; // entry 7: blue, green, red
    s = decode(testpic::bmp(2, 2, 8, {{0, 7}, {7, 0}}, palette), IMG_LoadBMP);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(colourAt(s, 0, 0), (Rgb{33, 22, 11}));
    EXPECT_EQ(colourAt(s, 1, 0), (Rgb{0, 0, 0}));
    IMG_FreeSurface(s);
}

TEST(BmpDecoder, RefusesWhatItCannotReadOrTheStreamCannotHold) {
    const Bytes row = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(decode(testpic::bmp(2, 1, 24, {row}, Bytes(), 1), IMG_LoadBMP), nullptr) << "compressed";
    EXPECT_EQ(decode(testpic::bmp(3, 1, 16, {row}), IMG_LoadBMP), nullptr) << "16 bits";
    EXPECT_EQ(decode(testpic::bmp(0, 1, 24, {}), IMG_LoadBMP), nullptr) << "zero width";
    // Sizes that overflow 32 bits, or that the stream does not hold, allocate nothing.
    EXPECT_EQ(decode(testpic::bmp(0x55555556u, 3, 24, {row}), IMG_LoadBMP), nullptr);
    EXPECT_EQ(decode(testpic::bmp(16, 0x40000000u, 24, {row}), IMG_LoadBMP), nullptr);
    EXPECT_EQ(decode(testpic::bmp(4, 4, 8, {{0, 0, 0, 0}}, Bytes(1024, 0)), IMG_LoadBMP), nullptr);
    EXPECT_EQ(decode(Bytes{'B', 'M', 0}, IMG_LoadBMP), nullptr);
}

TEST(TgaDecoder, DepthsOriginsAndSixteenBitWhite) {
    VH_Surface* s = decode(testpic::tga(2, 1, 16, {0xFF, 0x7F, 0x00, 0xFC}), IMG_LoadTGA);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->bitsPerPixel, 15);
    VH_Surface* wide = Create24BitSurface(s);
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(colourAt(wide, 0, 0), (Rgb{255, 255, 255})) << "0x7FFF";
    EXPECT_EQ(colourAt(wide, 1, 0), (Rgb{255, 0, 0})) << "the attribute bit is not colour";
    IMG_FreeSurface(wide);
    IMG_FreeSurface(s);

    const Bytes two = {1, 2, 3, 4, 5, 6};
    s = decode(testpic::tga(1, 2, 24, two), IMG_LoadTGA);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(colourAt(s, 0, 0), (Rgb{6, 5, 4})) << "bottom-left origin";
    IMG_FreeSurface(s);
    s = decode(testpic::tga(1, 2, 24, two, 2, true), IMG_LoadTGA);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(colourAt(s, 0, 0), (Rgb{3, 2, 1})) << "top-left origin";
    VH_Surface* withAlpha = Create32BitSurface(s);
    ASSERT_NE(withAlpha, nullptr);
    EXPECT_EQ(IMG_GetPixel(withAlpha, 0, 0), 0xFF030201u);
    EXPECT_EQ(Create24BitSurface(s), nullptr) << "already 24 bits";
    IMG_FreeSurface(withAlpha);
    IMG_FreeSurface(s);
}

TEST(TgaDecoder, RefusesCompressedMappedOddDepthsAndShortStreams) {
    EXPECT_EQ(decode(testpic::tga(1, 1, 24, {1, 2, 3}, 10), IMG_LoadTGA), nullptr) << "run-length";
    EXPECT_EQ(decode(testpic::tga(1, 1, 8, {1}, 3), IMG_LoadTGA), nullptr) << "8 bits";
    Bytes mapType2 = testpic::tga(1, 1, 24, {1, 2, 3});
    mapType2[1] = 2;
    EXPECT_EQ(decode(mapType2, IMG_LoadTGA), nullptr);
    EXPECT_EQ(decode(testpic::tga(65535, 65535, 32, {1, 2, 3, 4}), IMG_LoadTGA), nullptr);
    EXPECT_EQ(decode(testpic::tga(2, 2, 24, Bytes(11, 1)), IMG_LoadTGA), nullptr);
    EXPECT_EQ(decode(testpic::tga(0, 4, 24, {}), IMG_LoadTGA), nullptr);
}

TEST(Conversions, ChannelWideningGreyLevelsAndTextureSides) {
    EXPECT_EQ((Rgb{IMG_GetRed(15, 5u << 10), IMG_GetGreen(16, 1u << 5), IMG_GetRed(12, 0xFFFFFF)}), (Rgb{41, 4, 0}));
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

    for (Uint32 n : {2u, 64u, 2048u})
        EXPECT_TRUE(IMG_IsTextureSide(n)) << n;
    for (Uint32 n : {0u, 1u, 100u, 4096u})
        EXPECT_FALSE(IMG_IsTextureSide(n)) << n;
    EXPECT_EQ((Rgb{FNT_NextPow2(288), FNT_NextPow2(3000), FNT_NextPow2(160), FNT_NextPow2(1)}),
              (Rgb{512, 2048, 256, 2}));
}
