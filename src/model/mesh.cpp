// mesh: the mesh manager. Base models are read once per file and own their geometry;
// instances copy the base model's records (pointing at the same arrays) and add their own
// placement and flags. Drawing is one glDrawElements per object.
#include "model/mesh.h"

#include <GL/gl.h>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <strings.h>
#include <vector>

#include "core/logsink.h"
#include "core/report.h"
#include "data/resfile.h"
#include "data/rwops.h"
#include "image/texture.h"
#include "math/vmath.h"
#include "model/load3ds.h"

namespace {

std::vector<t3DModel*> baseModels; // in load order
bool passTurnedBlendOff = false;   // MESH_BeginOpaquePass found blending on and turned it off

bool listed(const t3DModel* model) {
    for (const t3DModel* m : baseModels)
        if (m == model) return true;
    return false;
}

t3DModel* newInstance(const t3DModel* base) {
    t3DModel* model = new t3DModel();
    model->lit = base->lit;
    model->wireframe = base->wireframe;
    model->visible = base->visible;
    model->seeThrough = base->seeThrough;
    std::memcpy(model->boundCentre, base->boundCentre, sizeof model->boundCentre);
    model->boundRadius = base->boundRadius;
    std::memcpy(model->position, base->position, sizeof model->position);
    std::memcpy(model->rotation, base->rotation, sizeof model->rotation);
    std::memcpy(model->scale, base->scale, sizeof model->scale);
    std::memcpy(model->textures, base->textures, sizeof model->textures);
    std::memcpy(model->name, base->name, sizeof model->name);
    for (const tMaterialInfo& material : base->materials)
        model->materials.push_back(material);
    for (const t3DObject& object : base->objects) {
        t3DObject copy = object;
        copy.ownsArrays = 0;
        model->objects.push_back(copy);
    }
    model->materialCount = (Sint32)model->materials.size();
    model->objectCount = (Sint32)model->objects.size();
    return model;
}

// Texture coordinates are read per vertex; an object with fewer than it has vertices would
// make OpenGL read past the array.
bool usesTexCoords(const t3DObject* object) {
    return object->textured && object->texCoords && object->texCoordCount >= object->vertexCount;
}

// The texture table has one slot per material index below 64; anything else draws untextured.
bool drawsTextured(const t3DModel* model, const t3DObject* object) {
    return usesTexCoords(object) && object->material >= 0 && object->material < MESH_MAX_TEXTURES &&
           object->material < model->materialCount;
}

// The object's own arrays into the client-array pointers; the caller has chosen its texture.
void drawArrays(const t3DObject* object, bool coords) {
    glNormalPointer(GL_FLOAT, 0, object->normals);
    if (coords) glTexCoordPointer(2, GL_FLOAT, 0, object->texCoords);
    glVertexPointer(3, GL_FLOAT, 0, object->vertices);
    glDrawElements(GL_TRIANGLES, object->faceCount * 3, GL_UNSIGNED_INT, object->faces);
}

bool drawable(const t3DObject* object) {
    return object->vertices && object->normals && object->faces && object->faceCount > 0;
}

// The named part that turns this object, or null.
const tMeshPart* partOf(const t3DObject& object, const tMeshPartList* parts) {
    if (!parts || !parts->parts) return nullptr;
    for (int i = 0; i < parts->count; ++i)
        if (parts->parts[i].name && strcasecmp(parts->parts[i].name, object.name) == 0) return &parts->parts[i];
    return nullptr;
}

// A model's objects, each with its own texture (or none) and, when parts are given, turned about
// its part's pivot. State is set only where it changes from one object to the next: the colour
// once, texturing and the bound texture when the next object needs others. The texture-coordinate
// array is on whenever the program draws (its start-up turns it on for good); an object without
// coordinates of its own would read the last pointer set, perhaps a freed model's, so it is off
// for such objects and on again after them.
void drawObjects(t3DModel* model, const tMeshPartList* parts) {
    if (model->objects.empty()) return;
    glColor3ub(128, 128, 128);
    int texturing = -1;     // GL_TEXTURE_2D as last set here; -1: not set yet
    bool bindKnown = false; // whether bound holds the texture last bound here
    Uint32 bound = 0;
    bool coordsOff = false;
    for (t3DObject& object : model->objects) {
        const bool textured = drawsTextured(model, &object);
        if ((int)textured != texturing) {
            if (textured)
                glEnable(GL_TEXTURE_2D);
            else
                glDisable(GL_TEXTURE_2D);
            texturing = textured;
        }
        const bool coords = usesTexCoords(&object);
        // Coordinates without a usable material draw with texture 0 bound, texturing off.
        if (textured || (coords && drawable(&object))) {
            const Uint32 texture = textured ? model->textures[object.material] : 0;
            if (!bindKnown || texture != bound) glBindTexture(GL_TEXTURE_2D, texture);
            bindKnown = true;
            bound = texture;
        }
        if (!drawable(&object)) continue;
        if (coords == coordsOff) {
            if (coords)
                glEnableClientState(GL_TEXTURE_COORD_ARRAY);
            else
                glDisableClientState(GL_TEXTURE_COORD_ARRAY);
            coordsOff = !coords;
        }
        if (const tMeshPart* part = partOf(object, parts)) {
            const float* a = part->a;
            const float* b = part->b;
            // clang-format off
            glPushMatrix();
                glTranslatef(a[0] - b[0], a[1] - b[1], a[2] - b[2]);
                glRotatef(part->angle, part->axis[0], part->axis[1], part->axis[2]);
                glTranslatef(b[0] - a[0], b[1] - a[1], b[2] - a[2]);
                drawArrays(&object, coords);
            glPopMatrix();
            // clang-format on
        } else {
            drawArrays(&object, coords);
        }
    }
    if (coordsOff) glEnableClientState(GL_TEXTURE_COORD_ARRAY);
}

// The centre of the box around every vertex and the farthest vertex from it.
void computeBound(t3DModel* model) {
    float lo[3] = {INFINITY, INFINITY, INFINITY}, hi[3] = {-INFINITY, -INFINITY, -INFINITY};
    for (const t3DObject& object : model->objects)
        for (Sint32 i = 0; object.vertices && i < object.vertexCount; ++i)
            for (int k = 0; k < 3; ++k) {
                lo[k] = std::min(lo[k], object.vertices[3 * i + k]);
                hi[k] = std::max(hi[k], object.vertices[3 * i + k]);
            }
    model->boundRadius = -1.0f;
    if (!(lo[0] <= hi[0] && lo[1] <= hi[1] && lo[2] <= hi[2])) return; // no vertex
    double radius2 = 0.0;
    for (int k = 0; k < 3; ++k)
        model->boundCentre[k] = (lo[k] + hi[k]) * 0.5f;
    for (const t3DObject& object : model->objects)
        for (Sint32 i = 0; object.vertices && i < object.vertexCount; ++i) {
            double d2 = 0.0;
            for (int k = 0; k < 3; ++k) {
                const double d = (double)object.vertices[3 * i + k] - model->boundCentre[k];
                d2 += d * d;
            }
            radius2 = std::max(radius2, d2);
        }
    // A vertex at infinity or NaN has no sphere around it.
    model->boundRadius = std::isfinite(radius2) ? (float)std::sqrt(radius2) : -1.0f;
}

// What drawing the model's objects leaves behind, for a model that is not drawn: the colour, the
// texture bound last and the client-array pointers. A later draw that leaves an array on without
// setting its pointer reads the last one set (the windowing library's sphere reads texture
// coordinates that way).
void leaveStateOfObjects(const t3DModel* model) {
    if (model->objects.empty()) return;
    glColor3ub(128, 128, 128);
    bool binds = false;
    Uint32 last = 0;
    const t3DObject* lastDrawn = nullptr;
    const t3DObject* lastWithCoords = nullptr;
    for (const t3DObject& object : model->objects) {
        const bool textured = drawsTextured(model, &object);
        if (textured || (usesTexCoords(&object) && drawable(&object))) {
            binds = true;
            last = textured ? model->textures[object.material] : 0;
        }
        if (!drawable(&object)) continue;
        lastDrawn = &object;
        if (usesTexCoords(&object)) lastWithCoords = &object;
    }
    if (binds) glBindTexture(GL_TEXTURE_2D, last);
    if (lastWithCoords) glTexCoordPointer(2, GL_FLOAT, 0, lastWithCoords->texCoords);
    if (lastDrawn) {
        glNormalPointer(GL_FLOAT, 0, lastDrawn->normals);
        glVertexPointer(3, GL_FLOAT, 0, lastDrawn->vertices);
    }
}

// Whether a texture of the model has an alpha channel. A texture loaded before under the same name
// keeps the flags it was loaded with, so the texture itself is asked.
bool anyAlpha(const t3DModel* model) {
    GLint wasBound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &wasBound);
    bool alpha = false;
    for (size_t i = 0; i < model->materials.size() && i < (size_t)MESH_MAX_TEXTURES && !alpha; ++i) {
        if (!model->textures[i]) continue;
        GLint alphaBits = 0;
        glBindTexture(GL_TEXTURE_2D, model->textures[i]);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_ALPHA_SIZE, &alphaBits);
        alpha = alphaBits > 0;
    }
    glBindTexture(GL_TEXTURE_2D, (GLuint)wasBound);
    return alpha;
}

