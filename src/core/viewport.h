// viewport: the window's size and field of view as plain values. The shell's reshape
// writes them; the overlay, fonts, console and credits read them.
// uses: nothing of ours
#pragma once

extern int VH_WindowWidth;  // pixels; 800 until the first reshape
extern int VH_WindowHeight; // pixels; 600 until the first reshape
extern float VH_FOV;        // degrees, vertical
