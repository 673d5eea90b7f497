// Credits text: every command the credits screen knows, all six fonts, and a layout that stays on
// an 800 x 600 screen and fills it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <sstream>

#include "../../tools/assetgen/generator.h"
#include "../../tools/assetgen/glyphs.h"

TEST(Credits, UsesEveryCommandAndStaysOnAnEightHundredBySixHundredScreen) {
    const std::string text = AG_CreditsText();
    std::istringstream in(text);
    std::string line;
    std::set<std::string> used;
    std::set<int> fonts;
    int font = 0, y = 0, lowest = 0, drawn = 0;
    char justify = 'L';
    while (std::getline(in, line)) {
        SCOPED_TRACE(line);
        ASSERT_LE(line.size(), 127u); // longer lines are split by the reader
        while (!line.empty() && std::isspace((unsigned char)line.back())) line.pop_back();
        int w = GLY_CellWidth(font), h = GLY_CellHeight(font);
        if (!line.empty() && line[0] == '#') {
            char command = line.size() > 1 ? line[1] : ' ';
            std::string arg = line.size() > 3 ? line.substr(3) : "";
            if (command == 'C') {
                std::istringstream numbers(arg);
                std::string item;
                int count = 0;
                while (std::getline(numbers, item, ',')) {
                    int v = std::atoi(item.c_str());
                    EXPECT_TRUE(v >= 0 && v <= 255);
                    ++count;
                }
                EXPECT_TRUE(count == 3 || count == 4);
                used.insert("C" + std::to_string(count));
            } else if (command == 'F') {
                font = std::atoi(arg.c_str());
                ASSERT_TRUE(font >= 0 && font < GLY_FONT_COUNT);
                used.insert("F");
            } else if (command == 'J') {
                ASSERT_TRUE(arg == "L" || arg == "C" || arg == "R");
                justify = arg[0];
                used.insert(std::string("J") + justify);
            } else if (command == 'N' || command == 'U') {
                y += (command == 'N' ? 1 : -1) * (h + 2);
                used.insert(std::string(1, command));
            }
            continue;
        }
        if (!line.empty()) {
            int len = int(line.size());
            int x = justify == 'L' ? 7 : justify == 'C' ? 400 - len * w / 2 : 800 - (len * (w + 1) + 7);
            int right = x + len * (w + 1) - 1;
            EXPECT_GE(x, 0);
            EXPECT_LE(right, 800);
            EXPECT_GE(y, 0);
            EXPECT_LE(y + h, 600);
            lowest = std::max(lowest, y + h);
            fonts.insert(font);
            ++drawn;
        }
        y += h + 2;
    }
    for (const char* c : {"C3", "C4", "F", "JL", "JC", "JR", "N", "U"}) EXPECT_TRUE(used.count(c)) << c;
    EXPECT_EQ(fonts.size(), size_t(GLY_FONT_COUNT));
    EXPECT_GT(lowest, 540); // fills the screen down to its foot
    EXPECT_GT(drawn, 30);
}
