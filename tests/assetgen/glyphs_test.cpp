// Font masks: the layout the font loader reads, and a design for every printable character that no
// other character shares. (The engine draws a specimen of all six in the GL tests.)
#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <string>

#include "glyphs.h"

namespace {

std::string cellBits(int font, int c) {
    const std::vector<Uint8>& mask = GLY_Mask(font);
    int w = GLY_CellWidth(font), h = GLY_CellHeight(font), pitch = 32 * w;
    std::string bits;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            bits += mask[size_t((c / 32) * h + y) * pitch + (c % 32) * w + x] ? '#' : '.';
    return bits;
}

} // namespace

TEST(Glyphs, MasksHaveTheLayoutTheFontLoaderReads) {
    const struct {
        const char* file;
        int w, h;
    } expected[GLY_FONT_COUNT] = {{"fnt4x9bgr.raw", 4, 9},   {"fnt5x5bgr.raw", 5, 5}, {"fnt6x4bgr.raw", 6, 4},
                                  {"fnt7x12bgr.raw", 7, 12}, {"fnt8x8bgr.raw", 8, 8}, {"fnt9X8bgr.raw", 9, 8}};
    for (int f = 0; f < GLY_FONT_COUNT; ++f) {
        SCOPED_TRACE(expected[f].file);
        EXPECT_STREQ(GLY_FileName(f), expected[f].file);
        ASSERT_EQ(GLY_CellWidth(f), expected[f].w);
        ASSERT_EQ(GLY_CellHeight(f), expected[f].h);
        const std::vector<Uint8>& mask = GLY_Mask(f);
        ASSERT_EQ(mask.size(), size_t(32 * expected[f].w * 4 * expected[f].h));
        for (Uint8 b : mask)
            ASSERT_LE(b, 1); // 1 is ink, 0 paper
        for (int c = 0; c < 128; ++c) {
            bool inked = cellBits(f, c).find('#') != std::string::npos;
            EXPECT_EQ(inked, c > 32 && c < 127) << "character " << c;
        }
    }
    EXPECT_TRUE(GLY_Mask(6).empty());
    EXPECT_TRUE(GLY_Mask(-1).empty());
}

TEST(Glyphs, EveryCharacterIsTellableFromEveryOther) {
    for (int f = 0; f < GLY_FONT_COUNT; ++f) {
        // the two smallest cells draw lower case as capitals
        bool capitalsOnly = GLY_CellWidth(f) * GLY_CellHeight(f) <= 25;
        std::map<std::string, int> seen;
        for (int c = 33; c < 127; ++c) {
            if (capitalsOnly && std::islower(c)) {
                EXPECT_EQ(cellBits(f, c), cellBits(f, std::toupper(c))) << "font " << f << " '" << char(c) << "'";
                continue;
            }
            auto it = seen.find(cellBits(f, c));
            EXPECT_TRUE(it == seen.end()) << "font " << f << ": '" << char(c) << "' looks like '"
                                          << char(it == seen.end() ? ' ' : it->second) << "'";
            seen[cellBits(f, c)] = c;
        }
    }
}
