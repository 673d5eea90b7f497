// vhpack run as a program: round trips, changes, damaged archives and usage errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <sstream>
#include <thread>
#include <tuple>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/dirs.h"
#include "core/version.h"
#include "model/chunks.h"
#include "support/archive_bytes.h"
#include "support/gl_fixture.h"
#include "support/picture_files.h"

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
        const int raw = std::system(
            (std::string(VH_BIN_DIR) + "/vhpack " + args + " >" + dir + "/.out 2>" + dir + "/.err").c_str());
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

    ASSERT_EQ(Run("extract %/a.clu -C %/all").status, 0);
    EXPECT_EQ(ReadFile(Path("all/noise.raw")), noise);
    EXPECT_TRUE(FileExists(Path("all/Empty.txt")));
    ASSERT_EQ(Run("extract %/a.clu HELLO.TXT -C %/one").status, 0);
    EXPECT_EQ(ReadFile(Path("one/hello.txt")), ToBytes("hello\n"));
    EXPECT_FALSE(FileExists(Path("one/noise.raw")));
    ExpectFault(Run("extract %/a.clu nope -C %/one"), "a.clu", "no entry named nope");

    // Two inputs with the same base name in different case cannot both be entries.
    ExpectFault(Run("create %/b.clu %/hello.txt %/one/HELLO.txt"), "one/HELLO.txt", "is given twice");
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

    // A name that extract would refuse is refused when added, in the same words.
    const Bytes last = ReadFile(Path("a.clu"));
    ExpectFault(Run("add %/a.clu %/new.txt --name ../evil.txt"), "a.clu",
                "entry name ../evil.txt is not a plain file name");
    // An archive never packs itself.
    ExpectFault(Run("create %/a.clu %/one.txt %/a.clu --force"), "a.clu", "is the archive itself");
    ExpectFault(Run("add %/a.clu %/./a.clu"), "./a.clu", "is the archive itself");
    EXPECT_EQ(ReadFile(Path("a.clu")), last);
}

TEST_F(Vhpack, CreateNeverReplacesAnArchiveOrMakesAnEmptyOneByAccident) {
    ASSERT_TRUE(WriteFile(Path("one.txt"), ToBytes("first")) && WriteFile(Path("two.txt"), ToBytes("second")));
    ASSERT_EQ(Run("create %/a.clu %/one.txt").status, 0);
    const Bytes first = LayOut({{"one.txt", ToBytes("first")}});
    ExpectFault(Run("create %/a.clu %/two.txt"), "a.clu", "exists; create replaces it only with --force");
    const Result none = Run("create %/a.clu");
    EXPECT_TRUE(none.status == 2 && none.err.find("--empty") != std::string::npos) << none.err;
    ExpectFault(Run("create %/a.clu --empty"), "a.clu", "exists");
    EXPECT_EQ(ReadFile(Path("a.clu")), first) << "a refused create leaves the archive alone";

    ASSERT_EQ(Run("create %/a.clu %/two.txt --force").status, 0);
    EXPECT_EQ(ReadFile(Path("a.clu")), LayOut({{"two.txt", ToBytes("second")}}));
    ASSERT_EQ(Run("create %/empty.clu --empty").status, 0);
    EXPECT_EQ(ReadFile(Path("empty.clu")), LayOut({}));
    EXPECT_EQ(Run("create %/none.clu").status, 2);
    EXPECT_FALSE(FileExists(Path("none.clu")));
}

TEST_F(Vhpack, ConcurrentAddsToOneArchiveTakeTurnsAndAllLand) {
    const std::string bin = std::string(VH_BIN_DIR) + "/vhpack ";
    std::string adds, want;
    for (int i = 0; i < 8; ++i) {
        const std::string name = "e" + std::to_string(i) + ".txt";
        ASSERT_TRUE(WriteFile(Path(name), ToBytes("entry " + std::to_string(i) + "\n")));
        adds += bin + "add " + Path("a.clu") + " " + Path(name) + " & ";
        want += name + "\n";
    }
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(WriteFile(Path("a.clu"), LayOut({{"first.txt", ToBytes("first\n")}})));
        // Every add says 0, and every one of them is in the archive afterwards.
        EXPECT_EQ(RunOutput("failed=0; " + adds +
                            "for p in $(jobs -p); do wait $p || failed=$((failed+1)); done; "
                            "echo $failed"),
                  "0\n");
        EXPECT_EQ(RunOutput(bin + "list " + Path("a.clu") +
                            " | awk 'NF == 4 && $4 != \"first.txt\" {print $4}' | "
                            "sort"),
                  want);
        EXPECT_EQ(RunOutput("ls -A " + dir + " | grep -c restemp"), "0\n");
        if (HasFailure()) break;
    }
}

