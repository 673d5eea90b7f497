// pictures: PNG output and the contact sheet of saved frames.
#include "pictures.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "image/pngwrite.h"

namespace {
const int thumbMaxWidth = 200; // pixels
const int sheetColumns = 6;
const int margin = 8;     // pixels around and between thumbnails
const int glyphScale = 2; // each font pixel becomes a 2x2 block
const int labelHeight = 5 * glyphScale + 6;
const std::uint8_t background = 24;
const std::uint8_t ink = 230;

// A 5-row font for the labels: digits, '.', ' ', lower-case 's' and 'm' for the units and the
// capitals the plot's names need. Bit (width - 1) is the left column.
struct Glyph {
    char c;
    int width; // columns
    std::uint8_t rows[5];
};
const Glyph glyphs[] = {
    {'0', 3, {7, 5, 5, 5, 7}},     {'1', 3, {2, 6, 2, 2, 7}}, {'2', 3, {7, 1, 7, 4, 7}}, {'3', 3, {7, 1, 7, 1, 7}},
    {'4', 3, {5, 5, 7, 1, 1}},     {'5', 3, {7, 4, 7, 1, 7}}, {'6', 3, {7, 4, 7, 5, 7}}, {'7', 3, {7, 1, 1, 1, 1}},
    {'8', 3, {7, 5, 7, 5, 7}},     {'9', 3, {7, 5, 7, 1, 7}}, {'.', 3, {0, 0, 0, 0, 2}}, {'s', 3, {0, 3, 6, 1, 6}},
    {'m', 5, {0, 26, 21, 21, 21}}, {' ', 3, {0, 0, 0, 0, 0}}, {'A', 3, {2, 5, 7, 5, 5}}, {'C', 3, {3, 4, 4, 4, 3}},
    {'D', 3, {6, 5, 5, 5, 6}},     {'E', 3, {7, 4, 6, 4, 7}}, {'I', 3, {7, 2, 2, 2, 7}}, {'M', 5, {17, 27, 21, 17, 17}},
    {'N', 4, {9, 13, 11, 9, 9}},   {'O', 3, {2, 5, 5, 5, 2}}, {'P', 3, {6, 5, 6, 4, 4}}, {'R', 3, {6, 5, 6, 5, 5}},
    {'S', 3, {3, 4, 2, 1, 6}},     {'T', 3, {7, 2, 2, 2, 2}}, {'U', 3, {5, 5, 5, 5, 7}},
};

const Glyph* glyphOf(char c) {
    for (const Glyph& g : glyphs)
        if (g.c == c) return &g;
    return nullptr;
}

} // namespace

int CAP_TextWidth(const char* text, int scale) {
    int width = 0;
    for (; *text; ++text)
        if (const Glyph* g = glyphOf(*text)) width += (g->width + 1) * scale;
    return width > 0 ? width - scale : 0;
}

void CAP_DrawText(std::vector<std::uint8_t>& rgb, int width, int height, int x, int y, const char* text,
                  const std::uint8_t colour[3], int scale) {
    for (; *text; ++text) {
        const Glyph* g = glyphOf(*text);
        if (!g) continue;
        for (int row = 0; row < 5; ++row)
            for (int col = 0; col < g->width; ++col) {
                if (!(g->rows[row] & (1 << (g->width - 1 - col)))) continue;
                for (int dy = 0; dy < scale; ++dy)
                    for (int dx = 0; dx < scale; ++dx) {
                        const int px = x + col * scale + dx;
                        const int py = y + row * scale + dy;
                        if (px < 0 || py < 0 || px >= width || py >= height) continue;
                        std::copy_n(colour, 3, &rgb[((size_t)py * width + px) * 3]);
                    }
            }
        x += (g->width + 1) * scale;
    }
}

bool CAP_WritePNG(const std::string& path, const std::vector<std::uint8_t>& rgb, int width, int height,
                  std::string* error) {
    if (width <= 0 || height <= 0 || rgb.size() < (size_t)width * height * 3) {
        *error = path + ": no picture to write";
        return false;
    }
    return IMG_WritePNG(path, rgb.data(), width, height, 3, error);
}

void CapSheet::Add(const std::vector<std::uint8_t>& rgb, int width, int height, double seconds, bool final) {
    const long index = offered++;
    if ((index % stride != 0 && !final) || width <= 0 || height <= 0) return;
    // Box filter by a whole factor: cheap, and the same input gives the same thumbnail.
    const int f = (width + thumbMaxWidth - 1) / thumbMaxWidth;
    Thumb t;
    t.width = std::max(1, width / f);
    t.height = std::max(1, height / f);
    t.seconds = seconds;
    t.rgb.resize((size_t)t.width * t.height * 3);
    for (int y = 0; y < t.height; ++y)
        for (int x = 0; x < t.width; ++x)
            for (int c = 0; c < 3; ++c) {
                unsigned sum = 0, n = 0;
                for (int dy = 0; dy < f && y * f + dy < height; ++dy)
                    for (int dx = 0; dx < f && x * f + dx < width; ++dx, ++n)
                        sum += rgb[((size_t)(y * f + dy) * width + (x * f + dx)) * 3 + c];
                t.rgb[((size_t)y * t.width + x) * 3 + c] = (std::uint8_t)((sum + n / 2) / n);
            }
    thumbs.push_back(std::move(t));
    if ((int)thumbs.size() > maxThumbs) {
        // Thumbnail j holds offered frame j * stride; keeping the even ones doubles the stride.
        std::vector<Thumb> kept;
        for (size_t j = 0; j < thumbs.size(); j += 2)
            kept.push_back(std::move(thumbs[j]));
        if (final && thumbs.size() % 2 == 0) kept.push_back(std::move(thumbs.back()));
        thumbs.swap(kept);
        stride *= 2;
    }
}

std::vector<std::uint8_t> CapSheet::Compose(int* width, int* height) const {
    const int n = (int)thumbs.size();
    int cellW = 1, cellH = 1;
    for (const Thumb& t : thumbs) {
        cellW = std::max(cellW, t.width);
        cellH = std::max(cellH, t.height);
    }
    const int cols = std::max(1, std::min(n, sheetColumns));
    const int rows = std::max(1, (n + cols - 1) / cols);
    const int w = margin + cols * (cellW + margin);
    const int h = margin + rows * (cellH + labelHeight + margin);
    std::vector<std::uint8_t> rgb((size_t)w * h * 3, background);
    for (int i = 0; i < n; ++i) {
        const Thumb& t = thumbs[(size_t)i];
        const int x0 = margin + (i % cols) * (cellW + margin);
        const int y0 = margin + (i / cols) * (cellH + labelHeight + margin);
        for (int y = 0; y < t.height; ++y)
            std::copy_n(&t.rgb[(size_t)y * t.width * 3], (size_t)t.width * 3, &rgb[((size_t)(y0 + y) * w + x0) * 3]);
        char label[32];
        std::snprintf(label, sizeof(label), "%.3f s", t.seconds);
        const std::uint8_t inkColour[3] = {ink, ink, ink};
        CAP_DrawText(rgb, w, h, x0, y0 + t.height + 4, label, inkColour, glyphScale);
    }
    *width = w;
    *height = h;
    return rgb;
}
