// The credits reader's layout: justification, fonts, rows, colour commands, long lines.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "shell/window.h"
#include "text/credits.h"
#include "text/font.h"

namespace {
struct Call {
    std::string what; // "text" or "color"
    std::string text;
    int x, y, font;
    int b, g, r, a;
};

void onText(void* user, const char* text, int x, int y, int font) {
    static_cast<std::vector<Call>*>(user)->push_back({"text", text, x, y, font, 0, 0, 0, 0});
}
void onColor(void* user, int font, Uint8 b, Uint8 g, Uint8 r, Uint8 a) {
    static_cast<std::vector<Call>*>(user)->push_back({"color", "", 0, 0, font, b, g, r, a});
}

std::vector<Call> layout(const std::string& content) {
    std::vector<Call> calls;
    FILE* f = fmemopen(const_cast<char*>(content.data()), content.size(), "r");
    const CRED_Sink sink = {onText, onColor, &calls};
    CRED_Layout(f, sink);
    fclose(f);
    return calls;
}

class Credits : public ::testing::Test {
protected:
    void SetUp() override { savedWidth = VH_WindowWidth; }
    void TearDown() override { VH_WindowWidth = savedWidth; }
    int savedWidth = 0;
};
} // namespace

TEST_F(Credits, JustificationCentresOnTheCurrentWidthAndRowsAdvance) {
    VH_WindowWidth = 800;
    std::vector<Call> c = layout("#J C\nHELLO\nWORLD\n#J R\nAB\n#J X\nCD\n#J L\nleft\n");
    ASSERT_EQ(c.size(), 5u);
    EXPECT_EQ(c[0].text, "HELLO");
    EXPECT_EQ(c[0].x, 400 - (5 * 4) / 2); // glyph width as the advance
    EXPECT_EQ(c[0].y, 0);
    EXPECT_EQ(c[1].y, 9 + 2);
    EXPECT_EQ(c[2].x, 800 - (2 * 5 + 7)); // right: glyph width + 1, 7 pixels margin
    EXPECT_EQ(c[3].x, 800 - (2 * 5 + 7)) << "an unknown letter keeps the justification";
    EXPECT_EQ(c[3].y, 3 * 11);
    EXPECT_EQ(c[4].x, 7);

    VH_WindowWidth = 1000;
    c = layout("#J C\nHELLO\n#F 4\nfont four\n");
    EXPECT_EQ(c[0].x, 500 - 10);
    EXPECT_EQ(c[1].font, 4);
    EXPECT_EQ(c[1].x, 500 - (9 * 8) / 2);
    EXPECT_EQ(c[1].y, 11);

    c = layout("#J L\n#F 3\nplain\n");
    EXPECT_EQ(c[0].x, 7);
    EXPECT_EQ(c[0].font, 3);
}

TEST_F(Credits, ColourCommandsMovesCommentsAndEmptyLines) {
    std::vector<Call> c = layout("#C 255, 0 0\nFIRST\nSECOND\n#C 1 2\nTHIRD\n#C 1,2,3,4\n#Q comment\n");
    ASSERT_EQ(c.size(), 5u);
    EXPECT_EQ(c[0].what, "color");
    EXPECT_EQ((std::vector<int>{c[0].b, c[0].g, c[0].r, c[0].a}), (std::vector<int>{255, 0, 0, 255}));
    EXPECT_EQ(c[1].text, "FIRST");
    EXPECT_EQ(c[2].text, "SECOND");
    EXPECT_EQ(c[3].text, "THIRD") << "two numbers are not a colour";
    EXPECT_EQ((std::vector<int>{c[4].b, c[4].g, c[4].r, c[4].a}), (std::vector<int>{1, 2, 3, 4}));

    // Out-of-range numbers are pinned to a byte.
    c = layout("#C 300 -4 nan 1e9\n");
    ASSERT_EQ(c.size(), 1u);
    EXPECT_EQ((std::vector<int>{c[0].b, c[0].g, c[0].r, c[0].a}), (std::vector<int>{255, 0, 0, 255}));

    // Up before any text lifts the first line off the top; down and empty lines advance.
    c = layout("#U\nTOP\n\n#N\nLOW   \t\n#U\n#C\n#\n");
    ASSERT_EQ(c.size(), 3u);
    EXPECT_EQ(c[0].y, -11);
    EXPECT_EQ(c[1].text, "");
    EXPECT_EQ(c[1].y, 0);
    EXPECT_EQ(c[2].text, "LOW") << "trailing blanks are trimmed";
    EXPECT_EQ(c[2].y, 22);
}

TEST_F(Credits, LongLinesAreReadInPieces) {
    const std::string longLine = std::string(127, 'a') + std::string(20, 'b');
    std::vector<Call> c = layout(longLine + "\n#C 1 2 3\nX");
    ASSERT_EQ(c.size(), 4u);
    EXPECT_EQ(c[0].text, std::string(127, 'a'));
    EXPECT_EQ(c[1].text, std::string(20, 'b'));
    EXPECT_EQ(c[1].y, 11);
    EXPECT_EQ(c[3].text, "X") << "a last line without a newline is read";

    float v[4] = {9, 9, 9, 9};
    EXPECT_EQ(CRED_ParseFloats("", v, 4), 0);
    EXPECT_EQ(CRED_ParseFloats("1 2", v, 0), 0);
    EXPECT_EQ(CRED_ParseFloats("1.5,\tx, 7 8 9", v, 3), 3);
    EXPECT_FLOAT_EQ(v[0], 1.5f);
    EXPECT_FLOAT_EQ(v[1], 0.0f) << "a token that is not a number stores 0";
    EXPECT_FLOAT_EQ(v[2], 7.0f);
    EXPECT_FLOAT_EQ(v[3], 9.0f) << "nothing past max is written";
}

TEST(TrimRight, RemovesTrailingWhiteSpaceOnly) {
    char a[] = "  text \t\r\n\v\f ";
    EXPECT_STREQ(STR_TrimRight(a), "  text");
    char b[] = " \t ";
    EXPECT_STREQ(STR_TrimRight(b), "");
    char c[] = "";
    EXPECT_STREQ(STR_TrimRight(c), "");
}
