// Spline paths: the .spo reader and its refusals, travel, looping, speed and the two orders.
#include <gtest/gtest.h>

#include <cmath>
#include <unistd.h>

#include "camera/spline.h"
#include "camera/spo_bytes.h"
#include "data/rwops.h"
#include "support/archive_bytes.h"
#include "support/gl_fixture.h"

namespace {

const std::vector<VECTOR> kFour = {{0, 0, 0}, {2, 6, 1}, {7, -3, 4}, {10, 1, -2}};
int closes = 0;
int (*memoryClose)(VH_RWops*) = nullptr;

// Parses bytes through a memory stream with guard bytes past its end; a refused stream stays the caller's.
PathControl3D* open(std::vector<std::uint8_t> bytes, int* count) {
    const int size = int(bytes.size());
    bytes.resize(bytes.size() + 64, 0xAB);
    VH_RWops* rw = VH_RWFromMem(bytes.data(), size);
    memoryClose = rw->close;
    rw->close = [](VH_RWops* s) { return ++closes, memoryClose(s); };
    closes = 0;
    PathControl3D* paths = OpenPath3DFile(rw, count, true);
    EXPECT_EQ(closes, paths ? 1 : 0);
    if (!paths) rw->close(rw);
    return paths;
}

bool same(VECTOR a, VECTOR b, float tol = 0.0f) {
    return std::fabs(a.x - b.x) <= tol && std::fabs(a.y - b.y) <= tol && std::fabs(a.z - b.z) <= tol;
}

// A one-path file loaded, then started without looping.
PathControl3D* running(const SpoRecord& r) {
    int count = 0;
    PathControl3D* paths = open(SpoFile({r}), &count);
    if (paths) paths[0].active = true, paths[0].loop = false;
    return paths;
}

} // namespace

TEST(SpoFile, HeaderAndEveryDamagedPathAreRefusedWhole) {
    int count = -7;
    PathControl3D* none = open(SpoFile({}), &count);
    EXPECT_TRUE(none && count == 0) << "version 1.1 with no paths";
    delete[] none;

    std::vector<std::uint8_t> two = SpoFile({{kFour}, {kFour}});
    auto patched = [&](size_t at, std::uint32_t v) { // a field of the second record, after 8 + 50 + 4 * 12 bytes
        std::vector<std::uint8_t> bytes = two;
        for (int i = 0; i < 4; ++i)
            bytes[106 + at + i] = std::uint8_t(v >> (8 * i));
        return bytes;
    };
    const std::pair<const char*, std::vector<std::uint8_t>> refused[] = {
        {"version 1.2", SpoFile({}, 1, 2)},
        {"version 2.1", SpoFile({}, 2, 1)},
        {"magic", {'S', 'P', 'Q', 0, 1, 1, 0, 0}},
        {"k 0", patched(4, 0)},
        {"knot table overflow", patched(4, 96)}, // 4 + 96 + 1 > 100
        {"resolution 1", patched(8, 1)},
        {"resolution past the limit", patched(8, SPL_MAX_RESOLUTION + 1)},
        {"resolution 2,000,000", patched(8, 2000000)},
        {"one point", patched(42, 1)},
        {"points past the end", patched(42, 5)},
        {"an infinite point", patched(50 + 12, SpoBits(INFINITY))},
        {"a point that is not a number", patched(50 + 28, SpoBits(std::nanf("")))},
        {"one byte short", std::vector<std::uint8_t>(two.begin(), two.end() - 1)},
    };
    count = -7;
    for (const auto& [why, bytes] : refused) {
        EXPECT_EQ(open(bytes, &count), nullptr) << why;
        EXPECT_EQ(count, -7) << why << ": count untouched";
    }
    VH_RWops* rw = VH_RWFromMem(two.data(), int(two.size()));
    EXPECT_EQ(OpenPath3DFile(rw, nullptr, true), nullptr);
    rw->close(rw);
    EXPECT_EQ(OpenPath3DFile(static_cast<VH_RWops*>(nullptr), &count, true), nullptr);

    PathControl3D* paths = running({kFour, 95, 10.0f, 0.0f, 4096}); // 4 + 95 + 1: the table filled
    ASSERT_NE(paths, nullptr);
    paths[0].Update(5.0);
    EXPECT_TRUE(same(paths[0].position, kFour[3])) << "too few points for the order: parked at the end";
    delete[] paths;
}

