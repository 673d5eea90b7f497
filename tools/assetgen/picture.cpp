// picture: procedural pictures for the archive (noise, gradients, shapes, our own fonts scaled up)
// (the picture type and its encoders live in the toolkit: picfile.h).
#include "picture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "glyphs.h"

namespace {

Uint32 hash(Uint32 x, Uint32 y, Uint32 seed) {
    Uint32 h = x * 0x8DA6B343u ^ y * 0xD8163841u ^ seed * 0xCB1AB31Fu;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
}

float lattice(int x, int y, int wrap, Uint32 seed) {
    if (wrap > 0) {
        x = ((x % wrap) + wrap) % wrap;
        y = ((y % wrap) + wrap) % wrap;
    }
    return float(hash(Uint32(x), Uint32(y), seed) & 0xFFFFFF) / float(0xFFFFFF);
}

float valueNoise(float x, float y, int wrap, Uint32 seed) {
    int ix = int(std::floor(x)), iy = int(std::floor(y));
    float fx = x - ix, fy = y - iy;
    fx = fx * fx * (3 - 2 * fx);
    fy = fy * fy * (3 - 2 * fy);
    float a = lattice(ix, iy, wrap, seed), b = lattice(ix + 1, iy, wrap, seed);
    float c = lattice(ix, iy + 1, wrap, seed), d = lattice(ix + 1, iy + 1, wrap, seed);
    return (a + (b - a) * fx) + ((c + (d - c) * fx) - (a + (b - a) * fx)) * fy;
}

} // namespace

Uint32 AgRandom::Next() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

float AgRandom::Unit() {
    return float(Next() & 0xFFFFFF) / float(0x1000000);
}

float AgRandom::Range(float lo, float hi) {
    return lo + (hi - lo) * Unit();
}

AgColor PIC_Rgb(int r, int g, int b, float a) {
    return {r / 255.0f, g / 255.0f, b / 255.0f, a};
}

AgColor PIC_Mix(AgColor a, AgColor b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

AgColor PIC_Shade(AgColor c, float f) {
    return AgColor{c.r * f, c.g * f, c.b * f, c.a};
}

AgColor PIC_Clamp(AgColor c) {
    auto cl = [](float v) { return v < 0 ? 0.0f : (v > 1 ? 1.0f : v); };
    return AgColor{cl(c.r), cl(c.g), cl(c.b), 1.0f};
}

float PIC_Smooth(float e0, float e1, float x) {
    float t = e1 != e0 ? std::min(std::max((x - e0) / (e1 - e0), 0.0f), 1.0f) : (x < e0 ? 0.0f : 1.0f);
    return t * t * (3 - 2 * t);
}

float PIC_TileNoise(float x, float y, int size, int period, int octaves, Uint32 seed) {
    float sum = 0, amp = 1, norm = 0;
    int cells = std::max(period, 1);
    for (int o = 0; o < octaves; ++o) {
        float f = float(cells) / float(size);
        sum += amp * valueNoise(x * f, y * f, cells, seed + Uint32(o) * 1013u);
        norm += amp;
        amp *= 0.5f;
        cells *= 2;
    }
    return norm > 0 ? sum / norm : 0;
}

AgImage PIC_Noisy(int size, AgColor base, float amount, int period, Uint32 seed) {
    AgImage img(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float n = PIC_TileNoise(float(x), float(y), size, period, 4, seed);
            img.At(x, y) = PIC_Clamp(PIC_Shade(base, 1.0f + amount * (n - 0.5f) * 2.0f));
        }
    return img;
}

float PIC_Noise(float x, float y, float scale, int octaves, Uint32 seed) {
    float sum = 0, amp = 1, norm = 0, f = 1.0f / std::max(scale, 1e-3f);
    for (int o = 0; o < octaves; ++o) {
        sum += amp * valueNoise(x * f, y * f, 0, seed + Uint32(o) * 1013u);
        norm += amp;
        amp *= 0.5f;
        f *= 2;
    }
    return norm > 0 ? sum / norm : 0;
}

void PIC_Blend(AgImage& image, int x, int y, AgColor c, float coverage) {
    if (x < 0 || y < 0 || x >= image.width || y >= image.height) return;
    float a = std::min(std::max(c.a * coverage, 0.0f), 1.0f);
    AgColor& d = image.At(x, y);
    d.r += (c.r - d.r) * a;
    d.g += (c.g - d.g) * a;
    d.b += (c.b - d.b) * a;
    d.a = a + d.a * (1 - a);
}

void PIC_VerticalGradient(AgImage& image, int y0, int y1, AgColor top, AgColor bottom) {
    for (int y = std::max(y0, 0); y < std::min(y1, image.height); ++y) {
        AgColor c = PIC_Mix(top, bottom, y1 - 1 > y0 ? float(y - y0) / float(y1 - 1 - y0) : 0.0f);
        for (int x = 0; x < image.width; ++x)
            image.At(x, y) = c;
    }
}

void PIC_Disc(AgImage& image, float cx, float cy, float radius, AgColor colour, float soft) {
    soft = std::max(soft, 0.5f);
    int x0 = int(cx - radius - soft - 1), x1 = int(cx + radius + soft + 1);
    int y0 = int(cy - radius - soft - 1), y1 = int(cy + radius + soft + 1);
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy);
            float cov = 1 - PIC_Smooth(radius - soft * 0.5f, radius + soft * 0.5f, d);
            if (cov > 0) PIC_Blend(image, x, y, colour, cov);
        }
}