// The model's own rotation (degrees about x, y, z) as the matrix its placement multiplies by.
MATRIX placementRotation(const t3DModel* model) {
    OBJECT3D turn;
    turn.scale = 1.0f;
    turn.Reset();
    for (int i = 0; i < 3; ++i)
        turn.rotation[i] = model->rotation[i];
    turn.ApplyRotation();
    MATRIX rotation;
    rotation.FromQuat(turn.orientation);
    return rotation;
}

void beginPlacement(const t3DModel* model) {
    glPushMatrix();
    if (model->wireframe) glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    if (!model->lit) glDisable(GL_LIGHTING);
    glTranslatef(model->position[0], model->position[1], model->position[2]);
    const MATRIX rotation = placementRotation(model);
    glMultMatrixf(rotation.m);
    glScalef(model->scale[0], model->scale[1], model->scale[2]);
}

void endPlacement(const t3DModel* model) {
    if (model->wireframe) glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    if (!model->lit) glEnable(GL_LIGHTING);
    glPopMatrix();
}

// The eye-space distance (along -z) of the model's bounding-sphere centre, placed at position with
// its own rotation and scale, as beginPlacement places it under the modelview matrix mv.
double placedDepth(const t3DModel* model, const float position[3], const float mv[16]) {
    const MATRIX rotation = placementRotation(model);
    double scaled[3], world[3];
    for (int k = 0; k < 3; ++k)
        scaled[k] = (double)model->boundCentre[k] * model->scale[k];
    for (int r = 0; r < 3; ++r)
        world[r] =
            position[r] + rotation.m[r] * scaled[0] + rotation.m[4 + r] * scaled[1] + rotation.m[8 + r] * scaled[2];
    return -((double)mv[2] * world[0] + (double)mv[6] * world[1] + (double)mv[10] * world[2] + mv[14]);
}

} // namespace

