// credits: the credits screen. Drawn text needs the fonts, which have not landed.
#include "text/credits.h"

void CRED_Draw() {}
