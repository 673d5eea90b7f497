// picture_files: small BMP and TGA files built byte by byte for the picture and text tests.
#pragma once

#include "support/archive_bytes.h"
#include "data/rwops.h"
#include "image/image.h"

namespace testpic {

inline void u16(Bytes& b, unsigned v) {
    b.insert(b.end(), {std::uint8_t(v), std::uint8_t(v >> 8)});
}
inline void u32(Bytes& b, std::uint32_t v) {
    u16(b, v & 0xFFFF), u16(b, v >> 16);
}

// A BMP with the 40-byte info header; rows are given bottom first and padded to 4 bytes.
inline Bytes bmp(std::uint32_t w, std::uint32_t h, int depth, const std::vector<Bytes>& rows,
                 const Bytes& palette = Bytes(), std::uint32_t compression = 0) {
    Bytes b = {'B', 'M'};
    const std::uint32_t dataOffset = 54 + (std::uint32_t)palette.size();
    for (std::uint32_t v : {0u, 0u, dataOffset, 40u, w, h, 1u | (unsigned)depth << 16, compression, 0u, 0u, 0u, 0u, 0u})
        u32(b, v);
    b.insert(b.end(), palette.begin(), palette.end());
    for (const Bytes& row : rows) {
        b.insert(b.end(), row.begin(), row.end());
        while ((b.size() - dataOffset) % 4)
            b.push_back(0);
    }
    return b;
}

// An uncompressed TGA, rows stored bottom first unless topLeft.
inline Bytes tga(unsigned w, unsigned h, int depth, const Bytes& pixels, int type = 2, bool topLeft = false) {
    Bytes b = {0, 0, (std::uint8_t)type, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    u16(b, w), u16(b, h);
    b.insert(b.end(), {(std::uint8_t)depth, (std::uint8_t)(topLeft ? 0x20 : 0)});
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

// A 24-bit BMP of one colour whose first stored (bottom) row is red.
inline Bytes flatBmp(unsigned w, unsigned h, std::uint8_t b, std::uint8_t g, std::uint8_t r) {
    std::vector<Bytes> rows(h);
    for (unsigned y = 0; y < h; ++y)
        for (unsigned x = 0; x < w; ++x)
            rows[y].insert(rows[y].end(),
                           {std::uint8_t(y ? b : 0), std::uint8_t(y ? g : 0), std::uint8_t(y ? r : 255)});
    return bmp(w, h, 24, rows);
}
// Decodes a file image from memory; null when the decoder refuses it.
inline VH_Surface* decode(Bytes bytes, VH_Surface* (*decoder)(VH_RWops*)) {
    VH_RWops* rw = VH_RWFromMem(bytes.data(), (int)bytes.size());
    VH_Surface* s = decoder(rw);
    rw->close(rw);
    return s;
}

inline std::vector<int> colourAt(const VH_Surface* s, unsigned x, unsigned y) {
    const Uint32 v = IMG_GetPixel(s, x, y);
    const int d = s->bitsPerPixel;
    return {IMG_GetRed(d, v, s->palette), IMG_GetGreen(d, v, s->palette), IMG_GetBlue(d, v, s->palette)};
}
} // namespace testpic
