// Streams: reads and seeks never leave an entry or a memory block; files flag short reads.
#include <gtest/gtest.h>

#include <cstring>

#include "support/archive_bytes.h"
#include "data/rwops.h"
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

} // namespace
