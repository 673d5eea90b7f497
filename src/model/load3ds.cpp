// load3ds: the 3DS reader.
//
// A 3DS file is a tree of chunks, each a little-endian u16 id and u32 length (header included)
// followed by its payload and child chunks. The reader walks the tree depth first and keeps
// only the chunks that carry geometry, materials and their links; everything else is skipped
// by seeking past it. Each chunk counts the bytes it has consumed, and a parent adds each
// child's count to its own.
//
// The face list is the one chunk not consumed whole: after the face array it holds sub-chunks
// (the per-material face groups), and those are read as further children of the triangle mesh.
//
// Damaged files: a chunk shorter than its own header or longer than what is left of its
// parent ends the reading of that level (the rest of the parent is skipped); nesting deeper
// than any real file needs is skipped; counts are cut to what their chunk can hold before
// anything is allocated; faces that name a vertex beyond the list are dropped after reading.
//
// Sections: chunk helpers; face and vertex normals; the reader (chunk walk, objects,
// materials, links); normals (the literal method and the grouped one).
#include "model/load3ds.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "data/rwops.h"

namespace {

const Uint16 CHUNK_PRIMARY = 0x4D4D;
const Uint16 CHUNK_VERSION = 0x0002;
const Uint16 CHUNK_OBJECTINFO = 0x3D3D;
const Uint16 CHUNK_MATERIAL = 0xAFFF;
const Uint16 CHUNK_OBJECT = 0x4000;
const Uint16 CHUNK_KEYFRAMER = 0xB000;
const Uint16 CHUNK_TRIMESH = 0x4100;
const Uint16 CHUNK_VERTICES = 0x4110;
const Uint16 CHUNK_FACES = 0x4120;
const Uint16 CHUNK_FACEMATERIAL = 0x4130;
const Uint16 CHUNK_TEXCOORDS = 0x4140;
const Uint16 CHUNK_MATNAME = 0xA000;
const Uint16 CHUNK_MATDIFFUSE = 0xA020;
const Uint16 CHUNK_MATMAP = 0xA200;
const Uint16 CHUNK_MATMAPFILE = 0xA300;

const Uint32 headerSize = 6;
const int maxDepth = 16; // real files nest five levels; this only stops hostile ones

Uint16 u16At(const Uint8* p) {
    return (Uint16)(p[0] | (p[1] << 8));
}
Uint32 u32At(const Uint8* p) {
    return (Uint32)p[0] | ((Uint32)p[1] << 8) | ((Uint32)p[2] << 16) | ((Uint32)p[3] << 24);
}
float floatAt(const Uint8* p) {
    const Uint32 bits = u32At(p);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

Uint32 remaining(const tChunkHeader* chunk) {
    return chunk->bytesRead < chunk->length ? chunk->length - chunk->bytesRead : 0;
}

// ---- normals -----------------------------------------------------------------------------

// Un-normalised: (a - c) x (c - b), twice the triangle's area long.
void faceNormals(const t3DObject* object, std::vector<float>& out) {
    out.assign((size_t)object->faceCount * 3, 0.0f);
    const float* v = object->vertices;
    for (Sint32 i = 0; i < object->faceCount; ++i) {
        const float* a = v + object->faces[i * 3 + 0] * 3;
        const float* b = v + object->faces[i * 3 + 1] * 3;
        const float* c = v + object->faces[i * 3 + 2] * 3;
        const float v1[3] = {a[0] - c[0], a[1] - c[1], a[2] - c[2]};
        const float v2[3] = {c[0] - b[0], c[1] - b[1], c[2] - b[2]};
        out[i * 3 + 0] = v1[1] * v2[2] - v1[2] * v2[1];
        out[i * 3 + 1] = v1[2] * v2[0] - v1[0] * v2[2];
        out[i * 3 + 2] = v1[0] * v2[1] - v1[1] * v2[0];
    }
}

// Both normal builders sum in face order through this one routine and finish through the next,
// which is what makes their results bit-identical.
inline void accumulate(float sum[3], const float* n) {
    sum[0] += n[0];
    sum[1] += n[1];
    sum[2] += n[2];
}

// The face normals point inwards for the file's winding, hence the negative count. A vertex
// that no face touches gets a zero normal; it is never drawn.
void finishNormal(float* out, const float sum[3], Sint32 count) {
    if (count == 0) {
        out[0] = out[1] = out[2] = 0.0f;
        return;
    }
    const float divisor = (float)-count;
    float n[3] = {sum[0] / divisor, sum[1] / divisor, sum[2] / divisor};
    float length = (float)std::sqrt((double)(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]));
    if (length == 0.0f) length = 1.0f;
    out[0] = n[0] / length;
    out[1] = n[1] / length;
    out[2] = n[2] / length;
}

bool samePosition(const float* p, const float* q) {
    return p[0] == q[0] && p[1] == q[1] && p[2] == q[2];
}

bool prepareNormals(t3DObject* object) {
    delete[] object->normals;
    object->normals = nullptr;
    if (!object->vertices || object->vertexCount <= 0) return false;
    object->normals = new float[(size_t)object->vertexCount * 3]();
    return true;
}

// Position key under float equality: +0 and -0 are one position, and a position holding a NaN
// equals nothing (not even itself).
struct PositionKey {
    Uint32 bits[3];
    bool operator<(const PositionKey& o) const {
        return bits[0] != o.bits[0]   ? bits[0] < o.bits[0]
               : bits[1] != o.bits[1] ? bits[1] < o.bits[1]
                                      : bits[2] < o.bits[2];
    }
    bool operator==(const PositionKey& o) const {
        return bits[0] == o.bits[0] && bits[1] == o.bits[1] && bits[2] == o.bits[2];
    }
};

bool positionKey(const float* p, PositionKey* key) {
    for (int i = 0; i < 3; ++i) {
        if (std::isnan(p[i])) return false;
        const float value = p[i] == 0.0f ? 0.0f : p[i];
        std::memcpy(&key->bits[i], &value, sizeof value);
    }
    return true;
}

} // namespace

