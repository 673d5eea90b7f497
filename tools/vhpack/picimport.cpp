// picimport: any picture stb or ImageMagick reads, made into a BMP or TGA the engine's textures take.
//
// stb decodes the common kinds (PNG, JPEG, GIF, uncompressed BMP, every TGA, PSD, HDR, PNM) small and
// fast; what it refuses (RLE or bit-field BMP, TIFF, WebP, PCX, icons, CMYK or 12-bit JPEG) goes to
// ImageMagick, told the kind the bytes' signature names so that it never guesses a coder of its own.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "core/report.h"
#include "image/image.h"
#include "data/rwops.h"
#include "import.h"
#include "picfile.h"

#include "stb_image.h"
#include "stb_image_resize.h"
#include "stb_image_write.h"

#include <wand/MagickWand.h>

namespace {

// Far beyond any picture a demo shows, and small enough that a forged header cannot make the
// decoder ask for gigabytes.
constexpr long long kMaxPixels = 64ll * 1024 * 1024;
constexpr int kMaxSide = 2048;
constexpr int kMinBmpWidth = 4; // a 24-bit BMP row of 2 pixels would need padding the engine does not read

std::string LowerExtension(const std::string& name) {
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || name.find('/', dot) != std::string::npos) return "";
    std::string ext = name.substr(dot);
    for (char& c : ext)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

} // namespace

IMP_Kind IMP_KindOfName(const std::string& path) {
    static const char* const pictures[] = {".png", ".jpg", ".jpeg", ".gif", ".bmp", ".tga",
                                           ".psd", ".hdr", ".pic",  ".pnm", ".ppm", ".pgm"};
    static const char* const models[] = {".obj",   ".gltf", ".glb",     ".fbx", ".dae", ".ply",  ".stl",     ".3ds",
                                         ".blend", ".x",    ".lwo",     ".lws", ".ase", ".ms3d", ".off",     ".ac",
                                         ".md2",   ".md3",  ".md5mesh", ".smd", ".b3d", ".q3o",  ".irrmesh", ".xgl",
                                         ".zgl",   ".cob",  ".ndo",     ".raw", ".x3d", ".3mf",  ".amf"};
    const std::string ext = LowerExtension(path);
    for (const char* p : pictures)
        if (ext == p) return IMP_PICTURE;
    for (const char* m : models)
        if (ext == m) return IMP_MODEL;
    return IMP_UNKNOWN;
}

const char* IMP_FormatsText() {
    return "pictures: .png .jpg .jpeg .gif .bmp .tga .psd .hdr .pic .pnm .ppm .pgm; models: .obj .gltf .glb "
           ".fbx .dae .ply .stl .3ds .blend .x .lwo .ase .ms3d .off .ac .md2 .md3 .smd .b3d .x3d .3mf .amf "
           "and the other kinds assimp reads";
}

bool IMP_IsSide(int n) {
    return IMG_IsTextureSide(n > 0 ? Uint32(n) : 0);
}

int IMP_NearestSide(int n) {
    int lower = 2;
    while (lower * 2 <= n && lower < kMaxSide)
        lower *= 2;
    if (lower >= kMaxSide || n <= 2) return lower;
    const int upper = lower * 2;
    return (n - lower < upper - n) ? lower : upper;
}