// A writer stopped by SIGINT, SIGTERM or SIGHUP while it writes its new archive removes it:
// the old archive stays as it was and nothing is left beside it.
TEST_F(Vhpack, AStoppedWriteLeavesTheArchiveAsItWasAndNoTemporaryFile) {
    Bytes big(48 << 20);
    for (std::size_t i = 0; i < big.size(); i += 4096)
        big[i] = static_cast<std::uint8_t>(i >> 12);
    const Bytes old = LayOut({{"big.raw", big}});
    big.clear();
    ASSERT_TRUE(WriteFile(Path("small.txt"), ToBytes("small\n")));
    const auto temporaryFiles = [&] {
        int n = 0;
        for (const auto& f : std::filesystem::directory_iterator(dir))
            n += f.path().filename().string().find(".restemp-") != std::string::npos;
        return n;
    };
    const std::string vhpack = std::string(VH_BIN_DIR) + "/vhpack"; // made before the fork: the child only execs
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        bool caught = false; // the signal reached the command while its temporary file existed
        for (int attempt = 0; attempt < 5 && !caught; ++attempt) {
            ASSERT_TRUE(WriteFile(Path("a.clu"), old));
            const pid_t pid = fork();
            ASSERT_GE(pid, 0);
            if (pid == 0) {
                execl(vhpack.c_str(), "vhpack", "add", Path("a.clu").c_str(), Path("small.txt").c_str(),
                      static_cast<char*>(nullptr));
                _exit(127);
            }
            for (int i = 0; i < 20000 && temporaryFiles() == 0; ++i)
                usleep(100);
            kill(pid, signal);
            int status = 0;
            waitpid(pid, &status, 0);
            caught = WIFSIGNALED(status) && WTERMSIG(status) == signal;
            if (!caught) continue; // it finished first: the race is lost, try again
            EXPECT_EQ(temporaryFiles(), 0);
            EXPECT_TRUE(ReadFile(Path("a.clu")) == old);
        }
        EXPECT_TRUE(caught) << "the command never stood in its write when the signal came";
    }
}

TEST_F(Vhpack, AddRefusesWhatTheDemoCannotUseSayingWhyAndWhatToDo) {
    const Bytes wall = testpic::flatBmp(4, 4, 1, 2, 3);
    ASSERT_TRUE(WriteFile(Path("a.clu"), LayOut({{"wall.bmp", wall}})));
    const Bytes before = ReadFile(Path("a.clu"));
    const auto model = [](const std::string& map) {
        const TestObject quad = {"quad", {0, 0, 0, 1, 0, 0, 0, 0, 1}, {0, 1, 2}, {}, {"m"}};
        return Make3DS({{"m", map, {1, 2, 3}}}, {quad});
    };
    const std::tuple<std::string, Bytes, const char*> files[] = {
        {"photo.png", ToBytes("\x89PNG\r\n\x1a\n and the rest"),
         "the demo reads no .png entry; vhpack import converts it to a 24-bit BMP"},
        {"intro1.bmp", testpic::bmp(4, 4, 32, std::vector<Bytes>(4, Bytes(16, 7))),
         "32-bit BMP: the engine reads 8- and 24-bit uncompressed BMP; vhpack import converts it to a 24-bit BMP"},
        {"wide.bmp", testpic::flatBmp(640, 480, 1, 2, 3),
         "640 x 480 pixels: a texture's sides are powers of two from 2 to 2048; vhpack import converts it"},
        {"ship.obj", ToBytes("v 0 0 0\nf 1 1 1\n"), "the demo reads no .obj entry; vhpack import converts it to a 3DS model"},
        {"lone.3ds", model("gone.bmp"), "its texture map gone.bmp is not in the archive; vhpack import converts it to a 3DS model"},
        // A TGA under a .bmp name is drawn by the demo, which goes by the bytes; a model finds
        // its texture map among the files added with it.
        {"sky.bmp", testpic::tga(2, 2, 24, Bytes(12, 50)), nullptr},
        {"house.3ds", model("roof.bmp"), nullptr},
        {"roof.bmp", testpic::flatBmp(2, 2, 1, 2, 3), nullptr},
    };
    std::string all;
    for (const auto& [name, bytes, fault] : files) {
        ASSERT_TRUE(WriteFile(Path(name), bytes));
        all += " %/" + name;
    }
    Result r = Run("add %/a.clu" + all);
    EXPECT_EQ(r.status, 1);
    std::istringstream lines(r.err);
    for (const auto& [name, bytes, fault] : files) {
        if (!fault) continue;
        std::string line;
        std::getline(lines, line);
        EXPECT_EQ(line.rfind("vhpack: " + Path(name) + ": " + fault, 0), 0u) << "expected " << fault << "\n" << r.err;
        EXPECT_EQ(line.substr(line.size() - std::min<std::size_t>(line.size(), 28)), "(--force stores it as it is)");
    }
    EXPECT_TRUE(lines.peek() == EOF) << r.err;
    EXPECT_EQ(ReadFile(Path("a.clu")), before) << "nothing is added when one FILE is refused";

    r = Run("add %/a.clu %/sky.bmp %/house.3ds %/roof.bmp");
    EXPECT_TRUE(r.status == 0 && r.err.empty()) << r.err;
    r = Run("add %/a.clu %/photo.png --name intro2.bmp --force");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "vhpack: " + Path("photo.png") +
                         " (as intro2.bmp): a PNG picture: the engine reads BMP and TGA pictures; stored as it is "
                         "(--force)\n");
    ASSERT_EQ(Run("remove %/a.clu intro2.bmp").status, 0);
    r = Run("check %/a.clu --deep");
    EXPECT_EQ(r.out, "ok: 3 pictures, 1 model\n") << r.err;
}

