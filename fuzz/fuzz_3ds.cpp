// fuzz_3ds: feeds arbitrary bytes to the 3DS reader through a memory stream, then gives the
// model's material texture names to the mesh manager as a load does, with a texture loader that
// stops where OpenGL would begin: the name is looked up in an archive, the picture decoded and
// made ready for upload (no GL).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

#include "data/resfile.h"
#include "data/rwops.h"
#include "image/image.h"
#include "model/load3ds.h"
#include "model/mesh.h"

namespace {

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, unsigned v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(Bytes& b, std::uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

// A 24-bit BMP of w x h (rows padded to whole words), every pixel grey.
Bytes Bmp(unsigned w, unsigned h) {
    Bytes b = {'B', 'M'};
    for (std::uint32_t v : {0u, 0u, 54u, 40u, w, h, 1u | 24u << 16, 0u, 0u, 0u, 0u, 0u, 0u})
        Put32(b, v);
    for (unsigned y = 0; y < h; ++y) {
        b.insert(b.end(), w * 3, 0x80);
        b.insert(b.end(), (4 - w * 3 % 4) % 4, 0);
    }
    return b;
}

// A 32-bit TGA of w x h.
Bytes Tga(unsigned w, unsigned h) {
    Bytes b = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    Put16(b, w);
    Put16(b, h);
    b.push_back(32);
    b.push_back(0);
    b.insert(b.end(), w * h * 4, 0x40);
    return b;
}

// The archive the texture names are looked up in: made once per process.
void RemoveArchive();
const std::string& Archive() {
    static const std::string& path = *[] {
        std::string* p = new std::string("/tmp/fuzz_3ds." + std::to_string(getpid()) + ".clu");
        static const Bytes pictures[] = {Bmp(2, 2), Tga(4, 2), Bmp(3, 2)};
        CResFile res;
        res.Open(p->c_str(), "w");
        res.AddEntry("wood.bmp", 0, pictures[0].data(), static_cast<Uint32>(pictures[0].size()), false);
        res.AddEntry("Sky.tga", 0, pictures[1].data(), static_cast<Uint32>(pictures[1].size()), false);
        res.AddEntry("odd.bmp", 0, pictures[2].data(), static_cast<Uint32>(pictures[2].size()), false);
        res.Commit();
        std::atexit(RemoveArchive);
        return p;
    }();
    return path;
}
void RemoveArchive() {
    std::remove(Archive().c_str());
}

const t3DModel* g_model = nullptr; // the model whose textures are being loaded
int g_calls = 0;

// TEX_Load up to the upload: the name reaches the archive and the picture the conversion.
Uint32 LoadWithoutGL(const char* name, Uint32 flags, Uint32 keep) {
    Check(name && name[0] && keep == 0);
    // Only a material's own texture name, terminated inside its field, is ever asked for.
    bool ours = false;
    for (std::size_t i = 0; i < g_model->materials.size() && i < static_cast<std::size_t>(MESH_MAX_TEXTURES); ++i)
        ours = ours || name == g_model->materials[i].textureFile;
    Check(ours && std::strlen(name) < sizeof(tMaterialInfo::textureFile));
    ++g_calls;
    VH_RWops* rw = RES_OpenEntryStreamFrom(Archive().c_str(), name);
    if (!rw) return 0;
    Uint8 magic[2] = {0, 0};
    rw->read(rw, magic, 1, 2);
    rw->seek(rw, 0, VH_RW_SEEK_SET);
    VH_Surface* surface = (magic[0] == 'B' && magic[1] == 'M') ? IMG_LoadBMP(rw) : IMG_LoadTGA(rw);
    rw->close(rw);
    Check(surface != nullptr); // the archive holds only good pictures
    VH_Surface* converted = nullptr;
    const VH_Surface* upload = IMG_TextureSurface(surface, flags, &converted);
    const Uint32 id = upload ? 1000 + static_cast<Uint32>(g_calls) : 0;
    IMG_FreeSurface(converted);
    IMG_FreeSurface(surface);
    return id;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > (1u << 20)) return 0;
    Archive();
    std::vector<std::uint8_t> copy(data, data + size); // the stream wants writable memory
    t3DModel model;
    {
        CLoad3DS_RW loader;
        loader.Load(&model, VH_RWFromMem(copy.data(), (int)copy.size()), true);
    }
    // Everything the draw would touch must be in bounds.
    Check(model.objectCount == static_cast<Sint32>(model.objects.size()) &&
          model.materialCount == static_cast<Sint32>(model.materials.size()));
    for (const t3DObject& o : model.objects) {
        for (int i = 0; i < o.faceCount * 3; ++i)
            Check(o.faces[i] < (Uint32)o.vertexCount);
        if (o.vertexCount > 0 && o.faceCount > 0) Check(o.normals != nullptr);
        // An object no face group names a material for keeps material 0, even in a model without any.
        Check(o.material >= -1 && o.material < std::max(model.materialCount, 1));
        Check(std::memchr(o.name, 0, sizeof o.name) != nullptr);
    }
    for (const tMaterialInfo& m : model.materials)
        Check(std::memchr(m.name, 0, sizeof m.name) && std::memchr(m.textureFile, 0, sizeof m.textureFile));

    // What a load does with the names before the texture manager uploads anything.
    g_model = &model;
    g_calls = 0;
    const Uint32 flags = size ? data[size - 1] & (TEX_ALPHA | TEX_LUMINANCE | TEX_MIPMAP) : 0;
    MESH_LoadTextures(&model, flags, LoadWithoutGL);
    int named = 0;
    for (std::size_t i = 0; i < model.materials.size(); ++i) {
        const tMaterialInfo& m = model.materials[i];
        Check(m.index == static_cast<Sint32>(i));
        if (i < static_cast<std::size_t>(MESH_MAX_TEXTURES)) {
            named += m.textureFile[0] != 0;
            if (!m.textureFile[0]) Check(model.textures[i] == 0);
        }
    }
    Check(named == g_calls);
    MESH_FreeModelData(&model);
    return 0;
}
