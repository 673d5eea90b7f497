// Commit's temporary file: other files in the folder, links, permission bits, and names that would
// leave the folder they are unpacked into.
#include <gtest/gtest.h>

#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "support/archive_bytes.h"
#include "data/resfile.h"
#include "support/gl_fixture.h"

namespace {

// One name a line, in byte order whatever the locale.
std::string FolderNames(const std::string& dir) {
    return RunOutput("LC_ALL=C ls -A " + dir);
}

// Permission bits, or -1 for anything that is not a regular file (a link included).
int RegularMode(const std::string& path) {
    struct stat info;
    if (lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
    return static_cast<int>(info.st_mode & 07777);
}

const TestEntry kOld = {"old.bin", ToBytes("old bytes"), 0};
const TestEntry kNew = {"new.bin", ToBytes("NEW"), 0};

// The writer once used "restemp.txt" beside the archive; whatever a user keeps under that name
// (a file, a read-only file, a link to another file) is theirs.
TEST(ArchiveCommit, LeavesFilesNamedLikeTheOldTemporaryAlone) {
    const mode_t mask = umask(0);
    umask(mask);
    for (int restempMode : {0644, 0444, -1 /* a link */}) {
        SCOPED_TRACE(restempMode);
        const std::string dir = VH_TestTempDir(), path = dir + "/a.clu", restemp = dir + "/restemp.txt";
        ASSERT_TRUE(WriteFile(dir + "/other.txt", ToBytes("someone else's file")));
        if (restempMode < 0)
            ASSERT_EQ(symlink("other.txt", restemp.c_str()), 0);
        else
            ASSERT_TRUE(WriteFile(restemp, ToBytes("my notes")) && chmod(restemp.c_str(), restempMode) == 0);
        const auto expectUntouched = [&] {
            EXPECT_EQ(ReadFile(dir + "/other.txt"), ToBytes("someone else's file"));
            EXPECT_EQ(RegularMode(restemp), restempMode);
            EXPECT_EQ(ReadFile(restemp), ToBytes(restempMode < 0 ? "someone else's file" : "my notes"));
        };

        // A new archive, the way the asset generator writes one.
        ASSERT_TRUE(WriteArchive(path.c_str(), {{kOld.name, kOld.data}}));
        EXPECT_EQ(ReadFile(path), LayOut({kOld}));
        EXPECT_EQ(RegularMode(path), static_cast<int>(0666 & ~mask));
        expectUntouched();

        // A change to an existing one, which keeps its own permission bits.
        ASSERT_EQ(chmod(path.c_str(), 0604), 0);
        CResFile res;
        ASSERT_TRUE(res.Open(path.c_str(), "r+"));
        ASSERT_TRUE(res.AddEntry(kNew.name.c_str(), 0, "NEW", 3, false));
        ASSERT_TRUE(res.Commit());
        res.Close();
        EXPECT_EQ(ReadFile(path), LayOut({kOld, kNew}));
        EXPECT_EQ(RegularMode(path), 0604);
        expectUntouched();
        EXPECT_EQ(FolderNames(dir), "a.clu\nother.txt\nrestemp.txt\n");
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
    EXPECT_EQ(FolderNames(dir + "/real"), "data.clu\n");

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
    EXPECT_EQ(FolderNames(dir), "dangling.clu\nlink.clu\npipe.clu\nreal\n");
    EXPECT_EQ(FolderNames(dir + "/real"), "data.clu\n");
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
