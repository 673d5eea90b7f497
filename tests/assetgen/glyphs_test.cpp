// Font masks: the layout the font loader reads, and a design for every character that no other shares.
#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <string>
#include <tuple>

#include "glyphs.h"

TEST(Glyphs, MasksHaveTheLoaderLayoutAndEveryCharacterIsTellableFromEveryOther) {
    const std::tuple<const char*, int, int> expected[GLY_FONT_COUNT] = {
        {"fnt4x9bgr.raw", 4, 9},   {"fnt5x5bgr.raw", 5, 5}, {"fnt6x4bgr.raw", 6, 4},
        {"fnt7x12bgr.raw", 7, 12}, {"fnt8x8bgr.raw", 8, 8}, {"fnt9X8bgr.raw", 9, 8}};
    for (int f = 0; f < GLY_FONT_COUNT; ++f) {
        const auto [file, w, h] = expected[f];
        SCOPED_TRACE(file);
        EXPECT_STREQ(GLY_FileName(f), file);
        ASSERT_TRUE(GLY_CellWidth(f) == w && GLY_CellHeight(f) == h);
        const std::vector<Uint8>& mask = GLY_Mask(f);
        ASSERT_EQ(mask.size(), size_t(32 * w * 4 * h));
        std::string cells[128];
        for (int c = 0; c < 128; ++c) {
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const Uint8 b = mask[size_t((c / 32) * h + y) * 32 * w + (c % 32) * w + x];
                    ASSERT_LE(b, 1); // 1 is ink, 0 paper
                    cells[c] += b ? '#' : '.';
                }
            EXPECT_EQ(cells[c].find('#') != std::string::npos, c > 32 && c < 127) << "character " << c;
        }
        const bool capitalsOnly = w * h <= 25; // the two smallest cells draw lower case as capitals
        std::map<std::string, int> seen;
        for (int c = 33; c < 127; ++c) {
            if (capitalsOnly && std::islower(c)) {
                EXPECT_EQ(cells[c], cells[std::toupper(c)]) << "'" << char(c) << "'";
                continue;
            }
            auto it = seen.find(cells[c]);
            EXPECT_TRUE(it == seen.end())
                << "'" << char(c) << "' looks like '" << char(it == seen.end() ? ' ' : it->second) << "'";
            seen[cells[c]] = c;
        }
    }
    EXPECT_TRUE(GLY_Mask(6).empty() && GLY_Mask(-1).empty());
}
