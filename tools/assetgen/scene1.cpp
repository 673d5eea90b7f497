// scene1: the night beach's models, pictures and flyer paths (the parts live in scene1_*.cpp).
#include <cmath>

#include "scene1_layout.h"

void NB_ToModel(MkMesh& mesh, const NbPlacement& place) {
    MK_Translate(mesh, {-place.position.x, -place.position.y, -place.position.z});
    MK_RotateY(mesh, place.rotY);
    MK_Scale(mesh, {1.0f / place.scale.x, 1.0f / place.scale.y, 1.0f / place.scale.z});
}

AgImage NB_Noisy(int size, int r, int g, int b, float amount, int period, unsigned seed) {
    AgImage img(size, size);
    const AgColor base = PIC_Rgb(r, g, b);
    auto cl = [](float v) { return v < 0 ? 0.0f : (v > 1 ? 1.0f : v); };
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const float f = 1.0f + amount * (PIC_TileNoise(float(x), float(y), size, period, 4, seed) - 0.5f) * 2.0f;
            img.At(x, y) = AgColor{cl(base.r * f), cl(base.g * f), cl(base.b * f), 1.0f};
        }
    return img;
}

void AddSceneOneAssets(AssetSink& sink) {
    NB_AddLand(sink);
    NB_AddCity(sink);
    NB_AddProps(sink);
    NB_AddPaths(sink);
}
