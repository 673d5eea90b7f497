// Credits text: laid out by the engine's own credits reader, it uses all three justifications, every
// font and colours, stays on an 800 x 600 screen and fills it.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "generator.h"
#include "text/credits.h"
#include "text/font.h"

namespace {

struct Drawn {
    std::string text;
    int x, y, font;
};

struct Collected {
    std::vector<Drawn> lines;
    int colours = 0;
};

} // namespace

TEST(Credits, UsesEveryJustificationAndFontAndFillsTheScreen) {
    const std::string text = AG_CreditsText();
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        ASSERT_LE(line.size(), 127u) << line; // longer lines are split by the reader
    FILE* file = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
    ASSERT_NE(file, nullptr);
    Collected got;
    const CRED_Sink sink = {
        [](void* user, const char* t, int x, int y, int font) {
            static_cast<Collected*>(user)->lines.push_back({t, x, y, font});
        },
        [](void* user, int, Uint8, Uint8, Uint8, Uint8) { static_cast<Collected*>(user)->colours++; }, &got};
    CRED_Layout(file, sink);
    fclose(file);

    std::set<int> fonts, justified;
    int lowest = 0, drawn = 0;
    for (const Drawn& d : got.lines) {
        if (d.text.empty()) continue;
        SCOPED_TRACE(d.text);
        ASSERT_TRUE(d.font >= 0 && d.font < FNT_COUNT);
        EXPECT_TRUE(d.x >= 0 && d.x + int(d.text.size()) * FNT_GetAdvance(d.font) - 1 <= 800) << d.x;
        EXPECT_TRUE(d.y >= 0 && d.y + FNT_GetHeight(d.font) <= 600) << d.y;
        lowest = std::max(lowest, d.y + FNT_GetHeight(d.font));
        fonts.insert(d.font);
        justified.insert(d.x == TXT_CentredX(d.text.c_str(), d.font) ? 1
                         : d.x == TXT_RightX(d.text.c_str(), d.font) ? 2
                                                                     : 0);
        ++drawn;
    }
    EXPECT_EQ(fonts.size(), size_t(FNT_COUNT));
    EXPECT_EQ(justified.size(), 3u);
    EXPECT_GT(lowest, 540); // down to the foot of the screen
    EXPECT_GT(drawn, 30);
    EXPECT_GT(got.colours, 20);
}
