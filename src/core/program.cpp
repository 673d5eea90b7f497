// program: the program's control values.
#include "core/program.h"

namespace {
int state = 0;
int id = 0;
int msg = 0;
int key = 0;
bool keySpecial = false;
} // namespace

const char* VH_StateName(int s) {
    switch (s) {
    case VHS_SCENE:
        return "scene";
    case VHS_INTRO:
        return "intro";
    case VHS_TRANSITION:
        return "transition";
    case VHS_EXIT:
        return "exit";
    default:
        return "";
    }
}

const char* VH_MsgName(int m) {
    static const char* const names[] = {"initialize", "update", "close", "render", "keyboard"};
    return m >= MSG_INITIALIZE && m <= MSG_KEYBOARD ? names[m] : "";
}

int VH_GetState() {
    return state;
}
int VH_GetID() {
    return id;
}
int VH_GetMsg() {
    return msg;
}
int VH_GetKey() {
    return key;
}
bool VH_GetKeySpecial() {
    return keySpecial;
}

void VH_SetProgramState(int s, int i, int m) {
    state = s;
    id = i;
    msg = m;
}

void VH_SetMsg(int m) {
    msg = m;
}

void VH_SetKey(int k, bool special) {
    key = k;
    keySpecial = special;
}
