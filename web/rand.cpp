// rand: the C library's random numbers as the desktop's C library makes them, so that a seeded
// run in the browser draws the same particles, flights and shuffles as vhcapture on the desktop.
// An additive feedback generator over 34 words, seeded by a multiplicative congruential one;
// the first 310 outputs are thrown away.
#include "rand.h"

#include <cstdint>

namespace {
std::int32_t ring[34];
int at = 0; // the next output's place in the ring

void seed(unsigned int s) {
    std::int32_t r[34];
    r[0] = (std::int32_t)(s == 0 ? 1 : s);
    for (int i = 1; i < 31; ++i) {
        const std::int64_t next = (16807LL * r[i - 1]) % 2147483647LL;
        r[i] = (std::int32_t)(next < 0 ? next + 2147483647LL : next);
    }
    for (int i = 31; i < 34; ++i)
        r[i] = r[i - 31];
    for (int i = 0; i < 34; ++i)
        ring[i] = r[i];
    at = 0;
}

// r[i] = r[i-31] + r[i-3], kept in a ring of the last 34
std::uint32_t next() {
    const std::uint32_t v = (std::uint32_t)ring[(at + 34 - 31) % 34] + (std::uint32_t)ring[(at + 34 - 3) % 34];
    ring[at] = (std::int32_t)v;
    at = (at + 1) % 34;
    return v;
}

bool seeded = false;
} // namespace

void WEB_SeedRandom(unsigned int s) {
    seeded = true;
    seed(s);
    for (int i = 34; i < 344; ++i)
        next();
}

int WEB_Random() {
    if (!seeded) WEB_SeedRandom(1);
    return (int)(next() >> 1);
}

#ifdef __EMSCRIPTEN__
// In the page these take the C library's place.
extern "C" int rand(void) {
    return WEB_Random();
}

extern "C" void srand(unsigned int s) {
    WEB_SeedRandom(s);
}
#endif
