// The console's line slots, scrolling, input editing and commands (no drawing).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/keys.h"
#include "text/console.h"

namespace {
void typeText(vh_console& con, const std::string& text) {
    for (char c : text)
        CON_Key(con, (unsigned char)c);
}
// The live slots, top to bottom, as "slot:text|".
std::string shown(const vh_console& con) {
    std::string out;
    for (int i = 0; i < CON_LINE_COUNT; ++i)
        if (con.lines[i].id != -1) out += std::to_string(i) + ":" + con.lines[i].text + "|";
    return out;
}
std::string handled;
void recordCommand(const char* word) {
    handled = word;
}
} // namespace

TEST(ConsoleLines, PinnedLinesStayAndScrollingRunsOnlyWhileOpen) {
    vh_console con;
    CON_AddLine(con, "BANNER");
    const int fps = CON_AddPinnedLine(con, "FPS COUNTER: ");
    const int hint = CON_AddPinnedLine(con, "HINT");
    CON_Update(con, 100.0);
    EXPECT_EQ(shown(con), "0:BANNER|1:FPS COUNTER: |2:HINT|") << "closed: nothing scrolls";
    CON_Toggle(con);
    CON_Update(con, 2.4);
    EXPECT_EQ(shown(con), "0:BANNER|1:FPS COUNTER: |2:HINT|");
    CON_Update(con, 0.1);
    EXPECT_EQ(shown(con), "0:FPS COUNTER: |1:HINT|");
    for (int i = 0; i < 10; ++i)
        CON_Update(con, 2.5);
    CON_SetLineText(con, "FPS: 60", fps);
    CON_SetLineText(con, "nobody", 999);
    CON_RemoveLine(con, -1);
    EXPECT_EQ(shown(con), "0:FPS: 60|1:HINT|");
    CON_RemoveLine(con, hint);
    CON_AddLine(con, "NEXT");
    EXPECT_STREQ(CON_FindLine(con, 4), "NEXT") << "ids are never reused";

    // Full slots: a plain line scrolls the first unpinned one away; all pinned refuses.
    vh_console full;
    CON_AddPinnedLine(full, "P");
    for (int i = 0; i < 20; ++i)
        CON_AddLine(full, ("L" + std::to_string(i)).c_str());
    EXPECT_EQ((std::string(full.lines[0].text) + full.lines[1].text + full.lines[19].text), "PL1L19");
    vh_console pinned;
    for (int i = 0; i < CON_LINE_COUNT; ++i)
        CON_AddPinnedLine(pinned, "X");
    EXPECT_EQ(CON_AddPinnedLine(pinned, "MORE"), -1);
    CON_AddLine(pinned, "DROPPED");
    EXPECT_EQ(shown(pinned).find("DROPPED"), std::string::npos);

    // The longest hint line (97 characters) is kept whole; longer text is cut, not overrun.
    const int id = CON_AddPinnedLine(con, std::string(97, 'h').c_str());
    EXPECT_EQ(std::strlen(CON_FindLine(con, id)), 97u);
    CON_SetLineText(con, std::string(400, 'z').c_str(), id);
    EXPECT_EQ(std::strlen(CON_FindLine(con, id)), (size_t)CON_LINE_SIZE - 1);
}

TEST(ConsoleInput, InsertOverwriteCursorKeysAndTheLengthLimit) {
    vh_console closed;
    typeText(closed, "ab");
    EXPECT_EQ(closed.input[0], 0) << "a closed console takes no keys";
    // Keys: < left, > right, [ home, ] end, ! insert/overwrite, \b backspace; others typed.
    const std::string full(96, 'q');
    const struct {
        std::string keys, input;
        int cursor;
    } cases[] = {
        {"ab<c", "ACB", 2},
        {"!ab<c", "AC", 2},
        {"!ab<c!>[\b>\b\x60\x01\xC8", "C", 0},  // nothing to go to or delete; control and high bytes
        {"ls  []", "LS", 2},                    // end lands after the last non-blank
        {full + "[x", std::string(95, 'Q'), 0}, // a full input ignores keys that would lengthen it
        {full + "[!x]y", "X" + std::string(94, 'Q'), 95},
    };
    const int specials[] = {VH_SPECIAL_LEFT, VH_SPECIAL_RIGHT, VH_SPECIAL_HOME, VH_SPECIAL_END, VH_SPECIAL_INSERT};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keys);
        vh_console con;
        CON_Toggle(con);
        for (char k : c.keys) {
            const size_t special = std::string("<>[]!").find(k);
            if (special != std::string::npos)
                CON_SpecialKey(con, specials[special]);
            else
                CON_Key(con, (unsigned char)k);
        }
        EXPECT_EQ(std::string(con.input), c.input);
        EXPECT_EQ((std::vector<int>{con.cursor, con.cursorX}), (std::vector<int>{c.cursor, 5 * c.cursor})); // advance 5
    }
}

