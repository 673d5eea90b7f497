// vhpack run as a program: round trips, changes, damaged archives and usage errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <sys/wait.h>

#include "support/archive_bytes.h"
#include "support/gl_fixture.h"

namespace {

struct Result {
    int status = -1; // exit status, or -1 when the program did not exit normally (a crash)
    std::string out, err;
};

class Vhpack : public ::testing::Test {
protected:
    std::string dir = VH_TestTempDir();

    // "%" in args stands for the test's folder.
    Result Run(std::string args) {
        for (std::size_t at; (at = args.find('%')) != std::string::npos;)
            args.replace(at, 1, dir);
        const int raw = std::system((VH_BIN_DIR "/vhpack " + args + " >" + dir + "/.out 2>" + dir + "/.err").c_str());
        const Bytes out = ReadFile(dir + "/.out"), err = ReadFile(dir + "/.err");
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, {out.begin(), out.end()}, {err.begin(), err.end()}};
    }
    std::string Path(const std::string& name) const { return dir + "/" + name; }

    // One error line on stderr naming the file (in the test's folder), exit status 1.
    void ExpectFault(const Result& r, const std::string& name, const std::string& words) {
        const std::string file = Path(name);
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_EQ(r.err.rfind("vhpack: " + file + ": ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(words), std::string::npos) << "expected \"" << words << "\" in: " << r.err;
    }
};

TEST_F(Vhpack, CreateListExtractGiveBackTheSameBytes) {
    Bytes noise(3000);
    for (std::size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<std::uint8_t>((i * 131) ^ (i >> 3));
    ASSERT_TRUE(WriteFile(Path("noise.raw"), noise) && WriteFile(Path("Empty.txt"), Bytes()) &&
                WriteFile(Path("hello.txt"), ToBytes("hello\n")));

    Result r = Run("create %/a.clu %/noise.raw %/Empty.txt %/hello.txt");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(Path("a.clu")),
              LayOut({{"noise.raw", noise}, {"Empty.txt", Bytes()}, {"hello.txt", ToBytes("hello\n")}}));

    EXPECT_EQ(Run("list %/a.clu").out,
              "3000 20 0 noise.raw\n0 3020 0 Empty.txt\n6 3020 0 hello.txt\ntotal 3 entries, 3006 bytes\n");
    EXPECT_EQ(Run("check %/a.clu").out, "ok\n");

    ASSERT_EQ(std::system(("mkdir " + Path("all") + " " + Path("one")).c_str()), 0);
    ASSERT_EQ(Run("extract %/a.clu -C %/all").status, 0);
    EXPECT_EQ(ReadFile(Path("all/noise.raw")), noise);
    EXPECT_TRUE(FileExists(Path("all/Empty.txt")));
    ASSERT_EQ(Run("extract %/a.clu HELLO.TXT -C %/one").status, 0);
    EXPECT_EQ(ReadFile(Path("one/hello.txt")), ToBytes("hello\n"));
    EXPECT_FALSE(FileExists(Path("one/noise.raw")));
    ExpectFault(Run("extract %/a.clu nope -C %/one"), "a.clu", "no entry named nope");

    // Two inputs with the same base name in different case cannot both be entries.
    ExpectFault(Run("create %/b.clu %/hello.txt %/one/HELLO.txt"), "one/HELLO.txt", "");
    ExpectFault(Run("create %/b.clu %/missing.bin"), "missing.bin", "No such file");
    EXPECT_FALSE(FileExists(Path("b.clu")));
}

TEST_F(Vhpack, AddAndRemoveKeepTheOtherEntries) {
    ASSERT_TRUE(WriteFile(Path("one.txt"), ToBytes("first")) && WriteFile(Path("two.txt"), ToBytes("second")) &&
                WriteFile(Path("new.txt"), ToBytes("NEW")));
    ASSERT_EQ(Run("create %/a.clu %/one.txt %/two.txt").status, 0);
    const Bytes before = ReadFile(Path("a.clu"));
    ExpectFault(Run("add %/a.clu %/new.txt --name ONE.TXT"), "a.clu", "already exists");
    EXPECT_EQ(ReadFile(Path("a.clu")), before);
    EXPECT_EQ(Run("add %/a.clu %/new.txt %/one.txt --name x").status, 2);

    ASSERT_EQ(Run("add %/a.clu %/new.txt --name ONE.TXT --replace").status, 0);
    ASSERT_EQ(Run("add %/a.clu %/new.txt").status, 0);
    EXPECT_EQ(ReadFile(Path("a.clu")),
              LayOut({{"two.txt", ToBytes("second")}, {"ONE.TXT", ToBytes("NEW")}, {"new.txt", ToBytes("NEW")}}));

    const Bytes middle = ReadFile(Path("a.clu"));
    ExpectFault(Run("remove %/a.clu two.txt ghost"), "a.clu", "no entry named ghost");
    EXPECT_EQ(ReadFile(Path("a.clu")), middle) << "nothing is removed when one name is wrong";
    ASSERT_EQ(Run("remove %/a.clu TWO.txt new.TXT").status, 0);
    EXPECT_EQ(ReadFile(Path("a.clu")), LayOut({{"ONE.TXT", ToBytes("NEW")}}));
    EXPECT_FALSE(FileExists(Path("restemp.txt")));

    ExpectFault(Run("add %/none.clu %/new.txt"), "none.clu", "cannot be opened");
}

TEST_F(Vhpack, DamagedArchivesAreNamedNotCrashedOn) {
    const Bytes good = LayOut({{"a.bin", ToBytes("AAAA")}, {"b.bin", ToBytes("BBBBBB")}});
    // Each case: the good archive with one u32 changed (or cut, or lengthened), and the words expected.
    auto changed = [&](std::size_t at, std::uint32_t v, bool longer = false) {
        Bytes b = good;
        b.resize(b.size() + longer);
        Store32(b, at, v);
        return b;
    };
    const std::tuple<const char*, Bytes, const char*> cases[] = {
        {"truncated.clu", Bytes(good.begin(), good.end() - 5), "check value"},
        {"magic.clu", changed(0, 0x46534152u /* "RASF" */), "magic"},
        {"huge.clu", changed(8, 0x40000000u), "entry count"},
        {"version.clu", changed(4, 0x0200), "version"},
        {"outside.clu", changed(30 + 4, 29), "outside the data area"}, // 4 bytes from 29 reach the directory
        {"stray.clu", changed(12, ~std::uint32_t(good.size() + 1), true), "stray bytes"},
        {"twice.clu", LayOut({{"same.bin", ToBytes("1")}, {"SAME.bin", ToBytes("2")}}), "twice"},
        {"empty.clu", Bytes(), "header"},
    };
    for (const auto& [file, bytes, words] : cases) {
        ASSERT_TRUE(WriteFile(Path(file), bytes));
        ExpectFault(Run(std::string("check %/") + file), file, words);
    }
    // The structural faults stop every other command as well.
    for (const char* file : {"truncated.clu", "huge.clu", "outside.clu"}) {
        SCOPED_TRACE(file);
        ExpectFault(Run(std::string("list %/") + file), file, "");
        ExpectFault(Run(std::string("extract %/") + file + " -C %"), file, "");
        const Bytes kept = ReadFile(Path(file));
        ExpectFault(Run(std::string("remove %/") + file + " a.bin"), file, "");
        EXPECT_EQ(ReadFile(Path(file)), kept);
    }
    ExpectFault(Run("check %/absent.clu"), "absent.clu", "cannot be opened");

    // An entry whose name would leave the target folder is refused.
    ASSERT_TRUE(WriteFile(Path("escape.clu"), LayOut({{"../escaped.txt", ToBytes("x")}})));
    ASSERT_EQ(std::system(("mkdir " + Path("inner")).c_str()), 0);
    ExpectFault(Run("extract %/escape.clu -C %/inner"), "escape.clu", "not a plain file name");
    EXPECT_FALSE(FileExists(Path("escaped.txt")));

    // Nor may an entry overwrite the archive it is read from.
    const Bytes self = LayOut({{"self.clu", ToBytes("payload")}});
    ASSERT_TRUE(WriteFile(Path("self.clu"), self));
    ExpectFault(Run("extract %/self.clu -C %"), "self.clu", "archive itself");
    EXPECT_EQ(ReadFile(Path("self.clu")), self);
}

TEST_F(Vhpack, UsageErrorsExitWithTwo) {
    Result r = Run("--help");
    EXPECT_TRUE(r.status == 0 && r.out.find("usage: vhpack create ARCHIVE") != std::string::npos) << r.out;
    for (const char* args : {"", "frobnicate x.clu", "list", "list a.clu b.clu", "check a.clu --replace", "add a.clu",
                             "remove a.clu", "extract a.clu -C", "add a.clu f --name"}) {
        SCOPED_TRACE(args);
        r = Run(args);
        EXPECT_TRUE(r.status == 2 && r.out.empty() && std::count(r.err.begin(), r.err.end(), '\n') == 1) << r.err;
    }
}

} // namespace