TEST_F(Vhpack, ExtractKeepsExistingFilesUnlessForcedAndMakesItsFolder) {
    ASSERT_TRUE(WriteFile(Path("one.txt"), ToBytes("first")) && WriteFile(Path("two.txt"), ToBytes("second")) &&
                WriteFile(Path("three.txt"), ToBytes("third")) && WriteFile(Path("victim"), ToBytes("precious")));
    ASSERT_EQ(Run("create %/a.clu %/one.txt %/two.txt %/three.txt").status, 0);

    // A missing folder is made, parents and all.
    ASSERT_EQ(Run("extract %/a.clu -C %/out/deep").status, 0);
    EXPECT_EQ(ReadFile(Path("out/deep/two.txt")), ToBytes("second"));

    ASSERT_TRUE(WriteFile(Path("out/deep/one.txt"), ToBytes("mine")));
    ASSERT_EQ(unlink(Path("out/deep/two.txt").c_str()), 0);
    ASSERT_EQ(symlink("../../victim", Path("out/deep/two.txt").c_str()), 0);
    ASSERT_EQ(unlink(Path("out/deep/three.txt").c_str()), 0);
    Result r = Run("extract %/a.clu -C %/out/deep");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "vhpack: " + Path("out/deep/one.txt") + ": exists, kept (--force overwrites)\n" +
                         "vhpack: " + Path("out/deep/two.txt") + ": exists, kept (--force overwrites)\n");
    EXPECT_EQ(ReadFile(Path("out/deep/one.txt")), ToBytes("mine"));
    EXPECT_EQ(ReadFile(Path("out/deep/three.txt")), ToBytes("third")) << "the others are still extracted";
    EXPECT_EQ(ReadFile(Path("victim")), ToBytes("precious"));

    // --force overwrites, and replaces a link rather than writing through it.
    ASSERT_EQ(Run("extract %/a.clu --force -C %/out/deep").status, 0);
    EXPECT_EQ(ReadFile(Path("out/deep/one.txt")), ToBytes("first"));
    EXPECT_EQ(ReadFile(Path("out/deep/two.txt")), ToBytes("second"));
    EXPECT_FALSE(std::filesystem::is_symlink(Path("out/deep/two.txt")));
    EXPECT_EQ(ReadFile(Path("victim")), ToBytes("precious"));

    // A folder that cannot be made (a file stands in its path).
    ExpectFault(Run("extract %/a.clu -C %/one.txt/sub"), "one.txt/sub", "");
}

