// scene3: scene three, the river. Five vehicles take turns along one curved path across
// the water, seen from a fixed viewpoint, with their paddles, wheels and turret turning.
#include "scenes/scene3.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <cmath>
#include <memory>

#include "camera/wedpath.h"
#include "image/texture.h"
#include "model/mesh.h"
#include "particles/grid.h"
#include "scenes/scenes.h"
#include "core/platform.h"
#include "shell/state.h"
#include "core/timer.h"
#include "text/console.h"

namespace {

constexpr int kGridSize = 48;
constexpr float kStartSpeed = 2.5f;
constexpr float kSpeedStep = 0.1f;
constexpr float kBoostStep = 5.0f; // degrees per second
constexpr int kKeyLeft = 100;      // GLUT special-key codes
constexpr int kKeyRight = 102;
constexpr int kKeySpace = 32;
constexpr float kRadToDeg = 57.29577951308232f;
const char* const kHint =
    "Press the LEFT arrow to slowdown boat ,the RIGHT arrow to speedup,and the SPACEBAR to reset speed";
const char* const kWaterTexture = "SWIMMING.BMP";

struct Placement {
    float position[3];
    float rotation[3]; // degrees
    float scale[3];
};

const Placement kPlacements[V3_MESH_COUNT] = {
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

#define V3_PART(name, ax, ay, az, bx, by, bz, xx, xy, xz, speed)                                                       \
    { name, {ax, ay, az}, {bx, by, bz}, {xx, xy, xz}, 0.0f, speed }
#define V3_BOAT1(name) V3_PART(name, -0.0093f, 0, 7.5088f, 0, 0, 0, 1, 0, 0, -64.0f)
#define V3_TRES(name) V3_PART(name, -2.3292f, 0.2061f, 1.7674f, 0, 0, 0, 1, 0, 0, -54.0f)
#define V3_PADDLE(name) V3_PART(name, 0, 0, 0, 0, 0, 0, 1, 0, 0, -64.0f)

tMeshPart boat1Parts[] = {
    V3_PART("l_pwglue1", -1.8401f, 0, 7.5088f, 0, 0, 0, 1, 0, 0, -64.0f),
    V3_PART("r_pwglue1", 1.8216f, 0, 7.5088f, 0, 0, 0, 1, 0, 0, -64.0f),
    V3_BOAT1("Facets_91"),
    V3_BOAT1("Facets_81"),
    V3_BOAT1("Facets_71"),
    V3_BOAT1("Facets_61"),
    V3_BOAT1("Facets_51"),
    V3_BOAT1("Facets_41"),
    V3_BOAT1("Facets_31"),
    V3_BOAT1("Facets_141"),
    V3_BOAT1("Facets_131"),
    V3_BOAT1("Facets_121"),
    V3_BOAT1("Facets_111"),
    V3_BOAT1("Facets_101"),
};

tMeshPart boat2Parts[] = {
    V3_PART("tur_base", 0.1109f, 0.0782f, -8.6112f, 0, 0, 0, 0, 1, 0, -55.0f),
    V3_PART("tur_gun", 0.1109f, 0.0782f, -8.6112f, 0, 0, 0, 0, 1, 0, -55.0f),
};

tMeshPart boatTresParts[] = {
    V3_TRES("rhub"), V3_TRES("rpaddlea"), V3_TRES("rpaddleb"), V3_TRES("rpaddlec"), V3_TRES("rpaddled"),
    V3_TRES("lhub"), V3_TRES("lpaddlea"), V3_TRES("lpaddleb"), V3_TRES("lpaddlec"), V3_TRES("lpaddled"),
};

tMeshPart boat4Parts[] = {
    V3_PART("rudder1", 0.2598f, -2.9558f, 13.5031f, 0, 0, 1, 0, -0.7071f, 0.7071f, 66.0f),
    V3_PART("till1", 0.1361f, -0.3141f, 11.4592f, 0, 0, 1, 0, -0.7071f, 0.7071f, 66.0f),
    V3_PADDLE("l_pad11"),
    V3_PADDLE("l_pad21"),
    V3_PADDLE("l_pad31"),
    V3_PADDLE("l_pad41"),
    V3_PADDLE("r_pad11"),
    V3_PADDLE("r_pad21"),
    V3_PADDLE("r_pad31"),
    V3_PADDLE("r_pad41"),
};

tMeshPart bikeParts[] = {
    V3_PART("r_wheel1", 1.4842f, -0.1456f, 2.9796f, 0, 0, 0, 1, 0, 0, -52.0f),
    V3_PART("l_wheel1", -1.4842f, -0.1456f, 2.9952f, 0, 0, 0, 1, 0, 0, -52.0f),
    V3_PART("f_wheel1", -0.0328f, -0.1456f, -3.0219f, 0, 0, 0, 1, 0, 0, -52.0f),
};

#undef V3_PADDLE
#undef V3_TRES
#undef V3_BOAT1
#undef V3_PART

template <int N> constexpr int countOf(const tMeshPart (&)[N]) { return N; }

tMeshPartList V3_PartTables[V3_VEHICLE_COUNT] = {
    {countOf(boat1Parts), boat1Parts},  {countOf(boat2Parts), boat2Parts}, {countOf(boatTresParts), boatTresParts},
    {countOf(boat4Parts), boat4Parts},  {countOf(bikeParts), bikeParts},
};

t3DModel* V3_Meshes[V3_MESH_COUNT] = {};
PathControl* V3_Path = nullptr;
int V3_PathCount = 0;
// These three outlive the scene on purpose: a second visit resumes where the last left off.
int V3_Vehicle = 0;
float V3_Speed = kStartSpeed;
float V3_SpinBoost = 0.0f;
int V3_HintLine = -1;
std::unique_ptr<float[]> gridBuffer;
Uint32 waterTexture = 0;
float lastYaw = 0.0f; // degrees; kept for the frames where the path has no heading

t3DModel* currentVehicle() { return V3_Meshes[V3_FIRST_VEHICLE + V3_Vehicle]; }

void setPathSpeed(float speed) {
    V3_Path[0].speed = speed;
    V3_Path[0].ComputeLength();
}

void setupLightAndFog() {
    const GLfloat position[4] = {0.0f, 9.0f, 0.0f, 1.0f};
    const GLfloat ambient[4] = {0.3f, 0.7f, 0.7f, 1.0f};
    const GLfloat diffuse[4] = {0.7f, 0.7f, 0.4f, 1.0f};
    glEnable(GL_LIGHTING);
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, diffuse);
    glLightf(GL_LIGHT0, GL_SPOT_CUTOFF, 180.0f);
    glEnable(GL_LIGHT0);

    const GLfloat fogColour[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    glEnable(GL_FOG);
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogf(GL_FOG_DENSITY, 1.0f);
    glFogf(GL_FOG_START, 5.0f);
    glFogf(GL_FOG_END, 70.0f);
    glFogfv(GL_FOG_COLOR, fogColour);
}

void loadModels() {
    for (int i = 0; i < V3_MESH_COUNT; ++i) {
        t3DModel* model = MESH_Load3DSMesh(V3_MeshFiles[i], 4);
        V3_Meshes[i] = model;
        if (!model) continue;
        const Placement& p = kPlacements[i];
        MESH_SetPlacement(model, p.position[0], p.position[1], p.position[2], p.rotation[0], p.rotation[1],
                          p.rotation[2], p.scale[0], p.scale[1], p.scale[2]);
        // The vehicle on the path is the one shown, also when a second visit resumes at
        // a later vehicle than the first.
        if (i >= V3_FIRST_VEHICLE) model->visible = (i == V3_FIRST_VEHICLE + V3_Vehicle);
    }
}

void View3MainInit() {
    V3_HintLine = CON_AddPinnedLine(VH_Console, kHint);

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(0.0, 2.5, 0.0, -13.0, 1.4, -19.0, 0.0, 1.0, 0.0);

    V3_Path = OpenWEDFile("boatpath.wed", &V3_PathCount);
    if (!V3_Path) VH_Exit(1);
    V3_Path[0].Scale(7.0f);
    V3_Path[0].loop = false;
    setPathSpeed(kStartSpeed);

    waterTexture = TEX_Load(kWaterTexture, 5, 0);
    gridBuffer.reset(new float[kGridSize * kGridSize]());
    GRID_Set(kGridSize, kGridSize, gridBuffer.get());
    GRID_SetScale(1.0f, 1.0f, 1.0f);

    setupLightAndFog();
    loadModels();

    TIMER_GetDelta(); // the first update must not include the loading time
    V3_Path[0].SetRunning(true);
}

void nextVehicle() {
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
    tMeshPartList& table = V3_PartTables[V3_Vehicle];
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

    glDisable(GL_CULL_FACE);
    if (t3DModel* vehicle = currentVehicle(); vehicle && V3_Path) {
        const PathControl& path = V3_Path[0];
        glPushMatrix();
            glTranslatef(-12.0f, 0.0f, -10.0f);
            glTranslatef(path.current.x, 0.0f, path.current.z);
            glRotatef(headingYaw(path), 0.0f, 1.0f, 0.0f);
            glRotatef(180.0f, 0.0f, 1.0f, 0.0f);
            MESH_DrawAnimated(vehicle, &V3_PartTables[V3_Vehicle]);
        glPopMatrix();
    }
    glEnable(GL_CULL_FACE);

    for (int i = 0; i < 3; ++i)
        if (V3_Meshes[i]) MESH_Draw(V3_Meshes[i], false);

    for (const TreeEntry& tree : V3_Trees) {
        t3DModel* model = V3_Meshes[tree.model];
        if (!model) continue;
        for (int k = 0; k < 3; ++k) model->position[k] = tree.position[k];
        MESH_Draw(model, false);
    }

    if (gridBuffer) {
        glBindTexture(GL_TEXTURE_2D, waterTexture);
        GRID_Draw();
    }
}

void View3MainKey() {
    if (!V3_Path || !currentVehicle()) return;
    if (VH_KeySpecial && VH_Key == kKeyLeft) {
        V3_SpinBoost += kBoostStep;
        V3_Speed -= kSpeedStep;
        // Half a step absorbs the float residue of repeated tenths, so the last press
        // before zero lands on 0.1 instead of leaving a crawl of a few millionths.
        if (V3_Speed <= kSpeedStep * 0.5f) V3_Speed = kSpeedStep;
        setPathSpeed(V3_Speed);
    } else if (VH_KeySpecial && VH_Key == kKeyRight) {
        V3_SpinBoost -= kBoostStep;
        if (V3_SpinBoost <= 0.0f) V3_SpinBoost = 1.0f;
        V3_Speed += kSpeedStep;
        setPathSpeed(V3_Speed);
    } else if (!VH_KeySpecial && VH_Key == kKeySpace) {
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

const char* const V3_MeshFiles[V3_MESH_COUNT] = {
    "house_one.3ds",   "house 2 f.3ds", "house_three.3ds", "roottreef.3ds", "tree_trunkf.3ds",
    "boat1.3ds",       "boat_2.3ds",    "boat_tres.3ds",   "boat4.3ds",     "w_bike.3ds",
};

tMeshPartList* V3_PartTable(int vehicle) {
    if (vehicle < 0 || vehicle >= V3_VEHICLE_COUNT) return nullptr;
    return &V3_PartTables[vehicle];
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
    switch (VH_Msg) {
    case MSG_INITIALIZE: View3MainInit(); break;
    case MSG_UPDATE: View3MainUpdate(seconds); break;
    case MSG_CLOSE: View3MainClose(); break;
    case MSG_RENDER: View3MainRender(); break;
    case MSG_KEYBOARD: View3MainKey(); break;
    default: VH_Exit(1);
    }
}
