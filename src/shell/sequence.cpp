// sequence: the table of intros and scenes, and the intro, transition and scene states.
//
// An intro hands over to a fade-in, holds its picture, hands over to a fade-out, and then
// closes into the next row. A transition returns to the state, id and message it was
// given. A scene runs until its close, then the next row begins, or the exit state.
#include "shell/sequence.h"

#include <GL/gl.h>
#include <cstring>
#include <strings.h>

#include "camera/camera.h"
#include "core/catalogue.h"
#include "core/debuglog.h"
#include "core/platform.h"
#include "core/program.h"
#include "core/report.h"
#include "core/viewport.h"
#include "image/texture.h"
#include "scenes/scenes.h"
#include "shell/state.h"
#include "text/overlay.h"

namespace {

// ---------------------------------------------------------------------------
// the table
// ---------------------------------------------------------------------------

// The demo's parts, in playing order. Everything that names or counts the parts (goto, --start,
// vhcapture's summary and plot, the state ids) reads this table, so a new scene is a row here and
// its handler in src/scenes/.
constexpr VH_SequenceRow kSequence[] = {
    {VH_ROW_INTRO, "intro1", CAT_INTRO1_PICTURE, nullptr, nullptr},
    {VH_ROW_SCENE, "scene1", nullptr, View1Main, V1_ScriptSeen},
    {VH_ROW_INTRO, "intro2", CAT_INTRO2_PICTURE, nullptr, nullptr},
    {VH_ROW_SCENE, "scene2", nullptr, View2Main, V2_ScriptSeen},
    {VH_ROW_INTRO, "intro3", CAT_INTRO3_PICTURE, nullptr, nullptr},
    {VH_ROW_SCENE, "scene3", nullptr, View3Main, V3_ScriptSeen},
};
constexpr int kDemoRowCount = sizeof(kSequence) / sizeof(kSequence[0]);
constexpr int kMaxRows = kDemoRowCount + 8; // room for the rows tests append

// The table that plays: the demo's rows, then any a test appended.
struct Table {
    VH_SequenceRow row[kMaxRows];
    int count;
};
constexpr Table demoTable() {
    Table t{};
    for (int i = 0; i < kDemoRowCount; ++i)
        t.row[i] = kSequence[i];
    t.count = kDemoRowCount;
    return t;
}
Table table = demoTable();
const VH_SequenceRow* const rows = table.row;
VH_SceneHandler handlerInPlace[kMaxRows] = {}; // a test's recorder in a scene's place

int countRows(VH_RowKind kind, int before) {
    int n = 0;
    for (int i = 0; i < before; ++i)
        n += rows[i].kind == kind;
    return n;
}
int sceneCount() {
    return countRows(VH_ROW_SCENE, table.count);
}
int introCount() {
    return countRows(VH_ROW_INTRO, table.count);
}

VH_SceneHandler handlerOf(int row) {
    return handlerInPlace[row] ? handlerInPlace[row] : rows[row].handler;
}

// ---------------------------------------------------------------------------
// state of the intro, transition and scene states
// ---------------------------------------------------------------------------

bool sceneReady = false;
bool autoplay = false;
Uint32 introTexture = 0;
float introTime = 0.0f;                        // ms
float fadeColor[4] = {0.0f, 0.0f, 0.0f, 0.0f}; // RGB always black; A is the fade
float fadeSpeed = 0.0f;                        // alpha per second
int returnState = 0;                           // where a transition goes when it closes
int returnID = 0;
int returnMsg = 0;

void drawPictureOverWindow(Uint32 texture) {
    glBindTexture(GL_TEXTURE_2D, texture);
    CON_Begin2D(true);
    glColor4f(1, 1, 1, 1);
    CON_DrawTexturedRect(0, (float)VH_WindowWidth, 0, (float)VH_WindowHeight);
    CON_End2D();
}

void startTransition(int id, int backState, int backID, int backMsg) {
    returnState = backState;
    returnID = backID;
    returnMsg = backMsg;
    VH_SetProgramState(VHS_TRANSITION, id, MSG_INITIALIZE);
}
} // namespace

int VH_FadeInID() {
    return sceneCount() + introCount();
}
int VH_FadeOutID() {
    return sceneCount() + introCount() + 1;
}
int VH_ExitID() {
    return sceneCount() + introCount();
}

const float VH_IntroShowTime = 1000.0f;
const float VH_FadeInTime = 1200.0f;
const float VH_FadeOutTime = 1200.0f;

// ---------------------------------------------------------------------------
// the table's queries
// ---------------------------------------------------------------------------

int VH_SequenceLength() {
    return table.count;
}
int VH_SceneCount() {
    return sceneCount();
}

bool VH_AppendSequenceRow(const VH_SequenceRow& row) {
    const bool complete = row.kind == VH_ROW_SCENE ? row.handler != nullptr : row.picture != nullptr;
    if (table.count >= kMaxRows || !row.name || !complete || VH_PartByName(row.name) >= 0) return false;
    table.row[table.count++] = row;
    return true;
}