TEST_F(Vhpack, TwoCommitsAtOnceInOneFolderBothLandEveryTime) {
    // Entries large enough that the two writes overlap in time.
    Bytes bigA(1 << 20), bigB(1 << 20);
    for (std::size_t i = 0; i < bigA.size(); ++i) {
        bigA[i] = static_cast<std::uint8_t>(i * 13 + (i >> 9));
        bigB[i] = static_cast<std::uint8_t>(i * 7 + (i >> 11) + 1);
    }
    const TestEntry a = {"a.raw", bigA}, b = {"b.raw", bigB}, x = {"x.txt", ToBytes("the added file")},
                    path = {"boatpath.wed", ToBytes("a path")};
    ASSERT_TRUE(mkdir(Path("pair").c_str(), 0755) == 0 && WriteFile(Path("pair/x.txt"), x.data));
    const Bytes wantA = LayOut({a, x}), wantB = LayOut({b});
    const std::string bin = std::string(VH_BIN_DIR) + "/vhpack";
    for (int round = 0; round < 30; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(WriteFile(Path("pair/a.clu"), LayOut({a})) && WriteFile(Path("pair/b.clu"), LayOut({path, b})));
        // Both statuses, add's then remove's. Never a wrong success: a command that says 0 has
        // written exactly its change.
        EXPECT_EQ(RunOutput(bin + " add " + Path("pair/a.clu") + " " + Path("pair/x.txt") + " & " + bin + " remove " +
                            Path("pair/b.clu") + " boatpath.wed; r=$?; wait $!; echo $? $r"),
                  "0 0\n");
        EXPECT_TRUE(ReadFile(Path("pair/a.clu")) == wantA);
        EXPECT_TRUE(ReadFile(Path("pair/b.clu")) == wantB);
        EXPECT_EQ(Run("check %/pair/a.clu").out + Run("check %/pair/b.clu").out, "ok\nok\n");
        EXPECT_EQ(RunOutput("ls -A " + Path("pair")), "a.clu\nb.clu\nx.txt\n");
        if (HasFailure()) break;
    }
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
    ExpectFault(Run("extract %/escape.clu -C %/inner"), "escape.clu", "not a plain file name");
    EXPECT_FALSE(FileExists(Path("escaped.txt")));
    ExpectFault(Run("check %/escape.clu"), "escape.clu", "entry name ../escaped.txt is not a plain file name");

    // Nor may an entry overwrite the archive it is read from.
    const Bytes self = LayOut({{"self.clu", ToBytes("payload")}});
    ASSERT_TRUE(WriteFile(Path("self.clu"), self));
    ExpectFault(Run("extract %/self.clu -C %"), "self.clu", "archive itself");
    EXPECT_EQ(ReadFile(Path("self.clu")), self);
}

