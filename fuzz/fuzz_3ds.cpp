// fuzz_3ds: feeds arbitrary bytes to the 3DS reader through a memory stream (no GL).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "data/rwops.h"
#include "model/load3ds.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > (1u << 20)) return 0;
    std::vector<std::uint8_t> copy(data, data + size); // the stream wants writable memory
    t3DModel model;
    {
        CLoad3DS_RW loader;
        loader.Load(&model, VH_RWFromMem(copy.data(), (int)copy.size()), true);
    }
    // Everything the draw would touch must be in bounds.
    for (const t3DObject& o : model.objects) {
        for (int i = 0; i < o.faceCount * 3; ++i)
            if (o.faces[i] >= (Uint32)o.vertexCount) __builtin_trap();
        if (o.vertexCount > 0 && o.faceCount > 0 && !o.normals) __builtin_trap();
    }
    MESH_FreeModelData(&model);
    return 0;
}
