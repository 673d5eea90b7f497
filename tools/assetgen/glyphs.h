// glyphs: our own bitmap designs of the printable characters for the six font cells, and the raw
// font masks the engine reads (one byte per pixel, 1 = ink, 32 x 4 cells, character c in cell
// column c mod 32, row c div 32).
#pragma once

#include <vector>

#include "core/types.h"

const int GLY_FONT_COUNT = 6;

int GLY_CellWidth(int font);
int GLY_CellHeight(int font);
const char* GLY_FileName(int font); // archive entry name, e.g. "fnt8x8bgr.raw"
// The mask of a font 0..5: (32 x cell width) by (4 x cell height) bytes, top row first.
const std::vector<Uint8>& GLY_Mask(int font);
