// fuzz_bmp: any bytes decoded as a BMP; a surface that comes out is converted to every depth.
#include "image_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return VH_FuzzPicture(data, size, IMG_LoadBMP);
}
