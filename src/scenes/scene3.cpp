// scene3: scene three, the river. Five vehicles take turns along one curved path across
// the water, seen from a fixed viewpoint, with their paddles, wheels and turret turning.
#include "scenes/scene3.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <cmath>
#include <memory>

#include "camera/wedpath.h"
#include "core/catalogue.h"
#include "core/passmark.h"
#include "core/keys.h"
#include "core/platform.h"
#include "core/program.h"
#include "core/report.h"
#include "core/timer.h"
#include "image/texture.h"
#include "model/mesh.h"
#include "particles/grid.h"
#include "scenes/scenes.h"
#include "scenes/stage.h"
#include "text/console.h"

namespace {

constexpr int kGridSize = 48;
constexpr float kStartSpeed = 2.5f;
constexpr float kSpeedStep = 0.1f;
constexpr float kBoostStep = 5.0f; // degrees per second
constexpr float kRadToDeg = 57.29577951308232f;
const char* const kHint =
    "Press the LEFT arrow to slowdown boat ,the RIGHT arrow to speedup,and the SPACEBAR to reset speed";

const STAGE_Placement kPlacements[V3_MESH_COUNT] = {
    {{-5.0f, 1.0f, -30.0f}, {0, 65, 0}, {1, 1, 1}},
    {{-13.0f, 1.4f, -19.0f}, {0, 0, 0}, {1, 1, 1}},
    {{-19.8f, 10.5f, -40.0f}, {0, 0, 0}, {1, 1, 1}},
    {{0, 0, 0}, {0, 0, 0}, {1, 4, 1}},
    {{0, 0, 0}, {0, 0, 0}, {3, 7, 3}},
    {{0, 0.2f, 0}, {0, 0, 0}, {0.125f, 0.125f, 0.125f}},
    {{0, 0.2f, 0}, {0, 0, 0}, {0.125f, 0.125f, 0.125f}},
    {{0, 0.2f, 0}, {0, 0, 0}, {0.125f, 0.125f, 0.125f}},
    {{0, 0.2f, 0}, {0, 0, 0}, {0.125f, 0.125f, 0.125f}},
    {{0, 0.2f, 0}, {0, 0, 0}, {0.125f, 0.125f, 0.125f}},
};

struct TreeEntry {
    float position[3];
    int model;
};

const TreeEntry V3_Trees[8] = {
    {{-20, 0, -40}, 4}, {{-40, 0, -30}, 3}, {{-10, 0, -35}, 3}, {{-60, 0, -20}, 4},
    {{-17, 0, -21}, 3}, {{-30, 0, -30}, 4}, {{-12, 0, -2}, 3},  {{-70, 0, -30}, 4},
};

// Each vehicle's turning parts from the catalogue, with the angles the scene advances.
// The angles outlive the scene, like the vehicle and the speeds below.
STAGE_PartTable* vehicleParts() {
    static STAGE_PartTable tables[V3_VEHICLE_COUNT];
    static bool built = false;
    if (!built) {
        built = true;
        for (int v = 0; v < V3_VEHICLE_COUNT; ++v)
            STAGE_FillParts(&tables[v], CAT_RIVER_PART_TABLES[v]);
    }
    return tables;
}

t3DModel* V3_Meshes[V3_MESH_COUNT] = {};
PathControl* V3_Path = nullptr;
int V3_PathCount = 0;
// These three outlive the scene on purpose: a second visit resumes where the last left off.
int V3_Vehicle = 0;
float V3_Speed = kStartSpeed;
float V3_SpinBoost = 0.0f;
int V3_HintLine = -1;
int V3_Crossings = 0; // vehicles that reached the path's end in this visit
std::unique_ptr<float[]> gridBuffer;
Uint32 waterTexture = 0;
float lastYaw = 0.0f; // degrees; kept for the frames where the path has no heading

t3DModel* currentVehicle() {
    return V3_Meshes[V3_FIRST_VEHICLE + V3_Vehicle];
}

void setPathSpeed(float speed) {
    V3_Path[0].speed = speed;
    V3_Path[0].ComputeLength();
}

void setupLightAndFog() {
    const GLfloat position[4] = {0.0f, 9.0f, 0.0f, 1.0f};
    const GLfloat ambient[4] = {0.3f, 0.7f, 0.7f, 1.0f};
    const GLfloat diffuse[4] = {0.7f, 0.7f, 0.4f, 1.0f};
    glEnable(GL_LIGHTING);
    STAGE_Lamp(GL_LIGHT0, position, ambient, diffuse);
    glEnable(GL_LIGHT0);

    const GLfloat fogColour[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    STAGE_LinearFog(5.0f, 70.0f, fogColour);
}

void loadModels() {
    STAGE_LoadPlaced(CAT_RIVER_MESHES, kPlacements, V3_MESH_COUNT, V3_Meshes);
    // The vehicle on the path is the one shown, also when a second visit resumes at
    // a later vehicle than the first.
    for (int i = V3_FIRST_VEHICLE; i < V3_MESH_COUNT; ++i)
        if (V3_Meshes[i]) V3_Meshes[i]->visible = (i == V3_FIRST_VEHICLE + V3_Vehicle);
}

void View3MainInit() {
    V3_HintLine = CON_AddPinnedLine(VH_Console, kHint);

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(0.0, 2.5, 0.0, -13.0, 1.4, -19.0, 0.0, 1.0, 0.0);

    V3_Path = OpenWEDFile(CAT_RIVER_PATH, &V3_PathCount);
    if (!V3_Path) VH_Fail(CAT_RIVER_PATH, "%s", WED_LastFault());
    V3_Path[0].Scale(7.0f);
    V3_Path[0].loop = false;
    setPathSpeed(kStartSpeed);
    V3_Crossings = 0;

    waterTexture = TEX_Load(CAT_WATER_TEXTURE, TEX_REPEAT | TEX_MIPMAP, 0);
    gridBuffer.reset(new float[kGridSize * kGridSize]());
    GRID_Set(kGridSize, kGridSize, gridBuffer.get());
    GRID_SetScale(1.0f, 1.0f, 1.0f);

    setupLightAndFog();
    loadModels();

    TIMER_GetDelta(); // the first update must not include the loading time
    V3_Path[0].SetRunning(true);
}

void nextVehicle() {
    ++V3_Crossings;
    if (t3DModel* old = currentVehicle()) old->visible = false;
    V3_Vehicle = (V3_Vehicle + 1) % V3_VEHICLE_COUNT;
    if (t3DModel* next = currentVehicle()) next->visible = true;
    PathControl& path = V3_Path[0];
    path.Reset();
    path.loop = false;
    V3_SpinBoost = 0.0f;
    V3_Speed = kStartSpeed;
    setPathSpeed(kStartSpeed);
    path.SetRunning(true);
}

void View3MainUpdate(float seconds) {
    if (!V3_Path) return;
    tMeshPartList& table = vehicleParts()[V3_Vehicle].list;
    for (int i = 0; i < table.count; ++i) {
        tMeshPart& part = table.parts[i];
        // Whole turns are dropped so a long run keeps the angle's float precision.
        part.angle = std::fmod(part.angle + (part.speed + V3_SpinBoost) * seconds, 360.0f);
    }
    PathControl& path = V3_Path[0];
    path.Update(seconds);
    if (path.finished)
        nextVehicle();
    else
        path.Update(seconds);
}

float headingYaw(const PathControl& path) {
    const float dx = path.direction.x, dz = path.direction.z;
    const float length = std::sqrt(dx * dx + dz * dz);
    // A path that has not moved yet has no heading; keep the last one rather than NaN.
    if (!(length > 1e-6f)) return lastYaw;
    float cosine = dz / length;
    cosine = cosine > 1.0f ? 1.0f : (cosine < -1.0f ? -1.0f : cosine);
    lastYaw = std::acos(cosine) * kRadToDeg;
    return lastYaw;
}

void View3MainRender() {
    const GLfloat lightPosition[4] = {0.0f, 9.0f, 0.0f, 1.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, lightPosition);

    VH_BeginPass(VH_PASS_MODELS);
    MESH_BeginOpaquePass();
    glDisable(GL_CULL_FACE);
    if (t3DModel* vehicle = currentVehicle(); vehicle && V3_Path) {
        const PathControl& path = V3_Path[0];
        glPushMatrix();
        glTranslatef(-12.0f, 0.0f, -10.0f);
        glTranslatef(path.current.x, 0.0f, path.current.z);
        glRotatef(headingYaw(path), 0.0f, 1.0f, 0.0f);
        glRotatef(180.0f, 0.0f, 1.0f, 0.0f);
        MESH_DrawAnimated(vehicle, &vehicleParts()[V3_Vehicle].list);
        glPopMatrix();
    }
    glEnable(GL_CULL_FACE);

    // The houses, then the trees; drawn nearest first.
    MESH_Placed solids[3 + sizeof V3_Trees / sizeof V3_Trees[0]];
    int solidCount = 0;
    for (int i = 0; i < 3; ++i)
        if (t3DModel* m = V3_Meshes[i]) solids[solidCount++] = {m, {m->position[0], m->position[1], m->position[2]}};
    for (const TreeEntry& tree : V3_Trees)
        if (t3DModel* m = V3_Meshes[tree.model])
            solids[solidCount++] = {m, {tree.position[0], tree.position[1], tree.position[2]}};
    MESH_DrawNearestFirst(solids, solidCount);
    // The water takes the blending the frame found.
    MESH_EndOpaquePass();

    VH_BeginPass(VH_PASS_WATER);
    if (gridBuffer) {
        glBindTexture(GL_TEXTURE_2D, waterTexture);
        GRID_Draw();
    }
}

void View3MainKey() {
    if (!V3_Path || !currentVehicle()) return;
    if (VH_GetKeySpecial() && VH_GetKey() == VH_SPECIAL_LEFT) {
        V3_SpinBoost += kBoostStep;
        V3_Speed -= kSpeedStep;
        // Half a step absorbs the float residue of repeated tenths, so the last press
        // before zero lands on 0.1 instead of leaving a crawl of a few millionths.
        if (V3_Speed <= kSpeedStep * 0.5f) V3_Speed = kSpeedStep;
        setPathSpeed(V3_Speed);
    } else if (VH_GetKeySpecial() && VH_GetKey() == VH_SPECIAL_RIGHT) {
        V3_SpinBoost -= kBoostStep;
        if (V3_SpinBoost <= 0.0f) V3_SpinBoost = 1.0f;
        V3_Speed += kSpeedStep;
        setPathSpeed(V3_Speed);
    } else if (!VH_GetKeySpecial() && VH_GetKey() == VH_KEY_SPACE) {
        V3_SpinBoost = 0.0f;
        V3_Speed = kStartSpeed;
        setPathSpeed(kStartSpeed);
    }
}

void View3MainClose() {
    if (V3_HintLine > 0) CON_RemoveLine(VH_Console, V3_HintLine);
    V3_HintLine = -1;
    delete[] V3_Path;
    V3_Path = nullptr;
    V3_PathCount = 0;
    GRID_Reset();
    gridBuffer.reset();
    waterTexture = 0;
    glDisable(GL_FOG);
    glDisable(GL_LIGHT0);
    for (t3DModel*& model : V3_Meshes) {
        if (model) MESH_FreeInstance(model);
        model = nullptr;
    }
    MESH_Close();
    TEX_Clear();
}

} // namespace

tMeshPartList* V3_PartTable(int vehicle) {
    if (vehicle < 0 || vehicle >= V3_VEHICLE_COUNT) return nullptr;
    return &vehicleParts()[vehicle].list;
}

bool V3_ScriptSeen() {
    return V3_Path && V3_Crossings >= V3_VEHICLE_COUNT;
}

V3_Status V3_GetStatus() {
    return V3_Status{V3_Vehicle, V3_Speed, V3_SpinBoost, V3_HintLine, V3_Path, V3_Meshes};
}

void V3_VehiclePosition(float* x, float* y, float* z) {
    const PathControl* path = V3_Path;
    *x = -12.0f + (path ? path->current.x : 0.0f);
    *y = kPlacements[V3_FIRST_VEHICLE].position[1];
    *z = -10.0f + (path ? path->current.z : 0.0f);
}

void View3Main(float seconds, int /*param*/) {
    switch (VH_GetMsg()) {
    case MSG_INITIALIZE:
        View3MainInit();
        break;
    case MSG_UPDATE:
        View3MainUpdate(seconds);
        break;
    case MSG_CLOSE:
        View3MainClose();
        break;
    case MSG_RENDER:
        View3MainRender();
        break;
    case MSG_KEYBOARD:
        View3MainKey();
        break;
    default:
        VH_Fail(nullptr, "scene three: message %d is not a message", VH_GetMsg());
    }
}
