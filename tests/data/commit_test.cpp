// Commit's temporary file: other files in the folder, links, permission bits, a commit that dies
// half-way, and names that would leave the folder they are unpacked into.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/archive_bytes.h"
#include "data/resfile.h"
#include "support/gl_fixture.h"

namespace {

std::vector<std::string> FolderNames(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (const dirent* e = readdir(d))
            if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, "..")) names.push_back(e->d_name);
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Permission bits, or -1 for anything that is not a regular file (a link included).
int RegularMode(const std::string& path) {
    struct stat info;
    if (lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
    return static_cast<int>(info.st_mode & 07777);
}

int NewFileMode() {
    const mode_t mask = umask(0);
    umask(mask);
    return static_cast<int>(0666 & ~mask);
}

const TestEntry kOld = {"old.bin", ToBytes("old bytes"), 0};
const TestEntry kNew = {"new.bin", ToBytes("NEW"), 0};

// The name the writer once used for its temporary file, set up three ways by a user.
enum class Restemp { Plain, ReadOnly, Link };

void PlantRestemp(const std::string& dir, Restemp kind) {
    ASSERT_TRUE(WriteFile(dir + "/other.txt", ToBytes("someone else's file")));
    if (kind == Restemp::Link) {
        ASSERT_EQ(symlink("other.txt", (dir + "/restemp.txt").c_str()), 0);
    } else {
        ASSERT_TRUE(WriteFile(dir + "/restemp.txt", ToBytes("my notes")));
        ASSERT_EQ(chmod((dir + "/restemp.txt").c_str(), kind == Restemp::ReadOnly ? 0444 : 0644), 0);
    }
}

void ExpectRestempUntouched(const std::string& dir, Restemp kind) {
    EXPECT_EQ(ReadFile(dir + "/other.txt"), ToBytes("someone else's file"));
    if (kind == Restemp::Link) {
        char target[64] = {};
        EXPECT_TRUE(readlink((dir + "/restemp.txt").c_str(), target, sizeof target - 1) > 0 &&
                    std::string(target) == "other.txt");
    } else {
        EXPECT_EQ(ReadFile(dir + "/restemp.txt"), ToBytes("my notes"));
        EXPECT_EQ(RegularMode(dir + "/restemp.txt"), kind == Restemp::ReadOnly ? 0444 : 0644);
    }
}

TEST(ArchiveCommit, LeavesFilesNamedLikeTheOldTemporaryAlone) {
    for (Restemp kind : {Restemp::Plain, Restemp::ReadOnly, Restemp::Link}) {
        SCOPED_TRACE(static_cast<int>(kind));
        const std::string dir = VH_TestTempDir();
        PlantRestemp(dir, kind);
        const std::string path = dir + "/a.clu";

        // A new archive, the way the asset generator writes one.
        ASSERT_TRUE(WriteArchive(path.c_str(), {{kOld.name, kOld.data}}));
        EXPECT_EQ(ReadFile(path), LayOut({kOld}));
        EXPECT_EQ(RegularMode(path), NewFileMode());
        ExpectRestempUntouched(dir, kind);

        // A change to an existing one, which keeps its own permission bits.
        ASSERT_EQ(chmod(path.c_str(), 0604), 0);
        CResFile res;
        ASSERT_TRUE(res.Open(path.c_str(), "r+"));
        ASSERT_TRUE(res.AddEntry(kNew.name.c_str(), 0, "NEW", 3, false));
        ASSERT_TRUE(res.Commit());
        res.Close();
        EXPECT_EQ(ReadFile(path), LayOut({kOld, kNew}));
        EXPECT_EQ(RegularMode(path), 0604);
        ExpectRestempUntouched(dir, kind);
        EXPECT_EQ(FolderNames(dir), (std::vector<std::string>{"a.clu", "other.txt", "restemp.txt"}));
    }
}

TEST(ArchiveCommit, WritesThroughALinkAndRefusesWhatIsNotAFile) {
    const std::string dir = VH_TestTempDir();
    ASSERT_EQ(mkdir((dir + "/real").c_str(), 0755), 0);
    ASSERT_TRUE(WriteFile(dir + "/real/data.clu", LayOut({kOld})));
    ASSERT_EQ(chmod((dir + "/real/data.clu").c_str(), 0640), 0);
    ASSERT_EQ(symlink("real/data.clu", (dir + "/link.clu").c_str()), 0);

    // Through the link: the file it names is replaced in its own folder, the link stays a link.
    CResFile res;
    ASSERT_TRUE(res.Open((dir + "/link.clu").c_str(), "r+"));
    ASSERT_TRUE(res.AddEntry(kNew.name.c_str(), 0, "NEW", 3, false));
    ASSERT_TRUE(res.Commit());
    EXPECT_STREQ(res.FileName(), (dir + "/link.clu").c_str());
    EXPECT_TRUE(res.IsOpen());
    res.Close();
    EXPECT_EQ(RegularMode(dir + "/link.clu"), -1) << "still a link";
    EXPECT_EQ(ReadFile(dir + "/real/data.clu"), LayOut({kOld, kNew}));
    EXPECT_EQ(RegularMode(dir + "/real/data.clu"), 0640);
    EXPECT_EQ(FolderNames(dir + "/real"), std::vector<std::string>{"data.clu"});

    // A link to nowhere, a pipe: nothing is put in their place.
    ASSERT_EQ(symlink("real/missing.clu", (dir + "/dangling.clu").c_str()), 0);
    ASSERT_EQ(mkfifo((dir + "/pipe.clu").c_str(), 0644), 0);
    for (const char* name : {"/dangling.clu", "/pipe.clu"}) {
        SCOPED_TRACE(name);
        CResFile fresh;
        ASSERT_TRUE(fresh.Open((dir + name).c_str(), "w"));
        ASSERT_TRUE(fresh.AddEntry("x", 0, "x", 1, false));
        EXPECT_FALSE(fresh.Commit());
        EXPECT_EQ(fresh.GetError(), RES_ERR_COMMIT);
        EXPECT_NE(std::string(fresh.FaultText()), "");
    }
    struct stat info;
    EXPECT_TRUE(lstat((dir + "/pipe.clu").c_str(), &info) == 0 && S_ISFIFO(info.st_mode));
    EXPECT_EQ(FolderNames(dir), (std::vector<std::string>{"dangling.clu", "link.clu", "pipe.clu", "real"}));
    EXPECT_EQ(FolderNames(dir + "/real"), std::vector<std::string>{"data.clu"});
}

bool DyingSave(std::FILE* file, RES_Entry*) {
    std::fputs("half an entry", file);
    std::fflush(file);
    _exit(7);
}
void NoFree(RES_Entry* e) {
    e->data = nullptr;
}

TEST(ArchiveCommit, ACommitKilledHalfWayLeavesOnlyANamedTemporaryFile) {
    const std::string dir = VH_TestTempDir();
    const std::string path = dir + "/keep.clu";
    ASSERT_TRUE(WriteFile(path, LayOut({kOld})));
    ASSERT_TRUE(RES_RegisterType(0xDEAD, DyingSave, DyingSave, NoFree));
    EXPECT_EXIT(
        {
            CResFile res;
            res.Open(path.c_str(), "r+");
            res.AddEntry("dies", 0xDEAD, "x", 1, false);
            res.Commit();
        },
        ::testing::ExitedWithCode(7), "");
    RES_UnregisterType(0xDEAD);
    EXPECT_EQ(ReadFile(path), LayOut({kOld}));
    const std::vector<std::string> names = FolderNames(dir);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0].rfind(".keep.clu.restemp-", 0), 0u) << names[0];
}

TEST(Archive, AddEntryTakesOnlyPlainFileNames) {
    CResFile res;
    ASSERT_TRUE(res.Open((VH_TestTempDir() + "/names.clu").c_str(), "w"));
    for (const char* bad : {"../evil.txt", "sub/x.txt", "/etc/passwd", ".", "..", "dir\\x.txt", "x/"}) {
        SCOPED_TRACE(bad);
        EXPECT_NE(RES_NameFault(bad), nullptr);
        EXPECT_FALSE(res.AddEntry(bad, 0, "x", 1, false));
        EXPECT_EQ(res.GetError(), RES_ERR_NAME);
    }
    for (const char* good : {"..hidden", ".profile", "a..b.txt", "intro1.bmp"}) {
        SCOPED_TRACE(good);
        EXPECT_EQ(RES_NameFault(good), nullptr);
        EXPECT_TRUE(res.AddEntry(good, 0, "x", 1, false));
    }
    EXPECT_NE(RES_NameFault(""), nullptr);
    EXPECT_NE(RES_NameFault(std::string(256, 'n').c_str()), nullptr);
    EXPECT_EQ(res.EntryCount(), 4u);
}

} // namespace