TEST(SpoFile, PathsLoadInactiveLoopingAtTheirFirstPoint) {
    SpoRecord line = {{{1, 2, 3}, {4, 6, 3}, {7, 10, 3}, {10, 14, 3}}, 3, 4.0f, 1.5f};
    line.trailing = 2; // skipped: the next record starts right after them
    int count = 0;
    PathControl3D* paths = open(SpoFile({line, {kFour, 2, 10.0f, 0.0f, 50, -5}}), &count);
    ASSERT_TRUE(paths && count == 2);
    PathControl3D& p = paths[0];
    EXPECT_TRUE(p.tag == 0x1234 && p.k == 3 && p.resolution == 50 && p.points.size() == 4u);
    EXPECT_TRUE(!p.active && p.loop && !p.finished && p.time == 0.0f) << "the file's flags are replaced";
    EXPECT_TRUE(same(p.position, p.points[0]) && same(p.GetDirection(), VECTOR(3, 4, 0)));
    EXPECT_NEAR(p.length, 15.0, 1e-4) << "a straight control polygon measures end to end";
    EXPECT_FLOAT_EQ(p.speed, float(p.length / 2.5)) << "the file's speed is replaced by its duration's";
    EXPECT_TRUE(paths[1].tag == -5 && paths[1].k == 2 && same(paths[1].points[3], kFour[3]));
    p.Update(1.0);
    EXPECT_TRUE(same(p.position, p.points[0]) && p.time == 0.0f) << "inactive until the caller starts it";
    delete[] paths;
}

TEST(SpoFile, NegativeTrailingCountsReadNothingAndFineResolutionsLoadAndMove) {
    SpoRecord none = {kFour, 3, 10.0f, 0.0f, 50};
    none.trailing = -1; // the count's bytes are all ones; no record follows the points
    const SpoRecord fine = {kFour, 3, 10.0f, 0.0f, 100000};
    int count = 0;
    PathControl3D* paths = open(SpoFile({none, fine}), &count);
    ASSERT_TRUE(paths && count == 2);
    EXPECT_TRUE(paths[1].resolution == 100000 && same(paths[1].points[3], kFour[3])) << "read right after the points";
    // The finer sampling measures a little more of the same curve, never nothing.
    EXPECT_GT(paths[1].length, paths[0].length);
    EXPECT_LT(paths[1].length, paths[0].length * 1.01);
    EXPECT_EQ(paths[1].MeasureLength(), paths[1].length);
    for (int i = 0; i < 2; ++i) {
        PathControl3D& p = paths[i];
        p.active = true, p.loop = false;
        p.Update(4.0);
        EXPECT_FALSE(same(p.position, kFour[0], 0.5f) || same(p.position, kFour[3], 0.5f)) << i << ": under way";
        p.Update(4.0), p.Update(4.0);
        EXPECT_TRUE(same(p.position, kFour[3])) << i << ": at the end after its 10 s";
        p.Update(0.1);
        EXPECT_TRUE(p.finished && !p.active) << i;
    }
    delete[] paths;
}

// Four points and k 3: travel of order 4 on these knots is one cubic Bezier curve from point 0 to point 3.
TEST(SplinePath, FourPointsRunFromFirstToLastLoopAndEnd) {
    PathControl3D* paths = running({kFour});
    ASSERT_NE(paths, nullptr);
    PathControl3D& p = paths[0];
    p.loop = true;
    for (int step = 1; step <= 9; ++step) {
        const VECTOR before = p.position;
        p.Update(1.0);
        VECTOR bezier;
        BezierPoint(&bezier, &kFour[0], &kFour[1], &kFour[2], &kFour[3], p.time);
        EXPECT_NEAR(p.time, step / 10.0f, 1e-5f);
        EXPECT_TRUE(same(p.position, bezier, 1e-4f)) << "time " << p.time;
        EXPECT_TRUE(same(p.GetDirection(), p.position - before) && p.GetDirection().Length() > 0.1f);
    }
    p.Update(1.5);
    EXPECT_TRUE(same(p.position, kFour[3]) && !p.finished) << "ten seconds from start to end";
    p.Update(0.5);
    EXPECT_TRUE(same(p.position, kFour[0]) && p.time == 0.0f && p.active && !p.finished) << "the loop jumps back";

    p.loop = false;
    p.SetSpeed(24.0f);
    p.Update(p.length / 24.0 * 0.5);
    EXPECT_NEAR(p.time, 0.5f, 1e-4f);
    p.Update(p.length / 24.0 * 0.6);
    EXPECT_TRUE(same(p.position, kFour[3]));
    p.Update(0.1);
    EXPECT_TRUE(p.finished && !p.active && same(p.GetDirection(), VECTOR(0, 0, 0))) << "no loop: it ends";
    delete[] paths;
}

