// vhcapture's tally of GL calls and allocations, linked into this test program as into the tool:
// what it counts inside a live GL context, and that it watches every GL entry point the engine names.
#include <gtest/gtest.h>

#include <GL/freeglut.h>
#include <GL/gl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <vector>

#include "support/dirs.h"
#include "support/gl_fixture.h"
#include "tally.h"

namespace {

// Every gl..., glu... and glut... name called anywhere in the engine's sources.
std::set<std::string> namesCalledInSources() {
    std::set<std::string> names;
    const std::regex call(R"(\b(glu?t?[A-Z][A-Za-z0-9]*)\s*\()");
    for (const auto& entry : std::filesystem::recursive_directory_iterator(std::string(VH_SOURCE_DIR) + "/src")) {
        const std::string ext = entry.path().extension().string();
        if (ext != ".cpp" && ext != ".h") continue;
        std::ifstream in(entry.path());
        std::stringstream text;
        text << in.rdbuf();
        const std::string s = text.str();
        for (std::sregex_iterator m(s.begin(), s.end(), call), end; m != end; ++m)
            names.insert((*m)[1]);
    }
    return names;
}

TEST(Tally, WatchesEveryGLEntryPointTheEngineCalls) {
    const std::set<std::string> names = namesCalledInSources();
    ASSERT_GT(names.size(), 50u) << "the scan found the engine's GL calls";
    for (const std::string& name : names)
        EXPECT_TRUE(CAP_Tallied(name.c_str())) << name << " is called by the engine but not counted by the tally";
    EXPECT_FALSE(CAP_Tallied("glNotAFunction"));
}

TEST(Tally, CountsGLCallsAndOnlyTheProgramsOwnAllocations) {
    VH_TestOpenWindow();
    CAP_TallyStart();

    CapTally before = CAP_Tally();
    glEnable(GL_BLEND);
    glDisable(GL_BLEND);
    CapTally after = CAP_Tally();
    EXPECT_EQ(after.glCalls - before.glCalls, 2);
    EXPECT_EQ(after.allocations, before.allocations);

    // The sphere routine is one call to GLUT but many to GL, all of which count; the vertex
    // arrays it allocates for itself are GLUT's, not ours.
    before = CAP_Tally();
    glutSolidSphere(1.0, 12, 12);
    after = CAP_Tally();
    EXPECT_GT(after.glCalls - before.glCalls, 3);
    EXPECT_EQ(after.allocations, before.allocations);

    // A texture upload: the driver copies the pixels into memory of its own.
    std::vector<unsigned char> pixels(256 * 256 * 3, 128);
    GLuint texture = 0;
    glGenTextures(1, &texture);
    before = CAP_Tally();
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 256, 256, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    after = CAP_Tally();
    EXPECT_EQ(after.glCalls - before.glCalls, 2);
    EXPECT_EQ(after.allocations, before.allocations);
    glDeleteTextures(1, &texture);

    if (!CAP_TallyCountsAllocations()) GTEST_SKIP() << "a sanitizer owns malloc in this build";
    before = CAP_Tally();
    std::unique_ptr<std::vector<int>> own(new std::vector<int>(1000));
    void* raw = std::malloc(64);
    raw = std::realloc(raw, 4096);
    after = CAP_Tally();
    EXPECT_EQ(after.allocations - before.allocations, 4) << "new twice (record and array), malloc and realloc";
    EXPECT_EQ(after.glCalls, before.glCalls);
    std::free(raw);
}

} // namespace
