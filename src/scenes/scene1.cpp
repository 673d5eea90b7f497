// scene1: scene one, the night beach. The camera flies in over the sea to the rock; eight
// figures in glowing spheres are launched one by one from a ring above the city, meet at one
// point in the air and then each fly their own loop while the camera follows or chases two
// of them. 'A' shuffles the trail colours among the figures.
#include "scenes/scene1.h"

#include <GL/gl.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "camera/camera.h"
#include "camera/spline.h"
#include "core/catalogue.h"
#include "core/passmark.h"
#include "core/debuglog.h"
#include "core/program.h"
#include "core/report.h"
#include "core/timer.h"
#include "data/resfile.h"
#include "data/rwops.h"
#include "image/texture.h"
#include "model/mesh.h"
#include "particles/effects.h"
#include "particles/grid.h"
#include "particles/papi.h"
#include "particles/render.h"
#include "scenes/scenes.h"
#include "scenes/stage.h"
#include "text/console.h"
#include "text/font.h"

namespace {

constexpr int kGridSize = 48;
constexpr float kGridScale = 7.0f;
constexpr int kFountainParticles = 300;
constexpr int kFireParticles = 100;
constexpr int kTrailParticles = 1000;
constexpr float kPathScale = 2.0f;  // the file stores the loops at half size
constexpr float kPathSpeed = 24.0f; // units per second
constexpr float kPauseMs = 500.0f;  // between the opening flight and the first launch
constexpr float kLaunchEveryMs = 900.0f;
constexpr float kSwitchEveryMs = 5500.0f; // the camera changes figure this often on the paths
constexpr float kEyeMoveMs = 5000.0f;
constexpr float kGatherLookMs = 3000.0f;
constexpr float kGlowRadius = 0.85f;
constexpr float kFigureScale = 0.007f;
constexpr float kTrailBillboardScale = 0.5f;
constexpr float kSprayBillboardScale = 0.05f;
constexpr float kRingRadius = 5.0f;
constexpr float kDegToRad = 0.017453292519943295f;

const char* const kConsoleHint = "Press the 'A' key to change the particle colors";
const char* const kScreenHint = "Press the '~'[tilde] key to toggle the console";
constexpr int kHintFont = 5;

const VECTOR kRingCentre(-10.6f, 22.0f, 15.6f);
const VECTOR kFountainAt(-10.6f, 19.0f, 15.6f);
const VECTOR kFireAt(-25.0f, 2.5f, 90.0f);
const GLfloat kGlowColour[4] = {0.5f, 0.6f, 0.1f, 0.6f};

const STAGE_Placement kPlacements[V1_MESH_COUNT] = {
    {{0, -8, 60}, {0, -90, 0}, {15, 20, 15}},
    {{-35, 0, 10}, {0, 0, 0}, {2.5f, 1, 1}},
    {{-25, 2.5f, 90}, {0, 0, 0}, {0.15f, 0.15f, 0.15f}},
    {{-24, 2.5f, 100}, {0, 90, 0}, {1, 1, 1}},
    {{-10, 20, 10}, {0, -90, 0}, {1, 1, 1}},
    {{0, 10, 0}, {0, 0, 0}, {0.03f, 0.03f, 0.03f}},
};
// Beach, chair, camp fire, rock, city: the figure is drawn apart, once per figure.
const int kDrawOrder[] = {0, 3, 2, 1, 4};

struct Light {
    GLenum name;
    GLfloat position[4];
    GLfloat ambient[4];
    GLfloat diffuse[4]; // also the specular colour
    bool spot;          // pointing straight down with a cut-off of 90 degrees
};
const GLfloat kSpotDown[3] = {0.0f, -1.0f, 0.0f};
// Green over the city, red over the fire, a faint blue moon from above.
const Light kLights[3] = {
    {GL_LIGHT0, {-10, 25, 10, 1}, {0, 0, 0, 1}, {0.2f, 0.8f, 0.2f, 1}, true},
    {GL_LIGHT1, {-25, 5, 90, 1}, {0, 0, 0, 1}, {0.7f, 0.2f, 0.2f, 1}, true},
    {GL_LIGHT2, {0, 1, 0, 0}, {0.1f, 0.1f, 0.2f, 1}, {0.3f, 0.3f, 0.4f, 1}, false},
};
const GLfloat kFlashAmbient[4] = {0.6f, 0.7f, 0.2f, 1.0f};
const GLfloat kFlashDiffuse[4] = {0.9f, 0.8f, 0.4f, 1.0f};

// Where the eye goes on each eye move of the paths step, in turn: by the fire, over the rock, high above.
const VECTOR kEyePoints[3] = {VECTOR(-33.0f, 5.1f, 90.0f), VECTOR(-13.0f, 24.78f, 3.6f), VECTOR(54.0f, 85.0f, 70.0f)};

// Kept across visits: a second visit keeps the shuffled order and the spin.
VECTOR V1_FlierColors[V1_FLIER_COUNT] = {
    VECTOR(0.8f, 0.0f, 0.0f), VECTOR(0.0f, 1.0f, 0.0f), VECTOR(0.0f, 0.0f, 1.0f), VECTOR(0.8f, 1.0f, 1.0f),
    VECTOR(0.8f, 0.9f, 0.3f), VECTOR(0.4f, 1.0f, 0.2f), VECTOR(0.2f, 0.8f, 1.0f), VECTOR(1.0f, 0.0f, 1.0f),
};
float V1_SpinAngle = 0.0f;

FLIERS V1_Fliers[V1_FLIER_COUNT] = {};
DemoCamera* V1_Camera = nullptr;
t3DModel* V1_Meshes[V1_MESH_COUNT] = {};
const VECTOR V1_GatherPoint(60.0f, 45.0f, 93.0f);
PathControl3D* V1_Paths = nullptr;
int V1_PathCount = 0;
int V1_FountainGroup = -1;
int V1_FireGroup = -1;
Uint32 V1_FlareTexture = 0; // loaded with the others, never drawn
Uint32 V1_TrailTexture = 0;
Uint32 V1_SprayTexture = 0;
Uint32 V1_WaterTexture = 0;
std::unique_ptr<float[]> V1_Grid;
int V1_HintLine = -1;
int V1_State = -1;
bool V1_StepStarted = false;
float V1_StepTime = 0.0f;
int V1_Launched = 0;
int V1_Arrived = 0;
const float V1_LaunchTime = 5000.0f; // ms of one launch flight
FLIERS* V1_Followed = nullptr;
bool V1_EyeMovePending = false;
int V1_EyeCycle = 0;
int V1_Switches = 0; // camera switches between the two followed figures since the paths began
double V1_SceneTime = 0.0;

void setLight(const Light& l, const GLfloat* ambient, const GLfloat* diffuse) {
    glLightfv(l.name, GL_AMBIENT, ambient);
    glLightfv(l.name, GL_DIFFUSE, diffuse);
    glLightfv(l.name, GL_SPECULAR, diffuse);
}

void placeLights() {
    for (const Light& l : kLights) {
        glLightfv(l.name, GL_POSITION, l.position);
        if (l.spot) glLightfv(l.name, GL_SPOT_DIRECTION, kSpotDown);
    }
}

void setupLightsAndFog() {
    const GLfloat fogColour[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    STAGE_LinearFog(60.0f, 310.0f, fogColour);

    glEnable(GL_LIGHTING);
    for (const Light& l : kLights) {
        glLightfv(l.name, GL_POSITION, l.position);
        setLight(l, l.ambient, l.diffuse);
        if (l.spot) {
            glLightfv(l.name, GL_SPOT_DIRECTION, kSpotDown);
            glLightf(l.name, GL_SPOT_CUTOFF, 90.0f);
        }
        glEnable(l.name);
    }
}

// Why the path file could not be read, for the one line the program ends with. Only called
// once the reader has refused it, so the cost of a second look does not matter.
void failOnPaths() {
    VH_RWops* stream = RES_OpenEntryStream(CAT_BEACH_PATHS);
    if (!stream) VH_Fail(CAT_BEACH_PATHS, "not in the archive");
    unsigned char header[8] = {};
    const bool whole = stream->read(stream, header, sizeof header, 1) == 1;
    stream->close(stream);
    if (!whole) VH_Fail(CAT_BEACH_PATHS, "damaged: shorter than its 8-byte header");
    if (std::memcmp(header, "SPO", 4) != 0) VH_Fail(CAT_BEACH_PATHS, "not a path file (no SPO mark)");
    if (header[4] != 1 || header[5] != 1)
        VH_Fail(CAT_BEACH_PATHS, "version %d.%d, the reader takes 1.1", header[4], header[5]);
    VH_Fail(CAT_BEACH_PATHS,
            "damaged: a path is cut short, has fewer than two control points or more than its knot table holds, "
            "a resolution outside 2 to %d, or a value that is no number",
            SPL_MAX_RESOLUTION);
}

void loadPaths() {
    int count = 0;
    V1_Paths = OpenPath3DFile(CAT_BEACH_PATHS, &count);
    if (!V1_Paths) failOnPaths();
    if (count != V1_FLIER_COUNT) {
        delete[] V1_Paths;
        V1_Paths = nullptr;
        VH_Fail(CAT_BEACH_PATHS, "holds %d paths, the scene flies exactly %d", count, V1_FLIER_COUNT);
    }
    V1_PathCount = count;
}

void setupFigures() {
    for (int i = 0; i < V1_FLIER_COUNT; ++i) {
        FLIERS& f = V1_Fliers[i];
        PathControl3D& path = V1_Paths[i];
        f.group = PART_CreateGroups(1, kTrailParticles);
        f.path = &path;
        f.colour = V1_FlierColors[i];
        f.visible = false;
        f.state = 0;
        f.start = path.points[0];
        const float a = static_cast<float>(i) * 45.0f * kDegToRad;
        f.position =
            VECTOR(kRingRadius * std::cos(a) + kRingCentre.x, kRingCentre.y, kRingRadius * std::sin(a) + kRingCentre.z);
        f.offset = VECTOR(0.0f, 0.0f, 0.0f);
        f.heading = VECTOR(0.0f, 0.0f, 0.0f);
        f.progress = 0.0f;
        f.rate = 0.0f;
        for (VECTOR& point : path.points)
            point = point * kPathScale;
        path.SetSpeed(kPathSpeed);
        path.loop = true;
        path.active = false;
    }
}

void View1MainInit() {
    V1_HintLine = CON_AddPinnedLine(VH_Console, kConsoleHint);
    V1_Camera = new (std::nothrow)
        DemoCamera(VECTOR(-15.0f, 4.3f, 104.0f), VECTOR(-5.0f, 19.0f, 200.0f), VECTOR(0.0f, 1.0f, 0.0f));

    V1_FountainGroup = PART_CreateGroups(1, kFountainParticles);
    PART_SelectGroup(V1_FountainGroup);
    V1_FireGroup = PART_CreateGroups(1, kFireParticles);
    PART_SelectGroup(V1_FireGroup);

    V1_FlareTexture = TEX_Load(CAT_FLARE_TEXTURE, TEX_ALPHA | TEX_MIPMAP, 0);
    V1_TrailTexture = TEX_Load(CAT_PARTICLE_TEXTURE1, TEX_LUMINANCE | TEX_MIPMAP, 0);
    V1_SprayTexture = TEX_Load(CAT_PARTICLE_TEXTURE2, TEX_LUMINANCE | TEX_MIPMAP, 0);

    loadPaths();

    V1_WaterTexture = TEX_Load(CAT_WATER_TEXTURE, TEX_REPEAT | TEX_MIPMAP, 0);
    V1_Grid.reset(new float[kGridSize * kGridSize]());
    GRID_Set(kGridSize, kGridSize, V1_Grid.get());
    GRID_SetScale(kGridScale, kGridScale, kGridScale);

    setupLightsAndFog();
    STAGE_LoadPlaced(CAT_BEACH_MESHES, kPlacements, V1_MESH_COUNT, V1_Meshes);
    setupFigures();

    V1_Followed = nullptr;
    V1_EyeMovePending = false;
    V1_EyeCycle = 0;
    V1_Switches = 0; // the last visit's count must not close this one as it reaches the paths
    V1_SceneTime = 0.0;
    V1_StepStarted = false;
    V1_State = 0;
    DBG_Trace("scene one: step 0 at 0.000 s");
    TIMER_GetDelta(); // the first update must not include the loading time
}

void nextStep() {
    V1_StepStarted = false;
    ++V1_State;
    DBG_Trace("scene one: step %d at %.3f s", V1_State, V1_SceneTime);
}

void launchNext() {
    FLIERS& f = V1_Fliers[V1_Launched];
    f.visible = true;
    f.state = 1;
    f.heading = V1_GatherPoint - f.position;
    f.start = f.position;
    f.progress = 0.0f;
    f.rate = 1.0f / V1_LaunchTime;
    ++V1_Launched;
    V1_StepTime = 0.0f;
    setLight(kLights[0], kFlashAmbient, kFlashDiffuse);
}

void enterPaths() {
    for (FLIERS& f : V1_Fliers) {
        f.start = f.path->points[0];
        f.offset = f.position - f.start;
        f.path->active = true;
        f.state = 3;
    }
    V1_StepTime = 0.0f;
    V1_Switches = 0;
    V1_Followed = &V1_Fliers[0];
    for (int i = V1_FLIER_COUNT - 1; i >= 0; --i) {
        const FLIERS& f = V1_Fliers[i];
        if (f.position.y + f.offset.y >= 0.0f) {
            V1_Followed = &V1_Fliers[i];
            break;
        }
    }
    if (V1_Camera) V1_Camera->AddFollowEvent(V1_Followed, CAM_TARGET);
    V1_EyeMovePending = false;
}

void updatePaths(float ms) {
    V1_StepTime += ms;
    if (V1_StepTime >= kSwitchEveryMs) {
        FLIERS* seven = &V1_Fliers[7];
        V1_Followed = V1_Followed == seven ? &V1_Fliers[6] : seven;
        if (std::rand() % 2 == 1) {
            if (V1_Camera) V1_Camera->AddFollowEvent(V1_Followed, CAM_TARGET);
            V1_EyeMovePending = true;
        } else {
            const int mode = std::rand() % 4;
            if (V1_Camera) V1_Camera->AddChaseEvent(V1_Followed, CAM_EYE | CAM_TARGET, mode);
            V1_EyeMovePending = false;
        }
        V1_StepTime = 0.0f;
        ++V1_Switches;
    }
    if (V1_EyeMovePending && V1_Camera && V1_Camera->CountActiveEvents() == 1) {
        V1_EyeMovePending = false;
        V1_Camera->AddLinearEventFromCurrent(kEyePoints[V1_EyeCycle], kEyeMoveMs, CAM_EYE);
        V1_EyeCycle = (V1_EyeCycle + 1) % 3;
    }
}

void updateLaunches(float ms) {
    V1_StepTime += ms;
    if (V1_StepTime >= kLaunchEveryMs && V1_Launched < V1_FLIER_COUNT) launchNext();
    for (int j = 0; j < V1_Launched; ++j) {
        FLIERS& f = V1_Fliers[j];
        if (f.progress >= 1.0f) continue;
        // The place written is that of the progress before this step, so a figure comes to rest
        // one step short of the gathering point; the paths step picks it up from there.
        f.position = f.start + f.heading * f.progress;
        f.progress += ms * f.rate;
        if (f.progress >= 1.0f) ++V1_Arrived;
    }
    if (V1_Launched == 4 && V1_Camera) V1_Camera->AddLinearEventFromCurrent(V1_GatherPoint, kGatherLookMs, CAM_TARGET);
    if (V1_Arrived == V1_FLIER_COUNT) {
        setLight(kLights[0], kLights[0].ambient, kLights[0].diffuse);
        nextStep();
    }
}

void runStep(float ms) {
    const bool entering = !V1_StepStarted;
    V1_StepStarted = true;
    switch (V1_State) {
    case 0:
        if (entering && V1_Camera) {
            V1_Camera->AddLinearEvent(VECTOR(-5.0f, 19.0f, 200.0f), kFountainAt, 8500.0f, CAM_TARGET);
            V1_Camera->AddLinearEvent(VECTOR(15.0f, 1.0f, 104.0f), VECTOR(-13.0f, 24.0f, 30.0f), 8000.0f, CAM_EYE);
        }
        // Without a camera there is no flight to wait for.
        if (!V1_Camera || V1_Camera->CountActiveEvents() == 0) nextStep();
        break;
    case 1:
        if (entering) V1_StepTime = 0.0f;
        V1_StepTime += ms;
        if (V1_StepTime >= kPauseMs) nextStep();
        break;
    case 2:
        if (entering) V1_Launched = V1_Arrived = 0, V1_StepTime = 0.0f;
        updateLaunches(ms);
        break;
    case 3:
        if (entering) enterPaths();
        updatePaths(ms);
        break;
    default:
        break;
    }
}

void View1MainUpdate(float seconds) {
    if (V1_State < 0) return; // an update without a scene: nothing to move
    const float ms = seconds * 1000.0f;
    V1_SceneTime += seconds;
    if (V1_Camera) V1_Camera->Update(seconds);

    PART_SetTimeStep(seconds * 100.0f);
    FX_Fountain(V1_FountainGroup);
    FX_Fire(V1_FireGroup);

    for (FLIERS& f : V1_Fliers) {
        if (f.state == 3) {
            const VECTOR old = f.position;
            f.path->Update(seconds);
            f.position = f.path->position;
            f.heading = f.position - old;
            f.heading.Normalize(); // a step that went nowhere keeps a zero heading
        }
        FX_FlierTrail(f);
    }
    runStep(ms);
}

void drawTranslucentPass() {
    glEnable(GL_BLEND);
    glDisable(GL_LIGHTING);
    glDepthMask(GL_FALSE);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glDisable(GL_TEXTURE_2D);

    glPushMatrix();
    glTranslatef(kFireAt.x, kFireAt.y, kFireAt.z);
    glRotatef(-90.0f, 1.0f, 0.0f, 0.0f);
    PART_SelectGroup(V1_FireGroup);
    PART_DrawGroup(GL_POINTS, 0);
    glPopMatrix();

    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, V1_TrailTexture);
    for (const FLIERS& f : V1_Fliers) {
        if (!f.visible) continue;
        PART_SelectGroup(f.group);
        PART_DrawBillboardsBound(kTrailBillboardScale, 0, 0);
    }

    glPushMatrix();
    glTranslatef(kFountainAt.x, kFountainAt.y, kFountainAt.z);
    glRotatef(-90.0f, 1.0f, 0.0f, 0.0f);
    PART_SelectGroup(V1_FountainGroup);
    glBindTexture(GL_TEXTURE_2D, V1_SprayTexture);
    PART_DrawBillboardsBound(kSprayBillboardScale, 0, 0);
    glPopMatrix();

    glDisable(GL_BLEND);
    glEnable(GL_LIGHTING);
    glDepthMask(GL_TRUE);
}

void drawFigures() {
    t3DModel* figure = V1_Meshes[V1_FIGURE_MESH];
    for (const FLIERS& f : V1_Fliers) {
        if (!f.visible) continue;
        glColor3f(1.0f, 1.0f, 1.0f);
        V1_SpinAngle += 1.0f;
        const VECTOR p = f.position + f.offset;
        if (figure) {
            MESH_SetPlacement(figure, p.x, p.y, p.z, 0.0f, V1_SpinAngle, 0.0f, kFigureScale, kFigureScale,
                              kFigureScale);
            MESH_Draw(figure, false);
        }
        // Texturing stays on from the figure (or the translucent pass): the sphere's colour comes
        // through the texel the current texture coordinate picks from the texture bound last.
        FX_DrawGlowSphere(kGlowRadius, p.x, p.y, p.z, kGlowColour);
    }
}

void View1MainRender() {
    if (V1_State < 0) return;
    if (V1_Camera) V1_Camera->Apply();
    placeLights(); // after the view, so the lights stay put in the world

    VH_BeginPass(VH_PASS_MODELS);
    MESH_BeginOpaquePass();
    MESH_Placed solids[sizeof kDrawOrder / sizeof kDrawOrder[0]];
    int solidCount = 0;
    for (int i : kDrawOrder)
        if (t3DModel* m = V1_Meshes[i]) solids[solidCount++] = {m, {m->position[0], m->position[1], m->position[2]}};
    MESH_DrawNearestFirst(solids, solidCount);
    MESH_EndOpaquePass();

    // The sea takes whatever blending the last frame left: translucent while text is drawn over the
    // scene (the hint, the open console), opaque otherwise.
    VH_BeginPass(VH_PASS_WATER);
    if (V1_Grid) {
        glBindTexture(GL_TEXTURE_2D, V1_WaterTexture);
        GRID_Draw();
    }
    VH_BeginPass(VH_PASS_PARTICLES);
    drawTranslucentPass();
    VH_BeginPass(VH_PASS_FIGURES);
    drawFigures();

    VH_BeginPass(VH_PASS_TEXT);
    if (V1_State == 0) FNT_DrawString(kScreenHint, 0, 0, kHintFont);
}

// Eight swaps of two random entries (perhaps the same one); each figure keeps its table entry's colour.
void shuffleColours() {
    for (int n = 0; n < V1_FLIER_COUNT; ++n) {
        const int i = std::rand() % V1_FLIER_COUNT;
        const int j = std::rand() % V1_FLIER_COUNT;
        const VECTOR swap = V1_FlierColors[i];
        V1_FlierColors[i] = V1_FlierColors[j];
        V1_FlierColors[j] = swap;
        V1_Fliers[i].colour = V1_FlierColors[i];
        V1_Fliers[j].colour = V1_FlierColors[j];
    }
}

void View1MainKey() {
    const int key = VH_GetKey();
    if (!VH_GetKeySpecial() && (key == 'A' || key == 'a')) shuffleColours();
}

void View1MainClose() {
    if (V1_HintLine >= 0) CON_RemoveLine(VH_Console, V1_HintLine);
    V1_HintLine = -1;
    delete V1_Camera;
    V1_Camera = nullptr;
    delete[] V1_Paths;
    V1_Paths = nullptr;
    V1_PathCount = 0;
    GRID_Reset();
    V1_Grid.reset();
    glDisable(GL_FOG);
    for (const Light& l : kLights)
        glDisable(l.name);
    for (t3DModel*& model : V1_Meshes) {
        if (model) MESH_FreeInstance(model);
        model = nullptr;
    }
    // A scene closed before it ever ran holds no groups: the zeroed records' group 0 may be
    // someone else's.
    if (V1_State >= 0) {
        for (FLIERS& f : V1_Fliers)
            PART_FreeGroups(f.group, 1);
        PART_FreeGroups(V1_FireGroup, 1);
        PART_FreeGroups(V1_FountainGroup, 1);
    }
    for (FLIERS& f : V1_Fliers) {
        f.group = -1;
        f.path = nullptr;
        f.visible = false;
        f.state = 0;
    }
    V1_FireGroup = V1_FountainGroup = -1;
    V1_Followed = nullptr;
    V1_FlareTexture = V1_TrailTexture = V1_SprayTexture = V1_WaterTexture = 0;
    V1_State = -1;
    MESH_Close();
    TEX_Clear();
}

} // namespace

