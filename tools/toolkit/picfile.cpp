// picfile: an RGBA picture in floats and its encoders for the archive: BMP of 24 bits or 8-bit
// grey, TGA of 24 or 32 bits, and PNG for looking at what a tool made. Shared by the asset generator
// and vhpack's import.
#include "picfile.h"

#include <algorithm>
#include <cmath>

#include "image/pngwrite.h"

namespace {

Uint8 toByte(float v) {
    return Uint8(std::lround(std::min(std::max(v, 0.0f), 1.0f) * 255.0f));
}

void put16(std::vector<Uint8>& out, Uint32 v) {
    out.push_back(Uint8(v));
    out.push_back(Uint8(v >> 8));
}

void put32(std::vector<Uint8>& out, Uint32 v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// BMP header of 54 bytes for a picture whose rows need no padding.
void bmpHeader(std::vector<Uint8>& out, int w, int h, int bits, Uint32 paletteBytes) {
    Uint32 data = Uint32(w) * Uint32(h) * Uint32(bits / 8);
    out.push_back('B');
    out.push_back('M');
    put32(out, 54 + paletteBytes + data);
    put32(out, 0);
    put32(out, 54 + paletteBytes);
    put32(out, 40);
    put32(out, Uint32(w));
    put32(out, Uint32(h));
    put16(out, 1);
    put16(out, Uint32(bits));
    put32(out, 0); // no compression
    put32(out, data);
    put32(out, 2835); // 72 dots per inch
    put32(out, 2835);
    put32(out, bits == 8 ? 256 : 0);
    put32(out, 0);
}

bool encodable(const AgImage& image) {
    return image.width > 0 && image.height > 0 && image.pixels.size() == size_t(image.width) * image.height;
}

// Rows bottom first, each pixel blue, green, red (and alpha): what BMP and TGA both store.
void appendBottomUpBGR(std::vector<Uint8>& out, const AgImage& image, bool withAlpha) {
    for (int y = image.height - 1; y >= 0; --y)
        for (int x = 0; x < image.width; ++x) {
            const AgColor& c = image.At(x, y);
            out.push_back(toByte(c.b));
            out.push_back(toByte(c.g));
            out.push_back(toByte(c.r));
            if (withAlpha) out.push_back(toByte(c.a));
        }
}

} // namespace

AgImage::AgImage(int w, int h, AgColor fill)
    : width(w > 0 ? w : 0), height(h > 0 ? h : 0), pixels(size_t(width) * height, fill) {}

std::vector<Uint8> PIC_EncodeBMP24(const AgImage& image) {
    if (!encodable(image) || image.width % 4 != 0) return {};
    std::vector<Uint8> out;
    bmpHeader(out, image.width, image.height, 24, 0);
    appendBottomUpBGR(out, image, false);
    return out;
}

std::vector<Uint8> PIC_EncodeBMP8Grey(const AgImage& image) {
    if (!encodable(image) || image.width % 4 != 0) return {};
    std::vector<Uint8> out;
    bmpHeader(out, image.width, image.height, 8, 1024);
    for (int i = 0; i < 256; ++i) {
        out.insert(out.end(), {Uint8(i), Uint8(i), Uint8(i), 0});
    }
    for (int y = image.height - 1; y >= 0; --y)
        for (int x = 0; x < image.width; ++x)
            out.push_back(toByte(image.At(x, y).r));
    return out;
}

std::vector<Uint8> PIC_EncodeTGA(const AgImage& image, bool withAlpha) {
    if (!encodable(image) || image.width > 65535 || image.height > 65535) return {};
    std::vector<Uint8> out = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    put16(out, Uint32(image.width));
    put16(out, Uint32(image.height));
    out.push_back(withAlpha ? 32 : 24);
    out.push_back(withAlpha ? 8 : 0); // alpha bits; origin at the bottom left
    appendBottomUpBGR(out, image, withAlpha);
    return out;
}

bool PIC_WritePNG(const AgImage& image, const std::string& path) {
    if (!encodable(image)) return false;
    std::vector<Uint8> rgba(size_t(image.width) * image.height * 4);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const AgColor& c = image.At(x, y);
            Uint8* p = &rgba[(size_t(y) * image.width + x) * 4];
            p[0] = toByte(c.r), p[1] = toByte(c.g), p[2] = toByte(c.b), p[3] = toByte(c.a);
        }
    std::string error;
    return IMG_WritePNG(path, rgba.data(), image.width, image.height, 4, &error);
}