// ---- reader -----------------------------------------------------------------------------------

CLoad3DS_RW::CLoad3DS_RW()
    : stream(nullptr), ownsStream(false), broken(false), currentChunk(new tChunkHeader()),
      tempChunk(new tChunkHeader()) {}

CLoad3DS_RW::~CLoad3DS_RW() {
    Release();
    delete currentChunk;
    delete tempChunk;
}

void CLoad3DS_RW::Release() {
    if (stream && ownsStream) stream->close(stream);
    stream = nullptr;
}

bool CLoad3DS_RW::Load(t3DModel* model, VH_RWops* rw, bool owns) {
    Release();
    stream = rw;
    ownsStream = owns;
    broken = false;
    if (!stream || !model) return false;

    // The primary chunk may not claim more than the stream holds.
    const long left = VH_RWBytesLeft(stream);
    if (left < 0) return false;
    const Uint32 available = (Uint32)left;

    *currentChunk = tChunkHeader();
    if (!readChunk(currentChunk) || currentChunk->id != CHUNK_PRIMARY) return false;
    if (currentChunk->length < headerSize) return false;
    currentChunk->length = std::min(currentChunk->length, available);

    readMainChunks(model, currentChunk, 0);

    for (t3DObject& object : model->objects) {
        // A face naming a vertex past the list would be read and drawn out of bounds.
        Sint32 kept = 0;
        for (Sint32 i = 0; i < object.faceCount; ++i) {
            const Uint32* f = object.faces + i * 3;
            if (f[0] >= (Uint32)object.vertexCount || f[1] >= (Uint32)object.vertexCount ||
                f[2] >= (Uint32)object.vertexCount)
                continue;
            std::memmove(object.faces + kept * 3, f, 3 * sizeof(Uint32));
            ++kept;
        }
        object.faceCount = kept;
        BuildObjectNormals(&object);
    }
    Release();
    return !broken;
}

bool CLoad3DS_RW::readBytes(void* dst, Uint32 count, tChunkHeader* chunk) {
    if (broken) return false;
    if (count == 0) return true;
    if (stream->read(stream, dst, 1, (int)count) != (int)count) {
        broken = true;
        return false;
    }
    chunk->bytesRead += count;
    return true;
}

bool CLoad3DS_RW::readChunk(tChunkHeader* chunk) {
    Uint8 raw[headerSize];
    chunk->bytesRead = 0;
    chunk->id = 0;
    chunk->length = 0;
    if (!readBytes(raw, headerSize, chunk)) return false;
    chunk->id = u16At(raw);
    chunk->length = u32At(raw + 2);
    return true;
}

