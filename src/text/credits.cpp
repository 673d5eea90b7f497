// credits: the closing credits screen read from "credits.txt".
#include "text/credits.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>

#include "core/catalogue.h"
#include "core/report.h"
#include "core/viewport.h"
#include "text/font.h"

namespace {
const char* const creditsFileName = CAT_CREDITS;
const int leftMargin = 7;
const int lineGap = 2;

enum Justify { JUSTIFY_LEFT, JUSTIFY_CENTRE, JUSTIFY_RIGHT };

// Colour numbers outside a byte are pinned to it rather than converted blindly.
Uint8 toByte(float v) {
    if (!(v > 0.0f)) return 0; // also NaN
    if (v >= 255.0f) return 255;
    return (Uint8)v;
}

void drawText(void*, const char* text, int x, int y, int font) {
    FNT_DrawString(text, x, y, font);
}
void setColor(void*, int font, Uint8 blue, Uint8 green, Uint8 red, Uint8 alpha) {
    FNT_SetColor(font, blue, green, red, alpha);
}
} // namespace

int CRED_ParseFloats(const char* text, float* out, int max) {
    if (!text || !out || max <= 0 || text[0] == '\0') return 0;
    std::string copy(text);
    int count = 0;
    char* save = nullptr;
    for (char* token = strtok_r(&copy[0], ", \t", &save); token && count < max;
         token = strtok_r(nullptr, ", \t", &save))
        out[count++] = (float)std::strtod(token, nullptr);
    return count;
}

int TXT_CentredX(const char* text, int font) {
    const int length = (int)std::strlen(text);
    return VH_WindowWidth / 2 - (length * FNT_GetWidth(font)) / 2;
}

int TXT_RightX(const char* text, int font) {
    const int length = (int)std::strlen(text);
    return VH_WindowWidth - (length * (FNT_GetWidth(font) + 1) + leftMargin);
}

void TXT_DrawCentred(const char* text, int y, int font) {
    FNT_DrawString(text, TXT_CentredX(text, font), y, font);
}
void TXT_DrawRight(const char* text, int y, int font) {
    FNT_DrawString(text, TXT_RightX(text, font), y, font);
}

void CRED_Layout(FILE* file, const CRED_Sink& sink) {
    if (!file) return;
    Justify justify = JUSTIFY_LEFT;
    int font = 0;
    int y = 0;
    char line[CRED_LINE_SIZE];
    for (;;) {
        std::memset(line, 0, sizeof(line));
        if (!std::fgets(line, sizeof(line), file)) break;
        STR_TrimRight(line);

        if (line[0] != '#') {
            int x = leftMargin;
            if (justify == JUSTIFY_CENTRE) x = TXT_CentredX(line, font);
            if (justify == JUSTIFY_RIGHT) x = TXT_RightX(line, font);
            if (sink.text) sink.text(sink.user, line, x, y, font);
            y += FNT_GetHeight(font) + lineGap;
            continue;
        }
        // The argument starts after the letter and one separator; the buffer was
        // cleared, so a short command line reads an empty argument.
        const char* argument = line + 3;
        switch (line[1]) {
        case 'C': {
            float values[4];
            const int n = CRED_ParseFloats(argument, values, 4);
            const Uint8 alpha = n == 4 ? toByte(values[3]) : 255;
            if ((n == 3 || n == 4) && sink.color)
                sink.color(sink.user, font, toByte(values[0]), toByte(values[1]), toByte(values[2]), alpha);
            break;
        }
        case 'F':
            font = (int)std::strtol(argument, nullptr, 10);
            break;
        case 'J':
            if (argument[0] == 'L') justify = JUSTIFY_LEFT;
            if (argument[0] == 'C') justify = JUSTIFY_CENTRE;
            if (argument[0] == 'R') justify = JUSTIFY_RIGHT;
            break;
        case 'N':
            y += FNT_GetHeight(font) + lineGap;
            break;
        case 'U':
            y -= FNT_GetHeight(font) + lineGap;
            break;
        default:
            break; // a comment
        }
    }
}

namespace {
// The credits stay black when their file is unusable; this says why, once.
void checkCreditsFile() {
    struct stat info;
    if (stat(creditsFileName, &info) != 0) {
        VH_Warn(creditsFileName, "cannot be read (%s); the credits stay black", std::strerror(errno));
        return;
    }
    if (S_ISDIR(info.st_mode)) return VH_Warn(creditsFileName, "is a folder, not a text file; the credits stay black");
    if (info.st_size == 0) return VH_Warn(creditsFileName, "is empty; the credits stay black");
    FILE* file = std::fopen(creditsFileName, "rb");
    if (!file) return VH_Warn(creditsFileName, "cannot be read (%s)", std::strerror(errno));
    // Text has no NUL bytes and few control bytes; judge by the first few kilobytes.
    unsigned char head[4096];
    const size_t got = std::fread(head, 1, sizeof head, file);
    std::fclose(file);
    size_t odd = 0;
    for (size_t i = 0; i < got; ++i)
        odd += head[i] == 0 ? got : (head[i] < 32 && !std::isspace(head[i]) ? 1 : 0);
    if (odd * 10 > got) VH_Warn(creditsFileName, "is not a text file (binary bytes)");
}
} // namespace

void CRED_Draw() {
    checkCreditsFile();
    FILE* file = std::fopen(creditsFileName, "r");
    if (!file) return;
    const CRED_Sink sink = {drawText, setColor, nullptr};
    CRED_Layout(file, sink);
    std::fclose(file);
}
