// fuzz_tga: any bytes decoded as a TGA; a surface that comes out is converted to every depth.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "data/rwops.h"
#include "image/image.h"

namespace {
void exercise(VH_Surface* s) {
    if (!s) return;
    if ((size_t)s->pitch != (size_t)s->width * s->bytesPerPixel) __builtin_trap();
    VH_Surface* converted[3] = {Create32BitSurface(s), Create24BitSurface(s), Create8BitSurface(s)};
    for (VH_Surface* c : converted)
        IMG_FreeSurface(c);
    IMG_FreeSurface(s);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > (1u << 24)) return 0;
    std::vector<std::uint8_t> copy(data, data + size);
    VH_RWops* rw = VH_RWFromMem(copy.data(), (int)copy.size());
    if (!rw) return 0;
    exercise(IMG_LoadTGA(rw));
    rw->close(rw);
    return 0;
}
