// Everything the generator makes, read back through the engine's own loaders: pictures through the
// BMP and TGA decoders, models through the 3DS reader (and checked against the modelling rules the
// mesh draw imposes), flat paths through the WED reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <strings.h>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "meshkit.h"
#include "pathfiles.h"
#include "picture.h"
#include "camera/wedpath.h"
#include "data/resfile.h"
#include "data/rwops.h"
#include "image/image.h"
#include "model/load3ds.h"
#include "model/mesh.h"
#include "support/gl_fixture.h"

namespace {

const std::string& archive() {
    static std::string path;
    if (path.empty()) {
        std::string dir = VH_TestTempDir();
        FILE* p = popen((std::string(VH_BIN_DIR) + "/assetgen --out " + dir + " 2>&1").c_str(), "r");
        char buf[256];
        while (p && fgets(buf, sizeof buf, p)) {
        }
        if (!p || pclose(p) != 0) ADD_FAILURE() << "assetgen failed";
        path = dir + "/vh_data.clu";
    }
    return path;
}

std::vector<std::string> entryNames(const char* extension) {
    std::vector<std::string> names;
    CResFile res;
    if (!res.Open(archive().c_str(), "rb")) return names;
    for (const RES_Entry* e = res.FirstEntry(); e; e = e->next) {
        size_t n = strlen(e->name), m = strlen(extension);
        if (n > m && strcasecmp(e->name + n - m, extension) == 0) names.push_back(e->name);
    }
    return names;
}

// A decoded picture, freed with the test.
struct Picture {
    VH_Surface* s = nullptr;
    explicit Picture(const std::string& name) {
        VH_RWops* rw = RES_OpenEntryStreamFrom(archive().c_str(), name.c_str());
        if (!rw) return;
        bool bmp = strcasecmp(name.c_str() + name.size() - 4, ".bmp") == 0;
        s = bmp ? IMG_LoadBMP(rw) : IMG_LoadTGA(rw);
        rw->close(rw);
    }
    ~Picture() { IMG_FreeSurface(s); }
    // channel 0 blue, 1 green, 2 red, 3 alpha (32 bits); for 8 bits the index
    int at(Uint32 x, Uint32 y, int channel) const { return s->pixels[y * s->pitch + x * s->bytesPerPixel + channel]; }
    double luminance() const {
        double sum = 0;
        for (Uint32 y = 0; y < s->height; ++y)
            for (Uint32 x = 0; x < s->width; ++x)
                sum += s->bytesPerPixel == 1 ? at(x, y, 0) : (at(x, y, 0) + at(x, y, 1) + at(x, y, 2)) / 3.0;
        return sum / (s->width * s->height);
    }
    // mean difference between neighbouring columns (or rows), and between the last and the first
    double step(bool wrap, bool columns) const {
        double sum = 0;
        Uint32 n = columns ? s->width : s->height, other = columns ? s->height : s->width;
        for (Uint32 k = 0; k < other; ++k)
            for (int c = 0; c < 3; ++c) {
                Uint32 a = wrap ? n - 1 : n / 2, b = wrap ? 0 : n / 2 + 1;
                sum += std::abs(columns ? at(a, k, c) - at(b, k, c) : at(k, a, c) - at(k, b, c));
            }
        return sum / (3.0 * other);
    }
};

struct Model {
    t3DModel m;
    bool ok = false;
    explicit Model(VH_RWops* rw) {
        CLoad3DS_RW reader;
        ok = rw && reader.Load(&m, rw, true);
    }
    ~Model() { MESH_FreeModelData(&m); }
};

std::string run(const std::string& command) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    char buf[512];
    while (p && fgets(buf, sizeof buf, p))
        out += buf;
    if (p) pclose(p);
    return out;
}

} // namespace

