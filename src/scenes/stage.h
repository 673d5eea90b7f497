// stage: what the scenes set up alike: their models loaded where they stand, their turning parts, a
// lamp, linear fog.
// uses: core, image, model
#pragma once

#include <vector>

#include "core/catalogue.h"
#include "model/mesh.h"

struct STAGE_Placement {
    float position[3];
    float rotation[3]; // degrees
    float scale[3];
};

// Loads each named model (mipmapped) into models[i] and puts it at places[i]; a model that does not
// load stays null, and the scene goes on without it.
void STAGE_LoadPlaced(const char* const* names, const STAGE_Placement* places, int count, t3DModel** models);
// A catalogue part table copied into parts whose angles a scene turns. The list points into the
// parts, so a table is filled where it stays.
struct STAGE_PartTable {
    std::vector<tMeshPart> parts;
    tMeshPartList list = {0, nullptr};
};
void STAGE_FillParts(STAGE_PartTable* table, const CAT_PartTable& from);

// A light (GL_LIGHTn) at the position, its specular the diffuse colour, shining every way; it is not
// switched on here.
void STAGE_Lamp(unsigned light, const float position[4], const float ambient[4], const float diffuse[4]);
// Linear fog from start to end in the colour, switched on.
void STAGE_LinearFog(float start, float end, const float colour[4]);
