// picture_files: small BMP and TGA files built byte by byte, and a test archive writer.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "data/resfile.h"

namespace testpic {
typedef std::vector<std::uint8_t> Bytes;

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
    for (std::uint32_t v : {0u, 0u, dataOffset, 40u, w, h})
        u32(b, v);
    u16(b, 1), u16(b, (unsigned)depth), u32(b, compression);
    for (int i = 0; i < 5; ++i)
        u32(b, 0);
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
    std::vector<Bytes> rows;
    for (unsigned y = 0; y < h; ++y) {
        Bytes row;
        for (unsigned x = 0; x < w; ++x)
            row.insert(row.end(), {std::uint8_t(y ? b : 0), std::uint8_t(y ? g : 0), std::uint8_t(y ? r : 255)});
        rows.push_back(row);
    }
    return bmp(w, h, 24, rows);
}

typedef std::vector<std::pair<std::string, Bytes>> Entries;

// Replaces the archive at path with exactly these entries, using the engine's writer.
inline bool writeArchive(const char* path, const Entries& entries) {
    CResFile archive;
    if (!archive.Open(path, "w")) return false;
    for (const auto& e : entries)
        if (!archive.AddEntry(e.first.c_str(), 0, e.second.data(), (Uint32)e.second.size(), false)) return false;
    return archive.Commit();
}
} // namespace testpic
