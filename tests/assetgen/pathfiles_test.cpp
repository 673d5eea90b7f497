// Path file writers: they refuse paths the engine's readers would misread or overrun (the WED reader
// reads the accepted ones back in the loader tests).
#include <gtest/gtest.h>

#include <cmath>

#include "pathfiles.h"

TEST(PathFiles, SplinePathsTheReaderCannotFollowAreRefused) {
    SpoPath good = {3, 50, 0.0f, 10.0f, {{0, 0, 0}, {1, 2, 3}, {4, 5, 6}, {7, 8, 9}}};
    std::string fault;
    std::vector<Uint8> file = PATH_WriteSPO({good, good}, &fault);
    ASSERT_FALSE(file.empty()) << fault;
    EXPECT_EQ(std::string(file.begin(), file.begin() + 3), "SPO");
    EXPECT_EQ(file[4], 1);
    EXPECT_EQ(file[5], 1);
    EXPECT_EQ(file[6] | file[7] << 8, 2);

    std::vector<std::pair<const char*, SpoPath>> bad;
    SpoPath p = good;
    p.points.resize(3); // order k + 1 = 4 needs four points
    bad.push_back({"too few points for the order", p});
    p = good;
    p.k = 1;
    bad.push_back({"k below 2", p});
    p = good;
    p.points.assign(97, MkVec3{0, 0, 0}); // 97 + 3 + 1 > the reader's 100 knots
    bad.push_back({"overruns the knot table", p});
    p = good;
    p.resolution = 1; // the length measurement divides by resolution - 1
    bad.push_back({"resolution 1", p});
    p = good;
    p.endTime = p.startTime; // the reader divides by the duration
    bad.push_back({"no duration", p});
    p = good;
    p.points[2].y = std::nanf("");
    bad.push_back({"not a number", p});
    for (const auto& b : bad) {
        SCOPED_TRACE(b.first);
        fault.clear();
        EXPECT_TRUE(PATH_WriteSPO({good, b.second}, &fault).empty());
        EXPECT_NE(fault.find("path 1"), std::string::npos) << fault;
    }
    p = good;
    p.points.assign(96, MkVec3{0, 0, 0}); // exactly fills the knot table
    EXPECT_FALSE(PATH_WriteSPO({p}, &fault).empty());
}

TEST(PathFiles, FlatPathsTheReaderWouldCutAreRefused) {
    WedPath path = {2.5f, {{40, 300}, {200, 120}, {420, 400}, {600, 200}}};
    std::string fault;
    EXPECT_FALSE(PATH_WriteWED(std::string(31, 'n'), {path}, &fault).empty());
    EXPECT_TRUE(PATH_WriteWED(std::string(32, 'n'), {path}, &fault).empty()); // the name field holds 31 + NUL
    EXPECT_TRUE(PATH_WriteWED("empty", {}, &fault).empty());
    path.speed = std::nanf("");
    EXPECT_TRUE(PATH_WriteWED("nan", {path}, &fault).empty());
}