V1_Status V1_GetStatus() {
    const int followed = V1_Followed ? static_cast<int>(V1_Followed - V1_Fliers) : -1;
    return V1_Status{V1_State,     V1_StepTime,  V1_Launched, V1_Arrived,   followed, V1_EyeCycle, V1_EyeMovePending,
                     V1_SpinAngle, V1_SceneTime, V1_HintLine, V1_PathCount, V1_Paths, V1_Camera,   V1_Meshes};
}

bool V1_ScriptSeen() {
    return V1_State == 3 && V1_Switches >= V1_SEEN_AFTER_SWITCHES;
}

FLIERS* V1_Flier(int i) {
    return i >= 0 && i < V1_FLIER_COUNT ? &V1_Fliers[i] : nullptr;
}

const VECTOR* V1_ColourTable() {
    return V1_FlierColors;
}

void View1Main(float seconds, int /*param*/) {
    switch (VH_GetMsg()) {
    case MSG_INITIALIZE:
        View1MainInit();
        break;
    case MSG_UPDATE:
        View1MainUpdate(seconds);
        break;
    case MSG_CLOSE:
        View1MainClose();
        break;
    case MSG_RENDER:
        View1MainRender();
        break;
    case MSG_KEYBOARD:
        View1MainKey();
        break;
    default:
        VH_Fail(nullptr, "scene one: message %d is not a message", VH_GetMsg());
    }
}
