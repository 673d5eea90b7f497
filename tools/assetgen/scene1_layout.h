// scene1_layout: where the night beach's things stand in the world, shared by the files that build them.
//
// Everything of scene one is designed in world units (y up, the sea at y = 0) and only then turned
// into each model's own frame with the placement the scene gives that model, so a model drawn where
// the scene puts it lands where it was designed. The shore runs north-south along x = 5 and bends west
// at z = 50 into a bay; the rock stands in that bay with the city on its plateau (y = 19); the fire
// burns on the dry sand at (-25, 2.5, 90) with the chair ten units north of it.
#pragma once

#include <string>

#include "assets.h"
#include "meshkit.h"
#include "picture.h"

// A model's placement in the scene: drawn at position, turned by rotY degrees about y, scaled.
struct NbPlacement {
    MkVec3 position;
    float rotY;
    MkVec3 scale;
};

inline constexpr NbPlacement NB_BEACH_PLACE = {{0, -8, 60}, -90, {15, 20, 15}};
inline constexpr NbPlacement NB_ROCK_PLACE = {{-35, 0, 10}, 0, {2.5f, 1, 1}};
inline constexpr NbPlacement NB_FIRE_PLACE = {{-25, 2.5f, 90}, 0, {0.15f, 0.15f, 0.15f}};
inline constexpr NbPlacement NB_CHAIR_PLACE = {{-24, 2.5f, 100}, 90, {1, 1, 1}};
inline constexpr NbPlacement NB_CITY_PLACE = {{-10, 20, 10}, -90, {1, 1, 1}};
inline constexpr float NB_FIGURE_SCALE = 0.007f; // each figure is drawn at this scale, centred on its place

inline constexpr MkVec3 NB_FOUNTAIN = {-10.6f, 19.0f, 15.6f}; // the spray starts here and falls back on y = 19
inline constexpr MkVec3 NB_GATHER = {60, 45, 93};             // where the launched figures meet
inline constexpr float NB_PLATEAU_Y = 18.9f;                  // top of the rock; the city's paving lies on it
inline constexpr float NB_CITY_Y = 19.05f;                    // top of the city's paving
inline constexpr float NB_SAND_Y = 2.5f;                      // the dry sand where the fire and the chair stand

// Turns a mesh built in world units into the frame of a model drawn with that placement (the mesh
// draw turns a model by the conjugate of its angles, so a placement of -90 about y turns +90).
void NB_ToModel(MkMesh& mesh, const NbPlacement& place);

// The ground: signed distance from the shore line (positive inland) and the height of the beach.
float NB_ShoreDistance(float x, float z);
float NB_GroundHeight(float x, float z);
// The plateau's outline: < 1 inside, 1 on the rim (a rounded rectangle around the rock's centre).
float NB_PlateauShape(float x, float z);

// Each adds its models with the pictures they use.
void NB_AddLand(AssetSink& sink);  // beach.3ds, rock_base.3ds
void NB_AddCity(AssetSink& sink);  // city_f.3ds
void NB_AddProps(AssetSink& sink); // campfire.3ds, chairf.3ds, Vevez Ora.3ds
void NB_AddPaths(AssetSink& sink); // flyerpaths.spo