TEST(Loaders, SharedPicturesDecodeAndReadAsWhatTheyAre) {
    const struct {
        const char* name;
        int bits;
        Uint32 w, h;
    } shared[] = {{"intro1.bmp", 24, 1024, 512}, {"intro2.bmp", 24, 1024, 512},  {"intro3.bmp", 24, 1024, 512},
                  {"con_pic.bmp", 24, 256, 256}, {"SWIMMING.BMP", 24, 256, 256}, {"sky.bmp", 24, 256, 256},
                  {"smoke2.tga", 32, 128, 128},  {"flarex.tga", 32, 128, 128},   {"P1_2.bmp", 8, 64, 64},
                  {"P2_2.bmp", 8, 32, 32}};
    for (const auto& e : shared) {
        SCOPED_TRACE(e.name);
        Picture p(e.name);
        ASSERT_NE(p.s, nullptr);
        EXPECT_EQ(p.s->bitsPerPixel, e.bits);
        EXPECT_EQ(p.s->width, e.w);
        EXPECT_EQ(p.s->height, e.h);
        EXPECT_TRUE(IMG_IsTextureSide(p.s->width) && IMG_IsTextureSide(p.s->height));
    }
    // tiles repeat without a visible seam: the wrap-around step is like any other step
    for (const char* tile : {"SWIMMING.BMP", "sky.bmp", "con_pic.bmp"}) {
        SCOPED_TRACE(tile);
        Picture p(tile);
        ASSERT_NE(p.s, nullptr);
        EXPECT_LT(p.step(true, true), 2.0 * p.step(false, true) + 2.0);
        EXPECT_LT(p.step(true, false), 2.0 * p.step(false, false) + 2.0);
    }
    // console text (white, through alpha 220) needs a dark, quiet backdrop
    Picture con("con_pic.bmp");
    ASSERT_NE(con.s, nullptr);
    EXPECT_LT(con.luminance(), 70.0);
    // water and sky are bright enough to read through the grid's alpha and the sky's tint
    EXPECT_GT(Picture("SWIMMING.BMP").luminance(), 90.0);
    EXPECT_GT(Picture("sky.bmp").luminance(), 120.0);
    // smoke and flare fade out before their edges; the sprites are black there (they are added)
    for (const char* name : {"smoke2.tga", "flarex.tga", "P1_2.bmp", "P2_2.bmp"}) {
        SCOPED_TRACE(name);
        Picture p(name);
        ASSERT_NE(p.s, nullptr);
        int channel = p.s->bitsPerPixel == 32 ? 3 : 0, n = int(p.s->width);
        for (int i = 0; i < n; ++i) {
            EXPECT_EQ(p.at(i, 0, channel), 0);
            EXPECT_EQ(p.at(0, i, channel), 0);
            EXPECT_EQ(p.at(i, n - 1, channel), 0);
            EXPECT_EQ(p.at(n - 1, i, channel), 0);
        }
        EXPECT_GT(p.at(n / 2, n / 2, channel), 150);
    }
    // the title cards carry the demo's name near the top: the title's warm yellow is there
    for (const char* name : {"intro1.bmp", "intro2.bmp", "intro3.bmp"}) {
        Picture p(name);
        ASSERT_NE(p.s, nullptr);
        int title = 0;
        for (Uint32 y = 0; y < p.s->height / 5; ++y)
            for (Uint32 x = 0; x < p.s->width; ++x)
                title += p.at(x, y, 2) > 240 && p.at(x, y, 1) > 200 && p.at(x, y, 0) < 170;
        EXPECT_GT(title, 10000) << name;
    }
}

