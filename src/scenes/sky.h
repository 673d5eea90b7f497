// sky: the curved sky plane of the air battle, a square grid of textured vertices that sags
// away from its middle like the inside of a shell round a planet. Built once into arrays,
// compiled into a display list at its first draw, drawn behind everything else.
// uses: core
#pragma once

#include "core/types.h"

struct SKY_Vertex {
    float x, y, z;
    float spare; // unused; keeps the records six floats long
    float u, v;
};

// The largest grid whose (n + 1)^2 vertices can all be named by a 16-bit index.
const int SKY_MAX_DIVISIONS = 255;

// divisions is clamped to 1..SKY_MAX_DIVISIONS; the plane spans the chord of the atmosphere's
// sphere at the planet's radius, its texture repeats hTile x vTile times. Earlier arrays go first.
void SKY_Build(int divisions, float planetRadius, float atmosphereRadius, float hTile, float vTile);
// Draws the plane in white with the bound texture, without lighting or depth test; lighting and
// depth test are on afterwards.
void SKY_Draw();
// The same picture drawn after the opaque scene instead of before it: the plane shows only where
// nothing has been drawn, so the rasterizer shades no sky pixel that something covers. The depth
// test, function (GL_LESS), range and writes are as the program keeps them afterwards.
void SKY_DrawBehind();
void SKY_Free();

int SKY_Divisions();   // 0 when nothing is built
int SKY_VertexCount(); // (n + 1)^2, row i and column j at (n + 1) i + j
int SKY_IndexCount();  // 6 n^2, two triangles per cell
const SKY_Vertex* SKY_Vertices();
const Uint16* SKY_Indices();
