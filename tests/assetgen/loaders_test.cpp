// Everything the generator makes, read back through the engine's own loaders.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <sstream>
#include <tuple>
#include <vector>

#include "support/dirs.h"
#include "data/resfile.h"
#include "generated.h"
#include "model/load3ds.h"
#include "model/mesh.h"
#include "picture.h"

namespace {

VH_RWops* entry(const std::string& name) {
    return RES_OpenEntryStreamFrom(AG_Archive().c_str(), name.c_str());
}

// A decoded archive picture, freed with the test.
struct Picture {
    VH_Surface* s;
    explicit Picture(const std::string& name) : s(AG_Decode(entry(name), AG_EndsWith(name, ".bmp"))) {}
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
};

struct Model {
    t3DModel m;
    bool ok;
    explicit Model(VH_RWops* rw) : ok(rw && CLoad3DS_RW().Load(&m, rw, true)) {}
    ~Model() { MESH_FreeModelData(&m); }
};

} // namespace

TEST(Loaders, EveryEncoderRoundTripsThroughTheDecoders) {
    AgImage img(4, 2);
    for (int i = 0; i < 8; ++i)
        img.At(i % 4, i / 4) = PIC_Rgb(i % 4 * 60, i / 4 * 200, 255 - i % 4 * 20, 0.25f * (i % 4));
    const std::tuple<std::vector<Uint8>, bool, int> files[] = {{PIC_EncodeBMP24(img), true, 24},
                                                               {PIC_EncodeBMP8Grey(img), true, 8},
                                                               {PIC_EncodeTGA(img, false), false, 24},
                                                               {PIC_EncodeTGA(img, true), false, 32}};
    for (auto [bytes, bmp, bits] : files) {
        SCOPED_TRACE(bits);
        VH_Surface* s = AG_Decode(VH_RWFromMem(bytes.data(), int(bytes.size())), bmp);
        ASSERT_NE(s, nullptr);
        ASSERT_EQ(s->bitsPerPixel, bits);
        ASSERT_TRUE(s->width == 4 && s->height == 2);
        for (int i = 0; i < 8; ++i) { // row 0 of the surface is the top row of the picture
            const int x = i % 4, y = i / 4;
            const Uint8* p = s->pixels + y * s->pitch + x * s->bytesPerPixel;
            EXPECT_TRUE(bits == 8 ? p[0] == x * 60 // the red channel is the grey index
                                  : p[0] == 255 - x * 20 && p[1] == y * 200 && p[2] == x * 60 &&
                                        (bits != 32 || p[3] == std::lround(0.25f * x * 255)))
                << x << "," << y;
        }
        IMG_FreeSurface(s);
    }
}

// Every entry loading at all is the generator's own read-back (generator_test); here the models keep the mesh
// draw's rules and assimp sees the same faces and extent.
TEST(Loaders, EveryModelKeepsTheRulesOfTheMeshDraw) {
    const bool assimp = AG_Shell("command -v assimp").status == 0;
    const std::string dir = VH_TestTempDir();
    CResFile res;
    ASSERT_TRUE(res.Open(AG_Archive().c_str(), "rb"));
    std::vector<std::string> names;
    for (const RES_Entry* e = res.FirstEntry(); e; e = e->next)
        names.push_back(e->name);
    ASSERT_GT(names.size(), 40u);
    for (const std::string& name : names) {
        if (!AG_EndsWith(name, ".3ds")) continue;
        SCOPED_TRACE(name);
        Model model(entry(name));
        ASSERT_TRUE(model.ok);
        const t3DModel& m = model.m;
        ASSERT_GT(m.objectCount, 0);
        EXPECT_LE(m.materialCount, MESH_MAX_TEXTURES);
        std::multiset<int> ours, theirs;
        float ourLo[3] = {1e30f, 1e30f, 1e30f}, ourHi[3] = {-1e30f, -1e30f, -1e30f}, lo[3] = {}, hi[3] = {};
        for (int i = 0; i < m.objectCount; ++i) {
            const t3DObject& o = m.objects[i];
            SCOPED_TRACE(o.name);
            ours.insert(o.faceCount);
            ASSERT_TRUE(o.vertexCount > 0 && o.faceCount > 0);
            ASSERT_GE(o.material, 0); // colour reaches the screen only through a texture
            EXPECT_TRUE(o.textured);
            ASSERT_EQ(o.texCoordCount, o.vertexCount); // the draw reads one pair per vertex
            for (int k = 0; k < 2 * o.texCoordCount; ++k)
                ASSERT_TRUE(o.texCoords[k] >= 0 && o.texCoords[k] <= 1);
            std::vector<bool> used(size_t(o.vertexCount), false);
            for (int k = 0; k < 3 * o.faceCount; ++k) {
                ASSERT_LT(o.faces[k], Uint32(o.vertexCount));
                used[o.faces[k]] = true;
            }
            for (int v = 0; v < o.vertexCount; ++v) {
                // no used vertex ends with a normal of nothing (a back face on top of its front)
                const float* n = &o.normals[3 * v];
                ASSERT_TRUE(!used[size_t(v)] || std::fabs(n[0] * n[0] + n[1] * n[1] + n[2] * n[2] - 1.0f) < 1e-3f) << v;
                for (int k = 0; k < 3; ++k) {
                    ourLo[k] = std::min(ourLo[k], o.vertices[3 * v + k]);
                    ourHi[k] = std::max(ourHi[k], o.vertices[3 * v + k]);
                }
            }
        }
        // every texture map is in colour and bright enough to halve (that it is there with sides the engine
        // takes is the generator's own read-back)
        for (int i = 0; i < m.materialCount; ++i) {
            SCOPED_TRACE(m.materials[i].textureFile);
            Picture p(m.materials[i].textureFile);
            ASSERT_NE(p.s, nullptr);
            EXPECT_TRUE(p.s->bitsPerPixel == 24 || p.s->bitsPerPixel == 32);
            EXPECT_GT(p.luminance(), 60.0);
        }
        if (!assimp) continue;
        ASSERT_EQ(
            AG_Shell(std::string(VH_BIN_DIR) + "/vhpack extract " + AG_Archive() + " '" + name + "' -C " + dir).status,
            0);
        std::istringstream lines(AG_Shell("assimp info '" + dir + "/" + name + "' -r").out);
        for (std::string line; std::getline(lines, line);) {
            int idx, a, v, bones, fc;
            if (sscanf(line.c_str(), " %d (%d): [%d / %d / %d |", &idx, &a, &v, &bones, &fc) == 5) {
                theirs.insert(fc);
                EXPECT_EQ(v, 3 * fc); // one vertex per face corner as that reader imports
            }
            sscanf(line.c_str(), "Minimum point (%f %f %f)", &lo[0], &lo[1], &lo[2]);
            sscanf(line.c_str(), "Maximum point (%f %f %f)", &hi[0], &hi[1], &hi[2]);
        }
        EXPECT_EQ(theirs, ours);
        for (int k = 0; k < 3; ++k) { // both readers turn the file's z-up frame to y up the same way
            EXPECT_NEAR(ourLo[k], lo[k], 1e-3f + 1e-5f * std::fabs(lo[k])) << "axis " << k;
            EXPECT_NEAR(ourHi[k], hi[k], 1e-3f + 1e-5f * std::fabs(hi[k])) << "axis " << k;
        }
    }
}
