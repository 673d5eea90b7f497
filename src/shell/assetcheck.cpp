// assetcheck: every archive entry through the reader its kind has in the demo.
//
// The readers say only yes or no (the path reader for .wed files says why); where they refuse,
// a second look at the first bytes tells a wrong kind of file from a damaged one, which is
// what a person mending the archive needs to know first.
#include "shell/assetcheck.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "camera/spline.h"
#include "camera/wedpath.h"
#include "core/catalogue.h"
#include "data/resfile.h"
#include "core/report.h"
#include "data/rwops.h"
#include "image/image.h"
#include "model/load3ds.h"
#include "model/mesh.h"
#include "text/font.h"

namespace {

constexpr int kFontColumns = 32; // cells per mask row, as the font module lays them out
constexpr int kFontRows = 4;     // 128 character codes
constexpr Uint16 k3dsPrimaryChunk = 0x4D4D;

// Text from a checked file as it may appear in a fault: control bytes as \xNN, so a damaged
// file cannot break the one line a fault is printed on.
std::string shown(const char* text) {
    std::string out;
    for (const char* c = text; *c; ++c) {
        const unsigned char b = static_cast<unsigned char>(*c);
        if (b < 32 || b == 127)
            out += VH_Format("\\x%02x", b);
        else
            out += *c;
    }
    return out;
}

bool endsWith(const char* name, const char* tail) {
    const std::size_t n = std::strlen(name), t = std::strlen(tail);
    return n > t && !strcasecmp(name + n - t, tail);
}

const CAT_FontFile* fontNamed(const char* name) {
    for (const CAT_FontFile& f : CAT_FONTS)
        if (!strcasecmp(f.name, name)) return &f;
    return nullptr;
}

// Up to count bytes from the stream's start, the stream left at its start again.
int peek(VH_RWops* rw, Uint8* out, int count) {
    std::memset(out, 0, static_cast<std::size_t>(count));
    rw->seek(rw, 0, VH_RW_SEEK_SET);
    const int got = rw->read(rw, out, 1, count);
    rw->seek(rw, 0, VH_RW_SEEK_SET);
    return got < 0 ? 0 : got;
}

// The kind of picture comes from its bytes, as the texture loader decides it, so a TGA stored
// under a .bmp name passes here exactly when the demo draws it.
std::string checkPicture(VH_RWops* rw) {
    VH_Surface* surface = IMG_LoadPicture(rw);
    if (!surface) return IMG_PictureFault(rw);
    const Uint32 w = surface->width, h = surface->height;
    IMG_FreeSurface(surface);
    if (!IMG_IsTextureSide(w) || !IMG_IsTextureSide(h))
        return VH_Format("%u x %u pixels: a texture's sides are powers of two from 2 to 2048", static_cast<unsigned>(w),
                         static_cast<unsigned>(h));
    return "";
}

std::string checkModel(VH_RWops* rw, const CResFile* archive) {
    t3DModel model;
    CLoad3DS_RW loader;
    const bool loaded = loader.Load(&model, rw, false);
    std::string fault;
    Uint8 head[6];
    const bool marked = peek(rw, head, 6) == 6 && (head[0] | head[1] << 8) == k3dsPrimaryChunk;
    // The reader takes what a cut file still holds; the main chunk's length says what it lost.
    const Uint32 claimed = head[2] | head[3] << 8 | head[4] << 16 | static_cast<Uint32>(head[5]) << 24;
    const long held = VH_RWBytesLeft(rw);
    if (!loaded) {
        fault = marked ? "a damaged 3DS model (a chunk runs past its parent or the file)"
                       : "not a 3DS model (no main chunk)";
    } else if (held >= 0 && claimed > static_cast<unsigned long>(held)) {
        fault = VH_Format("a 3DS model cut short: its main chunk claims %u bytes, the entry holds %ld",
                          static_cast<unsigned>(claimed), held);
    } else if (model.objects.size() == 0) {
        fault = "a 3DS model with no object in it: nothing to draw";
    } else if (archive) {
        for (std::size_t i = 0; i < model.materials.size() && fault.empty(); ++i) {
            const char* map = model.materials[i].textureFile;
            if (map[0] && !archive->EntryExists(map))
                fault = "its texture map " + shown(map) + " is not in the archive";
        }
    }
    MESH_FreeModelData(&model);
    return fault;
}

std::string checkFont(const CAT_FontFile& font, VH_RWops* rw) {
    bool error = false;
    int size = 0;
    Uint8* data = GetFontDataRW(rw, &error, &size);
    std::free(data);
    const int need = kFontColumns * font.cellWidth * kFontRows * font.cellHeight;
    if (error || size < need)
        return VH_Format("%d bytes, short of the %d of a %d x %d mask of %dx%d cells", size, need, kFontColumns,
                         kFontRows, font.cellWidth, font.cellHeight);
    return "";
}

std::string checkSpline(VH_RWops* rw) {
    int count = 0;
    PathControl3D* paths = OpenPath3DFile(rw, &count, false);
    if (paths) {
        delete[] paths;
        return "";
    }
    Uint8 head[8];
    if (peek(rw, head, 8) < 8) return "too short for a spline path file's header";
    if (std::memcmp(head, "SPO\0", 4) != 0) return "not a spline path file (no SPO mark)";
    if (head[4] != 1 || head[5] != 1)
        return VH_Format("spline path file version %d.%d; the reader takes 1.1", head[4], head[5]);
    return "a damaged spline path file (a path does not fit the file or the knot table)";
}

std::string checkWed(VH_RWops* rw) {
    int count = 0;
    PathControl* paths = OpenWEDFile(rw, &count, false);
    if (!paths) return WED_LastFault();
    delete[] paths;
    return "";
}

std::string checkText(VH_RWops* rw) {
    Uint8 chunk[4096];
    long at = 0;
    for (int got; (got = rw->read(rw, chunk, 1, sizeof chunk)) > 0; at += got)
        for (int i = 0; i < got; ++i) {
            const Uint8 c = chunk[i];
            if (c == 0) return VH_Format("a NUL byte at offset %ld: not text", at + i);
            if ((c < 32 && !std::isspace(c)) || c == 127)
                return VH_Format("control byte 0x%02x at offset %ld: not text", c, at + i);
        }
    return "";
}

} // namespace

