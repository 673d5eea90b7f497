// Resource archive: reading, rejecting damaged files, writing, and keeping the old file on failure.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <tuple>

#include <sys/stat.h>
#include <unistd.h>

#include "support/archive_bytes.h"
#include "data/resfile.h"
#include "support/gl_fixture.h"

namespace {

const std::vector<TestEntry> kThree = {
    {"Alpha.BMP", ToBytes("alpha-bytes"), 0},
    {"beta.3ds", ToBytes("BETA"), 7},
    {"empty.txt", Bytes(), 0},
};

std::string EntryText(CResFile& res, const char* name) {
    void* data = nullptr;
    if (!res.LoadEntry(name, &data)) return "<no entry>";
    return std::string(static_cast<const char*>(data), res.EntrySize(name));
}

std::string StreamText(const std::string& archive, const char* name) {
    VH_RWops* rw = RES_OpenEntryStreamFrom(archive.c_str(), name);
    if (!rw) return "<no stream>";
    char buf[256];
    const int n = rw->read(rw, buf, 1, sizeof buf);
    rw->close(rw);
    return std::string(buf, n > 0 ? n : 0);
}

// Opens bytes as an archive and returns the error code (0 when it opened).
Uint16 OpenCode(const Bytes& bytes) {
    const std::string path = VH_TestTempDir() + "/probe.clu";
    WriteFile(path, bytes);
    CResFile res;
    const bool ok = res.Open(path.c_str(), "rb");
    const Uint16 code = res.GetError();
    EXPECT_EQ(ok, code == 0) << "result and error code disagree";
    EXPECT_EQ(res.GetError(), 0) << "GetError must clear the code";
    return code;
}

TEST(Archive, FindsEntriesByNameInAnyCaseAndStreamsExactlyOne) {
    const std::string path = VH_TestTempDir() + "/three.clu";
    ASSERT_TRUE(WriteFile(path, LayOut(kThree)));
    CResFile res;
    ASSERT_TRUE(res.Open(path.c_str(), "rb"));
    EXPECT_TRUE(res.FindEntry("BETA.3DS")->type == 7u && !res.EntryExists(nullptr));
    EXPECT_EQ(EntryText(res, "Alpha.bmp"), "alpha-bytes");

    // The loaders' way in: each stream holds exactly its entry, never the bytes after it.
    EXPECT_EQ(StreamText(path, "ALPHA.BMP"), "alpha-bytes");
    EXPECT_EQ(StreamText(path, "beta.3ds"), "BETA");
    EXPECT_EQ(StreamText(path, "empty.txt"), "");
    EXPECT_EQ(StreamText(path, "nothing") + StreamText(path + ".missing", "beta.3ds"), "<no stream><no stream>");
}

TEST(Archive, RejectsWhatTheFileCannotHold) {
    const Bytes good = LayOut(kThree);
    const std::uint32_t dir = 20 + 11 + 4; // directory offset: after the three entries' data
    const std::tuple<const char*, std::size_t, std::uint32_t, Uint16> cases[] = {
        // a u32 written over the good one
        {"entry count of four billion", 8, 0xFFFFFFFFu, RES_ERR_DIRECTORY},
        {"one entry too many", 8, 4, RES_ERR_DIRECTORY},
        {"directory past the end", 16, static_cast<std::uint32_t>(good.size() + 1), RES_ERR_DIRECTORY},
        {"directory inside the header", 16, 4, RES_ERR_DIRECTORY},
        {"entry of two gigabytes", dir, 0x7FFFFFF0u, RES_ERR_DIRECTORY},
        {"entry running into the directory", dir, 16, RES_ERR_DIRECTORY},
        {"entry inside the header", dir + 4, 3, RES_ERR_DIRECTORY},
        {"entry offset wrapping around", dir + 4, 0xFFFFFFF0u, RES_ERR_DIRECTORY},
        {"name running past the end", dir + 12, 0x706C41FAu /* 250, "Alp" */, RES_ERR_DIRECTORY},
        {"four other letters", 0, 0x58534552u /* "RESX" */, RES_ERR_HEADER},
        {"version 0x0101", 4, 0x0101, RES_ERR_VERSION},
        {"check value off by one", 12, ~static_cast<std::uint32_t>(good.size() + 1), RES_ERR_HEADER},
    };
    for (const auto& [what, at, value, code] : cases) {
        Bytes bad = good;
        Store32(bad, at, value);
        EXPECT_EQ(OpenCode(bad), code) << what;
    }
    Bytes longer = good;
    longer.push_back(0); // one byte more than the check value says
    EXPECT_EQ(OpenCode(longer), RES_ERR_HEADER);
    EXPECT_EQ(OpenCode(Bytes(good.begin(), good.begin() + 19)), RES_ERR_HEADER);
    EXPECT_EQ(OpenCode(LayOut({})), RES_OK);
    CResFile res;
    EXPECT_FALSE(res.Open((VH_TestTempDir() + "/absent.clu").c_str(), "rb"));
    EXPECT_EQ(res.GetError(), RES_ERR_OPEN);
}

TEST(Archive, CommitWritesTheListInOrderAndKeepsUntouchedEntries) {
    const std::string dir = VH_TestTempDir();
    const std::string path = dir + "/new.clu";
    CResFile res;
    EXPECT_FALSE(res.AddEntry("early", 0, "x", 1, false)) << "not open yet";
    ASSERT_TRUE(res.Open(path.c_str(), "w"));
    EXPECT_FALSE(FileExists(path)) << "nothing is written before Commit";
    ASSERT_TRUE(res.AddEntry("Alpha.BMP", 0, std::memcpy(std::malloc(11), "alpha-bytes", 11), 11, true));
    ASSERT_TRUE(res.AddEntry("beta.3ds", 7, "BETA", 4, false));
    ASSERT_TRUE(res.AddEntry("empty.txt", 0, nullptr, 0, false));
    EXPECT_FALSE(res.AddEntry("ALPHA.bmp", 0, "x", 1, false));
    EXPECT_EQ(res.GetError(), RES_ERR_DUPLICATE);
    EXPECT_FALSE(res.AddEntry(std::string(256, 'n').c_str(), 0, "x", 1, false));
    EXPECT_EQ(res.GetError(), RES_ERR_NAME);
    ASSERT_TRUE(res.Commit());
    EXPECT_EQ(ReadFile(path), LayOut(kThree));
    EXPECT_TRUE(res.AddEntry(std::string(255, 'z').c_str(), 0, "Z", 1, false)) << "the longest name allowed";
    res.Close();

    // Edits in place: a large entry is copied across in several blocks, a loaded one written back.
    std::vector<TestEntry> start = kThree;
    start.insert(start.begin() + 1, TestEntry{"big.raw", Bytes(5000), 0});
    for (std::size_t i = 0; i < 5000; ++i)
        start[1].data[i] = static_cast<std::uint8_t>(i * 7 + 3);
    ASSERT_TRUE(WriteFile(path, LayOut(start)));
    ASSERT_TRUE(res.Open(path.c_str(), "r+"));
    void* alpha = nullptr;
    ASSERT_TRUE(res.LoadEntry("alpha.bmp", &alpha));
    ASSERT_TRUE(res.RemoveEntry("ALPHA.BMP"));
    EXPECT_EQ(alpha, nullptr) << "the variable LoadEntry filled is cleared";
    ASSERT_TRUE(res.AddEntry("gamma", 3, "GAMMA!", 6, false));
    ASSERT_TRUE(res.LoadEntry("beta.3ds", nullptr));
    ASSERT_TRUE(res.Commit());
    const TestEntry gamma = {"gamma", ToBytes("GAMMA!"), 3};
    EXPECT_EQ(ReadFile(path), LayOut({start[1], start[2], start[3], gamma}));
    ASSERT_TRUE(res.AddEntry("fresh", 0, "abc", 3, false));
    EXPECT_FALSE(res.UnloadEntry("fresh")) << "data only in memory is never dropped";
    ASSERT_TRUE(res.RemoveEntry("fresh"));

    // Commit under a new name leaves the current file as it is.
    ASSERT_TRUE(res.RemoveEntry("big.raw"));
    ASSERT_TRUE(res.Commit((dir + "/copy.clu").c_str()));
    EXPECT_EQ(ReadFile(path), LayOut({start[1], start[2], start[3], gamma}));
    EXPECT_EQ(ReadFile(dir + "/copy.clu"), LayOut({start[2], start[3], gamma}));
    // Once closed, the entries are gone: a Commit now would empty the file, so it is refused.
    res.Close();
    EXPECT_FALSE(res.Commit());
    EXPECT_EQ(ReadFile(dir + "/copy.clu"), LayOut({start[2], start[3], gamma}));
}

bool FailingSave(std::FILE*, RES_Entry*) {
    return false;
}
void PlainFree(RES_Entry* e) {
    std::free(e->data);
    e->data = nullptr;
}

bool DyingSave(std::FILE* file, RES_Entry*) {
    std::fputs("half an entry", file);
    std::fflush(file);
    _exit(7);
}
void NoFree(RES_Entry* e) {
    e->data = nullptr;
}

TEST(Archive, FailedCommitOrOneKilledHalfWayLeavesTheOldArchiveUntouched) {
    const std::string dir = VH_TestTempDir();
    const std::string path = dir + "/keep.clu";
    const Bytes original = LayOut(kThree);
    ASSERT_TRUE(WriteFile(path, original));

    // A write that fails partway (the entry's save handler refuses).
    ASSERT_TRUE(RES_RegisterType(0xBAD, FailingSave, FailingSave, PlainFree));
    CResFile res;
    ASSERT_TRUE(res.Open(path.c_str(), "r+"));
    ASSERT_TRUE(res.RemoveEntry("alpha.bmp")); // so that beta would move in the new file
    ASSERT_TRUE(res.AddEntry("broken", 0xBAD, "xx", 2, false));
    EXPECT_FALSE(res.Commit());
    EXPECT_EQ(res.GetError(), RES_ERR_COMMIT);
    EXPECT_EQ(ReadFile(path), original);
    EXPECT_EQ(RunOutput("ls -A " + dir), "keep.clu\n") << "the temporary file is gone";
    EXPECT_EQ(EntryText(res, "beta.3ds"), "BETA") << "the object still describes the old file";
    ASSERT_TRUE(res.RemoveEntry("broken"));

    // A folder cannot be replaced by the archive.
    const std::string folder = dir + "/taken";
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    WriteFile(folder + "/inside", ToBytes("x"));
    EXPECT_FALSE(res.Commit(folder.c_str()));
    EXPECT_EQ(res.GetError(), RES_ERR_COMMIT);
    EXPECT_EQ(ReadFile(path), original);
    EXPECT_EQ(RunOutput("ls -A " + dir), "keep.clu\ntaken\n");
    EXPECT_STREQ(res.FileName(), path.c_str());

    // The temporary file cannot be created: its folder is gone.
    EXPECT_FALSE(res.Commit((dir + "/gone/new.clu").c_str()));
    EXPECT_EQ(res.GetError(), RES_ERR_TEMPFILE);
    EXPECT_EQ(ReadFile(path), original);
    EXPECT_EQ(EntryText(res, "beta.3ds"), "BETA");

    // Starting a new archive over an existing one destroys nothing until Commit succeeds.
    CResFile fresh;
    ASSERT_TRUE(fresh.Open(path.c_str(), "w"));
    ASSERT_TRUE(fresh.AddEntry("only", 0xBAD, "1", 1, false));
    EXPECT_FALSE(fresh.Commit());
    EXPECT_EQ(ReadFile(path), original);
    RES_UnregisterType(0xBAD);

    // A commit killed half-way leaves the old archive and only its own, plainly named temporary file.
    ASSERT_TRUE(RES_RegisterType(0xDEAD, DyingSave, DyingSave, NoFree));
    EXPECT_EXIT(
        {
            res.AddEntry("dies", 0xDEAD, "x", 1, false);
            res.Commit();
        },
        ::testing::ExitedWithCode(7), "");
    RES_UnregisterType(0xDEAD);
    EXPECT_EQ(ReadFile(path), original);
    const std::string names = RunOutput("LC_ALL=C ls -A " + dir); // byte order: the dot first
    EXPECT_TRUE(names.rfind(".keep.clu.restemp-", 0) == 0 && names.substr(names.find('\n')) == "\nkeep.clu\ntaken\n")
        << names;
}

} // namespace
