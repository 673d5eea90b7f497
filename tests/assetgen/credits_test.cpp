// Credits text through the engine's reader: every justification and font, colours, on an 800 x 600 screen, full.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "generator.h"
#include "text/credits.h"
#include "text/font.h"

TEST(Credits, UsesEveryJustificationAndFontAndFillsTheScreen) {
    const std::string text = AG_CreditsText();
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        ASSERT_LE(line.size(), 127u) << line; // longer lines are split by the reader
    FILE* file = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
    ASSERT_NE(file, nullptr);
    std::vector<std::tuple<std::string, int, int, int>> drawn; // a colour change as font -1
    const CRED_Sink sink = {[](void* user, const char* t, int x, int y, int font) {
                                static_cast<decltype(drawn)*>(user)->push_back({t, x, y, font});
                            },
                            [](void* user, int, Uint8, Uint8, Uint8, Uint8) {
                                static_cast<decltype(drawn)*>(user)->push_back({"", 0, 0, -1});
                            },
                            &drawn};
    CRED_Layout(file, sink);
    fclose(file);

    std::set<int> fonts, justified;
    int lowest = 0, lines = 0, colours = 0;
    for (const auto& [t, x, y, font] : drawn) {
        colours += font == -1;
        if (t.empty()) continue;
        SCOPED_TRACE(t);
        ASSERT_TRUE(font >= 0 && font < FNT_COUNT);
        EXPECT_TRUE(x >= 0 && x + int(t.size()) * FNT_GetAdvance(font) - 1 <= 800) << x;
        EXPECT_TRUE(y >= 0 && y + FNT_GetHeight(font) <= 600) << y;
        lowest = std::max(lowest, y + FNT_GetHeight(font));
        fonts.insert(font);
        justified.insert(x == TXT_CentredX(t.c_str(), font) ? 1 : x == TXT_RightX(t.c_str(), font) ? 2 : 0);
        ++lines;
    }
    EXPECT_TRUE(fonts.size() == size_t(FNT_COUNT) && justified.size() == 3u);
    EXPECT_GT(lowest, 540); // down to the foot of the screen
    EXPECT_GT(lines, 30);
    EXPECT_GT(colours, 20);
}
