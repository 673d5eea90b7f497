// pngwrite: PNG output through libpng.
#include "image/pngwrite.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <png.h>

namespace {
struct PngWriter {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~PngWriter() { png_destroy_write_struct(&png, info ? &info : nullptr); }
};

// libpng reports faults by longjmp; nothing with a destructor lives in this frame.
bool encode(FILE* file, const std::uint8_t* pixels, int width, int height, int channels, PngWriter* w) {
    w->png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!w->png) return false;
    w->info = png_create_info_struct(w->png);
    if (!w->info) return false;
    if (setjmp(png_jmpbuf(w->png))) return false;
    png_init_io(w->png, file);
    png_set_IHDR(w->png, w->info, (png_uint_32)width, (png_uint_32)height, 8,
                 channels == 4 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(w->png, w->info);
    for (int y = 0; y < height; ++y)
        png_write_row(w->png, const_cast<png_bytep>(pixels + (size_t)y * width * channels));
    png_write_end(w->png, nullptr);
    return true;
}
} // namespace

bool IMG_WritePNG(const std::string& path, const std::uint8_t* pixels, int width, int height, int channels,
                  std::string* error) {
    if (!pixels || width <= 0 || height <= 0 || (channels != 3 && channels != 4)) {
        *error = path + ": no picture to write";
        return false;
    }
    const std::string part = path + ".part";
    FILE* file = std::fopen(part.c_str(), "wb");
    if (!file) {
        *error = path + ": cannot create (" + std::strerror(errno) + ")";
        return false;
    }
    bool ok;
    {
        PngWriter writer;
        ok = encode(file, pixels, width, height, channels, &writer);
    }
    const bool flushed = std::fflush(file) == 0 && !std::ferror(file);
    const int savedErrno = errno;
    const bool closed = std::fclose(file) == 0;
    if (!ok || !flushed || !closed) {
        std::remove(part.c_str());
        *error = path + ": cannot write (" + (flushed ? "encoder failed" : std::strerror(savedErrno)) + ")";
        return false;
    }
    if (std::rename(part.c_str(), path.c_str()) != 0) {
        *error = path + ": cannot write (" + std::strerror(errno) + ")";
        std::remove(part.c_str());
        return false;
    }
    return true;
}
