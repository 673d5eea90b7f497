// Credits text: laid out by the engine's own credits reader, it uses every command and all six
// fonts, stays on an 800 x 600 screen and fills it.
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

TEST(Credits, UsesEveryCommandAndAllFontsAndFillsTheScreen) {
    const std::string text = AG_CreditsText();
    std::set<std::string> commands;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        ASSERT_LE(line.size(), 127u) << line; // longer lines are split by the reader
        if (line.size() < 2 || line[0] != '#') continue;
        if (line[1] == 'C') commands.insert(std::count(line.begin(), line.end(), ',') == 3 ? "C4" : "C3");
        if (line[1] == 'J') commands.insert(line.substr(0, 2) + line.substr(3, 1));
        if (line[1] == 'F' || line[1] == 'N' || line[1] == 'U') commands.insert(line.substr(1, 1));
    }
    for (const char* c : {"C3", "C4", "F", "#JL", "#JC", "#JR", "N", "U"})
        EXPECT_TRUE(commands.count(c)) << c;

    FILE* file = tmpfile();
    ASSERT_NE(file, nullptr);
    fwrite(text.data(), 1, text.size(), file);
    rewind(file);
    Collected got;
    CRED_Sink sink;
    sink.user = &got;
    sink.text = [](void* user, const char* t, int x, int y, int font) {
        static_cast<Collected*>(user)->lines.push_back({t, x, y, font});
    };
    sink.color = [](void* user, int, Uint8, Uint8, Uint8, Uint8) { static_cast<Collected*>(user)->colours++; };
    CRED_Layout(file, sink);
    fclose(file);

    std::set<int> fonts;
    int lowest = 0, drawn = 0;
    for (const Drawn& d : got.lines) {
        if (d.text.empty()) continue;
        SCOPED_TRACE(d.text);
        ASSERT_TRUE(d.font >= 0 && d.font < FNT_COUNT);
        EXPECT_GE(d.x, 0);
        EXPECT_LE(d.x + int(d.text.size()) * FNT_GetAdvance(d.font) - 1, 800);
        EXPECT_GE(d.y, 0);
        EXPECT_LE(d.y + FNT_GetHeight(d.font), 600);
        lowest = std::max(lowest, d.y + FNT_GetHeight(d.font));
        fonts.insert(d.font);
        ++drawn;
    }
    EXPECT_EQ(fonts.size(), size_t(FNT_COUNT));
    EXPECT_GT(lowest, 540); // down to the foot of the screen
    EXPECT_GT(drawn, 30);
    EXPECT_GT(got.colours, 20);
}
