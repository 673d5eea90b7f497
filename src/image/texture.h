// texture: the texture manager. Loads each picture of the archive once by name (without
// regard to case) and releases the ones not marked to keep between scenes.
// uses: core
#pragma once

#include "image/image.h"
#include "core/types.h"

void TEX_Init();
// The texture of name, loading it on first request; a later request returns the same
// texture whatever flags and keep it gives. 0 when the picture cannot be had.
Uint32 TEX_Load(const char* name, Uint32 flags, Uint32 keep);
void TEX_Clear();    // releases every texture not marked to keep
void TEX_Shutdown(); // releases every texture
int TEX_Count();
void TEX_List(); // one console line per texture name
// The name of record i in load order, or null.
const char* TEX_Name(int i);
// The OpenGL texture of record i in load order, or 0.
Uint32 TEX_Id(int i);