t3DObject::t3DObject()
    : vertexCount(0), faceCount(0), texCoordCount(0), material(-1), textured(0), name(), vertices(nullptr),
      normals(nullptr), texCoords(nullptr), faces(nullptr), ownsArrays(0) {
    std::strcpy(name, "DefaultObjectName");
}

void MESH_Init() {}

void MESH_FreeModelData(t3DModel* model) {
    if (!model) return;
    for (t3DObject& object : model->objects) {
        if (!object.ownsArrays) continue;
        delete[] object.vertices;
        delete[] object.normals;
        delete[] object.texCoords;
        delete[] object.faces;
        object.vertices = object.normals = object.texCoords = nullptr;
        object.faces = nullptr;
    }
    model->objects.clear();
    model->materials.clear();
    model->objectCount = model->materialCount = 0;
}

t3DModel* MESH_FindModel(const char* name) {
    if (!name) return nullptr;
    for (t3DModel* model : baseModels)
        if (strcasecmp(model->name, name) == 0) return model;
    return nullptr;
}

t3DModel* MESH_CreateInstance(const char* name) {
    const t3DModel* base = MESH_FindModel(name);
    return base ? newInstance(base) : nullptr;
}

void MESH_FreeInstance(t3DModel* instance) {
    // A base model stays with the manager until MESH_Close.
    if (!instance || listed(instance)) return;
    MESH_FreeModelData(instance);
    delete instance;
}

