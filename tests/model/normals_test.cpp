// Smooth normals: the grouped builder matches the all-pairs reference bit for bit on stressing meshes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "model/load3ds.h"

namespace {

struct Mesh {
    std::vector<float> vertices;
    std::vector<Uint32> faces;
};

// Bumpy strips with duplicated borders, -0.0 beside +0.0, a repeated corner, a sliver, an unused vertex.
Mesh seamedGrid(int n, int seed) {
    Mesh m;
    for (int s = 0; s < n; s += 4) {
        const Uint32 first = (Uint32)(m.vertices.size() / 3);
        const int cols = std::min(4, n - s) + 1;
        for (int i = s; i < s + cols; ++i)
            for (int j = 0; j <= n; ++j) {
                const float x = (float)(i - n / 2), z = (float)(j - n / 2);
                const float y =
                    std::sin(x * 0.7f) * std::cos(z * 0.3f) + 0.3f * std::sin(i * 12.9898f + j * 78.2f + seed);
                m.vertices.insert(m.vertices.end(), {x == 0.0f && (j & 1) ? -0.0f : x, y, z});
            }
        for (int i = 0; i + 1 < cols; ++i)
            for (int j = 0; j < n; ++j) {
                const Uint32 a = first + i * (n + 1) + j, b = a + n + 1;
                m.faces.insert(m.faces.end(), {a, b, b + 1, a, b + 1, a + 1});
            }
    }
    const Uint32 last = (Uint32)(m.vertices.size() / 3);
    m.vertices.insert(m.vertices.end(), {1e-30f, 0.0f, -1e30f, 9, 9, 9});
    m.faces.insert(m.faces.end(), {0, 0, 1, 2, 3, 4, last, 1, 2});
    return m;
}

// Every corner on one of four points (faces collapsed to one too), and a NaN vertex equal to nothing.
Mesh crowded(unsigned seed) {
    std::mt19937 rng(seed);
    const float points[5][3] = {{0, 0, 0}, {-0.0f, 0, -0.0f}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    Mesh m;
    for (int i = 0; i < 300; ++i)
        m.vertices.insert(m.vertices.end(), points[i % 5], points[i % 5] + 3);
    for (int f = 0; f < 1500; ++f)
        m.faces.push_back(rng() % 300);
    m.vertices.insert(m.vertices.end(), {std::numeric_limits<float>::quiet_NaN(), 0, 0});
    m.faces.insert(m.faces.end(), {300, 300, 300});
    return m;
}

std::vector<float> normalsOf(Mesh m, bool quadratic) {
    t3DObject o;
    o.vertexCount = (Sint32)(m.vertices.size() / 3);
    o.faceCount = (Sint32)(m.faces.size() / 3);
    o.vertices = m.vertices.data();
    o.faces = m.faces.data();
    (quadratic ? CLoad3DS_RW::BuildObjectNormalsQuadratic : CLoad3DS_RW::BuildObjectNormals)(&o);
    std::vector<float> normals(o.normals, o.normals + m.vertices.size());
    delete[] o.normals;
    return normals;
}

} // namespace

TEST(Normals, GroupedBuilderIsBitIdenticalToTheReference) {
    for (const Mesh& m : {seamedGrid(10, 1), seamedGrid(23, 2), seamedGrid(7, 3), crowded(4), crowded(5)}) {
        const std::vector<float> fast = normalsOf(m, false);
        ASSERT_EQ(fast.size(), m.vertices.size());
        EXPECT_EQ(0, std::memcmp(fast.data(), normalsOf(m, true).data(), fast.size() * sizeof(float)));
        int unit = 0; // both being equally empty would prove nothing
        for (size_t v = 0; v < fast.size(); v += 3)
            unit += std::fabs(std::hypot(fast[v], fast[v + 1], fast[v + 2]) - 1.0f) < 1e-4f;
        EXPECT_GT(unit, (int)fast.size() / 6);
    }
}
