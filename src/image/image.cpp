// image: surfaces, depth conversions and the BMP and TGA decoders.
//
// Every size a file claims is checked against what the stream still holds before a
// surface is made, so a damaged header can never make the decoders allocate or read
// beyond the picture.
#include "image/image.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

#include "core/report.h"
#include "data/rwops.h"

// ---------------------------------------------------------------------------
// constants
// ---------------------------------------------------------------------------

namespace {
const Uint32 bmpInfoSize = 40; // BITMAPINFOHEADER, the layout read here
const Uint32 bmpFileHeader = 14;
const Uint8 tgaTopLeftOrigin = 0x20;

// i * 255 / 31 and i * 255 / 63, rounded to the nearest integer.
struct WideningTables {
    Uint8 five[32];
    Uint8 six[64];
    WideningTables() {
        for (int i = 0; i < 32; ++i)
            five[i] = (Uint8)((i * 255 + 15) / 31);
        for (int i = 0; i < 64; ++i)
            six[i] = (Uint8)((i * 255 + 31) / 63);
    }
};
const WideningTables widen;

// ---------------------------------------------------------------------------
// helpers
// ---------------------------------------------------------------------------

bool readBytes(VH_RWops* rw, void* out, Uint32 n) {
    return n == 0 || rw->read(rw, out, 1, (int)n) == (int)n;
}

bool skipBytes(VH_RWops* rw, Uint32 n) {
    if (n == 0) return true;
    if (n > 0x7FFFFFFFu) return false;
    return rw->seek(rw, (int)n, VH_RW_SEEK_CUR) >= 0;
}

// Reads height rows of rowBytes each into the surface, bottom row first unless the
// file says its first row is the top one; pad bytes follow each row in the file.
bool readRows(VH_RWops* rw, VH_Surface* s, Uint32 rowBytes, Uint32 pad, bool topDown) {
    for (Uint32 i = 0; i < s->height; ++i) {
        const Uint32 row = topDown ? i : s->height - 1 - i;
        if (!readBytes(rw, s->pixels + (size_t)row * s->pitch, rowBytes)) return false;
        // The last row's padding may be missing from a file; nothing reads past it.
        if (pad && i + 1 < s->height && !skipBytes(rw, pad)) return false;
    }
    return true;
}

VH_Surface* convert(const VH_Surface* src, int depth) {
    if (!src || !src->pixels || src->bitsPerPixel == depth) return nullptr;
    VH_Surface* out = IMG_CreateSurface(0, src->width, src->height, depth);
    if (!out) return nullptr;
    for (Uint32 y = 0; y < src->height; ++y) {
        Uint8* o = out->pixels + (size_t)y * out->pitch;
        for (Uint32 x = 0; x < src->width; ++x) {
            const Uint32 v = IMG_GetPixel(src, x, y);
            const int bpp = src->bitsPerPixel;
            const Uint8 r = IMG_GetRed(bpp, v, src->palette);
            const Uint8 g = IMG_GetGreen(bpp, v, src->palette);
            const Uint8 b = IMG_GetBlue(bpp, v, src->palette);
            if (depth == 8) {
                *o++ = (Uint8)((r + g + b) / 3);
                continue;
            }
            *o++ = b;
            *o++ = g;
            *o++ = r;
            if (depth == 32) *o++ = 255;
        }
    }
    return out;
}
} // namespace

// ---------------------------------------------------------------------------
// surfaces
// ---------------------------------------------------------------------------

