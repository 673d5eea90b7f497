// fuzz_spo: .spo path files through the stream parser, then travelled, and ridden and chased by the camera.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "camera/camera.h"
#include "camera/spline.h"
#include "data/rwops.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size > (1u << 20)) return 0;
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
