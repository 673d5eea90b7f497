// effects: the ready-made particle effects the scenes run on their groups once per frame
// (fire, fountain, figure trails, shots, tracer streams, smoke), each a fixed sequence of
// immediate actions at the time step the scene set, plus the small sphere drawings used
// beside them and the per-item rate integrator of turning parts.
//
// Every preset selects its group and leaves the birth settings as it set them; the next
// preset sets its own (the trail keeps the previous velocity domain, the fountain the
// previous birth age).
// uses: core, math, model, camera
#pragma once

#include "camera/fliers.h"
#include "math/vmath.h"

struct tMeshPartList;

void FX_Fire(int group);
void FX_Fountain(int group);
// Emits at the figure's position + offset, in its colour, into its group.
void FX_FlierTrail(const FLIERS& flyer);
// Single shots from `from` towards `to`, falling; and straight tracer streams.
void FX_Spray(int group, VECTOR from, VECTOR to, float speed);
void FX_Stream(int group, VECTOR from, VECTOR to, float speed);
void FX_SmokeLarge(int group);
void FX_SmokeSmall(int group);

// A black sphere of radius 0.13 at each particle of the current group.
void FX_DrawParticleSpheres();
void FX_DrawBlackSphere(float x, float y, float z, float radius);
// Alpha-blended sphere; leaves blending disabled.
void FX_DrawGlowSphere(float radius, float x, float y, float z, const float colour[4]);

// Every part's angle advances by its speed x dt.
void FX_AdvanceRates(tMeshPartList* list, float dt);