VH_Surface* IMG_CreateSurface(Uint32 flags, Uint32 width, Uint32 height, int bitsPerPixel) {
    if (bitsPerPixel != 8 && bitsPerPixel != 15 && bitsPerPixel != 16 && bitsPerPixel != 24 && bitsPerPixel != 32)
        return nullptr;
    if (width == 0 || height == 0) return nullptr;
    const Uint32 bytes = (Uint32)(bitsPerPixel + 7) / 8;
    // The pitch is 16 bits wide; wider rows cannot be described.
    if (width > 0xFFFFu / bytes) return nullptr;
    const size_t pitch = (size_t)width * bytes;
    if ((unsigned long long)pitch * height > (unsigned long long)0x7FFFFFFF) return nullptr;

    VH_Surface* s = new (std::nothrow) VH_Surface();
    if (!s) return nullptr;
    s->flags = flags;
    s->bitsPerPixel = (Uint8)bitsPerPixel;
    s->bytesPerPixel = (Uint8)bytes;
    s->width = width;
    s->height = height;
    s->pitch = (Uint16)pitch;
    s->pixels = new (std::nothrow) Uint8[pitch * height]();
    s->palette = bitsPerPixel <= 8 ? new (std::nothrow) Uint8[IMG_PALETTE_BYTES]() : nullptr;
    if (!s->pixels || (bitsPerPixel <= 8 && !s->palette)) {
        IMG_FreeSurface(s);
        return nullptr;
    }
    return s;
}

void IMG_FreeSurface(VH_Surface* surface) {
    if (!surface) return;
    delete[] surface->pixels;
    delete[] surface->palette;
    delete surface;
}

Uint8 IMG_GetRed(int depth, Uint32 value, const Uint8* palette) {
    switch (depth) {
    case 8:
        return palette ? palette[(value & 0xFF) * 4 + 2] : 0;
    case 15:
        return widen.five[(value >> 10) & 0x1F];
    case 16:
        return widen.five[(value >> 11) & 0x1F];
    case 24:
    case 32:
        return (Uint8)(value >> 16);
    default:
        return 0;
    }
}

Uint8 IMG_GetGreen(int depth, Uint32 value, const Uint8* palette) {
    switch (depth) {
    case 8:
        return palette ? palette[(value & 0xFF) * 4 + 1] : 0;
    case 15:
        return widen.five[(value >> 5) & 0x1F];
    case 16:
        return widen.six[(value >> 5) & 0x3F];
    case 24:
    case 32:
        return (Uint8)(value >> 8);
    default:
        return 0;
    }
}

Uint8 IMG_GetBlue(int depth, Uint32 value, const Uint8* palette) {
    switch (depth) {
    case 8:
        return palette ? palette[(value & 0xFF) * 4] : 0;
    case 15:
    case 16:
        return widen.five[value & 0x1F];
    case 24:
    case 32:
        return (Uint8)value;
    default:
        return 0;
    }
}

Uint32 IMG_GetPixel(const VH_Surface* s, Uint32 x, Uint32 y) {
    if (!s || !s->pixels || x >= s->width || y >= s->height) return 0;
    const Uint8* p = s->pixels + (size_t)y * s->pitch + (size_t)x * s->bytesPerPixel;
    switch (s->bytesPerPixel) {
    case 1:
        return p[0];
    case 2:
        return (Uint32)p[0] | (Uint32)p[1] << 8;
    case 3:
        return (Uint32)p[0] | (Uint32)p[1] << 8 | (Uint32)p[2] << 16;
    default:
        return (Uint32)p[0] | (Uint32)p[1] << 8 | (Uint32)p[2] << 16 | (Uint32)p[3] << 24;
    }
}

VH_Surface* Create32BitSurface(const VH_Surface* surface) {
    return convert(surface, 32);
}
VH_Surface* Create24BitSurface(const VH_Surface* surface) {
    return convert(surface, 24);
}
VH_Surface* Create8BitSurface(const VH_Surface* surface) {
    return convert(surface, 8);
}

// ---------------------------------------------------------------------------
// stream reads
// ---------------------------------------------------------------------------

Uint8 IMG_ReadU8(VH_RWops* rw) {
    Uint8 b[1] = {0};
    if (rw) rw->read(rw, b, 1, 1);
    return b[0];
}

