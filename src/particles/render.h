// render: draws the current particle group with OpenGL 1.1, as points, as velocity streaks,
// as camera-facing textured quads sorted by a distance key, or as oriented copies of a
// display list. Only the state named per call is touched; blending,
// depth and texturing stay as the caller set them.
//
// The billboard renderers re-order the group's particles by their distance key (they stay
// in that order afterwards). Two versions exist that give the same order and the same
// pixels: the batched one the scenes call (matrix read once, texture bound once, one quad
// batch per group) and the unbatched one (matrix read inside every comparison, one bind and
// one glBegin/glEnd per particle), kept for the tests and the benchmark that compare them.
// uses: core, math
#pragma once

#include "core/types.h"

// Mode 0 draws points from client arrays over the particle records in place; any other GL
// primitive mode draws a streak per particle from its position back along one step of velocity.
void PART_DrawGroup(int mode, Uint8 constantColour);

// Grows the batched billboard renderer's scratch to hold a group of this many particles; groups
// do so when they are made, so that drawing them allocates nothing while a scene runs.
void PART_ReserveDrawing(int particles);

// Quads of side 4 x scale x size.x (4 x scale when fixedSize) facing the viewer.
void PART_DrawBillboards(Uint32 texture, float scale, Uint8 fixedSize, Uint8 constantColour);
void PART_DrawBillboardsBound(float scale, Uint8 fixedSize, Uint8 constantColour);
void PART_DrawBillboardsUnbatched(Uint32 texture, float scale, Uint8 fixedSize, Uint8 constantColour);
void PART_DrawBillboardsBoundUnbatched(float scale, Uint8 fixedSize, Uint8 constantColour);

// The unbatched sort's qsort comparator over two particles: the fast distance from the
// modelview translation, read from GL at every call; 1, -1 or 0.
int PART_CompareDistance(const void* a, const void* b);

// One copy of the display list per particle, scaled by its size and, unless keepOrientation,
// turned so the list's x axis runs along the particle's velocity.
void PART_DrawCopies(Uint32 displayList, Uint8 constantColour, Uint8 keepOrientation);
