// console: the drop-down text console over the top three quarters of the window.
#pragma once

class vh_console {
public:
    vh_console() = default;
};

extern vh_console VH_Console;

void CON_Update(vh_console& con, double seconds);
void CON_Render(vh_console& con);
void CON_Key(vh_console& con, int key);
void CON_SpecialKey(vh_console& con, int key);
void CON_Toggle(vh_console& con);
void CON_Resize(vh_console& con, int width, int height);
void CON_SetLineText(vh_console& con, const char* text, int id);
void CON_SetPicture(vh_console& con, unsigned int texture);
void CON_AddLine(vh_console& con, const char* text);
int CON_AddPinnedLine(vh_console& con, const char* text);
void CON_RemoveLine(vh_console& con, int id);
