// meshkit: a small kit for building textured models in code and writing them as 3DS files; the asset
// generator builds its models with it and vhpack's import writes what it converts through it.
//
// Everything here works in the engine's frame (y up, the camera's world units); MK_Write3DS turns it
// into the file's z-up frame, so a model built here stands where the engine puts it.
//
// What the engine's reader and mesh draw do with a model, and so how to build one:
//  - Colour reaches the screen only through a texture: every object is drawn with grey 128 (the
//    material's diffuse colour is read but never used), which modulates the texture by one half. Give
//    every material a texture map, and make the map about twice as bright as the colour wanted.
//    An object without a texture is drawn plain grey.
//  - Model textures are loaded with mipmaps but clamped, so texture coordinates stay within 0..1
//    (MK_Check refuses others); v = 0 is the top row of the picture. Sides must be powers of two
//    from 2 to 2048, and a 24-bit BMP's width a multiple of four. Textures are cached by name, so a
//    map that a scene also loads (say "SWIMMING.BMP" with repeat) keeps the flags of the first load.
//  - One material per object: the reader keeps only the material of the last face group, so an
//    object that needs two pictures is two objects.
//  - Faces are counter-clockwise seen from outside. Back faces are culled, so thin parts (sails,
//    flags, paddles made of one sheet) need MK_TwoSided; where a scene turns culling off, a single
//    sheet shows its back lit as if it were its front, so MK_TwoSided still looks better.
//  - Normals are not stored: the reader averages the faces around every position, comparing
//    positions, not indices. Hard edges (a box) are therefore shaded smooth, and a sheet whose back
//    faces sit at exactly the same positions as its front would average to nothing; MK_TwoSided
//    moves the back copy off the front by a hair for that reason.
//  - At most 65,535 vertices and 65,535 faces per object, at most 64 materials per model, texture
//    map names of at most 63 characters; names of objects animated by a part table must match that
//    table (case does not matter there, while material names match exactly).
//  - A turning part is built around its pivot: model it at the origin, then translate it to the
//    hub the table gives.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/types.h"

struct MkVec3 {
    float x, y, z;
};

struct MkVec2 {
    float u, v;
};

struct MkFace {
    Uint32 a, b, c; // counter-clockwise seen from outside
};

// One piece of geometry: every position has its texture coordinate.
struct MkMesh {
    std::vector<MkVec3> positions;
    std::vector<MkVec2> uvs;
    std::vector<MkFace> faces;
};

struct MkMaterial {
    std::string name;       // unique within the model, matched case-sensitively by the reader
    Uint8 r, g, b;          // diffuse colour, kept in the file for other tools
    std::string textureMap; // archive entry name of the picture, e.g. "boat_wood.bmp"
};

struct MkObject {
    std::string name; // the sub-object name a part table refers to
    MkMesh mesh;
    std::string material; // name of one of the model's materials
};

struct MkModel {
    std::vector<MkMaterial> materials;
    std::vector<MkObject> objects;
};

enum MkAxis { MK_AXIS_X, MK_AXIS_Y, MK_AXIS_Z };

// --- Vectors. -----------------------------------------------------------------------------------------

MkVec3 MK_Vec3(float x, float y, float z);
MkVec3 MK_Add(MkVec3 a, MkVec3 b);
MkVec3 MK_Sub(MkVec3 a, MkVec3 b);
MkVec3 MK_Mul(MkVec3 a, float s);
MkVec3 MK_Cross(MkVec3 a, MkVec3 b);
float MK_Dot(MkVec3 a, MkVec3 b);
float MK_Length(MkVec3 a);

// --- Primitives. All are centred on the y axis; UVs already lie within 0..1. -----------------------

