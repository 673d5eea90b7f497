// scripts/test in a copy of the tree whose setup, build, sanitizer run, fuzz and virtual X server are
// stand-ins that write down how they were called, so its order and its options are seen
// without building or running anything for real.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>

#include "support/dirs.h"
#include "support/archive_bytes.h"
#include "support/gl_fixture.h"

namespace {
namespace fs = std::filesystem;

void writeScript(const std::string& path, const std::string& body) {
    std::ofstream(path) << "#!/bin/sh\n" << body;
    fs::permissions(path, fs::perms::owner_all);
}

struct Outcome {
    int status;
    std::string calls; // one line per stand-in called, in order
};

class TestScript : public ::testing::Test {
protected:
    void SetUp() override {
        root = VH_TestTempDir();
        fs::create_directories(root + "/scripts");
        fs::create_directories(root + "/build");
        fs::create_directories(root + "/bin");
        fs::copy_file(std::string(VH_SOURCE_DIR) + "/scripts/test", root + "/scripts/test");
        const std::string log = "echo \"$(basename \"$0\") $*\" >> '" + root + "/calls'\n";
        for (const char* name : {"setup", "build", "fuzz", "web"})
            writeScript(root + "/scripts/" + name, log);
        // The sanitizer run passes or fails as SANITIZE_STATUS says.
        writeScript(root + "/scripts/sanitize", log + "exit ${SANITIZE_STATUS:-0}\n");
        // The tests pass or fail as XVFB_STATUS says.
        writeScript(root + "/bin/xvfb-run", log + "exit ${XVFB_STATUS:-0}\n");
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
    Outcome run(const std::string& args, const std::string& env = "") {
        fs::remove(root + "/calls");
        const std::string cmd =
            env + " PATH='" + root + "/bin':\"$PATH\" '" + root + "/scripts/test' " + args + " >/dev/null 2>&1";
        const int raw = std::system(cmd.c_str());
        const Bytes calls = ReadFile(root + "/calls");
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, std::string(calls.begin(), calls.end())};
    }
    std::string root;
};

const std::string tests = "xvfb-run -a -s -screen 0 1280x1024x24 ctest --output-on-failure -j ";
} // namespace

TEST_F(TestScript, QuickLeavesOutTheSanitizersTheFuzzingAndTheBrowser) {
    // CI: the plain tests, then the sanitizer run, then the fuzz corpus replay, then the browser test.
    const Outcome plain = run("");
    EXPECT_EQ(plain.status, 0);
    EXPECT_EQ(plain.calls.rfind("setup \nbuild \n" + tests, 0), 0u) << plain.calls;
    const size_t sanitize = plain.calls.find("\nsanitize \n"), fuzz = plain.calls.find("\nfuzz --replay\n");
    EXPECT_NE(sanitize, std::string::npos) << plain.calls;
    EXPECT_NE(fuzz, std::string::npos) << plain.calls;
    EXPECT_LT(sanitize, fuzz);
    const size_t web = plain.calls.find("\nweb test\n");
    EXPECT_NE(web, std::string::npos) << plain.calls;
    EXPECT_LT(fuzz, web);

    const Outcome quick = run("--quick");
    EXPECT_EQ(quick.status, 0);
    EXPECT_EQ(quick.calls.rfind("setup \nbuild \n" + tests, 0), 0u) << quick.calls;
    EXPECT_EQ(quick.calls.find("fuzz"), std::string::npos) << quick.calls;
    EXPECT_EQ(quick.calls.find("sanitize"), std::string::npos) << quick.calls;
    EXPECT_EQ(quick.calls.find("web"), std::string::npos) << quick.calls;

    // A failing test still fails the quick run, and nothing runs after it.
    const Outcome failing = run("--quick", "XVFB_STATUS=8");
    EXPECT_NE(failing.status, 0);
    const Outcome failingFull = run("", "XVFB_STATUS=8");
    EXPECT_NE(failingFull.status, 0);
    EXPECT_EQ(failingFull.calls.find("fuzz"), std::string::npos) << failingFull.calls;
    EXPECT_EQ(failingFull.calls.find("sanitize"), std::string::npos) << failingFull.calls;
    // A sanitizer finding fails CI too.
    const Outcome sanitizerFinding = run("", "SANITIZE_STATUS=1");
    EXPECT_NE(sanitizerFinding.status, 0);
    EXPECT_EQ(sanitizerFinding.calls.find("fuzz"), std::string::npos) << sanitizerFinding.calls;

    // An unknown option is refused before anything is installed or built.
    const Outcome bad = run("--quik");
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.calls, "");
}
