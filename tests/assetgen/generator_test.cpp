// The generator as the build runs it: same bytes every run and one clear line for bad use; the
// loader tests read what it makes.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "assets.h"
#include "meshkit.h"
#include "picture.h"
#include "support/gl_fixture.h"

namespace {

struct Result {
    int status;
    std::string out;
};

Result run(const std::string& command) {
    Result r{-1, ""};
    FILE* p = popen((command + " 2>&1").c_str(), "r");
    if (!p) return r;
    char buf[512];
    while (fgets(buf, sizeof buf, p))
        r.out += buf;
    int status = pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

std::string slurp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

const std::string kGenerator = std::string(VH_BIN_DIR) + "/assetgen";

// One generated data folder for the tests of this file.
const std::string& generated() {
    static std::string dir;
    if (dir.empty()) {
        dir = VH_TestTempDir();
        Result r = run(kGenerator + " --out " + dir);
        if (r.status != 0) ADD_FAILURE() << r.out;
    }
    return dir;
}

} // namespace

TEST(Generator, SameBytesOnEveryRunOneProgressLineAndASoundArchive) {
    const std::string first = generated(), second = VH_TestTempDir();
    Result r = run(kGenerator + " --out " + second);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
    Result check = run(std::string(VH_BIN_DIR) + "/vhpack check " + first + "/vh_data.clu");
    EXPECT_EQ(check.status, 0) << check.out; // header, check value, directory and names
    for (const char* file : {"/vh_data.clu", "/credits.txt"}) {
        std::string a = slurp(first + file), b = slurp(second + file);
        ASSERT_FALSE(a.empty()) << file;
        EXPECT_TRUE(a == b) << file;
    }
}

TEST(Generator, BadUseGivesOneLineAndAFailingStatus) {
    Result r = run(kGenerator);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
    r = run(kGenerator + " --out /nonexistent/folder");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
    EXPECT_NE(r.out.find("/nonexistent/folder/vh_data.clu"), std::string::npos) << r.out;
}

TEST(Generator, SinkRefusesNamesTheArchiveOrTextureManagerCannotTell) {
    AssetSink sink;
    EXPECT_TRUE(sink.Add("Boat.3ds", {1, 2, 3}));
    EXPECT_FALSE(sink.Add("BOAT.3DS", {4})); // the archive matches names without regard to case
    EXPECT_NE(sink.Error().find("BOAT.3DS"), std::string::npos);
    EXPECT_FALSE(sink.Add(std::string(64, 'x'), {1}));
    EXPECT_FALSE(sink.Add("empty.bin", {}));
    AssetSink pictures;
    EXPECT_FALSE(pictures.AddBMP24("odd.bmp", AgImage(30, 8))); // rows would need padding the decoder skips
    EXPECT_NE(pictures.Error().find("odd.bmp\": cannot be written as a 24-bit BMP"), std::string::npos);
    MkModel broken;
    EXPECT_FALSE(sink.AddModel("broken.3ds", broken));
    ASSERT_EQ(sink.Entries().size(), 1u);
    EXPECT_NE(sink.Error().find("BOAT.3DS"), std::string::npos); // the first fault is kept
}
