// Streams: positions, short reads and the error flag of the four stream kinds.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "archive_bytes.h"
#include "data/rwops.h"
#include "support/gl_fixture.h"

namespace {

// A file where a 10-byte entry sits between other bytes, as it does inside an archive.
struct EntryFile {
    std::string path = VH_TestTempDir() + "/lump.bin";
    EntryFile() { WriteFile(path, ToBytes("HEADER0123456789NEXTENTRYDIRECTORY")); }
    std::FILE* OpenAtEntry() const {
        std::FILE* fp = std::fopen(path.c_str(), "rb");
        if (fp) std::fseek(fp, 6, SEEK_SET);
        return fp;
    }
};

TEST(Streams, EntryStreamSeesItsEntryAndNothingElse) {
    EntryFile f;
    VH_RWops* rw = VH_RWFromLump(f.OpenAtEntry(), 1, 10);
    ASSERT_NE(rw, nullptr);
    EXPECT_EQ(rw->seek(rw, 0, VH_RW_SEEK_END), 10);
    EXPECT_EQ(rw->seek(rw, 0, VH_RW_SEEK_SET), 0);
    EXPECT_EQ(rw->seek(rw, 5, VH_RW_SEEK_CUR), 5);
    char buf[64] = {};
    EXPECT_EQ(rw->read(rw, buf, 1, 3), 3);
    EXPECT_EQ(std::string(buf, 3), "567");
    // More asked than is left: the rest of the entry only, never "NEXTENTRY".
    EXPECT_EQ(rw->read(rw, buf, 1, 64), 2);
    EXPECT_EQ(std::string(buf, 2), "89");
    EXPECT_EQ(rw->read(rw, buf, 1, 64), 0);
    // Whole items only: 4 bytes left, items of 3 -> one item.
    EXPECT_EQ(rw->seek(rw, -4, VH_RW_SEEK_END), 6);
    EXPECT_EQ(rw->read(rw, buf, 3, 5), 1);

    // Seeks outside the entry fail, set the flag and leave the position alone.
    rw->seek(rw, 2, VH_RW_SEEK_SET);
    VH_ClearError();
    EXPECT_EQ(rw->seek(rw, 11, VH_RW_SEEK_SET), -1);
    EXPECT_EQ(VH_GetError(), 1);
    EXPECT_EQ(rw->seek(rw, -3, VH_RW_SEEK_CUR), -1);
    EXPECT_EQ(rw->seek(rw, 1, VH_RW_SEEK_END), -1);
    EXPECT_EQ(rw->seek(rw, 0, 7), -1);
    EXPECT_EQ(rw->seek(rw, 0, VH_RW_SEEK_CUR), 2);
    EXPECT_EQ(rw->write(rw, "xx", 1, 2), 0); // read-only handle
    EXPECT_EQ(rw->read(rw, buf, -1, 4), 0);
    EXPECT_EQ(rw->read(rw, nullptr, 1, 4), 0);
    EXPECT_EQ(rw->close(rw), 0);

    EXPECT_EQ(VH_RWFromLump(nullptr, 1, 10), nullptr);
    std::FILE* fp = f.OpenAtEntry();
    EXPECT_EQ(VH_RWFromLump(fp, 1, -1), nullptr);
    std::fclose(fp);
}

TEST(Streams, NamedFileSeekAndShortReads) {
    const std::string path = VH_TestTempDir() + "/twenty.bin";
    WriteFile(path, ToBytes("ABCDEFGHIJKLMNOPQRST"));
    EXPECT_EQ(VH_RWFromFile((path + ".missing").c_str(), "rb"), nullptr);
    VH_RWops* rw = VH_RWFromFile(path.c_str(), "rb");
    ASSERT_NE(rw, nullptr);
    EXPECT_EQ(rw->type, VH_RW_FILE);
    EXPECT_EQ(rw->seek(rw, 10, VH_RW_SEEK_SET), 0); // success, not the new position
    EXPECT_EQ(rw->seek(rw, 0, VH_RW_SEEK_CUR), 10);

    char buf[32] = {};
    EXPECT_EQ(rw->read(rw, buf, 4, 2), 2);
    EXPECT_EQ(VH_GetError(), 0);
    EXPECT_EQ(std::string(buf, 8), "KLMNOPQR");

    // Two bytes left, three items of four asked: short, flagged.
    EXPECT_EQ(rw->read(rw, buf, 4, 3), 0);
    EXPECT_EQ(VH_GetError(), 1);
    // At end of file: flagged again, after the flag was cleared for the call.
    EXPECT_EQ(rw->read(rw, buf, 1, 1), 0);
    EXPECT_EQ(VH_GetError(), 1);
    // A good read clears it.
    EXPECT_EQ(rw->seek(rw, 0, VH_RW_SEEK_SET), 0);
    EXPECT_EQ(rw->read(rw, buf, 1, 3), 3);
    EXPECT_EQ(VH_GetError(), 0);
    EXPECT_EQ(rw->close(rw), 0);
}

TEST(Streams, FileHandleStreamLeavesTheCallersFileOpen) {
    const std::string path = VH_TestTempDir() + "/handle.bin";
    WriteFile(path, ToBytes("0123456789"));
    EXPECT_EQ(VH_RWFromFP(nullptr, 0), nullptr);

    std::FILE* fp = std::fopen(path.c_str(), "rb");
    ASSERT_NE(fp, nullptr);
    VH_RWops* rw = VH_RWFromFP(fp, 0);
    ASSERT_NE(rw, nullptr);
    EXPECT_EQ(rw->seek(rw, 4, VH_RW_SEEK_SET), 0);
    char buf[8] = {};
    EXPECT_EQ(rw->read(rw, buf, 2, 2), 2);
    EXPECT_EQ(std::string(buf, 4), "4567");
    EXPECT_EQ(rw->close(rw), -1);
    // Still the caller's and still open.
    EXPECT_EQ(std::fgetc(fp), '8');
    VH_RWops* owning = VH_RWFromFP(fp, 1);
    ASSERT_NE(owning, nullptr);
    EXPECT_EQ(owning->close(owning), 0);
}

TEST(Streams, MemoryStreamStaysInsideItsBlock) {
    char block[8];
    std::memcpy(block, "abcdefgh", 8);
    EXPECT_EQ(VH_RWFromMem(nullptr, 8), nullptr);
    EXPECT_EQ(VH_RWFromMem(block, -1), nullptr);

    VH_RWops* rw = VH_RWFromMem(block, 8);
    ASSERT_NE(rw, nullptr);
    EXPECT_EQ(rw->type, VH_RW_MEMORY);
    EXPECT_EQ(rw->seek(rw, 0, VH_RW_SEEK_END), 8);
    EXPECT_EQ(rw->seek(rw, -3, VH_RW_SEEK_CUR), 5);
    char out[16] = {};
    EXPECT_EQ(rw->read(rw, out, 1, 16), 3); // only what the block holds
    EXPECT_EQ(std::string(out, 3), "fgh");
    EXPECT_EQ(rw->read(rw, out, 1, 1), 0);

    EXPECT_EQ(rw->seek(rw, 9, VH_RW_SEEK_SET), -1);
    EXPECT_EQ(rw->seek(rw, -1, VH_RW_SEEK_SET), -1);
    EXPECT_EQ(rw->seek(rw, 0, 3), -1);
    EXPECT_EQ(rw->seek(rw, 0, VH_RW_SEEK_CUR), 8);

    EXPECT_EQ(rw->seek(rw, 6, VH_RW_SEEK_SET), 6);
    EXPECT_EQ(rw->write(rw, "XYZW", 2, 2), 1); // one two-byte item fits
    EXPECT_EQ(std::string(block, 8), "abcdefXY");
    EXPECT_EQ(rw->seek(rw, 1, VH_RW_SEEK_SET), 1);
    EXPECT_EQ(rw->write(rw, "QQ", 1, 2), 2);
    EXPECT_EQ(std::string(block, 8), "aQQdefXY");
    EXPECT_EQ(rw->close(rw), 0);
}

} // namespace
