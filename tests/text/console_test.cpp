// The console's line slots, scrolling, input editing and commands (no drawing).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "text/console.h"

namespace {
void typeText(vh_console& con, const char* text) {
    for (const char* p = text; *p; ++p) CON_Key(con, (unsigned char)*p);
}

// Texts of the live slots, top to bottom, as "slot:text" joined by '|'.
std::string shown(const vh_console& con) {
    std::string out;
    for (int i = 0; i < CON_LINE_COUNT; ++i)
        if (con.lines[i].id != -1) out += std::to_string(i) + ":" + con.lines[i].text + "|";
    return out;
}

bool colourIs(const CON_Line& line, const Uint8 rgba[4]) { return std::memcmp(line.colour, rgba, 4) == 0; }

std::string lastHandled;
void recordCommand(const char* word) { lastHandled = word; }
} // namespace

TEST(ConsoleLines, IdsPinningAndScrollingOnlyWhileOpen) {
    vh_console con;
    CON_AddLine(con, "BANNER");
    const int fps = CON_AddPinnedLine(con, "FPS COUNTER: ");
    const int hint = CON_AddPinnedLine(con, "HINT");
    EXPECT_EQ(fps, 2);
    EXPECT_EQ(hint, 3);
    EXPECT_TRUE(colourIs(con.lines[0], CON_PlainColour));
    EXPECT_TRUE(colourIs(con.lines[1], CON_PinnedColour));

    // Closed: nothing scrolls however long it runs.
    for (int i = 0; i < 100; ++i) CON_Update(con, 1.0);
    EXPECT_EQ(shown(con), "0:BANNER|1:FPS COUNTER: |2:HINT|");

    CON_Toggle(con);
    CON_Update(con, 2.4);
    EXPECT_EQ(shown(con), "0:BANNER|1:FPS COUNTER: |2:HINT|");
    CON_Update(con, 0.1); // 2.5 s of open console
    EXPECT_EQ(shown(con), "0:FPS COUNTER: |1:HINT|");
    for (int i = 0; i < 10; ++i) CON_Update(con, 2.5);
    EXPECT_EQ(shown(con), "0:FPS COUNTER: |1:HINT|");

    CON_SetLineText(con, "FPS: 60", fps);
    EXPECT_STREQ(CON_FindLine(con, fps), "FPS: 60");
    CON_SetLineText(con, "nobody", 999);
    CON_RemoveLine(con, 999);
    CON_RemoveLine(con, -1);
    EXPECT_EQ(shown(con), "0:FPS: 60|1:HINT|");
    CON_RemoveLine(con, hint);
    EXPECT_EQ(CON_FindLine(con, hint), nullptr);
    CON_AddLine(con, "NEXT");
    EXPECT_NE(CON_FindLine(con, 4), nullptr) << "ids are never reused";
}

TEST(ConsoleLines, FullSlotsScrollPlainLinesAndRefuseWhenAllPinned) {
    vh_console con;
    CON_AddPinnedLine(con, "P");
    for (int i = 0; i < 19; ++i) CON_AddLine(con, ("L" + std::to_string(i)).c_str());
    CON_AddLine(con, "NEW"); // scrolls L0 away
    EXPECT_STREQ(con.lines[0].text, "P");
    EXPECT_STREQ(con.lines[1].text, "L1");
    EXPECT_STREQ(con.lines[19].text, "NEW");

    vh_console pinned;
    for (int i = 0; i < CON_LINE_COUNT; ++i) CON_AddPinnedLine(pinned, "X");
    EXPECT_EQ(CON_AddPinnedLine(pinned, "ONE MORE"), -1);
    CON_AddLine(pinned, "DROPPED");
    for (const CON_Line& line : pinned.lines) EXPECT_STREQ(line.text, "X");

    // The longest hint line (97 characters) is kept whole; longer text is cut, not overrun.
    const std::string hint97(97, 'h');
    const std::string huge(400, 'z');
    vh_console texts;
    const int id = CON_AddPinnedLine(texts, hint97.c_str());
    EXPECT_EQ(std::string(CON_FindLine(texts, id)), hint97);
    CON_SetLineText(texts, huge.c_str(), id);
    EXPECT_EQ(std::strlen(CON_FindLine(texts, id)), (size_t)CON_LINE_SIZE - 1);
}