namespace {

// Sets hasAlpha when the file has an alpha channel (2 or 4 channels) that some pixel uses.
bool FindAlpha(IMP_Rgba* picture, int channels) {
    picture->hasAlpha = false;
    if (channels == 2 || channels == 4)
        for (size_t i = 3; i < picture->rgba.size(); i += 4)
            if (picture->rgba[i] != 255) {
                picture->hasAlpha = true;
                break;
            }
    return true;
}

// The ImageMagick coder for bytes stb refused, by their signature; null for none we hand over.
const char* MagickKind(const Uint8* d, size_t n) {
    auto starts = [&](const char* sig, size_t len) { return n >= len && !std::memcmp(d, sig, len); };
    if (starts("BM", 2)) return "BMP";
    if (starts("\xFF\xD8\xFF", 3)) return "JPEG";
    if (starts("\x89PNG", 4)) return "PNG";
    if (starts("GIF8", 4)) return "GIF";
    if (starts("II*\0", 4) || starts("MM\0*", 4)) return "TIFF";
    if (n >= 12 && starts("RIFF", 4) && !std::memcmp(d + 8, "WEBP", 4)) return "WEBP";
    if (n >= 4 && d[0] == 0x0A && d[1] <= 5 && d[2] == 1) return "PCX";
    if (starts("\0\0\1\0", 4)) return "ICO";
    if (n >= 2 && d[0] == 'P' && d[1] >= '1' && d[1] <= '6') return "PNM";
    return nullptr;
}

void StartMagick() {
    static std::once_flag once;
    std::call_once(once, [] {
        MagickWandGenesis();
        // A forged header must not make the decoder reserve gigabytes.
        MagickSetResourceLimit(WidthResource, 32768);
        MagickSetResourceLimit(HeightResource, 32768);
        MagickSetResourceLimit(AreaResource, kMaxPixels);
        std::atexit(MagickWandTerminus);
    });
}

bool MagickDecode(const char* kind, const Uint8* data, size_t size, IMP_Rgba* picture, std::string* fault) {
    StartMagick();
    MagickWand* wand = NewMagickWand();
    const std::string coder = std::string(kind) + ":";
    bool ok =
        MagickSetFilename(wand, coder.c_str()) == MagickTrue && MagickReadImageBlob(wand, data, size) == MagickTrue;
    if (ok) {
        MagickSetFirstIterator(wand);
        const size_t w = MagickGetImageWidth(wand), h = MagickGetImageHeight(wand);
        if (w == 0 || h == 0 || (long long)(w * h) > kMaxPixels) {
            *fault = VH_Format("is %zux%zu pixels, more than the importer takes", w, h);
            DestroyMagickWand(wand);
            return false;
        }
        picture->width = int(w);
        picture->height = int(h);
        picture->rgba.assign(w * h * 4, 255);
        // A picture without alpha is taken as RGB: asked for "RGBA", ImageMagick 6 hands over the
        // alpha of its pixel cache uninitialised for such a picture (a few hundred pixels came out
        // see-through under the sanitizer build, whose fresh memory is not zeros).
        if (MagickGetImageAlphaChannel(wand) == MagickTrue) {
            ok = MagickExportImagePixels(wand, 0, 0, w, h, "RGBA", CharPixel, picture->rgba.data()) == MagickTrue;
        } else {
            std::vector<Uint8> rgb(w * h * 3);
            ok = MagickExportImagePixels(wand, 0, 0, w, h, "RGB", CharPixel, rgb.data()) == MagickTrue;
            for (size_t i = 0; ok && i < w * h; ++i)
                std::memcpy(&picture->rgba[i * 4], &rgb[i * 3], 3);
        }
    }
    if (!ok) {
        ExceptionType severity;
        char* why = MagickGetException(wand, &severity);
        std::string text = why && *why ? why : "no reason given";
        std::replace(text.begin(), text.end(), '\n', ' ');
        *fault = VH_Format("is a damaged or unsupported %s picture (%s)", kind, text.c_str());
        MagickRelinquishMemory(why);
    }
    DestroyMagickWand(wand);
    return ok;
}

} // namespace

bool IMP_Decode(const Uint8* data, size_t size, IMP_Rgba* picture, std::string* fault, bool magick) {
    if (size == 0) {
        *fault = "is empty";
        return false;
    }
    if (size > 0x7FFFFFFF) {
        *fault = "is too large to be a picture";
        return false;
    }
    int w = 0, h = 0, channels = 0;
    if (!stbi_info_from_memory(data, int(size), &w, &h, &channels)) {
        const char* kind = magick ? MagickKind(data, size) : nullptr;
        if (kind) return MagickDecode(kind, data, size, picture, fault) && FindAlpha(picture, 4);
        *fault = VH_Format("is no picture the importer reads (%s)", stbi_failure_reason());
        return false;
    }
    if (w <= 0 || h <= 0 || (long long)w * h > kMaxPixels) {
        *fault = VH_Format("is %dx%d pixels, more than the importer takes", w, h);
        return false;
    }
    int got = 0;
    stbi_uc* pixels = stbi_load_from_memory(data, int(size), &w, &h, &got, 4);
    if (!pixels) {
        const char* kind = magick ? MagickKind(data, size) : nullptr;
        if (kind && MagickDecode(kind, data, size, picture, fault)) return FindAlpha(picture, 4);
        *fault = VH_Format("is a damaged or unsupported picture (%s)", stbi_failure_reason());
        return false;
    }
    picture->width = w;
    picture->height = h;
    picture->rgba.assign(pixels, pixels + size_t(w) * h * 4);
    stbi_image_free(pixels);
    return FindAlpha(picture, channels);
}