// The generated data with one broken entry of each kind planted among its good ones.
TEST_F(Vhpack, DeepCheckNamesEachEntryTheReadersRefuseAndWhy) {
    ASSERT_TRUE(WriteFile(Path("a.clu"), ReadFile(std::string(VH_RUN_DIR) + "/vh_data.clu")) &&
                WriteFile(Path("credits.txt"), ReadFile(std::string(VH_RUN_DIR) + "/credits.txt")));
    ASSERT_EQ(Run("add %/a.clu %/credits.txt").status, 0);
    // Every entry is read and counted: as many pictures and models as the listing names.
    const auto listed = [&](const std::string& pattern) {
        return std::stoi(
            RunOutput(std::string(VH_BIN_DIR) + "/vhpack list " + Path("a.clu") + " | grep -ciE '" + pattern + "'"));
    };
    const int pictures = listed("\\.(bmp|tga)$"), models = listed("\\.3ds$");
    Result r = Run("check %/a.clu --deep");
    EXPECT_TRUE(r.status == 0 && r.err.empty()) << r.err;
    EXPECT_EQ(r.out, "ok: " + std::to_string(pictures) + " pictures, " + std::to_string(models) +
                         " models, 6 fonts, 1 spline path file, 1 WED path file, 1 text file, 7 music tracks\n");
    ASSERT_GT(pictures * models, 0);

    ASSERT_EQ(Run("extract %/a.clu intro1.bmp house_one.3ds fnt8x8bgr.raw flyerpaths.spo -C %/real").status, 0);
    Bytes header = ReadFile(Path("real/intro1.bmp")), model = ReadFile(Path("real/house_one.3ds")),
          font = ReadFile(Path("real/fnt8x8bgr.raw")), spline = ReadFile(Path("real/flyerpaths.spo"));
    header[28] = 13; // bits per pixel
    model.resize(model.size() / 2);
    font.pop_back();
    spline[5] = 2; // version 1.2
    // Each planted entry with the start of its fault; notes.xyz has no reader and is only skipped.
    const std::tuple<std::string, Bytes, const char*> planted[] = {
        {"header.bmp", header, "a damaged BMP picture"},
        {"side.tga", testpic::tga(3, 4, 24, Bytes(3 * 4 * 3, 90)),
         "3 x 4 pixels: a texture's sides are powers of two from 2 to 2048"},
        {"fake.3ds", ToBytes("a model, honestly"), "not a 3DS model (no main chunk)"},
        {"cut.3ds", model, "a 3DS model cut short"},
        {"old.spo", spline, "spline path file version 1.2; the reader takes 1.1"},
        {"junk.wed", ToBytes("WED? no, just words in a file"), ""},
        {"nul.txt", ToBytes(std::string("one line\0two\n", 13)), "a NUL byte at offset 8: not text"},
        {"notes.xyz", ToBytes("\1\2\3 no reader"), nullptr},
        {"fnt8x8bgr.raw", font, "8191 bytes, short of the 8192 of a 32 x 4 mask of 8x8 cells"}, // replaces the good one
    };
    ASSERT_EQ(mkdir(Path("bad").c_str(), 0755), 0);
    std::string files;
    for (const auto& [name, bytes, fault] : planted) {
        ASSERT_TRUE(WriteFile(Path("bad/" + name), bytes));
        files += " %/bad/" + name;
    }
    ASSERT_EQ(Run("add %/a.clu" + files + " --replace --force").status, 0);
    r = Run("check %/a.clu --deep");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "skipped: notes.xyz (no reader for its type)\n");
    std::istringstream lines(r.err);
    for (const auto& [name, bytes, fault] : planted) {
        std::string line;
        if (fault) std::getline(lines, line);
        EXPECT_TRUE(!fault || line.rfind("vhpack: " + Path("a.clu") + ": " + name + ": " + fault, 0) == 0)
            << "expected " << name << ": " << fault << "\n"
            << r.err;
    }
    EXPECT_TRUE(lines.peek() == EOF) << r.err;

    // A model reads only with its texture maps beside it; a damaged container stops before any entry.
    ASSERT_TRUE(WriteFile(Path("alone.clu"), LayOut({{"house_one.3ds", ReadFile(Path("real/house_one.3ds"))}})));
    r = Run("check --deep %/alone.clu");
    ExpectFault(r, "alone.clu", "house_one.3ds: its texture map ");
    EXPECT_NE(r.err.find(" is not in the archive"), std::string::npos) << r.err;
    const Bytes whole = ReadFile(Path("alone.clu"));
    ASSERT_TRUE(WriteFile(Path("cut.clu"), Bytes(whole.begin(), whole.end() - 3)));
    ExpectFault(Run("check --deep %/cut.clu"), "cut.clu", "bad archive");
}

TEST_F(Vhpack, HelpAndVersionOnStdoutUsageErrorsExitWithTwo) {
    Result r = Run("--help");
    EXPECT_TRUE(r.status == 0 && r.out.find("usage: vhpack create ARCHIVE") != std::string::npos) << r.out;
    r = Run("--version");
    EXPECT_TRUE(r.status == 0 && r.err.empty()) << r.err;
    EXPECT_EQ(r.out, std::string("vhpack ") + VH_VERSION_TEXT + "\n");
    for (const char* command : {"create", "list", "add", "extract", "remove", "check"}) {
        SCOPED_TRACE(command);
        r = Run(std::string(command) + " --help");
        EXPECT_TRUE(r.status == 0 && r.err.empty()) << r.err;
        EXPECT_EQ(r.out.rfind(std::string("usage: vhpack ") + command + " ARCHIVE", 0), 0u) << r.out;
        EXPECT_EQ(r.out.find("usage: vhpack", 1), std::string::npos) << "only this command";
    }
    EXPECT_EQ(Run("add a.clu file --help").status, 0) << "wherever --help stands";
    for (const char* args : {"", "frobnicate x.clu", "list", "list a.clu b.clu", "check a.clu --replace", "add a.clu",
                             "remove a.clu", "extract a.clu -C", "add a.clu f --name", "check a.clu --deep b.clu"}) {
        SCOPED_TRACE(args);
        r = Run(args);
        EXPECT_TRUE(r.status == 2 && r.out.empty() && std::count(r.err.begin(), r.err.end(), '\n') == 1) << r.err;
    }
}

} // namespace
