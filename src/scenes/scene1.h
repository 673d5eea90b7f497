// scene1: scene one, the night beach. View1Main (declared with the other handlers in
// scenes.h) is its only entry; this header lets tools and tests read its state.
// uses: core, math, data, image, text, model, camera, particles
#pragma once

#include "camera/fliers.h"
#include "core/catalogue.h"
#include "math/vmath.h"

struct t3DModel;
class DemoCamera;
class PathControl3D;

const int V1_MESH_COUNT = CAT_BEACH_MESH_COUNT; // loaded in the order of CAT_BEACH_MESHES
const int V1_FIGURE_MESH = 5;                   // drawn once per visible figure
const int V1_FLIER_COUNT = 8;

// Steps of the script: 0 opening flight, 1 pause, 2 launches, 3 paths.
struct V1_Status {
    int step;                // -1 before the first initialisation
    float stepTime;          // ms in the current step, or since the last launch or switch
    int launched;            // figures launched, 0..8
    int arrived;             // figures whose launch flight is over
    int followed;            // figure the camera follows in step 3, -1 before
    int eyeCycle;            // which eye point the next eye move takes, 0..2
    bool eyeMovePending;     // the next moment with a single camera event queues an eye move
    float spinAngle;         // degrees the figures are turned about the vertical
    double sceneTime;        // seconds of frame time since the scene began
    int hintLine;            // console line id, -1 while the scene is closed
    int pathCount;           // paths held, 0 while the scene is closed
    PathControl3D* paths;    // the flyer paths, null while the scene is closed
    DemoCamera* camera;      // null while the scene is closed
    t3DModel* const* meshes; // V1_MESH_COUNT handles, null where a load failed
};
V1_Status V1_GetStatus();

// The whole script has been seen once the figures have flown their paths long enough for the
// camera to have switched between the two it follows this many times (both of them twice).
const int V1_SEEN_AFTER_SWITCHES = 4;

// Figure i (0..7); its colour is always the colour table's entry i.
FLIERS* V1_Flier(int i);
// The trail colour table, V1_FLIER_COUNT entries; 'A' shuffles it in place.
const VECTOR* V1_ColourTable();