TEST(Loaders, EveryEncoderRoundTripsThroughTheDecoders) {
    AgImage img(4, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            img.At(x, y) = PIC_Rgb(x * 60, y * 200, 255 - x * 20, 0.25f * x);
    const struct {
        const char* what;
        std::vector<Uint8> bytes;
        bool bmp;
        int bits;
    } files[] = {{"BMP 24", PIC_EncodeBMP24(img), true, 24},
                 {"BMP 8 grey", PIC_EncodeBMP8Grey(img), true, 8},
                 {"TGA 24", PIC_EncodeTGA(img, false), false, 24},
                 {"TGA 32", PIC_EncodeTGA(img, true), false, 32}};
    for (const auto& f : files) {
        SCOPED_TRACE(f.what);
        std::vector<Uint8> bytes = f.bytes;
        VH_RWops* rw = VH_RWFromMem(bytes.data(), int(bytes.size()));
        VH_Surface* s = f.bmp ? IMG_LoadBMP(rw) : IMG_LoadTGA(rw);
        rw->close(rw);
        ASSERT_NE(s, nullptr);
        ASSERT_EQ(s->bitsPerPixel, f.bits);
        ASSERT_TRUE(s->width == 4 && s->height == 2);
        for (int y = 0; y < 2; ++y) // row 0 of the surface is the top row of the picture
            for (int x = 0; x < 4; ++x) {
                const Uint8* p = s->pixels + y * s->pitch + x * s->bytesPerPixel;
                if (f.bits == 8) {
                    EXPECT_EQ(p[0], x * 60); // the red channel is the grey index
                    continue;
                }
                EXPECT_EQ(p[0], 255 - x * 20);
                EXPECT_EQ(p[1], y * 200);
                EXPECT_EQ(p[2], x * 60);
                if (f.bits == 32) {
                    EXPECT_EQ(p[3], std::lround(0.25f * x * 255));
                }
            }
        IMG_FreeSurface(s);
    }
}

// Every model in the archive follows the rules the mesh draw imposes; and the independent reader
// sees the same objects and faces.
TEST(Loaders, EveryModelKeepsTheRulesOfTheMeshDraw) {
    bool assimp = !run("command -v assimp").empty();
    for (const std::string& name : entryNames(".3ds")) {
        SCOPED_TRACE(name);
        Model model(RES_OpenEntryStreamFrom(archive().c_str(), name.c_str()));
        ASSERT_TRUE(model.ok);
        const t3DModel& m = model.m;
        ASSERT_GT(m.objectCount, 0);
        EXPECT_LE(m.materialCount, MESH_MAX_TEXTURES);
        std::vector<int> faces;
        for (int i = 0; i < m.objectCount; ++i) {
            const t3DObject& o = m.objects[i];
            SCOPED_TRACE(o.name);
            faces.push_back(o.faceCount);
            ASSERT_TRUE(o.vertexCount > 0 && o.faceCount > 0);
            // colour reaches the screen only through a texture
            ASSERT_GE(o.material, 0);
            EXPECT_TRUE(o.textured);
            ASSERT_EQ(o.texCoordCount, o.vertexCount); // the draw reads one pair per vertex
            for (int k = 0; k < 2 * o.texCoordCount; ++k)
                ASSERT_TRUE(o.texCoords[k] >= 0 && o.texCoords[k] <= 1);
            std::vector<bool> used(size_t(o.vertexCount), false);
            for (int k = 0; k < 3 * o.faceCount; ++k) {
                ASSERT_LT(o.faces[k], Uint32(o.vertexCount));
                used[o.faces[k]] = true;
            }
            // no used vertex ends with a normal of nothing (a back face on top of its front)
            for (int v = 0; v < o.vertexCount; ++v)
                if (used[size_t(v)]) {
                    const float* n = &o.normals[3 * v];
                    ASSERT_NEAR(n[0] * n[0] + n[1] * n[1] + n[2] * n[2], 1.0f, 1e-3f) << "vertex " << v;
                }
        }
        // every texture map is in the archive, a colour texture the engine accepts, and bright
        // enough to survive being halved
        for (int i = 0; i < m.materialCount; ++i) {
            const tMaterialInfo& mat = m.materials[i];
            SCOPED_TRACE(mat.textureFile);
            ASSERT_NE(mat.textureFile[0], '\0');
            Picture p(mat.textureFile);
            ASSERT_NE(p.s, nullptr);
            EXPECT_TRUE(p.s->bitsPerPixel == 24 || p.s->bitsPerPixel == 32);
            EXPECT_TRUE(IMG_IsTextureSide(p.s->width) && IMG_IsTextureSide(p.s->height));
            EXPECT_GT(p.luminance(), 60.0);
        }
        if (!assimp) continue;
        std::string file = VH_TestTempDir() + "/model.3ds";
        CResFile res;
        ASSERT_TRUE(res.Open(archive().c_str(), "rb"));
        void* data = nullptr;
        ASSERT_TRUE(res.LoadEntry(name.c_str(), &data));
        FILE* f = fopen(file.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        fwrite(data, 1, res.EntrySize(name.c_str()), f);
        fclose(f);
        std::istringstream lines(run("assimp info '" + file + "' -r 2>/dev/null"));
        std::string line;
        std::multiset<int> theirs, ours(faces.begin(), faces.end());
        float lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};
        while (std::getline(lines, line)) {
            int idx, a, v, bones, fc;
            if (sscanf(line.c_str(), " %d (%d): [%d / %d / %d |", &idx, &a, &v, &bones, &fc) == 5) {
                theirs.insert(fc);
                EXPECT_EQ(v, 3 * fc); // one vertex per face corner as that reader imports
            }
            sscanf(line.c_str(), "Minimum point (%f %f %f)", &lo[0], &lo[1], &lo[2]);
            sscanf(line.c_str(), "Maximum point (%f %f %f)", &hi[0], &hi[1], &hi[2]);
        }
        EXPECT_EQ(theirs, ours);
        // both readers turn the file's z-up frame to y up the same way
        float ourLo[3] = {1e30f, 1e30f, 1e30f}, ourHi[3] = {-1e30f, -1e30f, -1e30f};
        for (int i = 0; i < m.objectCount; ++i)
            for (int v = 0; v < m.objects[i].vertexCount; ++v)
                for (int k = 0; k < 3; ++k) {
                    ourLo[k] = std::min(ourLo[k], m.objects[i].vertices[3 * v + k]);
                    ourHi[k] = std::max(ourHi[k], m.objects[i].vertices[3 * v + k]);
                }
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(ourLo[k], lo[k], 1e-3f + 1e-5f * std::fabs(lo[k])) << "axis " << k;
            EXPECT_NEAR(ourHi[k], hi[k], 1e-3f + 1e-5f * std::fabs(hi[k])) << "axis " << k;
        }
    }
}

