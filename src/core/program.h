// program: the program's control values: which state runs, with which id, the pending
// message, and the key being delivered. The shell's state machine sets them; state and
// scene handlers read them and answer through the message protocol.
// uses: nothing of ours
#pragma once

// Program states; 2 and 4 are not states.
enum {
    VHS_SCENE = 1,
    VHS_INTRO = 3,
    VHS_TRANSITION = 5,
    VHS_EXIT = 6,
};

// Messages. Render and keyboard go to scene handlers only.
enum {
    MSG_INITIALIZE = 0,
    MSG_UPDATE = 1,
    MSG_CLOSE = 2,
    MSG_RENDER = 3,
    MSG_KEYBOARD = 4,
};

// "scene", "intro", "transition", "exit"; "" for a value that is no state.
const char* VH_StateName(int state);
// "initialize", "update", "close", "render", "keyboard"; "" for a value that is no message.
const char* VH_MsgName(int msg);

int VH_GetState();
int VH_GetID();
int VH_GetMsg();
// The key of the MSG_KEYBOARD being delivered: a character, or a special-key code.
int VH_GetKey();
bool VH_GetKeySpecial();

void VH_SetProgramState(int state, int id, int msg);
void VH_SetMsg(int msg);
void VH_SetKey(int key, bool special);
