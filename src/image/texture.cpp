// texture: the texture manager, one table of the textures loaded by name in load order.
#include "image/texture.h"

#include <GL/gl.h>
#include <string>
#include <strings.h>
#include <vector>

#include "core/logsink.h"
#include "core/report.h"
#include "data/resfile.h"
#include "data/rwops.h"

namespace {
struct TexInfo {
    Uint32 id;    // OpenGL texture name
    Uint32 flags; // the flags it was loaded with
    Uint32 keep;  // non-zero: TEX_Clear leaves it alone
    std::string name;
};

// Names are kept whole, however long, so a long name is found again rather than loaded twice.
std::vector<TexInfo> table;

void release(Uint32 id) {
    if (glIsTexture(id) == GL_TRUE) glDeleteTextures(1, &id);
}
} // namespace

namespace {
// Only asked after a load failed, so the second look at the entry costs nothing in a good run.
std::string whyNoTexture(const char* name) {
    VH_RWops* stream = RES_OpenEntryStream(name);
    if (!stream) return "not found in the archive";
    VH_Surface* surface = IMG_LoadPicture(stream);
    const std::string fault = surface ? "" : IMG_PictureFault(stream);
    stream->close(stream);
    if (!surface) return fault;
    const bool sides = IMG_IsTextureSide(surface->width) && IMG_IsTextureSide(surface->height);
    IMG_FreeSurface(surface);
    return sides ? "cannot be made into a texture" : "its sides are not powers of two from 2 to 2048";
}
} // namespace

void TEX_Init() {}

Uint32 TEX_Load(const char* name, Uint32 flags, Uint32 keep) {
    if (!name || !name[0]) return 0;
    for (const TexInfo& t : table)
        if (strcasecmp(t.name.c_str(), name) == 0) return t.id;
    const Uint32 id = VH_LoadTexture(name, flags);
    if (id == 0) {
        VH_Warn(name, "%s; drawn without it", whyNoTexture(name).c_str());
        return 0;
    }
    table.push_back({id, flags, keep, name});
    return id;
}

void TEX_Clear() {
    std::vector<TexInfo> kept;
    for (const TexInfo& t : table) {
        if (t.keep)
            kept.push_back(t);
        else
            release(t.id);
    }
    table.swap(kept);
}

void TEX_Shutdown() {
    for (const TexInfo& t : table)
        release(t.id);
    table.clear();
}

int TEX_Count() {
    return (int)table.size();
}

void TEX_List() {
    for (const TexInfo& t : table)
        LOG_Line(t.name.c_str());
}

Uint32 TEX_Id(int i) {
    return i >= 0 && i < (int)table.size() ? table[(size_t)i].id : 0;
}

const char* TEX_Name(int i) {
    return i >= 0 && i < (int)table.size() ? table[(size_t)i].name.c_str() : nullptr;
}
