// Every reader gives the same result whichever kind of stream brings it the bytes: memory,
// a named file, or an open handle standing in the middle of a larger file.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "camera/wedpath.h"
#include "data/rwops.h"
#include "image/image.h"
#include "model/load3ds.h"
#include "model/mesh.h"
#include "support/archive_bytes.h"
#include "support/gl_fixture.h"

namespace {

// The three streams over the same bytes. The handle's file holds junk before the bytes and
// stands at their start, so a reader that measures from the file's start would be caught.
struct Streams {
    explicit Streams(const Bytes& bytes) : data(bytes), named(VH_TestTempDir() + "/plain.bin") {
        Bytes padded = ToBytes("JUNKJUNKJUNK");
        padded.insert(padded.end(), data.begin(), data.end());
        WriteFile(named, data);
        WriteFile(named + ".padded", padded);
        fp = std::fopen((named + ".padded").c_str(), "rb");
        std::fseek(fp, 12, SEEK_SET);
    }
    ~Streams() { std::fclose(fp); }
    std::vector<VH_RWops*> All() {
        return {VH_RWFromMem(data.data(), (int)data.size()), VH_RWFromFile(named.c_str(), "rb"), VH_RWFromFP(fp, 0)};
    }
    Bytes data;
    std::string named;
    std::FILE* fp;
};

Bytes corpusFile(const std::string& name) {
    return ReadFile(std::string(VH_SOURCE_DIR) + "/fuzz/corpus/" + name);
}

TEST(StreamKinds, BytesLeftIsMeasuredFromThePositionOnEveryKind) {
    Streams s(Bytes(100, 'x'));
    for (VH_RWops* rw : s.All()) {
        ASSERT_NE(rw, nullptr);
        EXPECT_EQ(VH_RWBytesLeft(rw), 100);
        rw->seek(rw, 30, VH_RW_SEEK_CUR);
        EXPECT_EQ(VH_RWBytesLeft(rw), 70);
        EXPECT_EQ(rw->seek(rw, 0, VH_RW_SEEK_CUR) - (rw->type == VH_RW_FP ? 12 : 0), 30) << "position kept";
        rw->close(rw);
    }
}

TEST(StreamKinds, PicturesModelsAndPathsDecodeAlikeFromEveryKind) {
    for (const char* name : {"fuzz_bmp/rgb3x2_padded.bmp", "fuzz_bmp/grey8x2.bmp", "fuzz_tga/rgba2x2_topleft.tga"}) {
        SCOPED_TRACE(name);
        Streams s(corpusFile(name));
        std::vector<std::vector<Uint8>> pixels;
        for (VH_RWops* rw : s.All()) {
            const bool bmp = s.data[0] == 'B';
            VH_Surface* surface = bmp ? IMG_LoadBMP(rw) : IMG_LoadTGA(rw);
            ASSERT_NE(surface, nullptr) << "stream type " << rw->type;
            pixels.emplace_back(surface->pixels, surface->pixels + surface->pitch * surface->height);
            pixels.back().push_back((Uint8)surface->width);
            IMG_FreeSurface(surface);
            rw->close(rw);
        }
        EXPECT_TRUE(pixels[0] == pixels[1] && pixels[0] == pixels[2]);
    }

    Streams model(corpusFile("fuzz_3ds/assimp_two_objects.3ds"));
    std::vector<std::vector<int>> shapes;
    for (VH_RWops* rw : model.All()) {
        t3DModel m;
        CLoad3DS_RW reader;
        ASSERT_TRUE(reader.Load(&m, rw, true)) << "stream type " << rw->type;
        std::vector<int> shape{m.objectCount};
        for (int i = 0; i < m.objectCount; ++i)
            shape.insert(shape.end(), {m.objects[i].vertexCount, m.objects[i].faceCount});
        shapes.push_back(shape);
        MESH_FreeModelData(&m);
    }
    EXPECT_TRUE(shapes[0] == shapes[1] && shapes[0] == shapes[2] && shapes[0][0] == 2);

    Streams path(corpusFile("fuzz_wed/boatpath.wed"));
    std::vector<float> lengths;
    for (VH_RWops* rw : path.All()) {
        int count = 0;
        PathControl* paths = OpenWEDFile(rw, &count, true);
        ASSERT_NE(paths, nullptr) << "stream type " << rw->type;
        lengths.push_back(paths[0].maxdist);
        delete[] paths;
    }
    EXPECT_TRUE(lengths[0] == lengths[1] && lengths[0] == lengths[2] && lengths[0] > 0.0f);
}

} // namespace
