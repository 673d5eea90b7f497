// image_fuzz: the body shared by the picture decoder fuzz targets. Any bytes go through one
// decoder; a surface that comes out must be consistent and is converted to every depth.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "data/rwops.h"
#include "image/image.h"

inline int VH_FuzzPicture(const std::uint8_t* data, std::size_t size, VH_Surface* (*decode)(VH_RWops*)) {
    if (size > (1u << 24)) return 0;
    std::vector<std::uint8_t> copy(data, data + size);
    VH_RWops* rw = VH_RWFromMem(copy.data(), (int)copy.size());
    if (!rw) return 0;
    if (VH_Surface* s = decode(rw)) {
        if ((size_t)s->pitch != (size_t)s->width * s->bytesPerPixel) __builtin_trap();
        VH_Surface* converted[3] = {Create32BitSurface(s), Create24BitSurface(s), Create8BitSurface(s)};
        for (VH_Surface* c : converted)
            IMG_FreeSurface(c);
        IMG_FreeSurface(s);
    }
    rw->close(rw);
    return 0;
}
