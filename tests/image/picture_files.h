// picture_files: small BMP and TGA files built byte by byte for the decoder tests.
#pragma once

#include <cstdint>
#include <vector>

namespace testpic {
typedef std::vector<std::uint8_t> Bytes;

inline void u16(Bytes& b, unsigned v) {
    b.push_back(v & 0xFF);
    b.push_back((v >> 8) & 0xFF);
}
inline void u32(Bytes& b, std::uint32_t v) {
    u16(b, v & 0xFFFF);
    u16(b, v >> 16);
}

// A BMP with the 40-byte info header. rows are the file's rows (bottom row first),
// each already holding its bytes; pad bytes are appended to each row when asked.
inline Bytes bmp(std::uint32_t width, std::uint32_t height, int depth, const std::vector<Bytes>& rows,
                 const Bytes& palette = Bytes(), std::uint32_t compression = 0, bool padRows = true) {
    Bytes b = {'B', 'M'};
    const std::uint32_t dataOffset = 54 + (std::uint32_t)palette.size();
    u32(b, 0); // file size, unused
    u32(b, 0);
    u32(b, dataOffset);
    u32(b, 40);
    u32(b, width);
    u32(b, height);
    u16(b, 1);
    u16(b, (unsigned)depth);
    u32(b, compression);
    for (int i = 0; i < 5; ++i) u32(b, 0);
    b.insert(b.end(), palette.begin(), palette.end());
    for (const Bytes& row : rows) {
        b.insert(b.end(), row.begin(), row.end());
        if (padRows)
            while ((b.size() - dataOffset) % 4) b.push_back(0);
    }
    return b;
}

// An uncompressed true-colour TGA, rows bottom first unless topLeft.
inline Bytes tga(unsigned width, unsigned height, int depth, const Bytes& pixels, int imageType = 2,
                 bool topLeft = false) {
    Bytes b = {0, 0, (std::uint8_t)imageType};
    u16(b, 0);
    u16(b, 0);
    b.push_back(0);
    u16(b, 0);
    u16(b, 0);
    u16(b, width);
    u16(b, height);
    b.push_back((std::uint8_t)depth);
    b.push_back(topLeft ? 0x20 : 0);
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

// A flat 24-bit BMP of one colour (blue, green, red), with its first file row marked.
inline Bytes flatBmp(unsigned width, unsigned height, std::uint8_t b, std::uint8_t g, std::uint8_t r) {
    std::vector<Bytes> rows;
    for (unsigned y = 0; y < height; ++y) {
        Bytes row;
        for (unsigned x = 0; x < width; ++x) {
            const bool first = y == 0;
            row.push_back(first ? 0 : b);
            row.push_back(first ? 0 : g);
            row.push_back(first ? 255 : r);
        }
        rows.push_back(row);
    }
    return bmp(width, height, 24, rows);
}
} // namespace testpic
