// normals benchmark: the grouped smooth-normal builder against the every-vertex-against-every-
// face reference, on a seamed grid of about 20,000 vertices; the comparison checks that both build
// the same normals, bit for bit.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "model/load3ds.h"
#include "report.h"

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

// The normals built for the grid; kept is filled with them when given.
void build(bool quadratic, std::vector<float>* kept = nullptr) {
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
    if (kept) kept->assign(o.normals, o.normals + grid().vertices.size());
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

// The ratio, measured side by side in the same run, and the two results compared.
void BM_NormalsRatio(benchmark::State& state) {
    double fast = 0, slow = 0;
    for (auto _ : state) {
        fast = seconds(false, 20);
        slow = seconds(true, 1);
    }
    std::vector<float> ours, literal;
    build(false, &ours);
    build(true, &literal);
    const bool same = ours.size() == literal.size() &&
                      std::memcmp(ours.data(), literal.data(), ours.size() * sizeof(float)) == 0;
    state.counters["quadratic_over_grouped"] = slow / fast;
    char name[96];
    std::snprintf(name, sizeof name, "smooth normals, %zu vertices, %zu faces", grid().vertices.size() / 3,
                  grid().faces.size() / 3);
    BENCH_Compare(name, slow * 1e6, fast * 1e6, same);
}
BENCHMARK(BM_NormalsRatio)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
