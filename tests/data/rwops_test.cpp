// Streams: reads and seeks never leave an entry or a memory block; files flag short reads; and
// every reader gives the same result whichever kind of stream brings it the bytes: memory, a
// named file, or an open handle standing in the middle of a larger file.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "support/dirs.h"
#include "camera/wedpath.h"
#include "data/rwops.h"
#include "image/image.h"
#include "model/load3ds.h"
#include "model/mesh.h"
#include "support/archive_bytes.h"
#include "support/gl_fixture.h"

namespace {

std::string Read(VH_RWops* rw, int size, int count, int expectItems) {
    char buf[64] = {};
    EXPECT_EQ(rw->read(rw, buf, size, count), expectItems);
    return std::string(buf, expectItems > 0 ? expectItems * size : 0);
}

TEST(Streams, BoundsPositionsAndTheErrorFlag) {
    // A 10-byte entry sits between other bytes, as it does inside an archive.
    const std::string path = VH_TestTempDir() + "/lump.bin";
    WriteFile(path, ToBytes("HEADER0123456789NEXTENTRYDIRECTORY"));
    std::FILE* fp = std::fopen(path.c_str(), "rb");
    std::fseek(fp, 6, SEEK_SET);
    EXPECT_EQ(VH_RWFromLump(fp, 1, -1), nullptr);
    VH_RWops* rw = VH_RWFromLump(fp, 1, 10);
    ASSERT_NE(rw, nullptr);
    EXPECT_EQ(rw->seek(rw, 5, VH_RW_SEEK_SET), 5);
    EXPECT_EQ(Read(rw, 1, 3, 3), "567");
    EXPECT_EQ(Read(rw, 1, 64, 2), "89") << "the rest of the entry only, never the next one";
    EXPECT_EQ(rw->seek(rw, -4, VH_RW_SEEK_END), 6);
    EXPECT_EQ(Read(rw, 3, 5, 1), "678") << "whole items only";

    // Seeks outside the entry fail, set the flag and leave the position alone.
    rw->seek(rw, 2, VH_RW_SEEK_SET);
    VH_ClearError();
    EXPECT_EQ(rw->seek(rw, 11, VH_RW_SEEK_SET), -1);
    EXPECT_EQ(VH_GetError(), 1);
    EXPECT_EQ(rw->seek(rw, -3, VH_RW_SEEK_CUR), -1);
    EXPECT_EQ(rw->seek(rw, 1, VH_RW_SEEK_END), -1);
    EXPECT_EQ(rw->seek(rw, 0, VH_RW_SEEK_CUR), 2);
    EXPECT_EQ(rw->write(rw, "xx", 1, 2), 0);
    EXPECT_EQ(rw->close(rw), 0);

    // A named file's seek answers 0, not the position; a short read is flagged, a good one clears it.
    rw = VH_RWFromFile(path.c_str(), "rb");
    ASSERT_NE(rw, nullptr);
    EXPECT_EQ(rw->seek(rw, 30, VH_RW_SEEK_SET), 0);
    EXPECT_EQ(Read(rw, 4, 2, 1), "TORY");
    EXPECT_EQ(VH_GetError(), 1);
    EXPECT_EQ(rw->seek(rw, 0, VH_RW_SEEK_SET), 0);
    EXPECT_EQ(Read(rw, 2, 3, 3), "HEADER");
    EXPECT_EQ(VH_GetError(), 0);
    EXPECT_EQ(rw->close(rw), 0);
    // A stream over the caller's handle leaves it open.
    fp = std::fopen(path.c_str(), "rb");
    rw = VH_RWFromFP(fp, 0);
    ASSERT_NE(rw, nullptr);
    EXPECT_EQ(rw->close(rw), -1);
    EXPECT_EQ(std::fgetc(fp), 'H');
    std::fclose(fp);

    char block[8];
    std::memcpy(block, "abcdefgh", 8);
    rw = VH_RWFromMem(block, 8);
    ASSERT_NE(rw, nullptr);
    EXPECT_EQ(rw->seek(rw, -3, VH_RW_SEEK_END), 5);
    EXPECT_EQ(Read(rw, 1, 16, 3), "fgh") << "only what the block holds";
    EXPECT_EQ(rw->seek(rw, 9, VH_RW_SEEK_SET), -1);
    EXPECT_EQ(rw->seek(rw, -1, VH_RW_SEEK_SET), -1);
    EXPECT_EQ(rw->seek(rw, 6, VH_RW_SEEK_SET), 6);
    EXPECT_EQ(rw->write(rw, "XYZW", 2, 2), 1) << "one two-byte item fits";
    EXPECT_EQ(std::string(block, 8), "abcdefXY");
    EXPECT_EQ(rw->close(rw), 0);
}

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