TEST(ConsoleCommands, EnterEchoesAnswersAndRunsHandlers) {
    vh_console con;
    CON_Toggle(con);
    typeText(con, "help");
    CON_Key(con, 13);
    CON_Key(con, 13); // empty: an empty echo and no answer
    EXPECT_EQ(shown(con), "0:HELP|1:Command HELP Not Found|2:|");
    EXPECT_EQ((std::vector<int>{con.input[0], con.cursor, con.cursorX}), (std::vector<int>{0, 0, 0}));

    CON_AddCommand(con, recordCommand, "list");
    typeText(con, "  list textures");
    CON_Key(con, 13);
    EXPECT_EQ(handled, "LIST");
    EXPECT_EQ(shown(con), "0:HELP|1:Command HELP Not Found|2:|3:  LIST TEXTURES|");
    // A command word longer than its field is cut rather than overrunning it.
    typeText(con, std::string(90, 'w'));
    CON_Key(con, 13);
    EXPECT_STREQ(con.lines[5].text, ("Command " + std::string(31, 'W') + " Not Found").c_str());
}

TEST(ConsoleStatus, ShowsModeCursorAndAnInputRowThatResizeKeeps) {
    vh_console con;
    CON_Toggle(con);
    char status[128];
    CON_StatusText(con, status, sizeof status);
    EXPECT_NE(std::string(status).find(" 1.2.0 INSERT 0 437"), std::string::npos) << status;
    CON_Key(con, 'a');
    CON_SpecialKey(con, VH_SPECIAL_INSERT);
    CON_StatusText(con, status, sizeof status);
    EXPECT_NE(std::string(status).find(" OVRWRT 5 437"), std::string::npos) << status;

    CON_Resize(con, 1000, 500);
    EXPECT_TRUE(con.width == 1000.0f && con.height == 375.0f && con.inputY == 437);
}

namespace {
// The scrolled-back panel as "text|" rows; the closing note apart.
std::string scrolled(const vh_console& con, std::string* note = nullptr) {
    CON_ShownLine rows[CON_LINE_COUNT];
    const int n = CON_ScrollBackView(con, rows);
    std::string out;
    for (int i = 0; i + 1 < n; ++i)
        out += std::string(rows[i].text) + "|";
    if (note) *note = n ? rows[n - 1].text : "";
    return out;
}
std::string lines(const char* prefix, int from, int to) { // "prefix from|...|prefix to-1|"
    std::string out;
    for (int i = from; i < to; ++i)
        out += prefix + std::to_string(i) + "|";
    return out;
}
vh_console* answering;
void answerThree(const char*) {
    for (int i = 0; i < 3; ++i)
        CON_AddLine(*answering, ("ANSWER " + std::to_string(i)).c_str());
}
} // namespace