Uint16 IMG_ReadU16(VH_RWops* rw) {
    Uint8 b[2] = {0, 0};
    if (rw) rw->read(rw, b, 1, 2);
    return (Uint16)(b[0] | b[1] << 8);
}

Uint32 IMG_ReadU32(VH_RWops* rw) {
    Uint8 b[4] = {0, 0, 0, 0};
    if (rw) rw->read(rw, b, 1, 4);
    return (Uint32)b[0] | (Uint32)b[1] << 8 | (Uint32)b[2] << 16 | (Uint32)b[3] << 24;
}

long IMG_StreamRemaining(VH_RWops* rw) {
    const long left = VH_RWBytesLeft(rw);
    return left > 0 ? left : 0;
}

// ---------------------------------------------------------------------------
// decoders
// ---------------------------------------------------------------------------

VH_Surface* IMG_LoadBMP(VH_RWops* rw) {
    if (!rw) return nullptr;
    if (IMG_ReadU8(rw) != 'B' || IMG_ReadU8(rw) != 'M') return nullptr;
    IMG_ReadU32(rw); // file size
    IMG_ReadU32(rw); // reserved
    const Uint32 dataOffset = IMG_ReadU32(rw);
    const Uint32 infoSize = IMG_ReadU32(rw);
    const Uint32 width = IMG_ReadU32(rw);
    const Uint32 height = IMG_ReadU32(rw);
    IMG_ReadU16(rw); // planes
    const Uint16 depth = IMG_ReadU16(rw);
    if (depth != 8 && depth != 24) return nullptr;
    if (IMG_ReadU32(rw) != 0) return nullptr; // compressed
    IMG_ReadU32(rw);                          // image size
    IMG_ReadU32(rw);                          // horizontal resolution
    IMG_ReadU32(rw);                          // vertical resolution
    const Uint32 coloursUsed = IMG_ReadU32(rw);
    IMG_ReadU32(rw); // colours important

    // Later header versions append fields to the 40 bytes read above.
    if (infoSize > bmpInfoSize && !skipBytes(rw, infoSize - bmpInfoSize)) return nullptr;
    Uint32 paletteEntries = 0;
    if (depth == 8) {
        if (coloursUsed > 256) return nullptr;
        paletteEntries = coloursUsed ? coloursUsed : 256;
    }
    const Uint32 headerBytes = bmpFileHeader + (infoSize > bmpInfoSize ? infoSize : bmpInfoSize);

    const Uint32 bytes = depth / 8;
    if (width == 0 || height == 0 || width > 0xFFFFu / bytes) return nullptr;
    const Uint32 rowBytes = width * bytes;
    const Uint32 pad = (4 - rowBytes % 4) % 4; // rows are stored in whole 32-bit words
    const unsigned long long need =
        (unsigned long long)paletteEntries * 4 + (unsigned long long)(rowBytes + pad) * (height - 1) + rowBytes;
    if (need > (unsigned long long)IMG_StreamRemaining(rw)) return nullptr;

    VH_Surface* s = IMG_CreateSurface(0, width, height, depth);
    if (!s) return nullptr;
    if (paletteEntries && !readBytes(rw, s->palette, paletteEntries * 4)) {
        IMG_FreeSurface(s);
        return nullptr;
    }
    // Pixels start at the data offset when it lies beyond the palette; writers that
    // leave it unset have them follow the palette at once.
    const Uint32 paletteEnd = headerBytes + paletteEntries * 4;
    if (dataOffset > paletteEnd && !skipBytes(rw, dataOffset - paletteEnd)) {
        IMG_FreeSurface(s);
        return nullptr;
    }
    if (!readRows(rw, s, rowBytes, pad, false)) {
        IMG_FreeSurface(s);
        return nullptr;
    }
    return s;
}