VH_AssetKind VH_AssetKindOf(const char* name) {
    if (!name) return VH_ASSET_OTHER;
    if (endsWith(name, ".bmp") || endsWith(name, ".tga")) return VH_ASSET_PICTURE;
    if (endsWith(name, ".3ds")) return VH_ASSET_MODEL;
    if (fontNamed(name)) return VH_ASSET_FONT;
    if (endsWith(name, ".spo")) return VH_ASSET_SPLINE;
    if (endsWith(name, ".wed")) return VH_ASSET_WED;
    if (endsWith(name, ".txt")) return VH_ASSET_TEXT;
    return VH_ASSET_OTHER;
}

const char* VH_AssetKindWords(VH_AssetKind kind, int count) {
    static const char* const words[VH_ASSET_KIND_COUNT][2] = {
        {"other entry", "other entries"},
        {"picture", "pictures"},
        {"model", "models"},
        {"font", "fonts"},
        {"spline path file", "spline path files"},
        {"WED path file", "WED path files"},
        {"text file", "text files"},
    };
    const int k = kind >= 0 && kind < VH_ASSET_KIND_COUNT ? kind : VH_ASSET_OTHER;
    return words[k][count == 1 ? 0 : 1];
}

std::string VH_CheckAsset(const char* name, VH_RWops* stream, const CResFile* archive) {
    if (!name || !stream) return "cannot be read";
    stream->seek(stream, 0, VH_RW_SEEK_SET);
    switch (VH_AssetKindOf(name)) {
    case VH_ASSET_PICTURE:
        return checkPicture(stream);
    case VH_ASSET_MODEL:
        return checkModel(stream, archive);
    case VH_ASSET_FONT:
        return checkFont(*fontNamed(name), stream);
    case VH_ASSET_SPLINE:
        return checkSpline(stream);
    case VH_ASSET_WED:
        return checkWed(stream);
    case VH_ASSET_TEXT:
        return checkText(stream);
    default:
        return "";
    }
}

std::string VH_CheckAssetBytes(const char* name, const void* data, Uint32 size, const CResFile* archive) {
    // An empty block still makes a stream: the readers say what they think of no bytes.
    static Uint8 none = 0;
    VH_RWops* rw = VH_RWFromMem(size ? const_cast<void*>(data) : &none, static_cast<int>(size));
    if (!rw) return "cannot be read";
    std::string fault = VH_CheckAsset(name, rw, archive);
    rw->close(rw);
    return fault;
}

bool VH_CheckArchiveAssets(const char* path, VH_ArchiveCheck* result, std::string* fault) {
    *result = VH_ArchiveCheck();
    CResFile res;
    if (!res.Open(path, "rb")) {
        const Uint16 code = res.GetError();
        *fault = code ? RES_ErrorText(code) : "cannot be opened";
        return false;
    }
    for (const RES_Entry* e = res.FirstEntry(); e; e = e->next) {
        const VH_AssetKind kind = VH_AssetKindOf(e->name);
        if (kind == VH_ASSET_OTHER) {
            result->skipped.push_back(e->name);
            continue;
        }
        std::FILE* fp = res.OpenEntryFile(e->name);
        VH_RWops* rw = fp ? VH_RWFromLump(fp, 1, static_cast<int>(e->size)) : nullptr;
        if (!rw) {
            if (fp) std::fclose(fp);
            *fault = std::string("cannot read entry ") + e->name;
            return false;
        }
        const std::string why = VH_CheckAsset(e->name, rw, &res);
        rw->close(rw);
        if (why.empty())
            ++result->read[kind];
        else
            result->refused.push_back({e->name, why});
    }
    return true;
}

std::string VH_AssetSummary(const VH_ArchiveCheck& check) {
    std::string text;
    for (int k = VH_ASSET_PICTURE; k < VH_ASSET_KIND_COUNT; ++k) {
        if (!check.read[k]) continue;
        if (!text.empty()) text += ", ";
        text += std::to_string(check.read[k]) + " " + VH_AssetKindWords(static_cast<VH_AssetKind>(k), check.read[k]);
    }
    return text.empty() ? "no entry of a known kind" : text;
}
