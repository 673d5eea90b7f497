// Font masks: the layout the font loader reads, a design for every printable character that no
// other character shares, and a specimen picture of all six fonts to look at.
#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <string>

#include "../../tools/assetgen/glyphs.h"
#include "../../tools/assetgen/picture.h"

namespace {

std::string cellBits(int font, int c) {
    const std::vector<Uint8>& mask = GLY_Mask(font);
    int w = GLY_CellWidth(font), h = GLY_CellHeight(font), pitch = 32 * w;
    std::string bits;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) bits += mask[size_t((c / 32) * h + y) * pitch + (c % 32) * w + x] ? '#' : '.';
    return bits;
}

} // namespace

TEST(Glyphs, MasksHaveTheLayoutTheFontLoaderReads) {
    const struct {
        const char* file;
        int w, h;
    } expected[GLY_FONT_COUNT] = {{"fnt4x9bgr.raw", 4, 9}, {"fnt5x5bgr.raw", 5, 5}, {"fnt6x4bgr.raw", 6, 4},
                                  {"fnt7x12bgr.raw", 7, 12}, {"fnt8x8bgr.raw", 8, 8}, {"fnt9X8bgr.raw", 9, 8}};
    for (int f = 0; f < GLY_FONT_COUNT; ++f) {
        SCOPED_TRACE(expected[f].file);
        EXPECT_STREQ(GLY_FileName(f), expected[f].file);
        ASSERT_EQ(GLY_CellWidth(f), expected[f].w);
        ASSERT_EQ(GLY_CellHeight(f), expected[f].h);
        const std::vector<Uint8>& mask = GLY_Mask(f);
        ASSERT_EQ(mask.size(), size_t(32 * expected[f].w * 4 * expected[f].h));
        for (Uint8 b : mask) ASSERT_LE(b, 1); // 1 is ink, 0 paper
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

TEST(Glyphs, SpecimenOfAllSixFonts) {
    std::string all;
    for (int c = 32; c < 127; ++c) all += char(c);
    const int scale = 2;
    AgImage sheet(1024, 560, PIC_Rgb(12, 14, 24));
    int y = 8;
    for (int f = 0; f < GLY_FONT_COUNT; ++f) {
        int h = GLY_CellHeight(f);
        PIC_Text(sheet, all.substr(0, 48), f, 8, y, scale, PIC_Rgb(255, 255, 255));
        PIC_Text(sheet, all.substr(48), f, 8, y + (h + 2) * scale, scale, PIC_Rgb(255, 255, 255));
        PIC_Text(sheet, "Vexhal 0123 - the quick brown fox jumps over the lazy dog.", f, 8, y + 2 * (h + 2) * scale,
                 1, PIC_Rgb(255, 220, 120));
        y += (3 * (h + 2) + 8) * scale;
    }
    const std::string path = std::string(VH_BIN_DIR) + "/../assetgen_font_specimen.png";
    ASSERT_TRUE(PIC_WritePNG(sheet, path)) << path;
    // every font drew something on its band
    int inked = 0;
    for (const AgColor& p : sheet.pixels) inked += p.r > 0.5f;
    EXPECT_GT(inked, 6 * 95 * 4 * scale * scale);
}
