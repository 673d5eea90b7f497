// console: the drop-down text console (lines, scroll-back, input editing, commands, drawing).
#include "text/console.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <strings.h>

#include "core/keys.h"
#include "core/logsink.h"
#include "core/version.h"
#include "core/viewport.h"
#include "text/font.h"
#include "text/overlay.h"

// ---------------------------------------------------------------------------
// constants
// ---------------------------------------------------------------------------

const Uint8 CON_PlainColour[4] = {255, 255, 255, 255};
const Uint8 CON_PinnedColour[4] = {255, 0, 0, 255};
const Uint8 CON_InputColour[4] = {0, 255, 63, 255};
const Uint8 CON_NotFoundColour[4] = {255, 125, 63, 255};
const char* const CON_OwnerText = "VEXHAL";

namespace {
const double scrollPeriod = 2500.0; // ms of open console per scrolled line
const float blinkPeriod = 500.0f;   // ms
const int firstCommandCapacity = 28;
const Uint8 statusColour[4] = {128, 128, 128, 255};
const int statusX = 129;
const int statusY = 400;
const int inputMax = CON_INPUT_SIZE - 1;

// ---------------------------------------------------------------------------
// helpers
// ---------------------------------------------------------------------------

void copyText(char* dst, const char* src, size_t size) {
    if (!src) src = "";
    std::strncpy(dst, src, size - 1);
    dst[size - 1] = '\0';
}

// A line with its decimal numbers ("12.5", "-0.25") blanked out: two lines alike in this shape
// are two readings of one running read-out.
void readoutShape(const char* text, char* out, size_t size, bool* hasNumber) {
    size_t n = 0;
    *hasNumber = false;
    for (const char* p = text; *p && n + 1 < size;) {
        const char* q = p;
        if (*q == '-' || *q == '+') ++q;
        const char* digits = q;
        while (std::isdigit((unsigned char)*q))
            ++q;
        if (q > digits && *q == '.' && std::isdigit((unsigned char)q[1])) {
            ++q;
            while (std::isdigit((unsigned char)*q))
                ++q;
            out[n++] = '\x01';
            *hasNumber = true;
            p = q;
        } else {
            out[n++] = *p++;
        }
    }
    out[n] = '\0';
}

// Every plain line goes into the scroll-back. A running read-out (the river's distance line,
// added every frame) would push a command's answer out of it within seconds, so a line that
// differs from the newest one only in its decimal numbers takes that line's place.
void keepInHistory(vh_console& con, const char* text, const Uint8 colour[4]) {
    if (con.historyTotal > 0) {
        CON_HistoryLine& newest = con.history[(con.historyTotal - 1) % CON_HISTORY_COUNT];
        char a[CON_LINE_SIZE], b[CON_LINE_SIZE];
        bool aNumber = false, bNumber = false;
        readoutShape(newest.text, a, sizeof a, &aNumber);
        readoutShape(text ? text : "", b, sizeof b, &bNumber);
        if (aNumber && bNumber && std::strcmp(a, b) == 0 && std::memcmp(newest.colour, colour, 4) == 0) {
            copyText(newest.text, text, sizeof(newest.text));
            return;
        }
    }
    CON_HistoryLine& line = con.history[con.historyTotal % CON_HISTORY_COUNT];
    copyText(line.text, text, sizeof(line.text));
    std::memcpy(line.colour, colour, 4);
    con.historyTotal += 1;
}

long long oldestKept(const vh_console& con) {
    return con.historyTotal > CON_HISTORY_COUNT ? con.historyTotal - CON_HISTORY_COUNT : 0;
}

int livePinned(const vh_console& con) {
    int n = 0;
    for (const CON_Line& line : con.lines)
        n += line.id != -1 && line.pinned;
    return n;
}

// History rows of the scrolled-back panel: what the pinned lines and the note leave of the 20.
int historyRows(const vh_console& con) {
    const int rows = CON_LINE_COUNT - 1 - livePinned(con);
    return rows > 1 ? rows : 1;
}

// The view may not start above the oldest line kept (it moves down as old lines drop out).
long long clampedViewEnd(const vh_console& con, long long end) {
    const long long lowest = std::min(con.historyTotal, oldestKept(con) + historyRows(con));
    return std::max(end, lowest);
}

int addLine(vh_console& con, const char* text, const Uint8 colour[4], bool pinned) {
    if (!pinned) keepInHistory(con, text, colour);
    CON_Line* slot = CON_FindFreeLine(con);
    if (!slot) return -1;
    slot->id = con.nextId++;
    slot->pinned = pinned;
    std::memcpy(slot->colour, colour, 4);
    copyText(slot->text, text, sizeof(slot->text));
    return slot->id;
}

int advance(const vh_console& con) {
    return FNT_GetWidth(con.font) + 1;
}
} // namespace

