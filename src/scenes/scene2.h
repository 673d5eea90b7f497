// scene2: scene two, the air battle. View2Main (declared with the other handlers in scenes.h)
// is its only entry; this header lets tools and tests read its state.
// uses: core, math, image, text, model, camera, particles
#pragma once

#include "core/catalogue.h"
#include "math/vmath.h"

struct t3DModel;
struct tMeshPartList;
class DemoCamera;

const int V2_MESH_COUNT = CAT_SKY_MESH_COUNT; // loaded in the order of CAT_SKY_MESHES
const int V2_STEP_COUNT = 13;                 // the last step repeats until the scene closes
const int V2_PLANE_COUNT = 3;
const int V2_VIEWPOINT_COUNT = 16; // the last step's camera positions

// Where the script has put a model. The scene keeps these itself, so the script runs the same
// when a model failed to load, and copies them onto the model before drawing it.
struct V2_Placement {
    VECTOR position;
    VECTOR rotation; // degrees about x, y, z
    VECTOR scale;
    bool visible; // drawn, and its propellers turn
};

struct V2_PlaneState {
    VECTOR position;
    VECTOR direction; // unit length once the planes turn back towards the ships
    float speed;      // units per second
    int mesh;         // model index
    int group;        // particle group of its fire
};

// Model i's propeller table, with the angles as they are now (null outside 0..7). The angles
// outlive the scene: a second visit resumes them.
tMeshPartList* V2_PartTable(int model);

struct V2_Status {
    int step;        // 0..12
    float stepTime;  // ms, for the steps that count it
    float sceneTime; // seconds of frame time since the scene started
    int eyeIndex;    // the last step's viewpoint, 0..15
    bool useAltCamera;
    bool shots, tracers, blimpSmoke, planeFire, dirigibleSmoke;
    int hintLine;                   // console line id, -1 while the scene is closed
    const DemoCamera* camera;       // the scripted camera, null while closed
    const DemoCamera* altCamera;    // the overview camera
    const V2_Placement* placements; // V2_MESH_COUNT, by model index
    const V2_PlaneState* planes;    // V2_PLANE_COUNT
    t3DModel* const* meshes;        // V2_MESH_COUNT handles, null where a load failed
};
V2_Status V2_GetStatus();