TEST(ConsoleInput, InsertOverwriteAndCursorKeys) {
    vh_console con;
    const int step = 5; // font 0: glyph 4 wide, advance 5
    typeText(con, "ab");
    EXPECT_EQ(con.input[0], 0) << "a closed console takes no keys";
    CON_Toggle(con);

    typeText(con, "ab");
    CON_SpecialKey(con, CON_KEY_LEFT);
    typeText(con, "c");
    EXPECT_STREQ(con.input, "ACB");
    EXPECT_EQ(con.cursor, 2);
    EXPECT_EQ(con.cursorX, 2 * step);

    std::memset(con.input, 0, sizeof(con.input));
    con.cursor = con.cursorX = 0;
    CON_SpecialKey(con, CON_KEY_INSERT);
    typeText(con, "ab");
    CON_SpecialKey(con, CON_KEY_LEFT);
    typeText(con, "c");
    EXPECT_STREQ(con.input, "AC");
    CON_SpecialKey(con, CON_KEY_INSERT);

    // Backspace at 0 and RIGHT at the end do nothing; HOME and backspace edit the middle.
    CON_SpecialKey(con, CON_KEY_RIGHT);
    CON_SpecialKey(con, CON_KEY_RIGHT);
    EXPECT_EQ(con.cursor, 2);
    CON_SpecialKey(con, CON_KEY_HOME);
    CON_Key(con, 8);
    EXPECT_STREQ(con.input, "AC");
    EXPECT_EQ(con.cursorX, 0);
    CON_SpecialKey(con, CON_KEY_RIGHT);
    CON_Key(con, 8);
    EXPECT_STREQ(con.input, "C");
    EXPECT_EQ(con.cursor, 0);

    // Keys outside letters, digits, punctuation and blanks are ignored, as is backquote.
    CON_Key(con, 0x60);
    CON_Key(con, 1);
    CON_Key(con, 200);
    EXPECT_STREQ(con.input, "C");

    // END moves behind the text and cuts trailing blanks.
    std::memset(con.input, 0, sizeof(con.input));
    con.cursor = con.cursorX = 0;
    typeText(con, "ls  ");
    CON_SpecialKey(con, CON_KEY_HOME);
    CON_SpecialKey(con, CON_KEY_END);
    EXPECT_STREQ(con.input, "LS");
    EXPECT_EQ(con.cursor, 2);
    EXPECT_EQ(con.cursorX, 2 * step);
}

TEST(ConsoleInput, FullInputIgnoresFurtherKeys) {
    vh_console con;
    CON_Toggle(con);
    const std::string full(95, 'q');
    typeText(con, full.c_str());
    CON_Key(con, 'x');
    EXPECT_EQ(std::string(con.input), std::string(95, 'Q'));
    EXPECT_EQ(con.cursor, 95);
    // In the middle, insert would push a character out: ignored too.
    CON_SpecialKey(con, CON_KEY_HOME);
    CON_Key(con, 'x');
    EXPECT_EQ(con.input[0], 'Q');
    // Overwrite replaces in place, but cannot append at the end of a full line.
    CON_SpecialKey(con, CON_KEY_INSERT);
    CON_Key(con, 'x');
    EXPECT_EQ(con.input[0], 'X');
    CON_SpecialKey(con, CON_KEY_END);
    CON_Key(con, 'y');
    EXPECT_EQ(std::strlen(con.input), 95u);
    EXPECT_EQ(con.input[95], 0);
}

TEST(ConsoleCommands, EnterEchoesAnswersAndRunsHandlers) {
    vh_console con;
    CON_Toggle(con);
    typeText(con, "help");
    CON_Key(con, 13);
    EXPECT_STREQ(con.lines[0].text, "HELP");
    EXPECT_TRUE(colourIs(con.lines[0], CON_InputColour));
    EXPECT_STREQ(con.lines[1].text, "Command HELP Not Found");
    EXPECT_TRUE(colourIs(con.lines[1], CON_NotFoundColour));
    EXPECT_EQ(con.input[0], 0);
    EXPECT_EQ(con.cursor, 0);
    EXPECT_EQ(con.cursorX, 0);

    CON_Key(con, 13); // an empty input echoes an empty line and answers nothing
    EXPECT_EQ(shown(con), "0:HELP|1:Command HELP Not Found|2:|");

    CON_AddCommand(con, recordCommand, "list");
    EXPECT_EQ(con.commands.size(), 1u);
    EXPECT_EQ(con.commands.Capacity(), 28u);
    typeText(con, "  list textures");
    CON_Key(con, 13);
    EXPECT_EQ(lastHandled, "LIST");
    EXPECT_STREQ(con.lines[3].text, "  LIST TEXTURES");
    EXPECT_EQ(con.lines[4].id, -1) << "a handled command adds no answer";

    // A command word longer than its field is cut rather than overrunning it.
    typeText(con, std::string(90, 'w').c_str());
    CON_Key(con, 13);
    EXPECT_STREQ(con.lines[5].text, ("Command " + std::string(31, 'W') + " Not Found").c_str());
}

TEST(ConsoleFrame, StatusLineAndResizeKeepTheInputRow) {
    vh_console con;
    char status[96];
    CON_StatusText(con, status, sizeof(status));
    EXPECT_STREQ(status, "VEXHAL 1.2.0 INSERT 0 437");
    EXPECT_FLOAT_EQ(con.width, 800.0f);
    EXPECT_FLOAT_EQ(con.height, 450.0f);

    CON_Toggle(con);
    typeText(con, "ab");
    CON_SpecialKey(con, CON_KEY_INSERT);
    CON_StatusText(con, status, sizeof(status));
    EXPECT_STREQ(status, "VEXHAL 1.2.0 OVRWRT 10 437");

    CON_Resize(con, 1000, 500);
    EXPECT_FLOAT_EQ(con.width, 1000.0f);
    EXPECT_FLOAT_EQ(con.height, 375.0f);
    EXPECT_EQ(con.inputY, 437);

    // The cursor blinks every 500 ms of open console.
    EXPECT_TRUE(con.cursorShown);
    CON_Update(con, 0.5);
    EXPECT_FALSE(con.cursorShown);
    CON_Update(con, 0.25);
    EXPECT_FALSE(con.cursorShown);
}
