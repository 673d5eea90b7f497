// console: the drop-down text console. It holds and shows nothing until its line
// slots and text drawing land; adding a line yields no id.
#include "text/console.h"

vh_console VH_Console;

void CON_Update(vh_console&, double) {}
void CON_Render(vh_console&) {}
void CON_Key(vh_console&, int) {}
void CON_SpecialKey(vh_console&, int) {}
void CON_Toggle(vh_console&) {}
void CON_Resize(vh_console&, int, int) {}
void CON_SetLineText(vh_console&, const char*, int) {}
void CON_SetPicture(vh_console&, unsigned int) {}
void CON_AddLine(vh_console&, const char*) {}
int CON_AddPinnedLine(vh_console&, const char*) { return -1; }
void CON_RemoveLine(vh_console&, int) {}