TEST(Loaders, KitModelComesBackAsBuiltInTheEngineFrame) {
    MkModel kit;
    MK_AddMaterial(kit, "hull paint", 10, 20, 30, "hull.bmp");
    MK_AddMaterial(kit, "brass", 200, 180, 60, "brass.bmp");
    MkMesh hull = MK_Box({2, 1, 6});
    MK_Translate(hull, {0.5f, 0.25f, -1});
    MK_AddObject(kit, "hull", hull, "hull paint");
    MkMesh wheel = MK_Cylinder(0.8f, 0.2f, 16);
    MK_RotateZ(wheel, 90);
    MK_Translate(wheel, {1.2f, 0.1f, 2.5f});
    MK_AddObject(kit, "r_wheel1", wheel, "brass");
    MkMesh flag = MK_Plane(1, 0.6f);
    MK_RotateX(flag, 90);
    MK_TwoSided(flag);
    MK_AddObject(kit, "flag", flag, "hull paint");
    std::vector<Uint8> bytes = MK_Write3DS(kit);
    ASSERT_FALSE(bytes.empty());

    Model model(VH_RWFromMem(bytes.data(), int(bytes.size())));
    ASSERT_TRUE(model.ok);
    ASSERT_EQ(model.m.objectCount, 3);
    ASSERT_EQ(model.m.materialCount, 2);
    EXPECT_STREQ(model.m.materials[0].textureFile, "hull.bmp");
    EXPECT_EQ(model.m.materials[1].colour[0], 200);
    for (int i = 0; i < 3; ++i) {
        const t3DObject& o = model.m.objects[i];
        const MkObject& k = kit.objects[i];
        SCOPED_TRACE(k.name);
        EXPECT_EQ(std::string(o.name), k.name);
        EXPECT_EQ(o.material, i == 1 ? 1 : 0);
        EXPECT_TRUE(o.textured);
        ASSERT_EQ(size_t(o.vertexCount), k.mesh.positions.size());
        ASSERT_EQ(size_t(o.faceCount), k.mesh.faces.size());
        for (int v = 0; v < o.vertexCount; ++v) {
            EXPECT_EQ(o.vertices[3 * v], k.mesh.positions[v].x);
            EXPECT_EQ(o.vertices[3 * v + 1], k.mesh.positions[v].y);
            EXPECT_EQ(o.vertices[3 * v + 2], k.mesh.positions[v].z);
            EXPECT_EQ(o.texCoords[2 * v], k.mesh.uvs[v].u);
            EXPECT_EQ(o.texCoords[2 * v + 1], k.mesh.uvs[v].v);
        }
        for (int f = 0; f < o.faceCount; ++f) {
            EXPECT_EQ(o.faces[3 * f], k.mesh.faces[f].a);
            EXPECT_EQ(o.faces[3 * f + 2], k.mesh.faces[f].c);
        }
    }
    // the reader's normals point out of the box: the top face's corners lean up, the bottom's down
    const t3DObject& box = model.m.objects[0];
    for (int v = 0; v < box.vertexCount; ++v) {
        float y = box.vertices[3 * v + 1], ny = box.normals[3 * v + 1];
        EXPECT_GT(y > 0.25f ? ny : -ny, 0.3f);
    }
    // a two-sided sheet keeps a normal on each side instead of the two cancelling out
    const t3DObject& sheet = model.m.objects[2];
    for (int v = 0; v < sheet.vertexCount; ++v) {
        float nz = sheet.normals[3 * v + 2];
        EXPECT_NEAR(std::fabs(nz), 1.0f, 1e-4f) << "vertex " << v;
    }
}

