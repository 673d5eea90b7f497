// picfile: an RGBA picture in floats and its encoders for the archive: BMP of 24 bits or 8-bit grey,
// TGA of 24 or 32 bits, and PNG for looking at what a tool made. Shared by the asset generator and
// vhpack's import.
#pragma once

#include <string>
#include <vector>

#include "core/types.h"

struct AgColor {
    float r, g, b, a; // 0..1
};

// An RGBA picture in floats; row 0 is the top row.
struct AgImage {
    int width = 0;
    int height = 0;
    std::vector<AgColor> pixels;

    AgImage() = default;
    AgImage(int w, int h, AgColor fill = {0, 0, 0, 1});
    AgColor& At(int x, int y) { return pixels[size_t(y) * width + x]; }
    const AgColor& At(int x, int y) const { return pixels[size_t(y) * width + x]; }
};

// Encoders. Pixel rows are written bottom-up as the engine's decoders expect; alpha is dropped for
// BMP and 24-bit TGA. The 8-bit BMP stores the red channel as the index under a grey palette.
// The BMP encoders need a width that is a multiple of four (rows carry no padding).
std::vector<Uint8> PIC_EncodeBMP24(const AgImage& image);
std::vector<Uint8> PIC_EncodeBMP8Grey(const AgImage& image);
std::vector<Uint8> PIC_EncodeTGA(const AgImage& image, bool withAlpha);
// A PNG for looking at what we make (RGBA); false when the file cannot be written.
bool PIC_WritePNG(const AgImage& image, const std::string& path);