void CLoad3DS_RW::skipRest(tChunkHeader* chunk) {
    const Uint32 rest = remaining(chunk);
    if (rest && !broken) {
        // Lengths are clamped to the stream, so they stay far below 2 GiB for any real model.
        if (rest > 0x7FFFFFFFu || stream->seek(stream, (int)rest, 1) < 0) broken = true;
    }
    chunk->bytesRead = std::max(chunk->bytesRead, chunk->length);
}

// Reads the next child header of parent. False (after skipping the rest of parent) when the
// child cannot be a real chunk: shorter than its header or reaching past its parent.
bool CLoad3DS_RW::childFits(tChunkHeader* parent, tChunkHeader* child) {
    const Uint32 room = remaining(parent);
    if (room < headerSize) {
        skipRest(parent);
        return false;
    }
    if (!readChunk(child)) return false;
    parent->bytesRead += headerSize;
    if (child->length < headerSize || child->length > room) {
        skipRest(parent);
        return false;
    }
    parent->bytesRead -= headerSize; // added again with the child's count
    return true;
}

// A NUL-terminated string, read a byte at a time but never past the chunk; the excess of an
// over-long one is consumed and dropped.
void CLoad3DS_RW::readString(char* dst, Uint32 capacity, tChunkHeader* chunk) {
    Uint32 n = 0;
    while (remaining(chunk) > 0) {
        char c;
        if (!readBytes(&c, 1, chunk) || c == '\0') break;
        if (n + 1 < capacity) dst[n++] = c;
    }
    dst[n] = '\0';
}

void CLoad3DS_RW::readRest(char* dst, Uint32 capacity, tChunkHeader* chunk) {
    const Uint32 take = std::min(remaining(chunk), capacity - 1);
    if (!readBytes(dst, take, chunk)) {
        dst[0] = '\0';
        return;
    }
    dst[take] = '\0';
    skipRest(chunk);
}

void CLoad3DS_RW::readMainChunks(t3DModel* model, tChunkHeader* parent, int depth) {
    while (!broken && parent->bytesRead < parent->length) {
        tChunkHeader child;
        if (!childFits(parent, &child)) return;
        switch (child.id) {
        case CHUNK_OBJECTINFO:
            // Its first child is the mesh version, which this walk skips like any unknown chunk.
            if (depth < maxDepth) readMainChunks(model, &child, depth + 1);
            break;
        case CHUNK_MATERIAL: {
            tMaterialInfo material;
            std::memset(&material, 0, sizeof material);
            if (!model->materials.push_back(material)) break;
            model->materialCount += 1;
            if (depth < maxDepth) readMaterialChunks(model, &child, depth + 1);
            break;
        }
        case CHUNK_OBJECT: {
            t3DObject object;
            std::memset(static_cast<void*>(&object), 0, sizeof object);
            object.ownsArrays = 1;
            if (!model->objects.push_back(object)) break;
            model->objectCount += 1;
            t3DObject* added = &model->objects[model->objects.size() - 1];
            readString(added->name, sizeof added->name, &child);
            if (depth < maxDepth) readObjectChunks(model, added, &child, depth + 1);
            break;
        }
        case CHUNK_VERSION:
        case CHUNK_KEYFRAMER:
        default:
            break;
        }
        skipRest(&child);
        parent->bytesRead += child.bytesRead;
    }
}

void CLoad3DS_RW::readObjectChunks(t3DModel* model, t3DObject* object, tChunkHeader* parent, int depth) {
    while (!broken && parent->bytesRead < parent->length) {
        tChunkHeader child;
        if (!childFits(parent, &child)) return;
        switch (child.id) {
        case CHUNK_TRIMESH:
            if (depth < maxDepth) readObjectChunks(model, object, &child, depth + 1);
            break;
        case CHUNK_VERTICES:
            readVertexList(object, &child);
            break;
        case CHUNK_FACES:
            readFaceList(object, &child);
            break;
        case CHUNK_FACEMATERIAL:
            readFaceMaterial(model, object, &child);
            break;
        case CHUNK_TEXCOORDS:
            readTexCoords(object, &child);
            break;
        default:
            break;
        }
        // The face list leaves its sub-chunks to be read as siblings.
        if (child.id != CHUNK_FACES) skipRest(&child);
        parent->bytesRead += child.bytesRead;
    }
}

