// fuzz_font: a font mask as FNT_LoadFonts takes it, up to the upload: the whole entry read from
// a stream, the size checked against the font's mask, the mask expanded into the padded RGBA
// and RGB pictures. Every texel must be ink exactly where the mask holds a 1, paper elsewhere.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "data/rwops.h"
#include "text/font.h"

namespace {

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

void CheckPicture(const Uint8* image, int channels, int width, int height, const Uint8* mask, const Uint8 ink[4],
                  const Uint8 paper[4]) {
    Check(image != nullptr);
    const int w = FNT_NextPow2(width), h = FNT_NextPow2(height);
    Check(w >= width && h >= height && (w & (w - 1)) == 0 && (h & (h - 1)) == 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Uint8* t = image + (static_cast<std::size_t>(y) * w + x) * channels;
            const bool on = y < height && x < width && mask[static_cast<std::size_t>(y) * width + x] == 1;
            const Uint8* colour = on ? ink : paper;
            Check(t[0] == colour[0] && t[1] == colour[1] && t[2] == colour[2]);
            if (channels == 4) Check(t[3] == (on ? 255 : 0));
        }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3 || size > (1u << 20)) return 0;
    // Font numbers outside the six are asked for too.
    const int font = static_cast<int>(static_cast<std::int8_t>(data[0])) % 8;
    const Uint8 ink[4] = {255, data[1], 255, 0};
    const Uint8 paper[4] = {3, 3, data[2], 0};
    FNT_SetInkColor(ink);
    FNT_SetPaperColor(paper);
    std::vector<std::uint8_t> copy(data + 3, data + size); // exact size: a read past it is caught
    static std::uint8_t none;
    VH_RWops* rw = VH_RWFromMem(copy.empty() ? &none : copy.data(), static_cast<int>(copy.size()));
    if (!rw) return 0;
    bool error = false;
    int read = 0;
    Uint8* mask = GetFontDataRW(rw, &error, &read);
    rw->close(rw);
    Check(error == copy.empty() && read == static_cast<int>(copy.size()) && (mask != nullptr) == !copy.empty());

    int width = 0, height = 0;
    const bool fits = FNT_MaskFits(font, read, &width, &height);
    if (font < 0 || font >= FNT_COUNT) Check(!fits);
    if (fits) {
        Check(width == 32 * FNT_GetWidth(font) && height == 4 * FNT_GetHeight(font) && read >= width * height);
        Uint8* rgba = FNT_MaskToRGBA(width, height, mask);
        CheckPicture(rgba, 4, width, height, mask, ink, paper);
        std::free(rgba);
        Uint8* rgb = FNT_MaskToRGB(width, height, mask);
        CheckPicture(rgb, 3, width, height, mask, ink, paper);
        std::free(rgb);
        // Each character's cell lies inside the texture the mask becomes.
        for (int c = 0; c < 128; ++c) {
            FNT_Quad q;
            Check(FNT_GlyphQuad(c, 0, 0, font, &q));
            const float halfS = 1.0f / FNT_NextPow2(width),
                        halfT = 1.0f / FNT_NextPow2(height); // half a texel, and rounding
            Check(q.s0 >= -halfS && q.s1 <= 1.0f + halfS && q.s0 < q.s1);
            Check(q.t0 >= -halfT && q.t1 <= 1.0f + halfT && q.t0 < q.t1);
        }
    }
    std::free(mask);
    return 0;
}
