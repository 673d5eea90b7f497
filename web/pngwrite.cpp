// pngwrite (browser): a page has no folder to keep screenshots in, so the console's shot and
// the screenshot key say so instead of writing into memory nobody can reach.
#include "image/pngwrite.h"

bool IMG_WritePNG(const std::string& path, const std::uint8_t*, int, int, int, std::string* error) {
    *error = path + ": screenshots are not kept in the browser (use vhcapture on the desktop)";
    return false;
}