VH_Surface* IMG_LoadTGA(VH_RWops* rw) {
    if (!rw) return nullptr;
    const Uint8 idLength = IMG_ReadU8(rw);
    const Uint8 mapType = IMG_ReadU8(rw);
    const Uint8 imageType = IMG_ReadU8(rw);
    // Only uncompressed pictures (types 1 to 3) with no colour map or a skippable one.
    if (mapType > 1 || imageType == 0 || imageType > 3) return nullptr;
    IMG_ReadU16(rw); // colour-map first index
    const Uint16 mapLength = IMG_ReadU16(rw);
    const Uint8 mapEntryBits = IMG_ReadU8(rw);
    IMG_ReadU16(rw); // x origin
    IMG_ReadU16(rw); // y origin
    const Uint16 width = IMG_ReadU16(rw);
    const Uint16 height = IMG_ReadU16(rw);
    int depth = IMG_ReadU8(rw);
    const Uint8 descriptor = IMG_ReadU8(rw);
    if (depth == 16) depth = 15; // the top bit is an attribute, not colour
    if (depth != 15 && depth != 24 && depth != 32) return nullptr;
    if (width == 0 || height == 0) return nullptr;

    if (!skipBytes(rw, idLength)) return nullptr;
    if (mapType == 1 && !skipBytes(rw, (Uint32)mapLength * ((mapEntryBits + 7u) / 8u))) return nullptr;

    const Uint32 rowBytes = (Uint32)width * ((depth + 7) / 8);
    if ((unsigned long long)rowBytes * height > (unsigned long long)IMG_StreamRemaining(rw)) return nullptr;
    VH_Surface* s = IMG_CreateSurface(0, width, height, depth);
    if (!s) return nullptr;
    if (!readRows(rw, s, rowBytes, 0, (descriptor & tgaTopLeftOrigin) != 0)) {
        IMG_FreeSurface(s);
        return nullptr;
    }
    return s;
}

// ---------------------------------------------------------------------------
// picture kinds
// ---------------------------------------------------------------------------

