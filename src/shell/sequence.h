// sequence: the demo's order as one table, and the states that play it: intro pictures,
// fade transitions and scene slots. The rows play top to bottom, then the credits.
//
// Ids follow from the table: scene rows run under ids 0, 1, ... in table order, intro
// rows under the next ids, and the two fades and the exit state after both. Adding a
// scene is one row and its handler; the ids of the rows before it do not collide.
// uses: core, image, text, scenes
#pragma once

#include <string>

#include "core/types.h"

// Every scene is one of these: it reads the pending message and acts (param is always -1).
typedef void (*VH_SceneHandler)(float seconds, int param);
// A running scene's answer to "has your script been seen through once?".
typedef bool (*VH_SceneSeen)();

enum VH_RowKind {
    VH_ROW_INTRO,
    VH_ROW_SCENE,
};

struct VH_SequenceRow {
    VH_RowKind kind;
    const char* name;        // what tools and the console call it: "intro1", "scene2", ...
    const char* picture;     // intro rows: the archive picture; else null
    VH_SceneHandler handler; // scene rows: the handler; else null
    VH_SceneSeen seen;       // scene rows: when autoplay may close it; null: it always waits for 'n'
};

int VH_SequenceLength();
int VH_SceneCount();                             // scene ids are 0 .. count - 1; intro ids follow
const VH_SequenceRow* VH_SequenceRowAt(int row); // null outside the table
int VH_RowID(int row);                           // the id the row runs under; -1 outside
int VH_RowOf(int state, int id);                 // the row a state and id play; -1 for none
int VH_RowByName(const char* name);              // without regard to case; -1 for none

// What goto and --start call the credits, which follow the last row.
inline constexpr const char* VH_CREDITS_PART = "credits";
// A row's name or the credits, without regard to case: the row, the table's length for the
// credits, -1 for none.
int VH_PartByName(const char* name);
// Every part's name in playing order, credits last: between separates them, beforeLast comes
// before the credits ("intro1, scene1, ... scene3 or credits").
std::string VH_PartList(const char* between, const char* beforeLast);

// Tests play a part the demo does not have by appending its row after the demo's own; the ids
// of intro rows, fades and the exit state move up to make room. False, and nothing appended,
// for a row without a name, a scene without a handler, an intro without a picture, a name the
// table has already, or a full table.
bool VH_AppendSequenceRow(const VH_SequenceRow& row);

// Ids of the fade transitions and of the exit state: the first ids after every row's.
int VH_FadeInID();
int VH_FadeOutID();
int VH_ExitID();

// Sets the state that plays row from its start (the exit state past the last row).
void VH_EnterRow(int row);

// How many times a row has been entered, by the sequence or by goto, reload and --start: what
// plays under a part starts again when this moves, even when the row is the same.
int VH_RowEntries();

// The row that plays now (a transition's row is its intro's); the table's length for the
// credits, -1 when the state names no row.
int VH_CurrentRow();
// Leaves what runs the proper way (a ready scene gets its close, an intro drops its picture,
// the exit state gives the window back), then starts row from its beginning; past the last
// row, the credits. Restarting the current row this way loads its assets anew.
void VH_GotoRow(int row);
// The first half of VH_GotoRow: leaves what runs the proper way and starts nothing (a run that
// ends mid-scene gives the scene's models and groups back).
void VH_LeavePart();

// Autoplay: a running scene whose script has been seen is closed, as 'n' would close it, at the
// start of the next update, so the sequence plays through by itself. Off (the default), every
// scene waits for 'n'.
void VH_SetAutoplay(bool on);
bool VH_Autoplay();

// Tests put a recorder in a scene's place; returns the handler it replaced.
VH_SceneHandler VH_SetSceneHandler(int row, VH_SceneHandler handler);

extern const float VH_IntroShowTime; // ms
extern const float VH_FadeInTime;    // ms
extern const float VH_FadeOutTime;   // ms

// The scene of the scene state has been initialised and not yet closed.
bool VH_IsSceneReady();
void VH_SetSceneReady(bool ready);

// What the intro and transition states hold, for tests and tools.
Uint32 VH_GetIntroTexture();
float VH_GetFadeAlpha();
float VH_GetFadeSpeed();
void VH_SetFade(float alpha, float speed);
// The state, id and message a running transition returns to.
void VH_GetTransitionReturn(int* state, int* id, int* msg);

void VH_RunScene(float seconds);
void VH_RenderScene();
void VH_RunIntro(float seconds);
void VH_RenderIntro();
void VH_RunTransition(float seconds);
void VH_RenderTransition();