void CLoad3DS_RW::readMaterialChunks(t3DModel* model, tChunkHeader* parent, int depth) {
    tMaterialInfo* material = &model->materials[model->materials.size() - 1];
    while (!broken && parent->bytesRead < parent->length) {
        tChunkHeader child;
        if (!childFits(parent, &child)) return;
        switch (child.id) {
        case CHUNK_MATNAME:
            readRest(material->name, sizeof material->name, &child);
            break;
        case CHUNK_MATDIFFUSE:
            readColour(material, &child);
            break;
        case CHUNK_MATMAP:
            if (depth < maxDepth) readMaterialChunks(model, &child, depth + 1);
            break;
        case CHUNK_MATMAPFILE:
            readRest(material->textureFile, sizeof material->textureFile, &child);
            break;
        default:
            break;
        }
        skipRest(&child);
        parent->bytesRead += child.bytesRead;
    }
}

void CLoad3DS_RW::readColour(tMaterialInfo* material, tChunkHeader* chunk) {
    tChunkHeader* sub = tempChunk;
    if (!childFits(chunk, sub)) return;
    Uint8 rgb[3] = {0, 0, 0};
    const Uint32 take = std::min<Uint32>(3, remaining(sub));
    if (readBytes(rgb, take, sub)) std::memcpy(material->colour, rgb, take);
    skipRest(sub);
    chunk->bytesRead += sub->bytesRead;
}

void CLoad3DS_RW::readVertexList(t3DObject* object, tChunkHeader* chunk) {
    Uint8 raw[2];
    if (remaining(chunk) < 2 || !readBytes(raw, 2, chunk)) return;
    const Uint32 count = std::min<Uint32>(u16At(raw), remaining(chunk) / 12);
    delete[] object->vertices;
    delete[] object->normals;
    object->vertices = nullptr;
    object->normals = nullptr;
    object->vertexCount = 0;
    if (count == 0) return;
    std::vector<Uint8> data((size_t)count * 12);
    if (!readBytes(data.data(), (Uint32)data.size(), chunk)) return;
    object->vertices = new float[(size_t)count * 3]();
    object->vertexCount = (Sint32)count;
    for (Uint32 i = 0; i < count; ++i) {
        const float x = floatAt(&data[i * 12 + 0]);
        const float y = floatAt(&data[i * 12 + 4]);
        const float z = floatAt(&data[i * 12 + 8]);
        // The file is Z-up; the engine is Y-up.
        object->vertices[i * 3 + 0] = x;
        object->vertices[i * 3 + 1] = z;
        object->vertices[i * 3 + 2] = -y;
    }
}

void CLoad3DS_RW::readFaceList(t3DObject* object, tChunkHeader* chunk) {
    Uint8 raw[2];
    if (remaining(chunk) < 2 || !readBytes(raw, 2, chunk)) return;
    const Uint32 stored = u16At(raw);
    const Uint32 count = std::min<Uint32>(stored, remaining(chunk) / 8);
    delete[] object->faces;
    object->faces = nullptr;
    object->faceCount = 0;
    if (count > 0) {
        std::vector<Uint8> data((size_t)count * 8);
        if (!readBytes(data.data(), (Uint32)data.size(), chunk)) return;
        object->faces = new Uint32[(size_t)count * 3]();
        object->faceCount = (Sint32)count;
        for (Uint32 i = 0; i < count; ++i)
            for (int k = 0; k < 3; ++k)
                object->faces[i * 3 + k] = u16At(&data[i * 8 + k * 2]);
    }
    // A cut-short face array leaves no sub-chunks worth reading.
    if (count < stored) skipRest(chunk);
}

void CLoad3DS_RW::readTexCoords(t3DObject* object, tChunkHeader* chunk) {
    Uint8 raw[2];
    if (remaining(chunk) < 2 || !readBytes(raw, 2, chunk)) return;
    const Uint32 count = std::min<Uint32>(u16At(raw), remaining(chunk) / 8);
    delete[] object->texCoords;
    object->texCoords = nullptr;
    object->texCoordCount = 0;
    if (count == 0) return;
    std::vector<Uint8> data((size_t)count * 8);
    if (!readBytes(data.data(), (Uint32)data.size(), chunk)) return;
    object->texCoords = new float[(size_t)count * 2]();
    object->texCoordCount = (Sint32)count;
    for (Uint32 i = 0; i < count * 2; ++i)
        object->texCoords[i] = floatAt(&data[i * 4]);
}