bool IMP_Convert(const IMP_Rgba& picture, const std::string& source, const std::string& name,
                 const IMP_Options& options, IMP_Result* result) {
    const std::string ext = LowerExtension(name);
    if (ext != ".bmp" && ext != ".tga") {
        result->fault = name + ": a picture is stored as .bmp (opaque) or .tga (with alpha)";
        return false;
    }
    const bool bmp = ext == ".bmp";
    int width = options.width ? options.width : IMP_NearestSide(picture.width);
    const int height = options.height ? options.height : IMP_NearestSide(picture.height);
    if (bmp && width < kMinBmpWidth) width = kMinBmpWidth;

    std::vector<Uint8> sized;
    if (width == picture.width && height == picture.height) {
        sized = picture.rgba;
    } else {
        sized.resize(size_t(width) * height * 4);
        // sRGB-aware, alpha-weighted, with stb's default filters (Catmull-Rom up, Mitchell down).
        if (!stbir_resize_uint8_srgb(picture.rgba.data(), picture.width, picture.height, 0, sized.data(), width, height,
                                     0, 4, 3, 0)) {
            result->fault = source + ": cannot be resized to " + std::to_string(width) + "x" + std::to_string(height);
            return false;
        }
    }
    AgImage image(width, height);
    for (size_t i = 0; i < image.pixels.size(); ++i) {
        const Uint8* p = &sized[i * 4];
        image.pixels[i] = AgColor{p[0] / 255.0f, p[1] / 255.0f, p[2] / 255.0f, p[3] / 255.0f};
    }
    const bool alpha = picture.hasAlpha && !bmp;
    IMP_Entry entry;
    entry.name = name;
    entry.bytes = bmp ? PIC_EncodeBMP24(image) : PIC_EncodeTGA(image, alpha);
    if (entry.bytes.empty()) {
        result->fault = source + ": cannot be encoded as " + name;
        return false;
    }
    entry.line = VH_Format("%s -> %s: %dx%d %d-bit", source.c_str(), name.c_str(), width, height, alpha ? 32 : 24);
    if (width != picture.width || height != picture.height)
        entry.line += VH_Format(", was %dx%d", picture.width, picture.height);
    if (picture.hasAlpha && bmp)
        result->notes.push_back(source + ": its alpha is dropped in " + name + " (a .tga name keeps it)");
    result->entries.push_back(std::move(entry));
    return true;
}

bool IMP_Picture(const Uint8* data, size_t size, const std::string& source, const std::string& name,
                 const IMP_Options& options, IMP_Result* result) {
    IMP_Rgba picture;
    std::string fault;
    bool ok = IMP_Decode(data, size, &picture, &fault, options.magick);
    if (ok)
        ok = IMP_Convert(picture, source, name, options, result);
    else
        result->fault = source + ": " + fault;
    IMP_KeepOneLine(result);
    return ok;
}

void IMP_KeepOneLine(IMP_Result* result) {
    result->fault = VH_Shown(result->fault);
    for (std::string& note : result->notes)
        note = VH_Shown(note);
    for (IMP_Entry& e : result->entries)
        e.line = VH_Shown(e.line);
}

std::vector<Uint8> IMP_EncodePNG(const IMP_Rgba& picture) {
    std::vector<Uint8> png;
    if (picture.width <= 0 || picture.height <= 0 || picture.rgba.size() != size_t(picture.width) * picture.height * 4)
        return png;
    auto append = [](void* context, void* data, int size) {
        auto* out = static_cast<std::vector<Uint8>*>(context);
        out->insert(out->end(), static_cast<Uint8*>(data), static_cast<Uint8*>(data) + size);
    };
    if (!stbi_write_png_to_func(append, &png, picture.width, picture.height, 4, picture.rgba.data(), picture.width * 4))
        png.clear();
    return png;
}

std::vector<Uint8> IMP_PictureToPNG(const void* data, Uint32 size, std::string* fault) {
    VH_RWops* rw = size <= 0x7FFFFFFF ? VH_RWFromMem(const_cast<void*>(data), int(size)) : nullptr;
    VH_Surface* surface = rw ? IMG_LoadPicture(rw) : nullptr;
    if (rw) rw->close(rw);
    VH_Surface* converted = surface;
    if (surface && surface->bitsPerPixel != 32) {
        converted = Create32BitSurface(surface);
        IMG_FreeSurface(surface);
    }
    if (!converted) {
        *fault = "does not decode as a BMP or TGA picture";
        return {};
    }
    IMP_Rgba picture;
    picture.width = int(converted->width);
    picture.height = int(converted->height);
    picture.rgba.resize(size_t(picture.width) * picture.height * 4);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            const Uint8* s = converted->pixels + size_t(y) * converted->pitch + size_t(x) * 4;
            Uint8* d = &picture.rgba[(size_t(y) * picture.width + x) * 4];
            d[0] = s[2], d[1] = s[1], d[2] = s[0], d[3] = s[3];
        }
    IMG_FreeSurface(converted);
    std::vector<Uint8> png = IMP_EncodePNG(picture);
    if (png.empty()) *fault = "cannot be written as PNG";
    return png;
}