vh_console VH_Console;

namespace {
// Lines from the modules below the console (paths, models, textures) land in it.
void consoleListener(const char* line, void* console) {
    CON_AddLine(*static_cast<vh_console*>(console), line);
}
struct SinkSubscription {
    SinkSubscription() { LOG_Subscribe(consoleListener, &VH_Console); }
} sinkSubscription;
} // namespace

// ---------------------------------------------------------------------------
// construction
// ---------------------------------------------------------------------------

// Runs before main, so it sees the window size the program starts with (800 x 600).
vh_console::vh_console()
    : picture(0), open(false), font(0), scrollTimer(scrollPeriod), background{255, 155, 155, 220}, backgroundOn(true),
      usePicture(false), width(VH_WindowWidth * 1.0f), height(VH_WindowHeight * 0.75f), nextId(1), cursorX(0),
      inputY((int)(VH_WindowHeight * 0.75f - 13.0f)), cursor(0), overwrite(false), cursorShown(true),
      blinkTimer(blinkPeriod), input{}, commandWord{}, commands(firstCommandCapacity), keepKeys(false),
      keepKeysOnOpen(false), history{}, historyTotal(0), scrolledBack(false), viewEnd(0) {
    for (CON_Line& line : lines) {
        line.text[0] = '\0';
        line.pinned = false;
        std::memcpy(line.colour, CON_PlainColour, 4);
        line.id = -1;
    }
}

// ---------------------------------------------------------------------------
// lines
// ---------------------------------------------------------------------------

void CON_AddLine(vh_console& con, const char* text) {
    addLine(con, text, CON_PlainColour, false);
}

void CON_AddLineColor(vh_console& con, const char* text, const Uint8 colour[4]) {
    addLine(con, text, colour, false);
}

int CON_AddPinnedLine(vh_console& con, const char* text) {
    return addLine(con, text, CON_PinnedColour, true);
}

int CON_AddPinnedLineColor(vh_console& con, const char* text, const Uint8 colour[4]) {
    return addLine(con, text, colour, true);
}

void CON_RemoveLine(vh_console& con, int id) {
    // -1 names every free slot, not a line.
    if (id == -1) return;
    for (CON_Line& line : con.lines)
        if (line.id == id) {
            line.id = -1;
            return;
        }
}

char* CON_FindLine(vh_console& con, int id) {
    for (CON_Line& line : con.lines)
        if (line.id == id) return line.text;
    return nullptr;
}

CON_Line* CON_FindFreeLine(vh_console& con) {
    for (int pass = 0; pass < 2; ++pass) {
        for (CON_Line& line : con.lines)
            if (line.id == -1) return &line;
        if (pass == 0) CON_Scroll(con);
    }
    return nullptr;
}

void CON_SetLineText(vh_console& con, const char* text, int id) {
    if (id == -1) return;
    if (char* slot = CON_FindLine(con, id)) copyText(slot, text, CON_LINE_SIZE);
}

// Drops the first slot that is not a live pinned line and moves every later slot up
// by one; live pinned lines above it keep their places.
void CON_Scroll(vh_console& con) {
    CON_Line* l = con.lines;
    for (int i = 0; i < CON_LINE_COUNT - 1; ++i) {
        if (l[i].pinned && l[i].id > 0) continue;
        l[i] = l[i + 1];
        l[i + 1].id = -1;
    }
    if (!(l[CON_LINE_COUNT - 1].pinned && l[CON_LINE_COUNT - 1].id > 0)) l[CON_LINE_COUNT - 1].id = -1;
}

// ---------------------------------------------------------------------------
// commands
// ---------------------------------------------------------------------------

void CON_AddCommand(vh_console& con, void (*handler)(const char* word), const char* name) {
    CCH_DEF def{};
    def.handler = handler;
    copyText(def.name, name, sizeof(def.name));
    con.commands.push_back(def);
}

bool CON_Execute(vh_console& con) {
    if (con.input[0] == '\0') return true;
    // strtok keeps the rest of the line for the handler to take.
    const char* word = std::strtok(con.input, " \t\n");
    if (!word) return false;
    copyText(con.commandWord, word, sizeof(con.commandWord));
    for (const CCH_DEF& def : con.commands) {
        if (strcasecmp(def.name, con.commandWord) == 0) {
            if (def.handler) def.handler(con.commandWord);
            return true;
        }
    }
    return false;
}