// k 1: the length is taken on the steps of order 1 (the points themselves), the travel on the
// lines of order 2 between them, so each order shows in a figure that needs no curve.
TEST(SplinePath, LengthAndTravelUseTheirOwnOrders) {
    for (int resolution : {31, 2}) { // 31 samples every point; 2 only point 0, then on to the last point
        PathControl3D* paths = running({{{0, 0, 0}, {3, 4, 0}, {3, 4, 12}}, 1, 8.0f, 0.0f, resolution});
        ASSERT_NE(paths, nullptr);
        EXPECT_NEAR(paths[0].length, resolution == 31 ? 17.0 : 13.0, 1e-9);
        paths[0].Update(2.0);
        EXPECT_TRUE(same(paths[0].position, VECTOR(1.5f, 2, 0), 1e-5f)) << "a quarter: halfway to point 1";
        paths[0].Update(2.0);
        EXPECT_TRUE(same(paths[0].position, VECTOR(3, 4, 0), 1e-5f));
        delete[] paths;
    }
}

TEST(SplinePath, NoLengthOrNoDurationNeverGivesNaN) {
    for (const SpoRecord& r : {SpoRecord{{{2, 2, 2}, {2, 2, 2}, {2, 2, 2}, {2, 2, 2}}}, SpoRecord{kFour, 3, 0.0f}}) {
        PathControl3D* paths = running(r);
        ASSERT_NE(paths, nullptr);
        PathControl3D& p = paths[0];
        if (r.endTime > 0) p.SetSpeed(24.0f); // no length: an infinite rate, like no duration in the file
        p.Update(0.0);
        EXPECT_TRUE(!std::isnan(p.time) && same(p.position, p.points[0]));
        p.Update(0.02);
        EXPECT_TRUE(same(p.position, p.points[3])) << "one update covers a path of no duration";
        p.Update(0.02);
        EXPECT_TRUE(p.finished && std::isfinite(p.GetDirection().x));
        delete[] paths;
    }
    PathControl3D blank; // never loaded: nothing to move along
    blank.active = true;
    blank.SetSpeed(3.0f);
    blank.Update(1.0);
    EXPECT_TRUE(blank.length == 0.0 && same(blank.position, VECTOR(0, 0, 0)));
}

TEST(SpoFile, ByNameFromTheDemoArchive) {
    ASSERT_EQ(chdir(VH_TestTempDir().c_str()), 0); // nothing else in this program minds the folder
    int count = -7;
    EXPECT_EQ(OpenPath3DFile("flight.spo", &count), nullptr) << "no archive";
    ASSERT_TRUE(WriteArchive(
        RES_ARCHIVE_NAME, {{"Flight.spo", SpoFile({{kFour}, {kFour, 2}})}, {"broken.spo", SpoFile({{kFour}}, 1, 2)}}));
    EXPECT_EQ(OpenPath3DFile("missing.spo", &count), nullptr);
    EXPECT_EQ(OpenPath3DFile("broken.spo", &count), nullptr);
    PathControl3D* paths = OpenPath3DFile("FLIGHT.SPO", &count);
    ASSERT_NE(paths, nullptr) << "names match without regard to case";
    EXPECT_TRUE(count == 2 && same(paths[1].points[2], kFour[2]));
    delete[] paths;
}
