// Path writers refuse paths the readers would misread or overrun; the WED reader takes the rest back.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "camera/wedpath.h"
#include "data/rwops.h"
#include "pathfiles.h"

TEST(PathFiles, PathsTheReadersCannotFollowOrWouldCutAreRefusedTheRestReadBack) {
    const SpoPath good = {3, 50, 0.0f, 10.0f, {{0, 0, 0}, {1, 2, 3}, {4, 5, 6}, {7, 8, 9}}};
    std::string fault;
    std::vector<Uint8> file = PATH_WriteSPO({good, good}, &fault);
    ASSERT_FALSE(file.empty()) << fault;
    EXPECT_EQ(std::string(file.begin(), file.begin() + 3), "SPO");
    EXPECT_TRUE(file[4] == 1 && file[5] == 1 && (file[6] | file[7] << 8) == 2);
    const std::pair<const char*, std::function<void(SpoPath&)>> bad[] = {
        {"too few points for the order", [](SpoPath& p) { p.points.resize(3); }}, // order k + 1 = 4
        {"k below 2", [](SpoPath& p) { p.k = 1; }},
        {"overruns the knot table",
         [](SpoPath& p) {
             p.points.assign(97, MkVec3{0, 0, 0});
         }},                                                    // 97 + 3 + 1 > 100
        {"resolution 1", [](SpoPath& p) { p.resolution = 1; }}, // the length divides by resolution - 1
        {"no duration", [](SpoPath& p) { p.endTime = p.startTime; }},
        {"not a number", [](SpoPath& p) { p.points[2].y = std::nanf(""); }},
    };
    for (const auto& b : bad) {
        SCOPED_TRACE(b.first);
        SpoPath p = good;
        b.second(p);
        fault.clear();
        EXPECT_TRUE(PATH_WriteSPO({good, p}, &fault).empty());
        EXPECT_NE(fault.find("path 1"), std::string::npos) << fault;
    }
    SpoPath full = good;
    full.points.assign(96, MkVec3{0, 0, 0}); // exactly fills the knot table
    EXPECT_FALSE(PATH_WriteSPO({full}, &fault).empty());

    // a name of 31 letters and two paths, read back by the engine: the canvas edges are +-1
    WedPath path = {2.5f, {{0, 480}, {160, 120}, {480, 360}, {640, 0}}};
    file = PATH_WriteWED(std::string(31, 'n'), {path, path}, &fault);
    int count = 0;
    PathControl* paths = OpenWEDFile(VH_RWFromMem(file.data(), int(file.size())), &count, true);
    ASSERT_TRUE(paths && count == 2);
    EXPECT_TRUE(paths[1].name == std::string(31, 'n') && paths[1].speed == 2.5f);
    const float expected[4][2] = {{-1, 1}, {-0.5f, -0.5f}, {0.5f, 0.5f}, {1, -1}};
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(paths[1].points[i].x == expected[i][0] && paths[1].points[i].z == expected[i][1]) << i;
    delete[] paths;
    EXPECT_TRUE(PATH_WriteWED(std::string(32, 'n'), {path}, &fault).empty()); // the name field holds 31 + NUL
    EXPECT_TRUE(PATH_WriteWED("empty", {}, &fault).empty());
    path.speed = std::nanf("");
    EXPECT_TRUE(PATH_WriteWED("nan", {path}, &fault).empty());
}
