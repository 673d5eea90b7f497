// state: the program state machine, its control variables and message protocol,
// the GL start-up state, key dispatch and the exit state with its credits.
#pragma once

// Program states (values of VH_State); 2 and 4 are not states.
enum {
    VHS_SCENE = 1,
    VHS_INTRO = 3,
    VHS_TRANSITION = 5,
    VHS_EXIT = 6,
};

// Messages (values of VH_Msg). Render and keyboard go to scene handlers only.
enum {
    MSG_INITIALIZE = 0,
    MSG_UPDATE = 1,
    MSG_CLOSE = 2,
    MSG_RENDER = 3,
    MSG_KEYBOARD = 4,
};

extern int VH_State;
extern int VH_ID;
extern int VH_Msg;
extern bool VH_SceneReady;
extern int VH_Key;
extern bool VH_KeySpecial;
extern int newSTATE;
extern int newID;
extern int newMSG;
extern bool VH_ExitRequested;
extern bool VH_CreditsDrawn;
extern bool VH_KeyHit;

void VH_Initialize();
void VH_Close();
void VH_MainGLInit();
void VH_MainIdle(float seconds);
void VH_MainRender();
void VH_Keyboard(int key, bool special, int x, int y);
void VH_ExitTimer(int value);
void VH_CreditsDisplay();

// Forget that the exit state was entered (tests replay the sequence in one process).
void VH_ResetExitState();