// ---------------------------------------------------------------------------
// frame
// ---------------------------------------------------------------------------

void CON_Toggle(vh_console& con) {
    con.open = !con.open;
    con.scrolledBack = false;
    con.keepKeys = con.open && con.keepKeysOnOpen;
}

void CON_SetKeepKeys(vh_console& con, bool keep) {
    con.keepKeys = keep;
}

void CON_SetKeepKeysOnOpen(vh_console& con, bool keep) {
    con.keepKeysOnOpen = keep;
}

bool CON_KeepsKeys(const vh_console& con) {
    return con.open && con.keepKeys;
}

void CON_Resize(vh_console& con, int width, int height) {
    con.width = width * 1.0f;
    con.height = height * 0.75f;
}

void CON_SetPicture(vh_console& con, GLuint texture) {
    con.picture = texture;
    con.usePicture = true;
}

void CON_Update(vh_console& con, double seconds) {
    // A closed console keeps its lines: nothing scrolls while nobody can read them.
    if (!con.open) return;
    const double ms = seconds * 1000.0;
    con.scrollTimer -= ms;
    if (con.scrollTimer <= 0.0) {
        CON_Scroll(con);
        con.scrollTimer = scrollPeriod;
    }
    con.blinkTimer -= (float)ms;
    if (con.blinkTimer <= 0.0f) {
        con.blinkTimer = blinkPeriod;
        con.cursorShown = !con.cursorShown;
    }
}

void CON_ScrollView(vh_console& con, int lines) {
    if (!con.open || lines == 0) return;
    if (!con.scrolledBack) {
        if (lines < 0) return; // the plain view is already the newest
        // The first step back holds the newest page still, answers that scrolled away included.
        con.scrolledBack = true;
        con.viewEnd = con.historyTotal;
        return;
    }
    const long long end = clampedViewEnd(con, con.viewEnd) - lines;
    if (lines < 0 && end > con.historyTotal) {
        // Forward past the newest: the newest page first, then the plain view.
        if (con.viewEnd < con.historyTotal)
            con.viewEnd = con.historyTotal;
        else
            con.scrolledBack = false;
        return;
    }
    con.viewEnd = clampedViewEnd(con, end);
}

int CON_ScrollBackView(const vh_console& con, CON_ShownLine out[CON_LINE_COUNT]) {
    static char note[CON_LINE_SIZE]; // one console, one thread
    if (!con.scrolledBack) return 0;
    int n = 0;
    // Pinned lines can fill every slot; one history row and the note always keep their room.
    for (const CON_Line& line : con.lines)
        if (line.id != -1 && line.pinned && n < CON_LINE_COUNT - 2) out[n++] = {line.text, line.colour};
    const long long end = clampedViewEnd(con, con.viewEnd);
    const long long first = std::max(oldestKept(con), end - historyRows(con));
    for (long long k = first; k < end && k < con.historyTotal && n < CON_LINE_COUNT - 1; ++k) {
        const CON_HistoryLine& line = con.history[k % CON_HISTORY_COUNT];
        out[n++] = {line.text, line.colour};
    }
    const long long below = std::max(0LL, con.historyTotal - end);
    std::snprintf(note, sizeof note, "[scroll-back: lines %lld to %lld of the last %lld; %lld newer below; PageDown]",
                  first - oldestKept(con) + 1, std::min(end, con.historyTotal) - oldestKept(con),
                  con.historyTotal - oldestKept(con), below);
    out[n++] = {note, statusColour};
    return n;
}

void CON_StatusText(const vh_console& con, char* out, int size) {
    std::snprintf(out, (size_t)size, "%s %i.%i.%i %s %i %i", CON_OwnerText, VH_VERSION_MAJOR, VH_VERSION_MINOR,
                  VH_VERSION_PATCH, con.overwrite ? "OVRWRT" : "INSERT", con.cursorX, con.inputY);
}

