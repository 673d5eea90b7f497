// mesh: the mesh manager. Base models are read once per file and own their geometry;
// instances copy the base model's records (pointing at the same arrays) and add their own
// placement and flags. Drawing is one glDrawElements per object.
#include "model/mesh.h"

#include <GL/gl.h>
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

void chooseTexture(const t3DModel* model, const t3DObject* object, Uint32* texture) {
    if (drawsTextured(model, object)) {
        *texture = model->textures[object->material];
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, *texture);
    } else {
        *texture = 0;
        glDisable(GL_TEXTURE_2D);
    }
    glColor3ub(128, 128, 128);
}

void beginPlacement(const t3DModel* model) {
    glPushMatrix();
    if (model->wireframe) glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    if (!model->lit) glDisable(GL_LIGHTING);
    glTranslatef(model->position[0], model->position[1], model->position[2]);
    OBJECT3D turn;
    turn.scale = 1.0f;
    turn.Reset();
    for (int i = 0; i < 3; ++i)
        turn.rotation[i] = model->rotation[i];
    turn.ApplyRotation();
    MATRIX rotation;
    rotation.FromQuat(turn.orientation);
    glMultMatrixf(rotation.m);
    glScalef(model->scale[0], model->scale[1], model->scale[2]);
}

void endPlacement(const t3DModel* model) {
    if (model->wireframe) glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    if (!model->lit) glEnable(GL_LIGHTING);
    glPopMatrix();
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
    for (t3DObject& object : model->objects)
        object.ownsArrays = 1;
    baseModels.push_back(model);
    return newInstance(model);
}

void MESH_LoadTextures(t3DModel* model, Uint32 textureFlags, Uint32 (*load)(const char*, Uint32, Uint32)) {
    if (!model || !load) return;
    for (size_t i = 0; i < model->materials.size(); ++i) {
        tMaterialInfo& material = model->materials[i];
        if (material.textureFile[0] != '\0' && i < (size_t)MESH_MAX_TEXTURES)
            model->textures[i] = load(material.textureFile, textureFlags, 0);
        material.index = (Sint32)i;
    }
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
    if (!object || !object->vertices || !object->normals || !object->faces || object->faceCount <= 0) return;
    const bool textured = usesTexCoords(object);
    if (textured) glBindTexture(GL_TEXTURE_2D, texture);
    glNormalPointer(GL_FLOAT, 0, object->normals);
    // Without coordinates of its own the array would still be read from the last pointer set,
    // which may belong to a model already freed.
    const bool coordArray = glIsEnabled(GL_TEXTURE_COORD_ARRAY);
    if (textured)
        glTexCoordPointer(2, GL_FLOAT, 0, object->texCoords);
    else if (coordArray)
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, object->vertices);
    glDrawElements(GL_TRIANGLES, object->faceCount * 3, GL_UNSIGNED_INT, object->faces);
    if (!textured && coordArray) glEnableClientState(GL_TEXTURE_COORD_ARRAY);
}

void MESH_Draw(t3DModel* model, bool inPlace) {
    glEnable(GL_LIGHTING);
    if (!model || !model->visible) return;
    if (!inPlace) beginPlacement(model);
    for (t3DObject& object : model->objects) {
        Uint32 texture;
        chooseTexture(model, &object, &texture);
        MESH_DrawObject(&object, texture);
    }
    if (!inPlace) endPlacement(model);
    glEnable(GL_TEXTURE_2D);
}

void MESH_DrawAnimated(t3DModel* model, const tMeshPartList* parts) {
    if (!model || !model->visible) return;
    beginPlacement(model);
    for (t3DObject& object : model->objects) {
        Uint32 texture;
        chooseTexture(model, &object, &texture);
        const tMeshPart* part = nullptr;
        if (parts && parts->parts)
            for (int i = 0; i < parts->count && !part; ++i)
                if (parts->parts[i].name && strcasecmp(parts->parts[i].name, object.name) == 0) part = &parts->parts[i];
        if (part) {
            const float* a = part->a;
            const float* b = part->b;
            // clang-format off
            glPushMatrix();
                glTranslatef(a[0] - b[0], a[1] - b[1], a[2] - b[2]);
                glRotatef(part->angle, part->axis[0], part->axis[1], part->axis[2]);
                glTranslatef(b[0] - a[0], b[1] - a[1], b[2] - a[2]);
                MESH_DrawObject(&object, texture);
            glPopMatrix();
            // clang-format on
        } else {
            MESH_DrawObject(&object, texture);
        }
    }
    endPlacement(model);
    glEnable(GL_TEXTURE_2D);
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
