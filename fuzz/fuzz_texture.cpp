// fuzz_texture: what the texture upload does before OpenGL sees anything. A surface comes from
// the input - decoded as the upload decodes a picture ("BM" a BMP, anything else a TGA), or
// built directly at any depth and size the input asks for - and goes through the choice of
// depth, the conversions and the side checks for every kind of texture. Whatever would be
// uploaded must have the asked depth, the source's size, texture sides for colour, and the
// source's colours.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "data/rwops.h"
#include "fuzz_input.h"
#include "image/image.h"

namespace {

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

// Powers of two from 2 to 2048, counted rather than computed.
bool ReferenceSide(Uint32 n) {
    for (Uint32 p = 2; p <= 2048; p *= 2)
        if (n == p) return true;
    return false;
}

VH_Surface* Decoded(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> copy(data, data + size); // exact size: a read past it is caught
    VH_RWops* rw = VH_RWFromMem(copy.data(), static_cast<int>(copy.size()));
    if (!rw) return nullptr;
    Uint8 magic[2] = {0, 0};
    rw->read(rw, magic, 1, 2);
    rw->seek(rw, 0, VH_RW_SEEK_SET);
    VH_Surface* s = (magic[0] == 'B' && magic[1] == 'M') ? IMG_LoadBMP(rw) : IMG_LoadTGA(rw);
    rw->close(rw);
    return s;
}

// A surface of the depth and sides the input names, its bytes (and palette) from the input.
VH_Surface* Built(FuzzInput& in) {
    static const int depths[] = {8, 15, 16, 24, 32};
    const int depth = depths[in.U8() % 5];
    // Sides up to 4096 and beyond the texture limit, but never more than 16 Ki pixels.
    const Uint32 width = in.U16() % 4100 + 1;
    const Uint32 height = in.U16() % (16384 / width + 1) + 1;
    VH_Surface* s = IMG_CreateSurface(0, width, height, depth);
    if (!s) return nullptr;
    if (s->palette) {
        const std::vector<std::uint8_t> palette = in.Bytes(IMG_PALETTE_BYTES);
        if (!palette.empty()) std::memcpy(s->palette, palette.data(), palette.size());
    }
    const std::vector<std::uint8_t> pixels = in.Bytes(static_cast<std::size_t>(s->pitch) * height);
    if (!pixels.empty()) std::memcpy(s->pixels, pixels.data(), pixels.size());
    return s;
}

void Prepare(const VH_Surface* source, Uint32 flags) {
    const bool grey = flags & TEX_LUMINANCE;
    const int wanted = grey ? 8 : (flags & TEX_ALPHA) ? 32 : 24;
    VH_Surface* converted = nullptr;
    const VH_Surface* upload = IMG_TextureSurface(source, flags, &converted);
    const bool sides = ReferenceSide(source->width) && ReferenceSide(source->height);
    // Grey textures take any size; a colour one only texture sides, and then always.
    if (grey || sides) Check(upload != nullptr);
    if (!upload) {
        Check(converted == nullptr);
        return;
    }
    if (!grey) Check(sides);
    Check(upload->bitsPerPixel == wanted && upload->width == source->width && upload->height == source->height);
    Check(upload->pitch == upload->width * upload->bytesPerPixel);
    Check(source->bitsPerPixel == wanted ? upload == source && !converted : upload == converted);

    // Every pixel keeps its colour (grey: the mean of its channels; new alpha opaque).
    const int d = source->bitsPerPixel;
    for (Uint32 y = 0; upload != source && y < source->height; ++y)
        for (Uint32 x = 0; x < source->width; ++x) {
            const Uint32 v = IMG_GetPixel(source, x, y);
            const Uint8 r = IMG_GetRed(d, v, source->palette), g = IMG_GetGreen(d, v, source->palette),
                        b = IMG_GetBlue(d, v, source->palette);
            const Uint8* p = upload->pixels + static_cast<std::size_t>(y) * upload->pitch + x * upload->bytesPerPixel;
            if (grey) {
                Check(p[0] == (r + g + b) / 3);
            } else {
                Check(p[0] == b && p[1] == g && p[2] == r);
                if (wanted == 32) Check(p[3] == 255);
            }
        }
    if (grey && (flags & TEX_ALPHA)) {
        const std::vector<Uint8> pairs = IMG_GreyAlphaPairs(upload, source);
        Check(pairs.size() == static_cast<std::size_t>(source->width) * source->height * 2);
        for (Uint32 y = 0; y < source->height; ++y)
            for (Uint32 x = 0; x < source->width; ++x) {
                const Uint8* p = &pairs[(static_cast<std::size_t>(y) * source->width + x) * 2];
                Check(p[0] == upload->pixels[static_cast<std::size_t>(y) * upload->pitch + x]);
                Check(p[1] == (d == 32 ? IMG_GetPixel(source, x, y) >> 24 : 255u));
            }
    }
    IMG_FreeSurface(converted);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size > (1u << 20)) return 0;
    FuzzInput in(data, size);
    const Uint8 how = in.U8();
    // Side checks over any number, not only the ones pictures have.
    const Uint32 n = static_cast<Uint32>(how) << 24 | static_cast<Uint32>(in.U16()) << 8 | in.U8();
    Check(IMG_IsTextureSide(n) == ReferenceSide(n) && IMG_IsTextureSide(n >> 20) == ReferenceSide(n >> 20));
    VH_Surface* source = how & 1 ? Built(in) : Decoded(data + 4, size > 4 ? size - 4 : 0);
    if (!source) return 0;
    const Uint32 kinds[] = {0, TEX_ALPHA, TEX_REPEAT | TEX_MIPMAP, TEX_LUMINANCE, TEX_LUMINANCE | TEX_ALPHA};
    for (Uint32 flags : kinds)
        Prepare(source, flags);
    IMG_FreeSurface(source);
    return 0;
}
