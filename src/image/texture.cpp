// texture: the texture manager.
// Picture decoding has not landed yet: every load fails, as a missing picture does,
// and callers draw nothing for it.
#include "image/texture.h"

void TEX_Init() {}
Uint32 TEX_Load(const char* /*name*/, Uint32 /*flags*/, Uint32 /*keep*/) { return 0; }
void TEX_Clear() {}
void TEX_Shutdown() {}
int TEX_Count() { return 0; }
