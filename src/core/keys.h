// keys: the key codes the program reacts to. Characters arrive as their byte value;
// special keys arrive as GLUT's special-key codes, flagged as special.
// uses: nothing of ours
#pragma once

// Characters.
enum {
    VH_KEY_BACKSPACE = 8,
    VH_KEY_ENTER = 13,
    VH_KEY_ESCAPE = 27,
    VH_KEY_SPACE = 32,
    VH_KEY_BACKQUOTE = 0x60, // opens and closes the console
    VH_KEY_NEXT = 'n',       // closes whatever runs
};

// Special keys (GLUT's codes).
enum {
    VH_SPECIAL_F1 = 1,
    VH_SPECIAL_F3 = 3,
    VH_SPECIAL_F12 = 12,
    VH_SPECIAL_LEFT = 100,
    VH_SPECIAL_UP = 101,
    VH_SPECIAL_RIGHT = 102,
    VH_SPECIAL_DOWN = 103,
    VH_SPECIAL_PAGE_UP = 104,
    VH_SPECIAL_PAGE_DOWN = 105,
    VH_SPECIAL_HOME = 106,
    VH_SPECIAL_END = 107,
    VH_SPECIAL_INSERT = 108,
};