TEST(Loaders, FlatPathsComeBackOnTheWorldPlane) {
    WedPath path = {2.5f, {{0, 480}, {160, 120}, {480, 360}, {640, 0}}};
    std::vector<Uint8> bytes = PATH_WriteWED("river run", {path, path}, nullptr);
    int count = 0;
    PathControl* paths = OpenWEDFile(VH_RWFromMem(bytes.data(), int(bytes.size())), &count, true);
    ASSERT_NE(paths, nullptr);
    ASSERT_EQ(count, 2);
    EXPECT_STREQ(paths[1].name, "river run");
    EXPECT_FLOAT_EQ(paths[1].speed, 2.5f);
    EXPECT_FLOAT_EQ(paths[1].points[0].x, -1.0f);
    EXPECT_FLOAT_EQ(paths[1].points[0].z, 1.0f);
    EXPECT_FLOAT_EQ(paths[1].points[1].x, -0.5f);
    EXPECT_FLOAT_EQ(paths[1].points[1].z, -0.5f);
    EXPECT_FLOAT_EQ(paths[1].points[3].x, 1.0f);
    EXPECT_FLOAT_EQ(paths[1].points[3].z, -1.0f);
    delete[] paths;
    for (const std::string& name : entryNames(".wed")) {
        PathControl* loaded = OpenWEDFile(RES_OpenEntryStreamFrom(archive().c_str(), name.c_str()), &count, true);
        EXPECT_NE(loaded, nullptr) << name;
        delete[] loaded;
    }
}
