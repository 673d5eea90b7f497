// Cross-check: 3DS files written by another tool (assimp, from OBJ files made here) load with
// the object names, counts and extent that the same tool reports for them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "data/rwops.h"
#include "model/load3ds.h"
#include "support/gl_fixture.h"

namespace {

struct Report {
    std::vector<std::pair<int, int>> meshes; // vertices, faces
    std::map<int, std::string> names;        // mesh index -> node name
    float min[3] = {0, 0, 0}, max[3] = {0, 0, 0};
};

std::string run(const std::string& cmd) {
    std::string out;
    if (FILE* p = popen(cmd.c_str(), "r")) {
        char buf[512];
        while (size_t n = fread(buf, 1, sizeof buf, p)) out.append(buf, n);
        pclose(p);
    }
    return out;
}

Report parseInfo(const std::string& text) {
    Report r;
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < text.size()) {
        const size_t end = text.find('\n', at);
        lines.push_back(text.substr(at, end == std::string::npos ? std::string::npos : end - at));
        at = end == std::string::npos ? text.size() : end + 1;
    }
    bool inMeshes = false;
    for (const std::string& line : lines) {
        if (line.rfind("Minimum point", 0) == 0)
            std::sscanf(line.c_str() + line.find('('), "(%f %f %f)", &r.min[0], &r.min[1], &r.min[2]);
        if (line.rfind("Maximum point", 0) == 0)
            std::sscanf(line.c_str() + line.find('('), "(%f %f %f)", &r.max[0], &r.max[1], &r.max[2]);
        if (line.rfind("Meshes:", 0) == 0 && line.find('[') != std::string::npos) {
            inMeshes = true;
            continue;
        }
        int index, verts, bones, faces;
        if (inMeshes && std::sscanf(line.c_str(), " %d (%*d): [%d / %d / %d", &index, &verts, &bones, &faces) == 4)
            r.meshes.push_back({verts, faces});
        else
            inMeshes = false;
        const size_t mesh = line.find(" (mesh ");
        if (mesh != std::string::npos) {
            size_t start = mesh;
            while (start > 0 && line[start - 1] != ' ' && (unsigned char)line[start - 1] < 0x80) --start;
            r.names[std::atoi(line.c_str() + mesh + 7)] = line.substr(start, mesh - start);
        }
    }
    return r;
}

const char* objFiles[] = {
    "o Wedge\nv 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 2\nf 1 2 3\nf 1 2 4\n"
    "o Other\nv 5 5 5\nv 6 5 5\nv 5 6 5\nf 5 6 7\n",
    "o Cube\nv -1 -2 -3\nv 1 -2 -3\nv 1 2 -3\nv -1 2 -3\nv -1 -2 3\nv 1 -2 3\nv 1 2 3\nv -1 2 3\n"
    "f 1 2 3 4\nf 5 6 7 8\nf 1 2 6 5\nf 2 3 7 6\nf 3 4 8 7\nf 4 1 5 8\n",
    "o Fan\nv 0 0 0.5\nv 2 0 0\nv 1 1.7 0\nv -1 1.7 0\nv -2 0 0\nv -1 -1.7 0\nv 1 -1.7 0\n"
    "f 1 2 3\nf 1 3 4\nf 1 4 5\nf 1 5 6\nf 1 6 7\nf 1 7 2\n"
    "o Stick\nv 10 -4 7\nv 10.5 -4 7\nv 10 -3.25 9\nf 8 9 10\n",
};

} // namespace

TEST(Assimp, ExportedFilesMatchWhatTheToolReports) {
    if (std::system("command -v assimp >/dev/null 2>&1") != 0) GTEST_SKIP() << "assimp is not installed";
    const std::string dir = VH_TestTempDir();
    int n = 0;
    for (const char* obj : objFiles) {
        SCOPED_TRACE(obj);
        const std::string base = dir + "/m" + std::to_string(n++);
        std::ofstream(base + ".obj") << obj;
        run("assimp export " + base + ".obj " + base + ".3ds >/dev/null 2>&1");
        const Report r = parseInfo(run("assimp info " + base + ".3ds 2>/dev/null"));
        ASSERT_FALSE(r.meshes.empty());

        t3DModel model;
        CLoad3DS_RW loader;
        ASSERT_TRUE(loader.Load(&model, VH_RWFromFile((base + ".3ds").c_str(), "rb"), true));
        ASSERT_EQ(model.objectCount, (int)r.meshes.size());
        float lo[3] = {1e30f, 1e30f, 1e30f}, hi[3] = {-1e30f, -1e30f, -1e30f};
        for (int i = 0; i < model.objectCount; ++i) {
            const t3DObject& o = model.objects[i];
            EXPECT_EQ(o.name, r.names.at(i));
            EXPECT_EQ(o.vertexCount, r.meshes[i].first);
            EXPECT_EQ(o.faceCount, r.meshes[i].second);
            for (int v = 0; v < o.vertexCount * 3; ++v) {
                lo[v % 3] = std::min(lo[v % 3], o.vertices[v]);
                hi[v % 3] = std::max(hi[v % 3], o.vertices[v]);
            }
        }
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(lo[k], r.min[k], 1e-4f) << k;
            EXPECT_NEAR(hi[k], r.max[k], 1e-4f) << k;
        }
        MESH_FreeModelData(&model);
    }
}