const VH_SequenceRow* VH_SequenceRowAt(int row) {
    return row >= 0 && row < table.count ? &rows[row] : nullptr;
}

int VH_RowID(int row) {
    if (row < 0 || row >= table.count) return -1;
    if (rows[row].kind == VH_ROW_SCENE) return countRows(VH_ROW_SCENE, row);
    return sceneCount() + countRows(VH_ROW_INTRO, row);
}

int VH_RowOf(int state, int id) {
    const VH_RowKind kind = state == VHS_SCENE ? VH_ROW_SCENE : VH_ROW_INTRO;
    if (state != VHS_SCENE && state != VHS_INTRO) return -1;
    for (int row = 0; row < table.count; ++row)
        if (rows[row].kind == kind && VH_RowID(row) == id) return row;
    return -1;
}

int VH_RowByName(const char* name) {
    for (int row = 0; name && row < table.count; ++row)
        if (strcasecmp(rows[row].name, name) == 0) return row;
    return -1;
}

int VH_PartByName(const char* name) {
    if (name && strcasecmp(name, VH_CREDITS_PART) == 0) return table.count;
    return VH_RowByName(name);
}

std::string VH_PartList(const char* between, const char* beforeLast) {
    std::string list;
    for (int row = 0; row < table.count; ++row)
        list += std::string(rows[row].name) + between;
    if (table.count > 0) list.resize(list.size() - std::strlen(between));
    return list + (table.count > 0 ? beforeLast : "") + VH_CREDITS_PART;
}

namespace {
int rowEntries = 0;
}

int VH_RowEntries() {
    return rowEntries;
}

void VH_EnterRow(int row) {
    ++rowEntries;
    CAM_ForgetApplied(); // the console's camera command speaks of the part that runs
    if (row < 0 || row >= table.count) {
        VH_SetProgramState(VHS_EXIT, VH_ExitID(), MSG_INITIALIZE);
        return;
    }
    VH_SetProgramState(rows[row].kind == VH_ROW_SCENE ? VHS_SCENE : VHS_INTRO, VH_RowID(row), MSG_INITIALIZE);
}

int VH_CurrentRow() {
    switch (VH_GetState()) {
    case VHS_SCENE:
    case VHS_INTRO:
        return VH_RowOf(VH_GetState(), VH_GetID());
    case VHS_TRANSITION:
        return VH_RowOf(returnState, returnID);
    case VHS_EXIT:
        return table.count;
    default:
        return -1;
    }
}

void VH_GotoRow(int row) {
    VH_LeavePart();
    VH_EnterRow(row);
}

void VH_LeavePart() {
    switch (VH_GetState()) {
    case VHS_SCENE: {
        const int current = VH_RowOf(VHS_SCENE, VH_GetID());
        if (sceneReady && current >= 0) {
            VH_SetMsg(MSG_CLOSE);
            handlerOf(current)(0.0f, -1);
        }
        sceneReady = false;
        break;
    }
    case VHS_INTRO:
    case VHS_TRANSITION:
        introTexture = 0;
        TEX_Clear();
        break;
    case VHS_EXIT:
        VH_LeaveExitState();
        break;
    default:
        break;
    }
}

VH_SceneHandler VH_SetSceneHandler(int row, VH_SceneHandler handler) {
    if (row < 0 || row >= table.count || rows[row].kind != VH_ROW_SCENE) return nullptr;
    const VH_SceneHandler old = handlerOf(row);
    handlerInPlace[row] = handler;
    return old;
}

void VH_SetAutoplay(bool on) {
    autoplay = on;
}
bool VH_Autoplay() {
    return autoplay;
}

bool VH_IsSceneReady() {
    return sceneReady;
}
void VH_SetSceneReady(bool ready) {
    sceneReady = ready;
}
Uint32 VH_GetIntroTexture() {
    return introTexture;
}
float VH_GetFadeAlpha() {
    return fadeColor[3];
}
float VH_GetFadeSpeed() {
    return fadeSpeed;
}

void VH_SetFade(float alpha, float speed) {
    fadeColor[3] = alpha;
    fadeSpeed = speed;
}

void VH_GetTransitionReturn(int* state, int* id, int* msg) {
    *state = returnState;
    *id = returnID;
    *msg = returnMsg;
}

// ---------------------------------------------------------------------------
// scene state
// ---------------------------------------------------------------------------

