// fuzz_spo: .spo path files through the stream parser, then travelled, and ridden and chased by the camera.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "camera/camera.h"
#include "camera/spline.h"
#include "data/rwops.h"

namespace {

std::int32_t s32At(const std::uint8_t* p) {
    return static_cast<std::int32_t>(std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
                                     std::uint32_t(p[3]) << 24);
}

// A path may ask for up to a million length samples, each a curve evaluation of about k^2 / 2 + P
// steps, so a small file can honestly take minutes to load. Inputs whose records add up to more
// than a budget are skipped: the fuzzer is after faults, not after the slowest legal file.
bool cheapToMeasure(const std::uint8_t* data, std::size_t size) {
    const double budget = 2.0e7;
    double cost = 0.0;
    std::size_t at = 8;
    while (at + 50 <= size) {
        const double k = s32At(data + at + 4), resolution = s32At(data + at + 8);
        const std::int32_t points = s32At(data + at + 42), trailing = s32At(data + at + 46);
        if (resolution > 0) cost += 2.0 * resolution * (k * k / 2.0 + (points > 0 ? points : 0) + 1.0);
        if (cost > budget || points < 0) return cost <= budget;
        at += 50 + 12 * std::size_t(points) + (trailing > 0 ? 12 * std::size_t(trailing) : 0);
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size > (1u << 20) || !cheapToMeasure(data, size)) return 0;
    // An exact-size heap copy, so any read past the file is caught.
    std::vector<std::uint8_t> copy(data, data + size);
    VH_RWops* rw = VH_RWFromMem(copy.data(), static_cast<int>(size));
    if (!rw) return 0;
    int count = 0;
    PathControl3D* paths = OpenPath3DFile(rw, &count, true);
    if (!paths) {
        rw->close(rw); // a refused stream stays the caller's
        return 0;
    }
    for (int i = 0; i < count && i < 4; ++i) {
        PathControl3D& path = paths[i];
        if (i & 1) path.SetSpeed(12.5f);
        path.active = true;
        path.loop = (i & 2) != 0;
        FLIERS figure = {};
        DemoCamera cam;
        cam.AddPathEvent(&path, CAM_SPLINEPATH, i & 1 ? CAM_EYE : CAM_TARGET, true, false);
        cam.AddChaseEvent(&figure, i & 1 ? CAM_TARGET | CAM_UP : CAM_EYE, i);
        for (int step = 0; step < 12; ++step) {
            cam.Update(0.04 * step);
            figure.position = path.position;
            figure.heading = path.GetDirection();
        }
    }
    delete[] paths;
    return 0;
}