void CLoad3DS_RW::readFaceMaterial(t3DModel* model, t3DObject* object, tChunkHeader* chunk) {
    char name[sizeof(tMaterialInfo::name)];
    readString(name, sizeof name, chunk);
    for (size_t i = 0; i < model->materials.size(); ++i) {
        if (std::strcmp(name, model->materials[i].name) == 0) {
            object->material = (Sint32)i;
            if (model->materials[i].textureFile[0] != '\0') object->textured = 1;
            break;
        }
        object->material = -1;
    }
}

// ---- normals ----------------------------------------------------------------------------------

void CLoad3DS_RW::BuildObjectNormalsQuadratic(t3DObject* object) {
    if (!prepareNormals(object)) return;
    std::vector<float> fn;
    faceNormals(object, fn);
    const float* v = object->vertices;
    for (Sint32 i = 0; i < object->vertexCount; ++i) {
        const float* p = v + i * 3;
        float sum[3] = {0.0f, 0.0f, 0.0f};
        Sint32 count = 0;
        for (Sint32 j = 0; j < object->faceCount; ++j) {
            const Uint32* f = object->faces + j * 3;
            if (samePosition(v + f[0] * 3, p) || samePosition(v + f[1] * 3, p) || samePosition(v + f[2] * 3, p)) {
                accumulate(sum, &fn[j * 3]);
                ++count;
            }
        }
        finishNormal(object->normals + i * 3, sum, count);
    }
}

void CLoad3DS_RW::BuildObjectNormals(t3DObject* object) {
    if (!prepareNormals(object)) return;
    const Sint32 n = object->vertexCount;
    const float* v = object->vertices;

    // 1. One group per distinct position; -1 for positions that equal nothing.
    std::vector<PositionKey> keys((size_t)n);
    std::vector<Sint32> order;
    order.reserve((size_t)n);
    for (Sint32 i = 0; i < n; ++i)
        if (positionKey(v + i * 3, &keys[i])) order.push_back(i);
    std::sort(order.begin(), order.end(), [&](Sint32 a, Sint32 b) { return keys[a] < keys[b]; });
    std::vector<Sint32> group((size_t)n, -1);
    Sint32 groups = 0;
    for (size_t k = 0; k < order.size(); ++k) {
        if (k > 0 && !(keys[order[k]] == keys[order[k - 1]])) ++groups;
        group[order[k]] = groups;
    }
    if (!order.empty()) ++groups;

    // 2. Each group's faces in ascending face order, each face once even when several of its
    //    corners share the position - the same faces, in the same order, as the reference.
    std::vector<Sint32> start((size_t)groups + 1, 0);
    auto cornerGroups = [&](Sint32 j, Sint32 g[3]) {
        const Uint32* f = object->faces + j * 3;
        g[0] = group[f[0]];
        g[1] = group[f[1]];
        g[2] = group[f[2]];
        if (g[1] == g[0]) g[1] = -1;
        if (g[2] == g[0] || g[2] == g[1]) g[2] = -1;
    };
    for (Sint32 j = 0; j < object->faceCount; ++j) {
        Sint32 g[3];
        cornerGroups(j, g);
        for (int k = 0; k < 3; ++k)
            if (g[k] >= 0) ++start[g[k] + 1];
    }
    for (Sint32 g = 0; g < groups; ++g)
        start[g + 1] += start[g];
    std::vector<Sint32> fill(start.begin(), start.end() - 1);
    std::vector<Sint32> members((size_t)start[groups]);
    for (Sint32 j = 0; j < object->faceCount; ++j) {
        Sint32 g[3];
        cornerGroups(j, g);
        for (int k = 0; k < 3; ++k)
            if (g[k] >= 0) members[fill[g[k]]++] = j;
    }

    // 3. One normal per group, copied to every vertex at that position.
    std::vector<float> fn;
    faceNormals(object, fn);
    std::vector<float> groupNormal((size_t)groups * 3);
    for (Sint32 g = 0; g < groups; ++g) {
        float sum[3] = {0.0f, 0.0f, 0.0f};
        for (Sint32 m = start[g]; m < start[g + 1]; ++m)
            accumulate(sum, &fn[members[m] * 3]);
        finishNormal(&groupNormal[g * 3], sum, start[g + 1] - start[g]);
    }
    for (Sint32 i = 0; i < n; ++i) {
        float* out = object->normals + i * 3;
        if (group[i] < 0) {
            const float none[3] = {0.0f, 0.0f, 0.0f};
            finishNormal(out, none, 0);
        } else {
            std::memcpy(out, &groupNormal[group[i] * 3], 3 * sizeof(float));
        }
    }
}
