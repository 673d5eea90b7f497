// credits: the closing credits screen, read from "credits.txt" line by line: text
// lines drawn with the bitmap fonts, and '#' lines that set the colour of the next
// line, the font, the justification, or move the row up or down.
// uses: core
#pragma once

#include <cstdio>

#include "core/types.h"

// Where the laid-out credits go: CRED_Draw sends them to the fonts; tests and the
// fuzzer collect them.
struct CRED_Sink {
    void (*text)(void* user, const char* text, int x, int y, int font);
    void (*color)(void* user, int font, Uint8 blue, Uint8 green, Uint8 red, Uint8 alpha);
    void* user;
};

enum { CRED_LINE_SIZE = 128 }; // 127 characters; a longer line is read as several

// Reads and handles every line of an open credits text.
void CRED_Layout(FILE* file, const CRED_Sink& sink);
void CRED_Draw();
int CRED_ParseFloats(const char* text, float* out, int max);

// Pen positions on the current window width.
int TXT_CentredX(const char* text, int font);
int TXT_RightX(const char* text, int font);
void TXT_DrawCentred(const char* text, int y, int font);
void TXT_DrawRight(const char* text, int y, int font);
