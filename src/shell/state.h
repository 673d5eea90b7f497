// state: the program state machine over the control values of core/program.h, the GL
// start-up state, key dispatch, and the exit state with its credits.
// uses: core, image, text, model, shell's sequence
#pragma once

#include "core/program.h"

void VH_Initialize();
void VH_Close();
void VH_MainGLInit();
void VH_MainIdle(float seconds);
void VH_MainRender();
void VH_Keyboard(int key, bool special, int x, int y);
void VH_ExitTimer(int value);
// Ends the program the way ESC does (status 0).
[[noreturn]] void VH_Quit();
void VH_CreditsDisplay();

// The exit state: the credits reached the screen; a key after the 3000 ms wait ends the run.
bool VH_CreditsShown();
bool VH_IsExitRequested();
// Gives the window back to the normal display and forgets the exit state's wait, so the
// sequence can go on elsewhere (the console's goto).
void VH_LeaveExitState();
// Forget that the exit state was entered (tests replay the sequence in one process).
void VH_ResetExitState();
