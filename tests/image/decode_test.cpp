// The BMP and TGA decoders and the depth conversions, on pictures built in memory.
#include <gtest/gtest.h>

#include "data/rwops.h"
#include "image/image.h"
#include "picture_files.h"
#include "text/font.h"

using testpic::Bytes;

namespace {
// Decodes bytes through a memory stream with the given decoder.
VH_Surface* decode(Bytes bytes, VH_Surface* (*decoder)(VH_RWops*)) {
    VH_RWops* rw = VH_RWFromMem(bytes.data(), (int)bytes.size());
    VH_Surface* s = decoder(rw);
    rw->close(rw);
    return s;
}

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};
std::ostream& operator<<(std::ostream& os, const Rgb& c) { return os << "(" << c.r << "," << c.g << "," << c.b << ")"; }

Rgb colourAt(const VH_Surface* s, unsigned x, unsigned y) {
    const Uint32 v = IMG_GetPixel(s, x, y);
    return {IMG_GetRed(s->bitsPerPixel, v, s->palette), IMG_GetGreen(s->bitsPerPixel, v, s->palette),
            IMG_GetBlue(s->bitsPerPixel, v, s->palette)};
}
} // namespace

TEST(BmpDecoder, RowsAreFlippedPaddedRowsSkippedAndPaletteApplied) {
    // 3 x 2 at 24 bits: 9 bytes a row plus 3 of padding. The file's first row is the bottom.
    const Bytes bottom = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    const Bytes top = {10, 20, 30, 40, 50, 60, 70, 80, 90};
    VH_Surface* s = decode(testpic::bmp(3, 2, 24, {bottom, top}), IMG_LoadBMP);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->bitsPerPixel, 24);
    EXPECT_EQ(s->pitch, 9);
    EXPECT_EQ(colourAt(s, 0, 0), (Rgb{30, 20, 10})); // top row first, bytes blue-green-red
    EXPECT_EQ(colourAt(s, 2, 1), (Rgb{9, 8, 7}));
    IMG_FreeSurface(s);

    // 8 bits: indices go through the palette of blue, green, red, reserved.
    Bytes palette(1024, 0);
    palette[4 * 7 + 0] = 11, palette[4 * 7 + 1] = 22, palette[4 * 7 + 2] = 33;
    s = decode(testpic::bmp(2, 2, 8, {{0, 7}, {7, 0}}, palette), IMG_LoadBMP);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->bitsPerPixel, 8);
    EXPECT_EQ(colourAt(s, 0, 0), (Rgb{33, 22, 11}));
    EXPECT_EQ(colourAt(s, 1, 0), (Rgb{0, 0, 0}));
    EXPECT_EQ(colourAt(s, 1, 1), (Rgb{33, 22, 11}));
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
    EXPECT_EQ(decode(testpic::bmp(64, 64, 24, {row}), IMG_LoadBMP), nullptr);
    Bytes truncated = testpic::bmp(4, 4, 8, {{0, 0, 0, 0}}, Bytes(1024, 0));
    EXPECT_EQ(decode(truncated, IMG_LoadBMP), nullptr);
    EXPECT_EQ(decode(Bytes{'B', 'M', 0}, IMG_LoadBMP), nullptr);
}

TEST(TgaDecoder, DepthsOriginsAndSixteenBitWhite) {
    // 15/16 bits: 0x7FFF is white, the top (attribute) bit does not matter.
    VH_Surface* s = decode(testpic::tga(2, 1, 16, {0xFF, 0x7F, 0x00, 0xFC}), IMG_LoadTGA);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->bitsPerPixel, 15);
    EXPECT_EQ(colourAt(s, 0, 0), (Rgb{255, 255, 255}));
    EXPECT_EQ(colourAt(s, 1, 0), (Rgb{255, 0, 0}));
    VH_Surface* wide = Create24BitSurface(s);
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(wide->pixels[0], 255);
    EXPECT_EQ(wide->pixels[3], 0); // red pixel: blue byte 0, red byte 255
    EXPECT_EQ(wide->pixels[5], 255);
    IMG_FreeSurface(wide);
    IMG_FreeSurface(s);

    // 24 bits, bottom-left origin: the first stored row is the bottom one.
    s = decode(testpic::tga(1, 2, 24, {1, 2, 3, 4, 5, 6}), IMG_LoadTGA);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(colourAt(s, 0, 1), (Rgb{3, 2, 1}));
    EXPECT_EQ(colourAt(s, 0, 0), (Rgb{6, 5, 4}));
    IMG_FreeSurface(s);
    // The same bytes marked top-left keep their order.
    s = decode(testpic::tga(1, 2, 24, {1, 2, 3, 4, 5, 6}, 2, true), IMG_LoadTGA);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(colourAt(s, 0, 0), (Rgb{3, 2, 1}));
    IMG_FreeSurface(s);

    // 32 bits keep their alpha; a 24-bit picture converted to 32 gains alpha 255.
    s = decode(testpic::tga(1, 1, 32, {10, 20, 30, 40}), IMG_LoadTGA);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(IMG_GetPixel(s, 0, 0), 0x281E140Au);
    IMG_FreeSurface(s);
    s = decode(testpic::tga(1, 1, 24, {10, 20, 30}), IMG_LoadTGA);
    ASSERT_NE(s, nullptr);
    VH_Surface* withAlpha = Create32BitSurface(s);
    ASSERT_NE(withAlpha, nullptr);
    EXPECT_EQ(IMG_GetPixel(withAlpha, 0, 0), 0xFF1E140Au);
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
    EXPECT_EQ(decode(testpic::tga(2, 2, 24, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}), IMG_LoadTGA), nullptr);
    EXPECT_EQ(decode(testpic::tga(0, 4, 24, {}), IMG_LoadTGA), nullptr);
}

