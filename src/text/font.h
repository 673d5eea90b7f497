// font: the six fixed-size bitmap fonts, expanded from raw glyph masks in the archive
// into one texture each, and drawn one textured quad per character in window pixels.
// uses: core, data
#pragma once

#include <GL/gl.h>

#include "core/types.h"

struct VH_RWops;

enum { FNT_COUNT = 6 };

struct FNT_Font {
    const char* fileName; // raw mask inside the archive
    int glyphWidth;       // pixels per cell
    int glyphHeight;      // pixels per cell
    GLuint texture;       // 0 until loaded
    int textureWidth;     // read back from OpenGL after creation
    int textureHeight;
};

// One character's quad: window pixels and the texture window around its cell.
struct FNT_Quad {
    float x0, y0, x1, y1;
    float s0, t0, s1, t1;
};

bool FNT_FontsLoaded(); // the masks became textures (FNT_LoadFonts ran, FNT_ReleaseFonts did not)

void FNT_LoadFonts();
void FNT_ReleaseFonts();
void FNT_DrawString(const char* text, int x, int y, int font);
void FNT_DrawChar(int c, int x, int y, int font);
void FNT_SetColor(int font, Uint8 blue, Uint8 green, Uint8 red, Uint8 alpha);
void FNT_ResetColor(int font);
void FNT_ResetAllColors();
int FNT_GetWidth(int font);
int FNT_GetHeight(int font);
int FNT_GetAdvance(int font);
const FNT_Font* FNT_GetFont(int font);
// The colour the next string of the font is drawn in, as R, G, B, A; false for a bad font.
bool FNT_GetColor(int font, Uint8 rgba[4]);
void FNT_SetInkColor(const Uint8* rgbx);
void FNT_SetPaperColor(const Uint8* rgbx);

// Where character c of a font goes when its cell's top-left corner is at (x, y). Codes
// outside 0..127 have no cell: false, and nothing is drawn for them. Before the font's
// texture exists the window is measured against the size the texture will have.
bool FNT_GlyphQuad(int c, int x, int y, int font, FNT_Quad* quad);

// The sides of font's mask (32 x 4 cells of its cell size) in *width and *height, and whether
// size bytes hold it; what FNT_LoadFonts checks before it expands and uploads a mask.
bool FNT_MaskFits(int font, int size, int* width, int* height);

// Expands a mask (one byte per pixel, 1 = ink) into a padded RGBA or RGB image of
// FNT_NextPow2(width) x FNT_NextPow2(height); the caller frees it with free().
Uint8* FNT_MaskToRGBA(int width, int height, const Uint8* data);
Uint8* FNT_MaskToRGB(int width, int height, const Uint8* data);

GLuint LoadFontResTexture(int width, int height, Uint8* data, bool* fError, int flags);
// Whole-stream and whole-entry reads; the buffer is the caller's (free). *size, when
// given, receives the number of bytes that were actually read.
Uint8* GetFontDataRW(VH_RWops* rops, bool* fError, int* size = nullptr);
Uint8* GetFontResPointer(const char* name, bool* fError, int* size = nullptr);

int FNT_NextPow2(int n);
int RW_Length(VH_RWops* rops);
char* STR_TrimRight(char* s);
