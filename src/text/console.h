// console: the drop-down text console over the top three quarters of the window: a
// short list of lines (some pinned), an input line with a blinking cursor, and a
// command list that Enter looks the first word up in; beside them a scroll-back of the last
// plain lines, for answers that scrolled away.
// uses: core, math
#pragma once

#include <GL/gl.h>

#include "math/qvector.h"
#include "core/types.h"

enum {
    CON_LINE_COUNT = 20,
    CON_LINE_SIZE = 128, // holds the longest hint line (97 characters) whole
    CON_INPUT_SIZE = 96, // at most 95 typed characters
    CON_WORD_SIZE = 32,
    CON_HISTORY_COUNT = 400, // plain lines kept for the scroll-back
    CON_WHEEL_LINES = 3,     // lines one notch of the mouse wheel moves the scroll-back
};

struct CON_Line {
    char text[CON_LINE_SIZE]; // NUL-terminated
    bool pinned;              // not scrolled away
    Uint8 colour[4];          // R, G, B, A
    int id;                   // -1 marks a free slot
};

struct CON_HistoryLine {
    char text[CON_LINE_SIZE];
    Uint8 colour[4];
};

// A line of the scrolled-back panel, as drawn from the top.
struct CON_ShownLine {
    const char* text;
    const Uint8* colour;
};

struct CCH_DEF {
    void (*handler)(const char* word);
    char name[CON_WORD_SIZE];
};

class vh_console {
public:
    vh_console();

    GLuint picture;
    bool open;
    int font;
    CON_Line lines[CON_LINE_COUNT];
    double scrollTimer; // ms until the next scroll
    Uint8 background[4];
    bool backgroundOn;
    bool usePicture;
    float width;  // pixels
    float height; // pixels
    int nextId;
    int cursorX; // pixels from the left edge
    int inputY;  // pixels from the top
    int cursor;  // index into input
    bool overwrite;
    bool cursorShown;
    float blinkTimer; // ms until the cursor blinks
    char input[CON_INPUT_SIZE];
    char commandWord[CON_WORD_SIZE];
    qvector<CCH_DEF> commands;
    bool keepKeys;       // while open, every key but ESC and the backquote is the console's alone
    bool keepKeysOnOpen; // what keepKeys becomes each time the console opens

    // The scroll-back: every plain line added, newest last, in a ring, beside the slots above
    // (which go on scrolling as before, so the plain view never changes).
    CON_HistoryLine history[CON_HISTORY_COUNT];
    long long historyTotal; // lines ever kept; line k sits at history[k % CON_HISTORY_COUNT]
    bool scrolledBack;      // the panel shows the history instead of the slots
    long long viewEnd;      // scrolled back: the history line just below the last one shown
};

extern vh_console VH_Console;

extern const Uint8 CON_PlainColour[4];
extern const Uint8 CON_PinnedColour[4];
extern const Uint8 CON_InputColour[4];
extern const Uint8 CON_NotFoundColour[4];
extern const char* const CON_OwnerText;

void CON_Update(vh_console& con, double seconds);
void CON_Render(vh_console& con);
void CON_Key(vh_console& con, int key);
void CON_SpecialKey(vh_console& con, int key);
void CON_Toggle(vh_console& con); // closing also leaves the scroll-back
// Key keeping: off by default, so typed keys also reach the program; closing ends it.
void CON_SetKeepKeys(vh_console& con, bool keep);
void CON_SetKeepKeysOnOpen(vh_console& con, bool keep);
bool CON_KeepsKeys(const vh_console& con); // open and keeping
void CON_Resize(vh_console& con, int width, int height);
void CON_SetLineText(vh_console& con, const char* text, int id);
void CON_SetPicture(vh_console& con, GLuint texture);

void CON_AddLine(vh_console& con, const char* text);
void CON_AddLineColor(vh_console& con, const char* text, const Uint8 colour[4]);
int CON_AddPinnedLine(vh_console& con, const char* text);
int CON_AddPinnedLineColor(vh_console& con, const char* text, const Uint8 colour[4]);
void CON_RemoveLine(vh_console& con, int id);
char* CON_FindLine(vh_console& con, int id);
CON_Line* CON_FindFreeLine(vh_console& con);
void CON_Scroll(vh_console& con);
void CON_AddCommand(vh_console& con, void (*handler)(const char* word), const char* name);
bool CON_Execute(vh_console& con);

// Scroll-back, while open: lines > 0 goes back (older), < 0 forward. The first step back from
// the plain view holds the newest lines still; new lines then add below without moving them.
// Going forward past the newest line returns to the plain view. PageUp and PageDown move a
// panel less one line, the mouse wheel CON_WHEEL_LINES.
void CON_ScrollView(vh_console& con, int lines);
// The scrolled-back panel top to bottom (live pinned lines, history, a grey line saying where
// the view stands), at most CON_LINE_COUNT lines; 0 when the plain view is shown.
int CON_ScrollBackView(const vh_console& con, CON_ShownLine out[CON_LINE_COUNT]);

// The status line as drawn at (129, 400), for a buffer of size bytes.
void CON_StatusText(const vh_console& con, char* out, int size);
