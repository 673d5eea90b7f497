// texture: the texture manager. Loads each picture of the archive once by name and
// releases the ones not marked to keep between scenes.
#pragma once

#include "shell/vh_types.h"

void TEX_Init();
Uint32 TEX_Load(const char* name, Uint32 flags, Uint32 keep);
void TEX_Clear();
void TEX_Shutdown();
int TEX_Count();
