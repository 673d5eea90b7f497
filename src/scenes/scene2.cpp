// scene2: scene two, the air battle. A dirigible and two blimps over a layer of cloud under a
// curved sky; shots, smoke, a climb past a cliff, three planes under fire, the dirigible going
// down, then the two blimps cruising past for ever while the camera hops between viewpoints.
// One thirteen-step script moves the models and the camera; 'A' swaps in an overview camera.
#include "scenes/scene2.h"

#include <GL/gl.h>
#include <cmath>
#include <memory>

#include "camera/camera.h"
#include "core/catalogue.h"
#include "core/passmark.h"
#include "core/debuglog.h"
#include "core/program.h"
#include "core/report.h"
#include "core/timer.h"
#include "image/texture.h"
#include "model/mesh.h"
#include "particles/effects.h"
#include "particles/grid.h"
#include "particles/papi.h"
#include "particles/render.h"
#include "scenes/scenes.h"
#include "scenes/stage.h"
#include "scenes/sky.h"
#include "text/console.h"

namespace {

enum { kDirigible, kBlimp2, kBlimp3, kCliff, kPlane1, kPlane2, kCloud4, kCloud2 };

constexpr int kGridSize = 48;
constexpr int kShotCount = 6;
constexpr int kCloudCount = 21;
constexpr float kCloudHeight = 50.0f;
constexpr float kEyeHeight = 15.0f;    // of the last step's viewpoints
constexpr float kParticleRate = 40.0f; // particle time units per second
const char* const kHint = "Press the 'A' key to change camera position";

const V2_Placement kStartPlacements[V2_MESH_COUNT] = {
    {{0, 42, 47}, {0, 0, 0}, {1, 1, 1}, true},    {{-17.2f, -37.65f, -24.61f}, {0, 90, 0}, {1, 1, 1}, false},
    {{-6, 38, -44}, {0, 90, 0}, {1, 1, 1}, true}, {{-10, -43, 0}, {0, 0, 0}, {2, 1.3f, 4}, false},
    {{0, 30, 10}, {0, 0, 0}, {1, 1, 1}, false},   {{0, 10, 0}, {0, 0, 0}, {1, 1, 1}, false},
    {{0, 10, 0}, {0, 0, 0}, {2, 2, 2}, true},     {{0, 10, 0}, {0, 0, 0}, {2, 2, 2}, true},
};

const VECTOR kPlaneStart[V2_PLANE_COUNT] = {{0, 35, 49}, {-2, 35, 49}, {-4, 35, 49}};
const VECTOR kPlaneAim[V2_PLANE_COUNT] = {{-17.89f, 45.31f, 15.84f}, {-64.5f, 49.2f, -3.28f}, {-3, 42, 42}};
const int kPlaneMesh[V2_PLANE_COUNT] = {kPlane2, kPlane1, kPlane2};
constexpr float kPlaneSpeed = -10.5f;
constexpr float kPlaneScale = 0.05f;

struct CloudEntry {
    float x, y, z;
    int model;
};
const CloudEntry kClouds[kCloudCount] = {
    {-71, 0, 71, 7},   {-9, 0, 66, 6},   {-54, 0, 37, 7},    {-37, 0, 37, 6},  {-20, 0, 33, 6}, {18.7f, 0, 40, 7},
    {18.7f, 0, 55, 6}, {35, 0, 50, 6},   {18.7f, 0, 27, 7},  {-75, 0, 20, 6},  {-37, 0, 10, 7}, {-34, 0, 7, 6},
    {41, 0, 0, 7},     {-65, 0, -37, 6}, {20, 0, -18.7f, 6}, {-41, 0, -37, 6}, {30, 0, -31, 7}, {-62, 0, -55, 6},
    {0, 0, -65, 6},    {13, 0, -40, 6},  {61, 0, -45, 7},
};

const int kEyeX[V2_VIEWPOINT_COUNT] = {15, -35, 45, -15, 15, -15, 34, 22, 90, -20, -10, 22, 26, -55, 55, 10};
const int kEyeZ[V2_VIEWPOINT_COUNT] = {-34, 54, -65, -2, 55, -6, 66, 12, 190, -12, 21, -10, -5, 5, 88, 13};
const int kTracerPlane[kShotCount] = {0, 0, 1, 1, 2, 2};

// Each model's propellers from the catalogue, with the angles the scene turns.
STAGE_PartTable* propTables() {
    static STAGE_PartTable tables[V2_MESH_COUNT];
    static bool built = false;
    if (!built) {
        built = true;
        for (int m = 0; m < V2_MESH_COUNT; ++m)
            STAGE_FillParts(&tables[m], CAT_SKY_PART_TABLES[m]);
    }
    return tables;
}

// module state

t3DModel* V2_Meshes[V2_MESH_COUNT] = {};
V2_Placement V2_Place[V2_MESH_COUNT] = {};
V2_PlaneState V2_Planes[V2_PLANE_COUNT] = {};
float V2_PlaneYaw = 180.0f; // degrees

std::unique_ptr<DemoCamera> V2_Camera;
DemoCamera V2_AltCamera;
bool V2_UseAltCamera = false;

const float V2_Speed = 0.5f;
int V2_State = 0;
bool V2_StepStarted = false;
float V2_StepTime = 0.0f; // ms
bool V2_StepFlag = false;
double V2_SceneTime = 0.0; // seconds

int V2_ShotGroups[kShotCount] = {};
int V2_TracerGroups[kShotCount] = {};
int V2_SmokeGroup = -1;
bool V2_GroupsMade = false;

bool V2_ShotsOn = false, V2_TracersOn = false, V2_BlimpSmokeOn = false, V2_PlaneFireOn = false,
     V2_DirigibleSmokeOn = false;
int V2_EyeIndex = 0;
int V2_Passes = 0; // passes of the blimps the last step has finished

Uint32 V2_WaterTexture = 0, V2_SmokeTexture = 0, V2_SkyTexture = 0;
std::unique_ptr<float[]> V2_GridBuffer;
int V2_HintLine = -1;

// helpers

VECTOR& T(int model) {
    return V2_Place[model].position;
}

void show(int model, bool visible) {
    V2_Place[model].visible = visible;
}

void place(int model, VECTOR position, VECTOR rotation) {
    V2_Place[model].position = position;
    V2_Place[model].rotation = rotation;
}

// The model with the script's placement on it, or null when it did not load.
t3DModel* placed(int model) {
    t3DModel* mesh = V2_Meshes[model];
    if (!mesh) return nullptr;
    const V2_Placement& p = V2_Place[model];
    MESH_SetPlacement(mesh, p.position.x, p.position.y, p.position.z, p.rotation.x, p.rotation.y, p.rotation.z,
                      p.scale.x, p.scale.y, p.scale.z);
    mesh->visible = p.visible;
    return mesh;
}

void nextStep() {
    V2_StepStarted = false;
    ++V2_State;
    DBG_Trace("scene two: step %d at %.3f s", V2_State, V2_SceneTime);
}

void setupLightsAndFog() {
    const GLfloat position0[4] = {0.0f, 12.0f, 0.0f, 1.0f};
    const GLfloat ambient0[4] = {0.5f, 0.5f, 0.6f, 1.0f};
    const GLfloat diffuse0[4] = {0.3f, 0.3f, 0.4f, 1.0f};
    const GLfloat position1[4] = {0.0f, 1.0f, 0.0f, 0.0f};
    const GLfloat ambient1[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    const GLfloat diffuse1[4] = {0.85f, 0.85f, 0.83f, 1.0f};
    glEnable(GL_LIGHTING);
    STAGE_Lamp(GL_LIGHT0, position0, ambient0, diffuse0);
    STAGE_Lamp(GL_LIGHT1, position1, ambient1, diffuse1);
    glEnable(GL_LIGHT1);

    const GLfloat fogColour[4] = {0.5f, 0.5f, 0.7f, 1.0f};
    STAGE_LinearFog(40.0f, 130.0f, fogColour);
}

void View2MainInit() {
    V2_HintLine = CON_AddPinnedLine(VH_Console, kHint);

    V2_Camera.reset(new DemoCamera(VECTOR(-2, 39.6f, 47.47f), VECTOR(-2, 39.4f, 48), VECTOR(0, 1, 0)));
    V2_AltCamera.eye = VECTOR(40, 60, 40);
    V2_AltCamera.target = VECTOR(0, 0, 0);
    V2_AltCamera.up = VECTOR(0, 1, 0);

    V2_WaterTexture = TEX_Load(CAT_WATER_TEXTURE, TEX_REPEAT | TEX_MIPMAP, 0);
    V2_GridBuffer.reset(new float[kGridSize * kGridSize]());
    GRID_Set(kGridSize, kGridSize, V2_GridBuffer.get());
    GRID_SetScale(17.0f, 7.0f, 17.0f);
    GRID_SetAlpha(1.0f);

    for (int i = 0; i < kShotCount; ++i) {
        V2_ShotGroups[i] = PART_CreateGroups(1, 1);
        V2_TracerGroups[i] = PART_CreateGroups(1, 50);
    }
    for (int p = 0; p < V2_PLANE_COUNT; ++p)
        V2_Planes[p] = {VECTOR(0, 0, 0), VECTOR(0, 0, 0), kPlaneSpeed, kPlaneMesh[p], PART_CreateGroups(1, 100)};
    V2_SmokeGroup = PART_CreateGroups(1, 200);
    V2_GroupsMade = true;
    V2_SmokeTexture = TEX_Load(CAT_SMOKE_TEXTURE, TEX_ALPHA | TEX_MIPMAP, 0);

    SKY_Build(60, 600.0f, 1600.0f, 3.0f, 3.0f);
    V2_SkyTexture = TEX_Load(CAT_SKY_TEXTURE, TEX_REPEAT | TEX_MIPMAP, 0);

    setupLightsAndFog();

    for (int m = 0; m < V2_MESH_COUNT; ++m) {
        V2_Meshes[m] = MESH_Load3DSMesh(CAT_SKY_MESHES[m], TEX_MIPMAP);
        V2_Place[m] = kStartPlacements[m];
        placed(m);
    }

    // A visit that was left half way must not start the next one with its effects running
    // or its planes turned round.
    V2_ShotsOn = V2_TracersOn = V2_BlimpSmokeOn = V2_PlaneFireOn = V2_DirigibleSmokeOn = false;
    V2_PlaneYaw = 180.0f;
    V2_EyeIndex = 0;
    V2_Passes = 0; // the last visit's count must not close this one as it reaches the last step
    V2_StepTime = 0.0f;
    V2_StepFlag = false;
    V2_SceneTime = 0.0;
    V2_StepStarted = false;
    V2_State = 0;
    DBG_Trace("scene two: step 0 at 0.000 s");
    TIMER_GetDelta(); // the first update must not include the loading time
}

void movePlanesAlong(float seconds) {
    for (V2_PlaneState& plane : V2_Planes)
        plane.position = plane.position + plane.direction * (plane.speed * seconds);
}

void runScript(float seconds) {
    DemoCamera& cam = *V2_Camera;
    const float ms = seconds * 1000.0f;
    const float S = V2_Speed;
    const bool entering = !V2_StepStarted;
    V2_StepStarted = true;
    V2_PlaneState& plane2 = V2_Planes[2];

    switch (V2_State) {
    case 0:
        if (entering) V2_StepTime = 0.0f;
        V2_StepTime += ms;
        T(kDirigible).z -= S / 21.0f * seconds;
        if (V2_StepTime >= 4000.0f) nextStep();
        break;
    case 1:
        if (entering) cam.AddLinearEventFromCurrent(VECTOR(cam.eye.x, cam.eye.y, 30), 19000.0f, CAM_EYE);
        T(kDirigible).z -= 0.5f * S * seconds;
        if (cam.CountActiveEvents() == 0) nextStep();
        break;
    case 2:
        if (entering) {
            cam.eye.z -= 29.0f;
            cam.target = T(kBlimp3);
            V2_Place[kDirigible].rotation.y = 90.0f;
            cam.AddLinearEventFromCurrent(VECTOR(cam.eye.x, cam.eye.y, -30), 10000.0f, CAM_EYE);
        }
        T(kBlimp3).x -= S * seconds;
        cam.target = T(kBlimp3);
        if (cam.CountActiveEvents() == 0) {
            V2_ShotsOn = true;
            nextStep();
        }
        break;
    case 3:
        if (entering) {
            cam.eye = VECTOR(1.27f, 47.5f, 45.8f);
            cam.target = T(kDirigible);
            cam.AddLinearEventFromCurrent(T(kBlimp3), 12000.0f, CAM_TARGET);
            V2_StepTime = 0.0f;
            V2_StepFlag = false;
        }
        V2_StepTime += ms;
        if (V2_StepTime >= 5000.0f && !V2_StepFlag) {
            V2_StepFlag = true;
            V2_BlimpSmokeOn = true;
        }
        T(kBlimp3).x -= 2.0f * S * seconds;
        if (cam.CountActiveEvents() == 0) nextStep();
        break;
    case 4:
        if (entering) {
            cam.eye = VECTOR(-12.6f, 40.4f, -35.06f);
            cam.target = T(kBlimp3);
        }
        T(kBlimp3).x -= 3.0f * S * seconds;
        cam.target = T(kBlimp3);
        if (T(kBlimp3).x <= -38.0f) {
            V2_BlimpSmokeOn = false;
            V2_ShotsOn = false;
            nextStep();
        }
        break;
    case 5:
        if (entering) {
            cam.eye = VECTOR(17.9f, -59.3f, -23.42f);
            cam.target = T(kBlimp2);
            cam.AddLinearEventFromCurrent(VECTOR(0, -10, 0), 20999.0f, CAM_EYE);
            show(kBlimp3, false), show(kDirigible, false);
            show(kCliff, true), show(kBlimp2, true);
            V2_StepTime = 0.0f;
        }
        T(kBlimp2).x += 7.5f * S * seconds;
        T(kBlimp2).y += 3.5f * S * seconds;
        cam.target = T(kBlimp2);
        V2_StepTime += ms;
        if (V2_StepTime >= 21000.0f) {
            cam.StopEvents(CAM_EYE);
            cam.StopEvents(CAM_TARGET);
            nextStep();
        }
        break;
    case 6:
        if (entering) {
            V2_Place[kBlimp2] = {VECTOR(-7, 0, 10), VECTOR(0, -90, 0), VECTOR(1, 1, 1), V2_Place[kBlimp2].visible};
            cam.eye = VECTOR(-5, 15, 10);
            cam.target = T(kBlimp2);
            V2_StepTime = 0.0f;
        }
        T(kBlimp2).x -= 7.5f * S * seconds;
        T(kBlimp2).y += 5.5f * S * seconds;
        cam.eye.x -= 7.5f * S * seconds;
        cam.eye.y += 5.5f * S * seconds;
        cam.target = T(kBlimp2);
        V2_StepTime += ms;
        if (V2_StepTime >= 21000.0f) nextStep();
        break;
    case 7:
        if (entering) {
            cam.eye = VECTOR(1.27f, 43.5f, 53.8f);
            cam.target = T(kDirigible);
            show(kCliff, false), show(kBlimp3, false);
            show(kDirigible, true), show(kPlane1, true), show(kPlane2, true), show(kBlimp2, true);
            place(kBlimp2, VECTOR(-6, 38, -44), VECTOR(0, 180, 0));
            place(kDirigible, VECTOR(0, 42, 42), VECTOR(0, 0, 0));
            for (int p = 0; p < V2_PLANE_COUNT; ++p)
                V2_Planes[p].position = kPlaneStart[p];
            V2_StepTime = 0.0f;
            V2_StepFlag = false;
        }
        // The planes hold still for the first 200 ms, then come in along -z.
        if (!V2_StepFlag) {
            V2_StepTime += ms;
            if (V2_StepTime >= 200.0f) V2_StepFlag = true;
        } else {
            for (V2_PlaneState& plane : V2_Planes)
                plane.position.z += plane.speed * seconds;
        }
        if (V2_Planes[0].position.z <= 0.0f) nextStep();
        break;
    case 8:
        if (entering) {
            cam.eye = VECTOR(-6.46f, 36.519f, -41.5796f);
            cam.target = plane2.position;
            plane2.position.y += 2.5f;
            plane2.position.x -= 6.5f;
        }
        for (V2_PlaneState& plane : V2_Planes)
            plane.position.z += plane.speed * seconds;
        cam.target = plane2.position;
        if (plane2.position.z <= -55.0f) nextStep();
        break;
    case 9:
        if (entering) {
            cam.eye = VECTOR(-9.6f, 40.2f, -41.87f);
            cam.target = plane2.position;
            for (int p = 0; p < V2_PLANE_COUNT; ++p) {
                V2_PlaneState& plane = V2_Planes[p];
                plane.position = kPlaneStart[p] - VECTOR(20, 0, 130);
                plane.direction = kPlaneAim[p] - plane.position;
                plane.direction.Normalize();
                plane.speed = 6.5f;
            }
            V2_PlaneYaw = 0.0f;
            V2_TracersOn = true;
            V2_StepTime = 0.0f;
            V2_StepFlag = false;
        }
        V2_StepTime += ms;
        movePlanesAlong(seconds);
        cam.target = plane2.position;
        if (V2_StepTime > 6000.0f && !V2_StepFlag) {
            V2_StepFlag = true;
            V2_PlaneFireOn = true;
        }
        if (plane2.position.z >= 15.0f) nextStep();
        break;
    case 10:
        if (entering) plane2.position.y -= 5.0f; // the chase camera looks down on it from behind
        movePlanesAlong(seconds);
        cam.eye = plane2.position + VECTOR(0, 5, -10);
        cam.target = plane2.position;
        if (plane2.position.z >= 42.0f) {
            V2_TracersOn = false;
            V2_PlaneFireOn = false;
            V2_DirigibleSmokeOn = true;
            show(kPlane1, false), show(kPlane2, false);
            nextStep();
        }
        break;
    case 11:
        if (entering) {
            cam.eye = VECTOR(-0.07f, 36.57f, 21.37f);
            cam.target = T(kDirigible);
            V2_StepTime = 0.0f;
            V2_StepFlag = false;
        }
        V2_StepTime += ms;
        T(kDirigible).y -= 3.3f * seconds;
        V2_Place[kDirigible].rotation.x += 10.3f * seconds;
        if (!V2_StepFlag) cam.target = T(kDirigible);
        if (V2_StepTime >= 5000.0f && !V2_StepFlag) {
            cam.AddLinearEventFromCurrent(T(kBlimp2), 10000.0f, CAM_TARGET);
            V2_StepFlag = true;
        }
        if (cam.CountActiveEvents() == 0 && V2_StepFlag) {
            V2_DirigibleSmokeOn = false;
            nextStep();
        }
        break;
    case 12:
        if (entering) {
            cam.eye = VECTOR(-15, kEyeHeight, 0);
            show(kBlimp3, true), show(kDirigible, false);
            place(kBlimp3, VECTOR(-12.2f, 0, -74.61f), VECTOR(0, 0, 0));
            place(kBlimp2, VECTOR(12.2f, 0, -70.61f), VECTOR(0, 180, 0));
            V2_EyeIndex = 0;
            V2_Passes = 0;
        }
        T(kBlimp2).z += 15.2f * seconds;
        T(kBlimp3).z += 15.2f * seconds;
        cam.target = T(kBlimp2);
        if (T(kBlimp2).z >= 75.0f) {
            T(kBlimp2).z = -74.61f;
            T(kBlimp3).z = -70.61f;
            V2_EyeIndex = (V2_EyeIndex + 1) & (V2_VIEWPOINT_COUNT - 1);
            ++V2_Passes;
            cam.eye = VECTOR(float(kEyeX[V2_EyeIndex]), kEyeHeight, float(kEyeZ[V2_EyeIndex]));
            DBG_Trace("scene two: viewpoint %d at %.3f s", V2_EyeIndex, V2_SceneTime);
        }
        break;
    default:
        break;
    }
}

void View2MainUpdate(float seconds) {
    if (!V2_Camera) return;
    V2_SceneTime += seconds;
    V2_Camera->Update(seconds);
    PART_SetTimeStep(seconds * kParticleRate);

    if (V2_ShotsOn) {
        const VECTOR aim = T(kBlimp3) + VECTOR(0, 34, 0); // high, as the shots fall on their way
        for (int i = 0; i < kShotCount; ++i)
            FX_Spray(V2_ShotGroups[i], VECTOR(0.3f * i, 36, 34.5f), aim, 0.8f);
    }
    if (V2_TracersOn)
        for (int i = 0; i < kShotCount; ++i)
            FX_Stream(V2_TracerGroups[i], T(kBlimp2) + VECTOR(0.3f * i - 5, 0, 0), V2_Planes[kTracerPlane[i]].position,
                      1.3f);
    if (V2_BlimpSmokeOn || V2_DirigibleSmokeOn) FX_SmokeLarge(V2_SmokeGroup);
    if (V2_PlaneFireOn)
        for (const V2_PlaneState& plane : V2_Planes)
            FX_SmokeSmall(plane.group);

    for (int m = 0; m < V2_MESH_COUNT; ++m) {
        if (!V2_Place[m].visible) continue;
        tMeshPartList* table = &propTables()[m].list;
        FX_AdvanceRates(table, seconds);
        // Whole turns are dropped so a long run keeps the angles' float precision.
        for (int i = 0; i < table->count; ++i)
            table->parts[i].angle = std::fmod(table->parts[i].angle, 360.0f);
    }

    runScript(seconds);
}

void drawSmokeAt(VECTOR at) {
    // clang-format off
    glPushMatrix();
        glTranslatef(at.x, at.y, at.z);
        PART_DrawBillboards(V2_SmokeTexture, 1.0f, 0, 0);
    glPopMatrix();
    // clang-format on
}

// The sky plane centred over the eye, stretched upwards, drawn by draw (first or behind).
void drawSky(const DemoCamera& camera, void (*draw)()) {
    glBindTexture(GL_TEXTURE_2D, V2_SkyTexture);
    // clang-format off
    glPushMatrix();
        glTranslatef(camera.eye.x, camera.eye.y + 2.0f, camera.eye.z);
        glScalef(1.0f, 6.5f, 1.0f);
        draw();
    glPopMatrix();
    // clang-format on
}

// Drawn last, the sky shows only where nothing was drawn: the same picture as drawn first only
// while everything in front of it is opaque. A see-through model (one whose texture has alpha)
// must show the sky behind it, so then the sky goes first.
bool skyMayGoLast() {
    for (int m = 0; m < V2_MESH_COUNT; ++m)
        if (V2_Place[m].visible && V2_Meshes[m] && V2_Meshes[m]->seeThrough) return false;
    return true;
}

void View2MainRender() {
    DemoCamera* camera = V2_UseAltCamera ? &V2_AltCamera : V2_Camera.get();
    if (!camera) return;
    camera->Apply();
    const GLfloat lightPosition[4] = {0.0f, 1.0f, 0.0f, 0.0f};
    glLightfv(GL_LIGHT1, GL_POSITION, lightPosition);

    // Everything up to the smoke is opaque: the sky, the black shots, the tracers (their colour's
    // alpha is 1), the models and the water at alpha 1; see-through models are still blended.
    VH_BeginPass(VH_PASS_SKY);
    MESH_BeginOpaquePass();
    const bool skyLast = skyMayGoLast();
    // The shots are drawn with the sky's texture bound, as when the sky came first.
    if (V2_SkyTexture) glBindTexture(GL_TEXTURE_2D, V2_SkyTexture);
    if (V2_SkyTexture && !skyLast) drawSky(*camera, SKY_Draw);

    VH_BeginPass(VH_PASS_PARTICLES);
    if (V2_ShotsOn) {
        for (int group : V2_ShotGroups) {
            PART_SelectGroup(group);
            FX_DrawParticleSpheres();
        }
    }
    if (V2_TracersOn) {
        glDisable(GL_LIGHTING);
        glDisable(GL_TEXTURE_2D);
        for (int group : V2_TracerGroups) {
            PART_SelectGroup(group);
            PART_DrawGroup(GL_LINES, 0);
        }
        glEnable(GL_LIGHTING);
        glEnable(GL_TEXTURE_2D);
    }

    VH_BeginPass(VH_PASS_MODELS);
    MESH_DrawAnimated(placed(kDirigible), &propTables()[kDirigible].list);
    MESH_Draw(placed(kCliff), false);

    // The blimps' and planes' thin parts show both faces.
    glDisable(GL_CULL_FACE);
    MESH_DrawAnimated(placed(kBlimp2), &propTables()[kBlimp2].list);
    MESH_DrawAnimated(placed(kBlimp3), &propTables()[kBlimp3].list);
    for (const V2_PlaneState& plane : V2_Planes) {
        // Two planes share one model: its placement is rewritten for each.
        t3DModel* mesh = placed(plane.mesh);
        MESH_SetPlacement(mesh, plane.position.x, plane.position.y, plane.position.z, 0.0f, V2_PlaneYaw, 0.0f,
                          kPlaneScale, kPlaneScale, kPlaneScale);
        MESH_DrawAnimated(mesh, &propTables()[plane.mesh].list);
    }
    glEnable(GL_CULL_FACE);

    VH_BeginPass(VH_PASS_CLOUDS);
    // The clouds cover much of the view in layers: nearest first, those behind are not shaded.
    MESH_Placed clouds[kCloudCount];
    for (int i = 0; i < kCloudCount; ++i)
        clouds[i] = {placed(kClouds[i].model), {kClouds[i].x, kClouds[i].y + kCloudHeight, kClouds[i].z}};
    MESH_DrawNearestFirst(clouds, kCloudCount);

    VH_BeginPass(VH_PASS_WATER);
    if (V2_GridBuffer) {
        glBindTexture(GL_TEXTURE_2D, V2_WaterTexture);
        // clang-format off
        glPushMatrix();
            glTranslatef(0.0f, -60.0f, 0.0f);
            GRID_Draw();
        glPopMatrix();
        // clang-format on
    }
    // The sky last, where nothing covers it: the same picture as drawing it first under
    // everything, without shading the sky behind the clouds, models and water.
    VH_BeginPass(VH_PASS_SKY);
    if (V2_SkyTexture && skyLast) drawSky(*camera, SKY_DrawBehind);
    MESH_EndOpaquePass();

    VH_BeginPass(VH_PASS_PARTICLES);
    if (V2_BlimpSmokeOn || V2_PlaneFireOn || V2_DirigibleSmokeOn) {
        glEnable(GL_BLEND);
        glDisable(GL_LIGHTING);
        glDepthMask(GL_FALSE);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        if (V2_BlimpSmokeOn || V2_DirigibleSmokeOn) {
            PART_SelectGroup(V2_SmokeGroup);
            if (V2_BlimpSmokeOn) {
                drawSmokeAt(T(kBlimp3) + VECTOR(1, -1, 1));
                drawSmokeAt(T(kBlimp3) + VECTOR(2, 0, 1));
            } else {
                drawSmokeAt(T(kDirigible) + VECTOR(-2, -6, 1));
            }
        }
        if (V2_PlaneFireOn)
            for (const V2_PlaneState& plane : V2_Planes) {
                PART_SelectGroup(plane.group);
                drawSmokeAt(plane.position);
            }
        glDisable(GL_BLEND);
        glEnable(GL_LIGHTING);
        glDepthMask(GL_TRUE);
    }
}

void View2MainKey() {
    if (!VH_GetKeySpecial() && (VH_GetKey() == 'A' || VH_GetKey() == 'a')) V2_UseAltCamera = !V2_UseAltCamera;
}

// Safe to call when the scene never initialised, and twice.
void View2MainClose() {
    if (V2_HintLine >= 0) CON_RemoveLine(VH_Console, V2_HintLine);
    V2_HintLine = -1;
    if (V2_GroupsMade) {
        for (int i = 0; i < kShotCount; ++i) {
            PART_FreeGroups(V2_ShotGroups[i], 1);
            PART_FreeGroups(V2_TracerGroups[i], 1);
        }
        for (const V2_PlaneState& plane : V2_Planes)
            PART_FreeGroups(plane.group, 1);
        PART_FreeGroups(V2_SmokeGroup, 1);
        V2_GroupsMade = false;
    }
    V2_Camera.reset();
    SKY_Free();
    GRID_Reset();
    V2_GridBuffer.reset();
    glDisable(GL_FOG);
    glDisable(GL_LIGHT1);
    for (t3DModel*& mesh : V2_Meshes) {
        if (mesh) MESH_FreeInstance(mesh);
        mesh = nullptr;
    }
    MESH_Close();
    TEX_Clear();
    V2_WaterTexture = V2_SmokeTexture = V2_SkyTexture = 0;
}

} // namespace

tMeshPartList* V2_PartTable(int model) {
    if (model < 0 || model >= V2_MESH_COUNT) return nullptr;
    return &propTables()[model].list;
}

bool V2_ScriptSeen() {
    // The first pass is watched from the step's own opening eye; each pass after it from the
    // next viewpoint of the table, so every viewpoint has had a whole pass after one more.
    return V2_State == V2_STEP_COUNT - 1 && V2_Passes > V2_VIEWPOINT_COUNT;
}

V2_Status V2_GetStatus() {
    return V2_Status{V2_State,    V2_StepTime,     float(V2_SceneTime), V2_EyeIndex,    V2_UseAltCamera,
                     V2_ShotsOn,  V2_TracersOn,    V2_BlimpSmokeOn,     V2_PlaneFireOn, V2_DirigibleSmokeOn,
                     V2_HintLine, V2_Camera.get(), &V2_AltCamera,       V2_Place,       V2_Planes,
                     V2_Meshes};
}

void View2Main(float seconds, int /*param*/) {
    switch (VH_GetMsg()) {
    case MSG_INITIALIZE:
        View2MainInit();
        break;
    case MSG_UPDATE:
        View2MainUpdate(seconds);
        break;
    case MSG_CLOSE:
        View2MainClose();
        break;
    case MSG_RENDER:
        View2MainRender();
        break;
    case MSG_KEYBOARD:
        View2MainKey();
        break;
    default:
        VH_Fail(nullptr, "scene two: message %d is not a message", VH_GetMsg());
    }
}