t3DModel* MESH_Load3DSMesh(const char* name, Uint32 textureFlags) {
    if (!name) return nullptr;
    if (const t3DModel* base = MESH_FindModel(name)) return newInstance(base);

    VH_RWops* stream = RES_OpenEntryStream(name);
    if (!stream) {
        VH_Warn(name, "not found in the archive; the model is not drawn");
        return nullptr;
    }
    t3DModel* model = new t3DModel();
    {
        CLoad3DS_RW loader;
        const bool read = loader.Load(model, stream, true);
        // A file cut short loads as far as it goes; one with no object left draws nothing,
        // and saying nothing would hide the damage.
        if (!read || model->objects.empty()) {
            MESH_FreeModelData(model);
            delete model;
            VH_Warn(name, read ? "a 3DS model with no object in it (cut short?); the model is not drawn"
                               : "not a 3DS model (or damaged); the model is not drawn");
            return nullptr;
        }
    }
    std::strncpy(model->name, name, sizeof model->name - 1);
    MESH_LoadTextures(model, textureFlags);
    computeBound(model);
    for (t3DObject& object : model->objects)
        object.ownsArrays = 1;
    baseModels.push_back(model);
    return newInstance(model);
}

void MESH_LoadTextures(t3DModel* model, Uint32 textureFlags, Uint32 (*load)(const char*, Uint32, Uint32)) {
    if (!model || !load) return;
    model->seeThrough = false;
    for (size_t i = 0; i < model->materials.size(); ++i) {
        tMaterialInfo& material = model->materials[i];
        if (material.textureFile[0] != '\0' && i < (size_t)MESH_MAX_TEXTURES)
            model->textures[i] = load(material.textureFile, textureFlags, 0);
        material.index = (Sint32)i;
    }
    // Only real textures can be asked about; tools that load without GL never draw.
    if (load == TEX_Load) model->seeThrough = anyAlpha(model);
    model->lit = true;
    model->wireframe = false;
    model->visible = true;
}

void MESH_SetPlacement(t3DModel* model, float px, float py, float pz, float rx, float ry, float rz, float sx, float sy,
                       float sz) {
    if (!model) return;
    model->position[0] = px, model->position[1] = py, model->position[2] = pz;
    model->rotation[0] = rx, model->rotation[1] = ry, model->rotation[2] = rz;
    model->scale[0] = sx, model->scale[1] = sy, model->scale[2] = sz;
}

void MESH_DrawObject(t3DObject* object, Uint32 texture) {
    if (!object || !drawable(object)) return;
    const bool coords = usesTexCoords(object);
    if (coords) glBindTexture(GL_TEXTURE_2D, texture);
    if (!coords) glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    drawArrays(object, coords);
    if (!coords) glEnableClientState(GL_TEXTURE_COORD_ARRAY);
}