TEST(Conversions, ChannelWideningAndGreyLevels) {
    // 5-bit fields widen to the nearest of i * 255 / 31, 6-bit ones of i * 255 / 63.
    EXPECT_EQ(IMG_GetRed(15, 1u << 10), 8);
    EXPECT_EQ(IMG_GetRed(15, 5u << 10), 41);
    EXPECT_EQ(IMG_GetBlue(16, 31), 255);
    EXPECT_EQ(IMG_GetGreen(16, 1u << 5), 4);
    EXPECT_EQ(IMG_GetGreen(16, 63u << 5), 255);
    EXPECT_EQ(IMG_GetRed(16, 0xF800), 255);
    EXPECT_EQ(IMG_GetRed(24, 0x123456), 0x12);
    EXPECT_EQ(IMG_GetRed(12, 0xFFFFFF), 0);

    VH_Surface* s = IMG_CreateSurface(0, 2, 1, 24);
    ASSERT_NE(s, nullptr);
    const Uint8 px[6] = {30, 60, 91, 255, 255, 255};
    std::copy(px, px + 6, s->pixels);
    VH_Surface* grey = Create8BitSurface(s);
    ASSERT_NE(grey, nullptr);
    EXPECT_EQ(grey->pixels[0], (30 + 60 + 91) / 3);
    EXPECT_EQ(grey->pixels[1], 255);
    EXPECT_EQ(Create8BitSurface(grey), nullptr);
    // Back to colour through the (all zero) palette of the new 8-bit surface.
    VH_Surface* back = Create24BitSurface(grey);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->pixels[0], 0);
    IMG_FreeSurface(back);
    IMG_FreeSurface(grey);
    IMG_FreeSurface(s);

    EXPECT_EQ(IMG_CreateSurface(0, 0, 4, 24), nullptr);
    EXPECT_EQ(IMG_CreateSurface(0, 4, 4, 12), nullptr);
    EXPECT_EQ(IMG_CreateSurface(0, 0x10000, 1, 8), nullptr) << "row wider than the 16-bit pitch";
}

TEST(TextureSides, PowersOfTwoFromTwoTo2048) {
    for (Uint32 n : {2u, 4u, 64u, 256u, 2048u}) EXPECT_TRUE(IMG_IsTextureSide(n)) << n;
    for (Uint32 n : {0u, 1u, 3u, 100u, 4096u, 0x80000000u}) EXPECT_FALSE(IMG_IsTextureSide(n)) << n;
    EXPECT_EQ(FNT_NextPow2(288), 512);
    EXPECT_EQ(FNT_NextPow2(3000), 2048);
    EXPECT_EQ(FNT_NextPow2(160), 256);
    EXPECT_EQ(FNT_NextPow2(128), 128);
    EXPECT_EQ(FNT_NextPow2(1), 2);
    EXPECT_EQ(FNT_NextPow2(-5), 2);
}

TEST(StreamReads, LittleEndianValuesAndRemainingBytes) {
    Bytes b = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07};
    VH_RWops* rw = VH_RWFromMem(b.data(), (int)b.size());
    EXPECT_EQ(IMG_ReadU8(rw), 0x01);
    EXPECT_EQ(IMG_ReadU16(rw), 0x0302);
    EXPECT_EQ(IMG_StreamRemaining(rw), 4);
    EXPECT_EQ(IMG_ReadU32(rw), 0x07060504u);
    EXPECT_EQ(IMG_StreamRemaining(rw), 0);
    EXPECT_EQ(IMG_ReadU16(rw), 0) << "a failed read yields 0";
    rw->close(rw);
}