TEST(ConsoleScrollBack, PagesHoldStillUnderNewLinesAndComeBackToThePlainView) {
    vh_console con, plain;
    for (vh_console* c : {&con, &plain}) {
        CON_Toggle(*c);
        CON_AddPinnedLine(*c, "FPS");
        CON_AddPinnedLine(*c, "HINT");
        for (int i = 0; i < 30; ++i) // numbered lines are lines of their own, not readings
            CON_AddLine(*c, ("LINE " + std::to_string(i)).c_str());
    }
    CON_ScrollView(con, -3);
    EXPECT_FALSE(con.scrolledBack) << "forward from the plain view stays there";

    // The first PageUp holds the newest lines: 20 rows less the two pinned and the note.
    CON_SpecialKey(con, VH_SPECIAL_PAGE_UP);
    std::string note;
    EXPECT_EQ(scrolled(con, &note), "FPS|HINT|" + lines("LINE ", 13, 30));
    EXPECT_EQ(note, "[scroll-back: lines 14 to 30 of the last 30; 0 newer below; PageDown]");
    // A running read-out added every frame takes one line of the history and moves nothing;
    // the slots underneath go on exactly as in a console never scrolled.
    for (int i = 0; i < 200; ++i) {
        const std::string readout = "curdist:" + std::to_string(i * 0.37) + " maxdist:75.00000";
        for (vh_console* c : {&con, &plain}) {
            CON_AddLine(*c, readout.c_str());
            CON_Update(*c, 0.02);
        }
    }
    EXPECT_EQ(con.historyTotal, 31);
    EXPECT_STREQ(con.history[30].text, "curdist:73.630000 maxdist:75.00000");
    EXPECT_EQ(scrolled(con), "FPS|HINT|" + lines("LINE ", 13, 30));
    EXPECT_EQ(shown(con), shown(plain));

    CON_SpecialKey(con, VH_SPECIAL_PAGE_UP); // back 16, but never above the first line
    EXPECT_EQ(scrolled(con), "FPS|HINT|" + lines("LINE ", 0, 17));
    CON_ScrollView(con, CON_WHEEL_LINES);
    EXPECT_EQ(scrolled(con), "FPS|HINT|" + lines("LINE ", 0, 17));
    CON_ScrollView(con, -CON_WHEEL_LINES);
    EXPECT_EQ(scrolled(con, &note), "FPS|HINT|" + lines("LINE ", 3, 20));
    EXPECT_EQ(note, "[scroll-back: lines 4 to 20 of the last 31; 11 newer below; PageDown]");

    // Enter while scrolled back: the command typed heads the view, its answer under it, and
    // both stay there as more lines come.
    answering = &con;
    CON_AddCommand(con, answerThree, "answer");
    typeText(con, "answer");
    CON_Key(con, VH_KEY_ENTER);
    for (int i = 0; i < 40; ++i)
        CON_AddLine(con, ("MORE " + std::to_string(i)).c_str());
    EXPECT_EQ(scrolled(con), "FPS|HINT|ANSWER|" + lines("ANSWER ", 0, 3) + lines("MORE ", 0, 13));

    // PageDown goes forward until past the newest line, which is the plain view again.
    int presses = 0;
    for (; con.scrolledBack && presses < 10; ++presses)
        CON_SpecialKey(con, VH_SPECIAL_PAGE_DOWN);
    EXPECT_EQ(presses, 3);
    EXPECT_EQ(scrolled(con), "");
}

TEST(ConsoleScrollBack, KeepsTheLastLinesAndLeavesWhenTheConsoleCloses) {
    vh_console con;
    CON_ScrollView(con, 5);
    EXPECT_FALSE(con.scrolledBack) << "closed: nothing to scroll";
    CON_Toggle(con);
    for (int i = 0; i < 1000; ++i)
        CON_AddLine(con, ("LINE " + std::to_string(i)).c_str());
    CON_ScrollView(con, 1);
    CON_ScrollView(con, 5000);
    std::string note;
    EXPECT_EQ(scrolled(con, &note), lines("LINE ", 600, 619));
    EXPECT_EQ(note, "[scroll-back: lines 1 to 19 of the last 400; 381 newer below; PageDown]");
    // Old lines dropping out of the ring move a view that stood on them down with them.
    for (int i = 1000; i < 1005; ++i)
        CON_AddLine(con, ("LINE " + std::to_string(i)).c_str());
    EXPECT_EQ(scrolled(con), lines("LINE ", 605, 624));
    CON_Toggle(con);
    CON_Toggle(con);
    EXPECT_FALSE(con.scrolledBack);
    EXPECT_EQ(scrolled(con), "");

    // Twenty pinned lines fill every slot; the panel still holds the newest line and the note.
    for (int i = 0; i < CON_LINE_COUNT; ++i)
        CON_AddPinnedLine(con, "PIN");
    CON_SpecialKey(con, VH_SPECIAL_PAGE_UP);
    CON_ShownLine rows[CON_LINE_COUNT];
    ASSERT_EQ(CON_ScrollBackView(con, rows), CON_LINE_COUNT);
    EXPECT_STREQ(rows[CON_LINE_COUNT - 2].text, "LINE 1004");
}