void MESH_Draw(t3DModel* model, bool inPlace) {
    glEnable(GL_LIGHTING);
    if (!model || !model->visible) return;
    if (!inPlace) beginPlacement(model);
    if (model->boundRadius >= 0.0f && MESH_SphereOutsideView(model->boundCentre, model->boundRadius)) {
        leaveStateOfObjects(model);
    } else {
        const bool blend = passTurnedBlendOff && model->seeThrough;
        if (blend) glEnable(GL_BLEND);
        drawObjects(model, nullptr);
        if (blend) glDisable(GL_BLEND);
    }
    if (!inPlace) endPlacement(model);
    glEnable(GL_TEXTURE_2D);
}

void MESH_DrawAnimated(t3DModel* model, const tMeshPartList* parts) {
    if (!model || !model->visible) return;
    beginPlacement(model);
    const bool blend = passTurnedBlendOff && model->seeThrough;
    if (blend) glEnable(GL_BLEND);
    drawObjects(model, parts);
    if (blend) glDisable(GL_BLEND);
    endPlacement(model);
    glEnable(GL_TEXTURE_2D);
}

void MESH_DrawNearestFirst(const MESH_Placed* list, int count) {
    if (!list || count <= 0) return;
    GLboolean depthWrites = GL_FALSE;
    GLint depthFunc = 0;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
    // The spans live on the stack, so a frame allocates nothing; a longer list keeps its order.
    const int maxEntries = 64;
    bool reorder = count > 1 && count <= maxEntries && glIsEnabled(GL_DEPTH_TEST) && !glIsEnabled(GL_BLEND) &&
                   depthWrites && (depthFunc == GL_LESS || depthFunc == GL_LEQUAL);
    for (int i = 0; i < count && reorder; ++i)
        if (list[i].model && list[i].model->seeThrough) reorder = false;

    // Each entry's span of distances along the view: its bounding sphere as placed, widened a little
    // for the depth buffer's rounding. No sphere: it spans everything.
    struct Entry {
        int index;
        float nearest, farthest, centre;
        bool drawn;
    };
    Entry entries[maxEntries];
    int n = 0;
    float mv[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, mv);
    double viewScale = 0.0;
    for (int j = 0; j < 3; ++j)
        viewScale =
            std::max(viewScale, std::sqrt((double)mv[4 * j] * mv[4 * j] + (double)mv[4 * j + 1] * mv[4 * j + 1] +
                                          (double)mv[4 * j + 2] * mv[4 * j + 2]));
    for (int i = 0; i < count; ++i) {
        const t3DModel* m = list[i].model;
        if (!m) continue;
        Entry e{i, -INFINITY, INFINITY, (float)i, false};
        if (reorder && m->boundRadius >= 0.0f) {
            const double eye = placedDepth(m, list[i].position, mv);
            double scale = 0.0;
            for (int k = 0; k < 3; ++k)
                scale = std::max(scale, (double)std::fabs(m->scale[k]));
            const double r = m->boundRadius * scale * viewScale;
            const double margin = 1e-3 * (std::fabs(eye) + r) + 1e-3;
            if (std::isfinite(eye) && std::isfinite(r))
                e = {i, (float)(eye - r - margin), (float)(eye + r + margin), (float)eye, false};
        }
        if (!reorder) {
            // In list order, one at a time.
            std::memcpy(list[i].model->position, list[i].position, sizeof list[i].position);
            MESH_Draw(list[i].model, false);
            continue;
        }
        entries[n++] = e;
    }
    // Nearest first, except that two entries whose spans meet keep their list order: only they can
    // put fragments at the same depth into one pixel, where the one drawn first (GL_LESS) or last
    // (GL_LEQUAL) keeps it. The first entry not yet drawn can always go, so every step draws one.
    int lastDrawn = -1;
    for (int step = 0; step < n; ++step) {
        int best = -1;
        for (int j = 0; j < n; ++j) {
            if (entries[j].drawn) continue;
            bool ready = true;
            for (int i = 0; i < j && ready; ++i)
                ready = entries[i].drawn || entries[i].farthest < entries[j].nearest ||
                        entries[j].farthest < entries[i].nearest;
            if (ready && (best < 0 || entries[j].centre < entries[best].centre)) best = j;
        }
        entries[best].drawn = true;
        const MESH_Placed& p = list[entries[best].index];
        std::memcpy(p.model->position, p.position, sizeof p.model->position);
        MESH_Draw(p.model, false);
        lastDrawn = entries[best].index;
    }
    // What drawing in list order leaves: each model's last position, and the state of the last
    // model drawn (the colour, its last texture and array pointers; lighting and texturing are
    // on after any MESH_Draw).
    const MESH_Placed* last = nullptr;
    for (int i = 0; i < count; ++i)
        if (list[i].model) {
            std::memcpy(list[i].model->position, list[i].position, sizeof list[i].position);
            if (list[i].model->visible) last = &list[i];
        }
    if (last && lastDrawn >= 0 && last != &list[lastDrawn]) leaveStateOfObjects(last->model);
}

