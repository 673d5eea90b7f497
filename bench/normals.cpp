// normals benchmark: the grouped smooth-normal builder against the every-vertex-against-every-
// face reference, on a seamed grid of about 20,000 vertices. Reports the speed ratio.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

#include "model/load3ds.h"

namespace {

struct Grid {
    std::vector<float> vertices;
    std::vector<Uint32> faces;
};

// 141 x 141 vertices in strips of 8 columns with duplicated seam columns: about 20,000.
Grid makeGrid() {
    Grid g;
    const int n = 140, strip = 8;
    for (int s = 0; s < n; s += strip) {
        const Uint32 base = (Uint32)(g.vertices.size() / 3);
        const int cols = (s + strip <= n ? strip : n - s) + 1;
        for (int i = 0; i < cols; ++i)
            for (int j = 0; j <= n; ++j) {
                const float x = (float)(s + i), z = (float)j;
                g.vertices.insert(g.vertices.end(), {x, std::sin(x * 0.2f) * std::cos(z * 0.15f), z});
            }
        for (int i = 0; i + 1 < cols; ++i)
            for (int j = 0; j < n; ++j) {
                const Uint32 a = base + i * (n + 1) + j, b = a + (n + 1);
                g.faces.insert(g.faces.end(), {a, b, b + 1, a, b + 1, a + 1});
            }
    }
    return g;
}

const Grid& grid() {
    static const Grid g = makeGrid();
    return g;
}

void build(bool quadratic) {
    t3DObject o;
    o.vertexCount = (Sint32)(grid().vertices.size() / 3);
    o.faceCount = (Sint32)(grid().faces.size() / 3);
    o.vertices = const_cast<float*>(grid().vertices.data());
    o.faces = const_cast<Uint32*>(grid().faces.data());
    if (quadratic)
        CLoad3DS_RW::BuildObjectNormalsQuadratic(&o);
    else
        CLoad3DS_RW::BuildObjectNormals(&o);
    benchmark::DoNotOptimize(o.normals[0]);
    delete[] o.normals;
}

double seconds(bool quadratic, int runs) {
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < runs; ++i)
        build(quadratic);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() / runs;
}

void BM_NormalsGrouped(benchmark::State& state) {
    for (auto _ : state)
        build(false);
    state.counters["vertices"] = (double)grid().vertices.size() / 3;
}
BENCHMARK(BM_NormalsGrouped)->Unit(benchmark::kMillisecond);

void BM_NormalsQuadratic(benchmark::State& state) {
    for (auto _ : state)
        build(true);
    state.counters["vertices"] = (double)grid().vertices.size() / 3;
}
BENCHMARK(BM_NormalsQuadratic)->Unit(benchmark::kMillisecond)->Iterations(1);

// The ratio, measured side by side in the same run.
void BM_NormalsRatio(benchmark::State& state) {
    double ratio = 0.0;
    for (auto _ : state) {
        const double fast = seconds(false, 20);
        const double slow = seconds(true, 1);
        ratio = slow / fast;
    }
    state.counters["quadratic_over_grouped"] = ratio;
    std::printf("normals: %zu vertices, %zu faces; quadratic / grouped = %.0fx\n", grid().vertices.size() / 3,
                grid().faces.size() / 3, ratio);
}
BENCHMARK(BM_NormalsRatio)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
