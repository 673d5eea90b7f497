// Cross-check: 3DS files assimp exports load with the object names, counts and extent assimp reports.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>

#include "support/archive_bytes.h"
#include "model/load3ds.h"
#include "support/gl_fixture.h"

namespace {

const char* objFiles[] = {
    "o Wedge\nv 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 2\nf 1 2 3\nf 1 2 4\no Other\nv 5 5 5\nv 6 5 5\nv 5 6 5\nf 5 6 7\n",
    "o Cube\nv -1 -2 -3\nv 1 -2 -3\nv 1 2 -3\nv -1 2 -3\nv -1 -2 3\nv 1 -2 3\nv 1 2 3\nv -1 2 3\n"
    "f 1 2 3 4\nf 5 6 7 8\nf 1 2 6 5\nf 2 3 7 6\nf 3 4 8 7\nf 4 1 5 8\n",
    "o Fan\nv 0 0 0.5\nv 2 0 0\nv 1 1.7 0\nv -1 1.7 0\nv -2 0 0\nv -1 -1.7 0\nv 1 -1.7 0\n"
    "f 1 2 3\nf 1 3 4\nf 1 4 5\nf 1 5 6\nf 1 6 7\nf 1 7 2\no Stick\nv 10 -4 7\nv 10.5 -4 7\nv 10 -3.25 9\nf 8 9 10\n",
};

} // namespace

TEST(Assimp, ExportedFilesMatchWhatTheToolReports) {
    if (std::system("command -v assimp >/dev/null 2>&1") != 0) GTEST_SKIP() << "assimp is not installed";
    const std::string dir = VH_TestTempDir();
    for (size_t n = 0; n < sizeof objFiles / sizeof objFiles[0]; ++n) {
        const char* obj = objFiles[n];
        SCOPED_TRACE(obj);
        const std::string base = dir + "/m" + std::to_string(n);
        std::ofstream(base + ".obj") << obj;
        RunOutput("assimp export " + base + ".obj " + base + ".3ds >/dev/null 2>&1");

        // "    0 (0): [4 / 0 / 2 | triangle]" per mesh, "Name (mesh 0)", "Minimum point      (x y z)"
        std::vector<std::pair<int, int>> meshes;
        std::map<int, std::string> names;
        float min[3] = {0, 0, 0}, max[3] = {0, 0, 0};
        std::istringstream info(RunOutput("assimp info " + base + ".3ds 2>/dev/null"));
        for (std::string line; std::getline(info, line);) {
            int verts, bones, faces;
            if (std::sscanf(line.c_str(), " %*d (%*d): [%d / %d / %d", &verts, &bones, &faces) == 3)
                meshes.push_back({verts, faces});
            std::sscanf(line.c_str(), "Minimum point (%f %f %f)", &min[0], &min[1], &min[2]);
            std::sscanf(line.c_str(), "Maximum point (%f %f %f)", &max[0], &max[1], &max[2]);
            const size_t mesh = line.find(" (mesh ");
            size_t start = mesh;
            while (mesh != std::string::npos && start > 0 && line[start - 1] != ' ' &&
                   (signed char)line[start - 1] >= 0)
                --start;
            if (mesh != std::string::npos) names[std::atoi(line.c_str() + mesh + 7)] = line.substr(start, mesh - start);
        }
        ASSERT_FALSE(meshes.empty());

        t3DModel model;
        ASSERT_TRUE(CLoad3DS_RW().Load(&model, VH_RWFromFile((base + ".3ds").c_str(), "rb"), true));
        ASSERT_EQ(model.objectCount, (int)meshes.size());
        float lo[3] = {1e30f, 1e30f, 1e30f}, hi[3] = {-1e30f, -1e30f, -1e30f};
        for (int i = 0; i < model.objectCount; ++i) {
            const t3DObject& o = model.objects[i];
            EXPECT_EQ(o.name, names[i]);
            EXPECT_EQ(o.vertexCount, meshes[i].first);
            EXPECT_EQ(o.faceCount, meshes[i].second);
            for (int v = 0; v < o.vertexCount * 3; ++v) {
                lo[v % 3] = std::min(lo[v % 3], o.vertices[v]);
                hi[v % 3] = std::max(hi[v % 3], o.vertices[v]);
            }
        }
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(lo[k], min[k], 1e-4f) << k;
            EXPECT_NEAR(hi[k], max[k], 1e-4f) << k;
        }
        MESH_FreeModelData(&model);
    }
}
