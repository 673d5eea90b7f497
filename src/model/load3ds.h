// load3ds: the 3DS reader. Walks a model file's chunk tree from a stream into a t3DModel,
// converts its Z-up coordinates to the engine's Y-up frame and computes smooth vertex normals.
// uses: core, data
#pragma once

#include "model/mesh.h"
#include "core/types.h"

struct VH_RWops;

// A chunk being read: bytesRead counts what has been consumed of it, header included.
struct tChunkHeader {
    Uint16 id;
    Uint32 length; // whole chunk, 6-byte header included
    Uint32 bytesRead;
};

class CLoad3DS_RW {
public:
    CLoad3DS_RW();
    ~CLoad3DS_RW();
    CLoad3DS_RW(const CLoad3DS_RW&) = delete;
    CLoad3DS_RW& operator=(const CLoad3DS_RW&) = delete;

    // Fills model from stream. False for a null stream, a file that is not a 3DS model or a
    // stream that fails mid-read. The objects it appends own their arrays (ownsArrays), so
    // MESH_FreeModelData releases them on either result. With ownsStream the stream is closed
    // when the reader is done with it.
    bool Load(t3DModel* model, VH_RWops* stream, bool ownsStream);
    void Release();

    // Smooth normals: every vertex gets the normalised sum of the normals of all faces that
    // have a corner at exactly its position. BuildObjectNormals groups faces by corner position
    // (near-linear); BuildObjectNormalsQuadratic compares every vertex with every face. Both
    // give bit-identical results; the quadratic one is kept as the reference for tests and the
    // benchmark.
    static void BuildObjectNormals(t3DObject* object);
    static void BuildObjectNormalsQuadratic(t3DObject* object);

private:
    bool readChunk(tChunkHeader* chunk);
    bool readBytes(void* dst, Uint32 count, tChunkHeader* chunk);
    void skipRest(tChunkHeader* chunk);
    bool childFits(tChunkHeader* parent, tChunkHeader* child);
    void readString(char* dst, Uint32 capacity, tChunkHeader* chunk);
    void readRest(char* dst, Uint32 capacity, tChunkHeader* chunk);

    void readMainChunks(t3DModel* model, tChunkHeader* parent, int depth);
    void readObjectChunks(t3DModel* model, t3DObject* object, tChunkHeader* parent, int depth);
    void readMaterialChunks(t3DModel* model, tChunkHeader* parent, int depth);
    void readColour(tMaterialInfo* material, tChunkHeader* chunk);
    void readVertexList(t3DObject* object, tChunkHeader* chunk);
    void readFaceList(t3DObject* object, tChunkHeader* chunk);
    void readTexCoords(t3DObject* object, tChunkHeader* chunk);
    void readFaceMaterial(t3DModel* model, t3DObject* object, tChunkHeader* chunk);

    VH_RWops* stream;
    bool ownsStream;
    bool broken; // the stream failed: every level stops
    tChunkHeader* currentChunk;
    tChunkHeader* tempChunk;
};