// A box centred at the origin; each face carries the whole picture.
MkMesh MK_Box(MkVec3 size);
// The same box centred at `centre`.
MkMesh MK_BoxAt(MkVec3 size, MkVec3 centre);
// A flat rectangle in the x-z plane facing +y, centred at the origin (one-sided).
MkMesh MK_Plane(float sizeX, float sizeZ);
// An open or capped cylinder from y = 0 to y = height; u runs once around, v from top (0) to bottom.
MkMesh MK_Cylinder(float radius, float height, int segments, bool caps = true);
// A cone standing on y = 0 with its tip at y = height.
MkMesh MK_Cone(float radius, float height, int segments, bool base = true);
// A sphere centred at the origin; v = 0 at the north pole.
MkMesh MK_Sphere(float radius, int slices, int stacks);
// A ring lying in the x-z plane around the y axis.
MkMesh MK_Torus(float ringRadius, float tubeRadius, int ringSegments, int tubeSegments);
// Turns a profile of (radius, y) points, listed from bottom to top, around the y axis.
MkMesh MK_Lathe(const std::vector<MkVec2>& profile, int segments);
// Sweeps a closed cross-section (counter-clockwise (x, y) points, the section's "up" is +y) along a
// path of at least two points; caps close both ends. u runs around the section, v along the path.
MkMesh MK_Extrude(const std::vector<MkVec2>& section, const std::vector<MkVec3>& path, bool caps);
// A round tube of `sides` sides through the points, capped (a limb, a log, a frame).
MkMesh MK_Tube(float radius, const std::vector<MkVec3>& path, int sides = 8);
// A grid in the x-z plane centred at the origin with heights from the function (x, z) -> y;
// the picture is stretched once over the whole grid (planar UV from above).
MkMesh MK_Heightfield(int cellsX, int cellsZ, float sizeX, float sizeZ,
                      const std::function<float(float, float)>& height);

// --- Transforms and merging. --------------------------------------------------------------------------

void MK_Translate(MkMesh& mesh, MkVec3 offset);
void MK_Scale(MkMesh& mesh, MkVec3 factors); // a negative factor mirrors; faces are turned to stay outward
void MK_RotateX(MkMesh& mesh, float degrees);
void MK_RotateY(MkMesh& mesh, float degrees);
void MK_RotateZ(MkMesh& mesh, float degrees);
// Appends the geometry of one mesh to another (same material afterwards).
void MK_Merge(MkMesh& into, const MkMesh& from);
// Reverses every face (inside out).
void MK_FlipFaces(MkMesh& mesh);
// Adds a back side to every face, moved off the front by a hair so the normals stay apart.
void MK_TwoSided(MkMesh& mesh);

// --- Texture coordinates, recomputed over the mesh's bounds so that they fill 0..1. -----------------

// Projects along the axis; looking along -axis, u grows with the first remaining axis (x, or z for
// the x axis) and v = 0 at the top (largest y, or smallest z when projecting along y).
void MK_PlanarUV(MkMesh& mesh, MkAxis axis);
// Around the y axis: u follows the angle, mirrored at the back so there is no seam (u = 0 at +x,
// u = 1 at -x on either side); v = 0 at the top.
void MK_CylindricalUV(MkMesh& mesh);
// Each face is projected along its dominant axis (the picture repeats on every side of a box).
void MK_BoxUV(MkMesh& mesh);

// --- Models. ------------------------------------------------------------------------------------------

void MK_AddMaterial(MkModel& model, const std::string& name, Uint8 r, Uint8 g, Uint8 b, const std::string& textureMap);
void MK_AddObject(MkModel& model, const std::string& name, const MkMesh& mesh, const std::string& material);
// Bounds of all objects (engine frame); false for an empty model.
bool MK_Bounds(const MkModel& model, MkVec3* lo, MkVec3* hi);
// Empty when the model can be written; otherwise one line naming the first fault.
std::string MK_Check(const MkModel& model);
// The 3DS file of the model; empty when MK_Check finds a fault.
std::vector<Uint8> MK_Write3DS(const MkModel& model);