void MESH_BeginOpaquePass() {
    passTurnedBlendOff = glIsEnabled(GL_BLEND);
    if (passTurnedBlendOff) glDisable(GL_BLEND);
}

bool MESH_SphereOutsideView(const float centre[3], float radius) {
    float mv[16], p[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, mv);
    glGetFloatv(GL_PROJECTION_MATRIX, p);
    double eye[4], scale = 0.0;
    for (int i = 0; i < 4; ++i)
        eye[i] = (double)mv[i] * centre[0] + (double)mv[4 + i] * centre[1] + (double)mv[8 + i] * centre[2] + mv[12 + i];
    // The radius grows with the largest scale the matrix applies (a w other than 1 is not expected
    // of a modelview matrix; such a sphere is simply drawn).
    for (int j = 0; j < 3; ++j)
        scale = std::max(scale, std::sqrt((double)mv[4 * j] * mv[4 * j] + (double)mv[4 * j + 1] * mv[4 * j + 1] +
                                          (double)mv[4 * j + 2] * mv[4 * j + 2]));
    if (mv[3] != 0.0f || mv[7] != 0.0f || mv[11] != 0.0f || mv[15] != 1.0f) return false;
    const double r = radius * scale * 1.001 + 1e-3;
    // Clipping keeps -w <= x, y, z <= w: each bound is a plane (row 4 of the projection plus or
    // minus row 1, 2 or 3) that the whole sphere may lie behind.
    for (int k = 0; k < 3; ++k)
        for (double sign : {1.0, -1.0}) {
            double plane[4], normal2 = 0.0;
            for (int j = 0; j < 4; ++j)
                plane[j] = (double)p[4 * j + 3] + sign * p[4 * j + k];
            for (int j = 0; j < 3; ++j)
                normal2 += plane[j] * plane[j];
            const double distance = plane[0] * eye[0] + plane[1] * eye[1] + plane[2] * eye[2] + plane[3] * eye[3];
            if (distance < -r * std::sqrt(normal2)) return true;
        }
    return false;
}

void MESH_EndOpaquePass() {
    if (passTurnedBlendOff) glEnable(GL_BLEND);
    passTurnedBlendOff = false;
}

void MESH_Close() {
    for (t3DModel* model : baseModels) {
        MESH_FreeModelData(model);
        delete model;
    }
    baseModels.clear();
}

const t3DModel* MESH_ModelAt(int i) {
    return i >= 0 && i < (int)baseModels.size() ? baseModels[(size_t)i] : nullptr;
}

int MESH_Count() {
    return (int)baseModels.size();
}

void MESH_List() {
    for (const t3DModel* model : baseModels)
        LOG_Line(model->name);
}
