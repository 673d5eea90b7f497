// font: the six bitmap fonts drawn from masks in the archive.
#pragma once

void FNT_LoadFonts();
void FNT_ReleaseFonts();
void FNT_DrawString(const char* text, int x, int y, int font);