void PIC_Glow(AgImage& image, float cx, float cy, float radius, AgColor colour, float power) {
    for (int y = int(cy - radius) - 1; y <= int(cy + radius) + 1; ++y)
        for (int x = int(cx - radius) - 1; x <= int(cx + radius) + 1; ++x) {
            float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy) / radius;
            if (d < 1) PIC_Blend(image, x, y, colour, std::pow(1 - d, power));
        }
}

void PIC_Rect(AgImage& image, int x0, int y0, int x1, int y1, AgColor colour) {
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            PIC_Blend(image, x, y, colour);
}

void PIC_Polygon(AgImage& image, const std::vector<float>& xy, AgColor colour) {
    size_t n = xy.size() / 2;
    if (n < 3) return;
    float top = xy[1], bottom = xy[1];
    for (size_t i = 0; i < n; ++i)
        top = std::min(top, xy[2 * i + 1]), bottom = std::max(bottom, xy[2 * i + 1]);
    std::vector<float> cover(size_t(std::max(image.width, 0)));
    for (int y = std::max(int(top), 0); y <= std::min(int(bottom), image.height - 1); ++y) {
        // four sub-rows per pixel row give soft enough edges for pictures that are stretched anyway
        std::fill(cover.begin(), cover.end(), 0.0f);
        for (int sub = 0; sub < 4; ++sub) {
            float sy = y + (sub + 0.5f) / 4;
            std::vector<float> xs;
            for (size_t i = 0; i < n; ++i) {
                float ax = xy[2 * i], ay = xy[2 * i + 1], bx = xy[2 * ((i + 1) % n)], by = xy[2 * ((i + 1) % n) + 1];
                if ((ay <= sy) != (by <= sy)) xs.push_back(ax + (sy - ay) / (by - ay) * (bx - ax));
            }
            std::sort(xs.begin(), xs.end());
            for (size_t k = 0; k + 1 < xs.size(); k += 2)
                for (int x = std::max(int(xs[k]), 0); x <= std::min(int(xs[k + 1]), image.width - 1); ++x)
                    cover[size_t(x)] +=
                        std::max(std::min(xs[k + 1], x + 1.0f) - std::max(xs[k], float(x)), 0.0f) * 0.25f;
        }
        for (int x = 0; x < image.width; ++x)
            if (cover[size_t(x)] > 0) PIC_Blend(image, x, y, colour, cover[size_t(x)]);
    }
}

AgImage PIC_Resize(const AgImage& src, int width, int height) {
    AgImage out(width, height);
    if (src.width <= 0 || src.height <= 0) return out;
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x) {
            float sx = std::min(std::max((x + 0.5f) * src.width / width - 0.5f, 0.0f), float(src.width - 1));
            float sy = std::min(std::max((y + 0.5f) * src.height / height - 0.5f, 0.0f), float(src.height - 1));
            int x0 = int(sx), y0 = int(sy), x1 = std::min(x0 + 1, src.width - 1), y1 = std::min(y0 + 1, src.height - 1);
            float fx = sx - x0, fy = sy - y0;
            AgColor top = PIC_Mix(src.At(x0, y0), src.At(x1, y0), fx);
            AgColor bottom = PIC_Mix(src.At(x0, y1), src.At(x1, y1), fx);
            out.At(x, y) = PIC_Mix(top, bottom, fy);
        }
    return out;
}

int PIC_TextWidth(const std::string& text, int font, int scale) {
    if (text.empty() || font < 0 || font >= GLY_FONT_COUNT) return 0;
    return int(text.size()) * (GLY_CellWidth(font) + 1) * scale - scale;
}

void PIC_Text(AgImage& image, const std::string& text, int font, int x, int y, int scale, AgColor colour) {
    if (font < 0 || font >= GLY_FONT_COUNT) return;
    const std::vector<Uint8>& mask = GLY_Mask(font);
    int w = GLY_CellWidth(font), h = GLY_CellHeight(font), pitch = 32 * w;
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = (unsigned char)text[i];
        if (c > 127) continue;
        int cx = (c % 32) * w, cy = (c / 32) * h;
        for (int gy = 0; gy < h; ++gy)
            for (int gx = 0; gx < w; ++gx)
                if (mask[size_t(cy + gy) * pitch + cx + gx] == 1)
                    PIC_Rect(image, x + int(i) * (w + 1) * scale + gx * scale, y + gy * scale,
                             x + int(i) * (w + 1) * scale + (gx + 1) * scale, y + (gy + 1) * scale, colour);
    }
}

void PIC_TextOutlined(AgImage& image, const std::string& text, int font, int x, int y, int scale, AgColor colour,
                      AgColor outline) {
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (dx || dy) PIC_Text(image, text, font, x + dx * scale, y + dy * scale, scale, outline);
    PIC_Text(image, text, font, x, y, scale, colour);
}
