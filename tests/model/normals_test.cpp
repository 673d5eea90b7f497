// Normal builder tests: the grouped builder must match the every-vertex-against-every-face
// reference bit for bit, on meshes built to stress position matching.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "model/load3ds.h"

namespace {

struct Mesh {
    std::vector<float> vertices;
    std::vector<Uint32> faces;
};

// A wavy grid cut into strips whose border vertices are duplicated (seams), with some
// vertices at -0.0 beside +0.0 ones, plus degenerate faces (a repeated corner, a zero-area
// sliver) and a vertex no face uses.
Mesh seamedGrid(int n, unsigned seed) {
    Mesh m;
    auto vertex = [&](int i, int j) {
        const float x = (float)i - n / 2, z = (float)j - n / 2;
        // Bumpy but a function of the grid point alone, so seam twins land on one position.
        const float bump = 0.3f * std::sin((float)(i * 12.9898 + j * 78.233 + seed));
        m.vertices.push_back(x == 0.0f && (j & 1) ? -0.0f : x);
        m.vertices.push_back(std::sin(x * 0.7f) * std::cos(z * 0.3f) + bump);
        m.vertices.push_back(z);
        return (Uint32)(m.vertices.size() / 3 - 1);
    };
    const int strip = 4;
    for (int s = 0; s < n; s += strip) {
        std::vector<Uint32> ids;
        const int cols = std::min(strip, n - s) + 1;
        for (int i = 0; i < cols; ++i)
            for (int j = 0; j <= n; ++j) ids.push_back(vertex(s + i, j));
        for (int i = 0; i + 1 < cols; ++i)
            for (int j = 0; j < n; ++j) {
                const Uint32 a = ids[i * (n + 1) + j], b = ids[(i + 1) * (n + 1) + j];
                const Uint32 c = ids[(i + 1) * (n + 1) + j + 1], d = ids[i * (n + 1) + j + 1];
                m.faces.insert(m.faces.end(), {a, b, c, a, c, d});
            }
    }
    m.faces.insert(m.faces.end(), {0, 0, 1, 2, 3, 4}); // repeated corner; then a sliver
    const Uint32 last = (Uint32)(m.vertices.size() / 3);
    m.vertices.insert(m.vertices.end(), {1e-30f, 0.0f, -1e30f, 9.0f, 9.0f, 9.0f}); // 9s: unused
    m.faces.insert(m.faces.end(), {last, 1, 2, last, last, last});
    return m;
}

// Every corner on one of a few points, faces in random order, including triangles whose
// three corners share one position, and a NaN vertex (which equals no position).
Mesh crowded(unsigned seed) {
    std::mt19937 rng(seed);
    const float points[5][3] = {{0, 0, 0}, {-0.0f, 0, -0.0f}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    Mesh m;
    for (int i = 0; i < 300; ++i) {
        const float* p = points[rng() % 5];
        m.vertices.insert(m.vertices.end(), p, p + 3);
    }
    for (int f = 0; f < 500; ++f)
        for (int k = 0; k < 3; ++k) m.faces.push_back(rng() % 300);
    m.vertices.insert(m.vertices.end(), {std::numeric_limits<float>::quiet_NaN(), 0, 0});
    m.faces.insert(m.faces.end(), {300, 300, 300});
    return m;
}

std::vector<float> normalsOf(const Mesh& m, bool quadratic) {
    std::vector<float> vertices = m.vertices;
    std::vector<Uint32> faces = m.faces;
    t3DObject o;
    o.vertexCount = (Sint32)(vertices.size() / 3);
    o.faceCount = (Sint32)(faces.size() / 3);
    o.vertices = vertices.data();
    o.faces = faces.data();
    if (quadratic)
        CLoad3DS_RW::BuildObjectNormalsQuadratic(&o);
    else
        CLoad3DS_RW::BuildObjectNormals(&o);
    std::vector<float> normals(o.normals, o.normals + vertices.size());
    delete[] o.normals;
    return normals;
}

} // namespace

TEST(Normals, GroupedBuilderIsBitIdenticalToTheReference) {
    const Mesh meshes[] = {seamedGrid(10, 1), seamedGrid(23, 2), seamedGrid(7, 3), crowded(4), crowded(5)};
    for (const Mesh& m : meshes) {
        const std::vector<float> fast = normalsOf(m, false);
        const std::vector<float> reference = normalsOf(m, true);
        ASSERT_EQ(fast.size(), m.vertices.size());
        EXPECT_EQ(0, std::memcmp(fast.data(), reference.data(), fast.size() * sizeof(float)));
        // Guard against both being trivially equal: most normals are real unit vectors.
        int unit = 0;
        for (size_t v = 0; v < fast.size(); v += 3) {
            const float len = std::sqrt(fast[v] * fast[v] + fast[v + 1] * fast[v + 1] + fast[v + 2] * fast[v + 2]);
            unit += std::fabs(len - 1.0f) < 1e-4f;
        }
        EXPECT_GT(unit, (int)fast.size() / 3 / 2);
    }
    // Seam vertices share their normal with their twins.
    const Mesh grid = seamedGrid(10, 1);
    const std::vector<float> n = normalsOf(grid, false);
    int twins = 0;
    for (size_t a = 0; a < grid.vertices.size(); a += 3)
        for (size_t b = a + 3; b < grid.vertices.size(); b += 3)
            if (grid.vertices[a] == grid.vertices[b] && grid.vertices[a + 1] == grid.vertices[b + 1] &&
                grid.vertices[a + 2] == grid.vertices[b + 2]) {
                ++twins;
                EXPECT_EQ(0, std::memcmp(&n[a], &n[b], 12));
            }
    EXPECT_GT(twins, 10);
}
