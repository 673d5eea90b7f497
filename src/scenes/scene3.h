// scene3: scene three, the river. View3Main (declared with the other handlers in
// scenes.h) is its only entry; this header lets tools and tests read its state.
// uses: core, image, text, model, camera, particles
#pragma once

#include "core/catalogue.h"

struct t3DModel;
struct tMeshPartList;
class PathControl;

const int V3_MESH_COUNT = CAT_RIVER_MESH_COUNT; // loaded in the order of CAT_RIVER_MESHES
const int V3_VEHICLE_COUNT = CAT_RIVER_VEHICLE_COUNT;
const int V3_FIRST_VEHICLE = CAT_RIVER_FIRST_VEHICLE; // vehicle v is mesh V3_FIRST_VEHICLE + v

// Each vehicle's table of turning parts, with the angles as they are now.
tMeshPartList* V3_PartTable(int vehicle); // null outside 0..4

struct V3_Status {
    int vehicle;             // the one on the path, 0..4
    float speed;             // travel speed
    float spinBoost;         // degrees per second added to every part speed
    int hintLine;            // console line id, -1 while the scene is closed
    const PathControl* path; // path 0, null while the scene is closed
    t3DModel* const* meshes; // V3_MESH_COUNT handles, null where a load failed
};
V3_Status V3_GetStatus();

// The world position of the current vehicle (the path point, moved to the river's middle).
void V3_VehiclePosition(float* x, float* y, float* z);
