// sequence: intro pictures, fade transitions and the scene slots of the fixed sequence.
//
// Intro id k (3..5) shows a picture and leads to scene k - 3; scene s is followed by
// intro s + 4, and s + 4 = 6 ends the sequence in the exit state. An intro hands over
// to a fade-in and later a fade-out; a transition returns to (newSTATE, newID, newMSG).
#include "shell/sequence.h"

#include <GL/gl.h>

#include "image/texture.h"
#include "scenes/scenes.h"
#include "core/platform.h"
#include "shell/state.h"
#include "shell/window.h"
#include "text/overlay.h"

VH_SceneEntry VH_SceneTable[6] = {
    {View1Main, nullptr},      {View2Main, nullptr},      {View3Main, nullptr},
    {nullptr, "intro1.bmp"}, {nullptr, "intro2.bmp"}, {nullptr, "intro3.bmp"},
};

const float VH_IntroShowTime = 1000.0f;
const float VH_FadeInTime = 1200.0f;
const float VH_FadeOutTime = 1200.0f;

Uint32 VH_IntroTexture = 0;
float VH_IntroTime = 0.0f;
float VH_FadeColor[4] = {0.0f, 0.0f, 0.0f, 0.0f};
float VH_FadeSpeed = 0.0f;

namespace {
void drawPictureOverWindow(Uint32 texture) {
    glBindTexture(GL_TEXTURE_2D, texture);
    CON_Begin2D(true);
    glColor4f(1, 1, 1, 1);
    CON_DrawTexturedRect(0, (float)VH_WindowWidth, 0, (float)VH_WindowHeight);
    CON_End2D();
}
} // namespace

void VH_RunScene(float seconds) {
    const VH_SceneHandler scene = VH_SceneTable[VH_ID].handler;
    switch (VH_Msg) {
    case MSG_INITIALIZE:
        scene(0.0f, -1);
        VH_Msg = MSG_UPDATE;
        VH_SceneReady = true;
        break;
    case MSG_UPDATE: scene(seconds, -1); break;
    case MSG_CLOSE:
        scene(0.0f, -1);
        VH_SceneReady = false;
        VH_ID += 4;
        VH_State = VH_ID <= 5 ? VHS_INTRO : VHS_EXIT;
        VH_Msg = MSG_INITIALIZE;
        break;
    case MSG_RENDER:
    case MSG_KEYBOARD: scene(0.0f, -1); break;
    default: VH_Exit(1);
    }
}

void VH_RenderScene() {
    if (VH_Msg != MSG_UPDATE) return;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    VH_Msg = MSG_RENDER;
    if (VH_SceneReady) VH_RunScene(0.0f);
    VH_Msg = MSG_UPDATE;
}

void VH_RunIntro(float seconds) {
    switch (VH_Msg) {
    case MSG_INITIALIZE:
        VH_IntroTime = 0.0f;
        TEX_Clear();
        VH_Msg = MSG_INITIALIZE;
        VH_State = VHS_TRANSITION;
        newMSG = MSG_UPDATE;
        newSTATE = VHS_INTRO;
        newID = VH_ID;
        VH_IntroTexture = TEX_Load(VH_SceneTable[VH_ID].picture, 0, 0);
        VH_ID = ID_FADEIN;
        break;
    case MSG_UPDATE:
        VH_IntroTime += seconds * 1000.0f;
        if (VH_IntroTime < VH_IntroShowTime) break;
        VH_Msg = MSG_INITIALIZE;
        VH_State = VHS_TRANSITION;
        newMSG = MSG_CLOSE;
        newSTATE = VHS_INTRO;
        newID = VH_ID;
        VH_ID = ID_FADEOUT;
        break;
    case MSG_CLOSE:
        VH_Msg = MSG_INITIALIZE;
        VH_ID -= 3;
        VH_State = VHS_SCENE;
        VH_IntroTexture = 0;
        TEX_Clear();
        break;
    default: VH_Exit(1);
    }
}

void VH_RenderIntro() {
    if (VH_Msg != MSG_UPDATE) return;
    glClear(GL_COLOR_BUFFER_BIT);
    if (VH_ID >= 3 && VH_ID <= 5 && VH_IntroTexture != 0) drawPictureOverWindow(VH_IntroTexture);
}

void VH_RunTransition(float seconds) {
    switch (VH_Msg) {
    case MSG_INITIALIZE:
        if (VH_ID == ID_FADEIN) {
            VH_FadeColor[0] = VH_FadeColor[1] = VH_FadeColor[2] = 0.0f;
            VH_FadeColor[3] = 1.0f;
            VH_FadeSpeed = -1.0f / (0.001f * VH_FadeInTime);
            VH_Msg = MSG_UPDATE;
        } else if (VH_ID == ID_FADEOUT) {
            VH_FadeColor[0] = VH_FadeColor[1] = VH_FadeColor[2] = 0.0f;
            VH_FadeColor[3] = 0.0f;
            VH_FadeSpeed = 1.0f / (0.001f * VH_FadeOutTime);
            VH_Msg = MSG_UPDATE;
        }
        break;
    case MSG_UPDATE:
        if (VH_ID != ID_FADEIN && VH_ID != ID_FADEOUT) break;
        VH_FadeColor[3] += VH_FadeSpeed * seconds;
        // Strict tests: landing exactly on 0 or 1 does not end the fade yet.
        if (VH_ID == ID_FADEIN && VH_FadeColor[3] < 0.0f) {
            VH_FadeColor[3] = 0.0f;
            VH_Msg = MSG_CLOSE;
        } else if (VH_ID == ID_FADEOUT && VH_FadeColor[3] > 1.0f) {
            VH_FadeColor[3] = 1.0f;
            VH_Msg = MSG_CLOSE;
        }
        break;
    case MSG_CLOSE:
        if (VH_ID != ID_FADEIN && VH_ID != ID_FADEOUT) break;
        // Draw the finished fade into the back buffer, so a fade-out's last frame is black.
        VH_Msg = MSG_UPDATE;
        VH_RenderTransition();
        VH_Msg = newMSG;
        VH_ID = newID;
        VH_State = newSTATE;
        break;
    default: VH_Exit(1);
    }
}

void VH_RenderTransition() {
    if (VH_Msg != MSG_UPDATE) return;
    glClear(GL_COLOR_BUFFER_BIT);
    if (VH_ID != ID_FADEIN && VH_ID != ID_FADEOUT) return;
    if (VH_IntroTexture != 0) drawPictureOverWindow(VH_IntroTexture);
    CON_Begin2D(false);
    glColor4fv(VH_FadeColor);
    CON_DrawRect(0, (float)VH_WindowWidth, 0, (float)VH_WindowHeight);
    CON_End2D();
}
