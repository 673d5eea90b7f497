// mesh: the mesh manager. Loads each 3DS model of the archive once (the base model) and hands
// out instances that share its geometry but carry their own placement and flags; draws them
// whole or with named sub-objects turned about a pivot.
// uses: core, math, data, image
#pragma once

#include "image/texture.h"
#include "math/qvector.h"
#include "core/types.h"

const int MESH_MAX_TEXTURES = 64; // texture slots per model, one per material index

// One material of a model, as the 3DS reader found it.
struct tMaterialInfo {
    char name[255];
    char textureFile[255];                // empty when the material has no texture map
    Uint8 colour[3];                      // diffuse red, green, blue
    Sint32 index;                         // position in its model's material list
    float uTile, vTile, uOffset, vOffset; // not read from the file
};

// One mesh object. Base models own the four arrays (ownsArrays); instances point at the same
// arrays and never free them.
struct t3DObject {
    t3DObject();

    Sint32 vertexCount;
    Sint32 faceCount;
    Sint32 texCoordCount;
    Sint32 material; // index into the model's materials, or -1
    Uint8 textured;  // its material names a texture file
    char name[510];
    float* vertices;  // vertexCount x (x, y, z), y up
    float* normals;   // vertexCount x (x, y, z), unit length
    float* texCoords; // texCoordCount x (u, v)
    Uint32* faces;    // faceCount x 3 vertex indices, each below vertexCount
    Uint8 ownsArrays;
};

struct t3DModel {
    Sint32 objectCount = 0;
    Sint32 materialCount = 0;
    qvector<tMaterialInfo> materials{1};
    qvector<t3DObject> objects{1};

    char name[255] = {}; // the file name it was loaded by
    float position[3] = {0.0f, 0.0f, 0.0f};
    float rotation[3] = {0.0f, 0.0f, 0.0f}; // degrees about x, y, z
    float scale[3] = {1.0f, 1.0f, 1.0f};
    bool lit = true;                           // lighting stays on while drawn
    bool wireframe = false;                    // polygons drawn as lines
    bool visible = true;                       // drawn at all
    bool seeThrough = false;                   // a texture of it has alpha: blended even in the opaque pass
    float boundCentre[3] = {0.0f, 0.0f, 0.0f}; // a sphere holding every vertex, in model space
    float boundRadius = -1.0f;                 // negative: not known, the model is always drawn
    Uint32 textures[MESH_MAX_TEXTURES] = {};   // GL texture per material index, 0 for none
};

// A sub-object turned by MESH_DrawAnimated: angle degrees about axis through the point a - b.
struct tMeshPart {
    const char* name; // object name it applies to, matched without regard to case
    float a[3];
    float b[3];
    float axis[3];
    float angle; // degrees
    float speed; // degrees per second, advanced by the scene, not by the draw
};

struct tMeshPartList {
    int count;
    tMeshPart* parts;
};

void MESH_Init();
// Loads name from the archive once and returns a new instance of it, or null.
t3DModel* MESH_Load3DSMesh(const char* name, Uint32 textureFlags);
t3DModel* MESH_CreateInstance(const char* name);
t3DModel* MESH_FindModel(const char* name);
// Frees the arrays of the objects that own them and empties the model's lists (the record
// itself stays); for models that never entered the manager's list.
void MESH_FreeModelData(t3DModel* model);
// Frees an instance's own records; the shared geometry stays with its base model.
void MESH_FreeInstance(t3DModel* instance);
// Gives each material that names a texture map (the first MESH_MAX_TEXTURES) its texture
// through load, which is TEX_Load but for tools and tests that have no GL context.
void MESH_LoadTextures(t3DModel* model, Uint32 textureFlags,
                       Uint32 (*load)(const char* name, Uint32 flags, Uint32 keep) = TEX_Load);
void MESH_SetPlacement(t3DModel* model, float px, float py, float pz, float rx, float ry, float rz, float sx, float sy,
                       float sz);
// Draws the model's objects; a model whose bounding sphere lies wholly outside the view volume
// sends no geometry (it could not touch a pixel) but leaves the GL state a drawn one would.
void MESH_Draw(t3DModel* model, bool inPlace);
void MESH_DrawAnimated(t3DModel* model, const tMeshPartList* parts);

// One draw of a list: the model at this position (its own rotation and scale).
struct MESH_Placed {
    t3DModel* model; // null: skipped
    float position[3];
};
// Draws the list as MESH_Draw in list order would, with the same picture and the same state left
// behind (each model's position ends as the last entry naming it set it), but nearest the eye first
// where the order cannot change the picture, so that a fragment behind one already drawn fails the
// depth test before it is shaded. That holds while every model is opaque, blending is off and the
// depth test (GL_LESS or GL_LEQUAL) and depth writes are on, as in MESH_BeginOpaquePass; and two
// models whose bounding spheres share any distance from the eye keep their list order, since only
// they can put fragments of the same depth into one pixel, where the order decides which shows.
// Otherwise (a see-through model, blending on, no depth writes) the list is drawn in its order.
void MESH_DrawNearestFirst(const MESH_Placed* list, int count);
void MESH_DrawObject(t3DObject* object, Uint32 texture);
// Between these two, blending is off while the models are drawn (all but see-through ones), and
// while whatever else the caller draws in between. Every fragment of a model has alpha 1 (grey 128,
// lit or not, an opaque texture), so with the blending the program ever leaves on (source alpha
// over one minus it) the picture is the same; only the rasterizer's read of every covered pixel is
// saved. End turns blending back on when Begin found it on.
void MESH_BeginOpaquePass();
// Whether a sphere (centre in the space of the current modelview matrix) lies wholly outside the
// view volume of the current matrices, with a margin, so drawing inside it cannot touch a pixel.
bool MESH_SphereOutsideView(const float centre[3], float radius);
void MESH_EndOpaquePass();
// Releases every base model; instances still held must not be drawn afterwards.
void MESH_Close();
int MESH_Count();
// Base model i in load order, or null.
const t3DModel* MESH_ModelAt(int i);
void MESH_List();