namespace {
const char bmpReads[] = "the engine reads 8- and 24-bit uncompressed BMP";
const char tgaReads[] = "the engine reads uncompressed TGA of 15, 16, 24 or 32 bits";

// Pictures of other formats, known by their first bytes. None of them can start a TGA the
// reader takes (their second byte is not a colour-map type of 0 or 1), so naming them only
// ever explains a refusal.
struct ForeignFormat {
    const char* mark;
    int length;
    const char* name;
};
const ForeignFormat foreignFormats[] = {
    {"\x89PNG\r\n\x1a\n", 8, "a PNG picture"},
    {"\xFF\xD8\xFF", 3, "a JPEG picture"},
    {"GIF8", 4, "a GIF picture"},
    {"II*\0", 4, "a TIFF picture"},
    {"MM\0*", 4, "a TIFF picture"},
};

// The header fields the BMP reader goes by, read again to say which of them it refused.
std::string bmpFault(VH_RWops* rw) {
    if (IMG_StreamRemaining(rw) < (long)(bmpFileHeader + bmpInfoSize))
        return "a damaged BMP picture (shorter than its 54-byte header)";
    skipBytes(rw, 2 + 4 + 4 + 4 + 4); // mark, file size, reserved, data offset, info header size
    const Uint32 width = IMG_ReadU32(rw);
    const Uint32 height = IMG_ReadU32(rw);
    IMG_ReadU16(rw); // planes
    const unsigned depth = IMG_ReadU16(rw);
    const Uint32 compression = IMG_ReadU32(rw);
    skipBytes(rw, 12);
    const Uint32 coloursUsed = IMG_ReadU32(rw);
    const bool knownDepth =
        depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16 || depth == 24 || depth == 32;
    if (!knownDepth) return VH_Format("a damaged BMP picture (%u bits per pixel)", depth);
    switch (compression) {
    case 0:
        break;
    case 1: // run lengths of 8-bit indices
    case 2: // run lengths of 4-bit indices
        return VH_Format("RLE-compressed BMP: %s", bmpReads);
    case 3: // bit fields: pixels laid out by colour masks
    case 6:
        if (depth != 8 && depth != 24) return VH_Format("%u-bit BMP: %s", depth, bmpReads);
        return VH_Format("BMP with colour masks: %s", bmpReads);
    case 4:
        return VH_Format("a JPEG inside a BMP: %s", bmpReads);
    case 5:
        return VH_Format("a PNG inside a BMP: %s", bmpReads);
    default:
        return VH_Format("a damaged BMP picture (compression %u)", (unsigned)compression);
    }
    if (depth != 8 && depth != 24) return VH_Format("%u-bit BMP: %s", depth, bmpReads);
    if (height > 0x7FFFFFFFu) return "top-down BMP (negative height): the engine reads bottom-up BMP";
    if (width == 0 || height == 0) return "a damaged BMP picture (a side of 0 pixels)";
    if (width > 0xFFFFu / (depth / 8))
        return VH_Format("BMP %u pixels wide: the engine reads rows of up to %u pixels", (unsigned)width,
                      0xFFFFu / (depth / 8));
    if (depth == 8 && coloursUsed > 256)
        return VH_Format("a damaged BMP picture (%u palette colours)", (unsigned)coloursUsed);
    return "a damaged BMP picture (cut short: its pixels run past the end of the file)";
}

std::string tgaFault(VH_RWops* rw) {
    Uint8 head[18] = {0};
    const int got = rw->read(rw, head, 1, (int)sizeof head);
    if (got <= 0) return "an empty file: not a picture";
    for (const ForeignFormat& f : foreignFormats)
        if (got >= f.length && std::memcmp(head, f.mark, (size_t)f.length) == 0)
            return VH_Format("%s: the engine reads BMP and TGA pictures", f.name);
    const Uint8 mapType = head[1], type = head[2], depth = head[16];
    const bool tgaType = type == 1 || type == 2 || type == 3 || type == 9 || type == 10 || type == 11;
    if (got < (int)sizeof head || mapType > 1 || !tgaType)
        return "neither a BMP (no BM mark) nor a TGA picture: the engine reads BMP and TGA pictures";
    if (type >= 9) return VH_Format("RLE-compressed TGA: %s", tgaReads);
    if (depth != 15 && depth != 16 && depth != 24 && depth != 32) {
        if (type == 1) return VH_Format("colour-mapped TGA: %s", tgaReads);
        if (type == 3) return VH_Format("%u-bit grey TGA: %s", (unsigned)depth, tgaReads);
        return VH_Format("%u-bit TGA: %s", (unsigned)depth, tgaReads);
    }
    if ((head[12] | head[13]) == 0 || (head[14] | head[15]) == 0) return "a damaged TGA picture (a side of 0 pixels)";
    return "a damaged TGA picture (cut short: its pixels run past the end of the file)";
}
} // namespace

IMG_PictureKind IMG_KindOf(VH_RWops* rw) {
    Uint8 mark[2] = {0, 0};
    rw->seek(rw, 0, VH_RW_SEEK_SET);
    rw->read(rw, mark, 1, 2);
    rw->seek(rw, 0, VH_RW_SEEK_SET);
    return mark[0] == 'B' && mark[1] == 'M' ? IMG_PICTURE_BMP : IMG_PICTURE_TGA;
}

VH_Surface* IMG_LoadPicture(VH_RWops* rw) {
    if (!rw) return nullptr;
    // A "BM" file that the BMP reader refuses is not a TGA either.
    return IMG_KindOf(rw) == IMG_PICTURE_BMP ? IMG_LoadBMP(rw) : IMG_LoadTGA(rw);
}

std::string IMG_PictureFault(VH_RWops* rw) {
    if (!rw) return "cannot be read";
    const IMG_PictureKind kind = IMG_KindOf(rw);
    const std::string fault = kind == IMG_PICTURE_BMP ? bmpFault(rw) : tgaFault(rw);
    rw->seek(rw, 0, VH_RW_SEEK_SET);
    return fault;
}
