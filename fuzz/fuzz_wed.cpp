// fuzz_wed: WED path files through the stream parser, then followed a little way.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "camera/wedpath.h"
#include "data/rwops.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size > (1u << 20)) return 0;
    // An exact-size heap copy, so any read past the file is caught.
    std::vector<std::uint8_t> copy(data, data + size);
    VH_RWops* rw = VH_RWFromMem(copy.data(), static_cast<int>(size));
    if (!rw) return 0;
    int count = 0;
    PathControl* paths = OpenWEDFile(rw, &count, true);
    if (!paths) return 0;
    for (int i = 0; i < count && i < 4; ++i) {
        PathControl& p = paths[i];
        p.Scale(7.0f);
        p.speed = 2.5f;
        p.ComputeLength();
        p.SetRunning(true);
        for (int step = 0; step < 8 && p.running; ++step) p.Update(0.05f);
        p.loop = true;
        p.Reset();
    }
    delete[] paths;
    return 0;
}
