// font: the six bitmap fonts. Until the masks can be decoded there are no font
// textures, so nothing is drawn.
#include "text/font.h"

void FNT_LoadFonts() {}
void FNT_ReleaseFonts() {}
void FNT_DrawString(const char* /*text*/, int /*x*/, int /*y*/, int /*font*/) {}
