// fuzz_credits: any bytes read as a credits text and laid out; every drawn line must be a
// terminated string of at most 127 characters.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "text/credits.h"

namespace {
void onText(void*, const char* text, int, int, int) {
    if (std::strlen(text) >= CRED_LINE_SIZE) __builtin_trap();
}
void onColor(void*, int, Uint8, Uint8, Uint8, Uint8) {}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    FILE* f = fmemopen(const_cast<std::uint8_t*>(data), size, "r");
    if (!f) return 0;
    const CRED_Sink sink = {onText, onColor, nullptr};
    CRED_Layout(f, sink);
    std::fclose(f);
    float values[4];
    char text[64];
    const std::size_t n = size < sizeof(text) - 1 ? size : sizeof(text) - 1;
    std::memcpy(text, data, n);
    text[n] = 0;
    CRED_ParseFloats(text, values, 4);
    return 0;
}
