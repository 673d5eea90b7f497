// pngwrite: pictures out as PNG files (screenshots, captured frames, previews of the data).
// uses: nothing of ours (libpng)
#pragma once

#include <cstdint>
#include <string>

// Rows top first, channels 3 (RGB) or 4 (RGBA). The file is written beside its name and
// renamed into place, so a failed write never leaves half a picture under the name. False
// with error set to one line naming the file and the fault.
bool IMG_WritePNG(const std::string& path, const std::uint8_t* pixels, int width, int height, int channels,
                  std::string* error);