void VH_RunScene(float seconds) {
    const int row = VH_RowOf(VHS_SCENE, VH_GetID());
    if (row < 0) VH_Fail(nullptr, "no scene runs under id %d", VH_GetID());
    const VH_SceneHandler scene = handlerOf(row);
    // Closing before the update rather than after it keeps the frame of this step drawn: a
    // scene state left with a pending close draws nothing.
    if (autoplay && VH_GetMsg() == MSG_UPDATE && sceneReady && rows[row].seen && rows[row].seen()) {
        DBG_Print("autoplay: %s has been seen through; moving on", rows[row].name);
        VH_SetMsg(MSG_CLOSE);
    }
    switch (VH_GetMsg()) {
    case MSG_INITIALIZE:
        scene(0.0f, -1);
        VH_SetMsg(MSG_UPDATE);
        sceneReady = true;
        break;
    case MSG_UPDATE:
        scene(seconds, -1);
        break;
    case MSG_CLOSE:
        scene(0.0f, -1);
        sceneReady = false;
        VH_EnterRow(row + 1);
        break;
    case MSG_RENDER:
    case MSG_KEYBOARD:
        scene(0.0f, -1);
        break;
    default:
        VH_Fail(nullptr, "the scene state got message %d, which is not a message", VH_GetMsg());
    }
}

void VH_RenderScene() {
    if (VH_GetMsg() != MSG_UPDATE) return;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    VH_SetMsg(MSG_RENDER);
    if (sceneReady) VH_RunScene(0.0f);
    VH_SetMsg(MSG_UPDATE);
}

// ---------------------------------------------------------------------------
// intro state
// ---------------------------------------------------------------------------

void VH_RunIntro(float seconds) {
    const int id = VH_GetID();
    switch (VH_GetMsg()) {
    case MSG_INITIALIZE: {
        const int row = VH_RowOf(VHS_INTRO, id);
        if (row < 0) VH_Fail(nullptr, "no intro runs under id %d", id);
        introTime = 0.0f;
        TEX_Clear();
        startTransition(VH_FadeInID(), VHS_INTRO, id, MSG_UPDATE);
        introTexture = TEX_Load(rows[row].picture, 0, 0);
        break;
    }
    case MSG_UPDATE:
        introTime += seconds * 1000.0f;
        if (introTime < VH_IntroShowTime) break;
        startTransition(VH_FadeOutID(), VHS_INTRO, id, MSG_CLOSE);
        break;
    case MSG_CLOSE: {
        const int row = VH_RowOf(VHS_INTRO, id);
        if (row < 0) VH_Fail(nullptr, "no intro runs under id %d", id);
        VH_EnterRow(row + 1);
        introTexture = 0;
        TEX_Clear();
        break;
    }
    default:
        VH_Fail(nullptr, "the intro state got message %d, which is not a message", VH_GetMsg());
    }
}

void VH_RenderIntro() {
    if (VH_GetMsg() != MSG_UPDATE) return;
    glClear(GL_COLOR_BUFFER_BIT);
    if (VH_RowOf(VHS_INTRO, VH_GetID()) >= 0 && introTexture != 0) drawPictureOverWindow(introTexture);
}

// ---------------------------------------------------------------------------
// transition state
// ---------------------------------------------------------------------------

void VH_RunTransition(float seconds) {
    const int id = VH_GetID();
    const bool fade = id == VH_FadeInID() || id == VH_FadeOutID();
    switch (VH_GetMsg()) {
    case MSG_INITIALIZE:
        if (id == VH_FadeInID()) {
            fadeColor[0] = fadeColor[1] = fadeColor[2] = 0.0f;
            fadeColor[3] = 1.0f;
            fadeSpeed = -1.0f / (0.001f * VH_FadeInTime);
            VH_SetMsg(MSG_UPDATE);
        } else if (id == VH_FadeOutID()) {
            fadeColor[0] = fadeColor[1] = fadeColor[2] = 0.0f;
            fadeColor[3] = 0.0f;
            fadeSpeed = 1.0f / (0.001f * VH_FadeOutTime);
            VH_SetMsg(MSG_UPDATE);
        }
        break;
    case MSG_UPDATE:
        if (!fade) break;
        fadeColor[3] += fadeSpeed * seconds;
        // Strict tests: landing exactly on 0 or 1 does not end the fade yet.
        if (id == VH_FadeInID() && fadeColor[3] < 0.0f) {
            fadeColor[3] = 0.0f;
            VH_SetMsg(MSG_CLOSE);
        } else if (id == VH_FadeOutID() && fadeColor[3] > 1.0f) {
            fadeColor[3] = 1.0f;
            VH_SetMsg(MSG_CLOSE);
        }
        break;
    case MSG_CLOSE:
        if (!fade) break;
        // Draw the finished fade into the back buffer, so a fade-out's last frame is black.
        VH_SetMsg(MSG_UPDATE);
        VH_RenderTransition();
        VH_SetProgramState(returnState, returnID, returnMsg);
        break;
    default:
        VH_Fail(nullptr, "the transition state got message %d, which is not a message", VH_GetMsg());
    }
}

void VH_RenderTransition() {
    if (VH_GetMsg() != MSG_UPDATE) return;
    glClear(GL_COLOR_BUFFER_BIT);
    const int id = VH_GetID();
    if (id != VH_FadeInID() && id != VH_FadeOutID()) return;
    if (introTexture != 0) drawPictureOverWindow(introTexture);
    CON_Begin2D(false);
    glColor4fv(fadeColor);
    CON_DrawRect(0, (float)VH_WindowWidth, 0, (float)VH_WindowHeight);
    CON_End2D();
}