void CON_Render(vh_console& con) {
    if (!con.open) return;
    if (con.backgroundOn) {
        if (con.usePicture) {
            CON_Begin2D(true);
            glColor4ub(255, 255, 255, 220);
            glBindTexture(GL_TEXTURE_2D, con.picture);
            CON_DrawTexturedRect(0, con.width, 0, con.height);
        } else {
            CON_Begin2D(false);
            glColor4ubv(con.background);
            CON_DrawRect(0, con.width, 0, con.height);
        }
        CON_End2D();
    }

    float y = 0.0f;
    if (con.scrolledBack) {
        CON_ShownLine shown[CON_LINE_COUNT];
        const int count = CON_ScrollBackView(con, shown);
        for (int i = 0; i < count; ++i) {
            const Uint8* c = shown[i].colour;
            FNT_SetColor(con.font, c[2], c[1], c[0], c[3]);
            FNT_DrawString(shown[i].text, 0, (int)y, con.font);
            y += FNT_GetHeight(con.font) + 3;
        }
    } else {
        for (const CON_Line& line : con.lines) {
            if (line.id == -1) continue;
            FNT_SetColor(con.font, line.colour[2], line.colour[1], line.colour[0], line.colour[3]);
            FNT_DrawString(line.text, 0, (int)y, con.font);
            y += FNT_GetHeight(con.font) + 3;
        }
    }

    FNT_SetColor(con.font, CON_InputColour[2], CON_InputColour[1], CON_InputColour[0], CON_InputColour[3]);
    FNT_DrawString(con.input, 0, con.inputY, con.font);
    if (con.cursorShown) FNT_DrawString("_", con.cursorX, con.inputY, con.font);

    char status[96];
    CON_StatusText(con, status, sizeof(status));
    FNT_SetColor(con.font, statusColour[2], statusColour[1], statusColour[0], statusColour[3]);
    FNT_DrawString(status, statusX, statusY, con.font);
}

// ---------------------------------------------------------------------------
// keys
// ---------------------------------------------------------------------------

void CON_Key(vh_console& con, int key) {
    if (!con.open || key == VH_KEY_BACKQUOTE) return;
    if (key == VH_KEY_BACKSPACE) {
        if (con.cursor > 0) {
            con.cursor -= 1;
            con.cursorX -= advance(con);
            for (int i = con.cursor; i < CON_INPUT_SIZE - 1; ++i)
                con.input[i] = con.input[i + 1];
        }
        return;
    }
    if (key == VH_KEY_ENTER) {
        // Scrolled back, the view moves to the command typed and holds its answer below it.
        if (con.scrolledBack) con.viewEnd = con.historyTotal + historyRows(con);
        CON_AddLineColor(con, con.input, CON_InputColour);
        if (!CON_Execute(con)) {
            char line[CON_LINE_SIZE];
            std::snprintf(line, sizeof(line), "Command %s Not Found", con.commandWord);
            CON_AddLineColor(con, line, CON_NotFoundColour);
        }
        std::memset(con.input, 0, sizeof(con.input));
        con.cursor = 0;
        con.cursorX = 0;
        return;
    }
    if (key < 0 || key > 255) return;
    const int c = key;
    if (!(std::isalnum(c) || std::ispunct(c) || std::isblank(c))) return;

    const int length = (int)std::strlen(con.input);
    if (con.overwrite) {
        // Replacing a character never lengthens the line; appending must fit.
        if (con.cursor >= length && length >= inputMax) return;
    } else {
        if (length >= inputMax) return;
        for (int i = inputMax; i > con.cursor; --i)
            con.input[i] = con.input[i - 1];
    }
    con.input[con.cursor] = (char)std::toupper(c);
    con.cursor += 1;
    con.cursorX += advance(con);
}

void CON_SpecialKey(vh_console& con, int key) {
    if (!con.open) return;
    switch (key) {
    case VH_SPECIAL_LEFT:
        if (con.cursor >= 1) {
            con.cursor -= 1;
            con.cursorX -= advance(con);
        }
        break;
    case VH_SPECIAL_RIGHT:
        if (con.input[con.cursor] != '\0') {
            con.cursor += 1;
            con.cursorX += advance(con);
        }
        break;
    case VH_SPECIAL_HOME:
        con.cursor = 0;
        con.cursorX = 0;
        break;
    case VH_SPECIAL_END:
        con.cursor = (int)std::strlen(con.input);
        con.cursorX = con.cursor * advance(con);
        while (con.cursor > 0 && std::isspace((unsigned char)con.input[con.cursor - 1])) {
            con.input[con.cursor - 1] = '\0';
            con.cursor -= 1;
            con.cursorX -= advance(con);
        }
        break;
    case VH_SPECIAL_INSERT:
        con.overwrite = !con.overwrite;
        break;
    case VH_SPECIAL_PAGE_UP: // a panel less one line, so one line stays in view for bearings
        CON_ScrollView(con, std::max(1, historyRows(con) - 1));
        break;
    case VH_SPECIAL_PAGE_DOWN:
        CON_ScrollView(con, -std::max(1, historyRows(con) - 1));
        break;
    default:
        break;
    }
}
