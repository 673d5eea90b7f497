// sequence: intro pictures, fade transitions and the scene slots of the fixed sequence.
#pragma once

#include "core/types.h"

// Transition ids, held in VH_ID while the state is VHS_TRANSITION.
enum {
    ID_FADEIN = 6,
    ID_FADEOUT = 7,
};

// Every scene is one of these: it reads VH_Msg and acts (param is always -1).
typedef void (*VH_SceneHandler)(float seconds, int param);

// One slot of the sequence: ids 0-2 are scene handlers, 3-5 intro picture names.
struct VH_SceneEntry {
    VH_SceneHandler handler;
    const char* picture;
};

extern VH_SceneEntry VH_SceneTable[6];

extern const float VH_IntroShowTime; // ms
extern const float VH_FadeInTime;    // ms
extern const float VH_FadeOutTime;   // ms

extern Uint32 VH_IntroTexture;
extern float VH_IntroTime;     // ms
extern float VH_FadeColor[4];  // RGB always black; A is the fade
extern float VH_FadeSpeed;     // alpha per second

void VH_RunScene(float seconds);
void VH_RenderScene();
void VH_RunIntro(float seconds);
void VH_RenderIntro();
void VH_RunTransition(float seconds);
void VH_RenderTransition();
