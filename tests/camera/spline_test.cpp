// Spline paths: the .spo reader and its refusals, travel, looping, speed and the two orders.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <string>
#include <unistd.h>

#include "camera/spline.h"
#include "camera/spo_bytes.h"
#include "data/resfile.h"
#include "data/rwops.h"

namespace {

const std::vector<VECTOR> kFour = {{0, 0, 0}, {2, 6, 1}, {7, -3, 4}, {10, 1, -2}};

int closes = 0;
int (*memoryClose)(VH_RWops*) = nullptr;
int countingClose(VH_RWops* rw) {
    ++closes;
    return memoryClose(rw);
}

// Parses the first `keep` bytes through a memory stream whose closes are counted; bytes past
// them must never be taken for the file. A refused stream is closed here, as its caller would.
PathControl3D* open(std::vector<std::uint8_t> bytes, int* count, size_t keep = SIZE_MAX) {
    const int size = int(std::min(keep, bytes.size()));
    bytes.resize(bytes.size() + 64, 0xAB);
    VH_RWops* rw = VH_RWFromMem(bytes.data(), size);
    memoryClose = rw->close;
    rw->close = countingClose;
    closes = 0;
    PathControl3D* paths = OpenPath3DFile(rw, count, true);
    EXPECT_EQ(closes, paths ? 1 : 0) << "a refused stream stays the caller's";
    if (!paths) rw->close(rw);
    return paths;
}

SpoRecord record(std::vector<VECTOR> points, std::int32_t k = 3, float endTime = 10.0f) {
    SpoRecord r;
    r.points = std::move(points);
    r.k = k;
    r.endTime = endTime;
    return r;
}

bool same(VECTOR a, VECTOR b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}
bool near(VECTOR a, VECTOR b, float tol = 1e-4f) {
    return std::fabs(a.x - b.x) <= tol && std::fabs(a.y - b.y) <= tol && std::fabs(a.z - b.z) <= tol;
}

// A one-path file loaded, moving and not looping.
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
    ASSERT_NE(none, nullptr) << "version 1.1 with no paths";
    EXPECT_EQ(count, 0);
    delete[] none;

    const SpoRecord good = record(kFour);
    auto with = [&](void (*damage)(SpoRecord&)) {
        SpoRecord bad = good;
        damage(bad);
        return SpoFile({good, bad});
    };
    const std::vector<std::uint8_t> two = SpoFile({good, good});
    const std::pair<const char*, std::vector<std::uint8_t>> refused[] = {
        {"version 1.2", SpoFile({}, 1, 2)},
        {"version 2.1", SpoFile({}, 2, 1)},
        {"magic", {'S', 'P', 'Q', 0, 1, 1, 0, 0}},
        {"seven bytes", {'S', 'P', 'O', 0, 1, 1, 0}},
        {"k 0", with([](SpoRecord& r) { r.k = 0; })},
        {"negative k", with([](SpoRecord& r) { r.k = INT_MIN; })},
        {"resolution 1", with([](SpoRecord& r) { r.resolution = 1; })},
        {"resolution past the limit", with([](SpoRecord& r) { r.resolution = SPL_MAX_RESOLUTION + 1; })},
        {"one point", with([](SpoRecord& r) { r.points.resize(1); })},
        {"negative point count", with([](SpoRecord& r) { r.claim = true, r.claimedPoints = INT_MIN; })},
        {"points past the end", with([](SpoRecord& r) { r.claim = true, r.claimedPoints = 5; })},
        {"a huge point count", with([](SpoRecord& r) { r.claim = true, r.claimedPoints = INT_MAX; })},
        {"negative trailing count", with([](SpoRecord& r) { r.trailing = -1; })},
        {"knot table overflow", with([](SpoRecord& r) { r.k = 96; })}, // 4 + 96 + 1 > 100
        {"a point that is not a number", with([](SpoRecord& r) { r.points[2].y = std::nanf(""); })},
        {"an infinite point", with([](SpoRecord& r) { r.points[1].x = INFINITY; })},
        {"a count beyond the records", SpoFile({good, good}, 1, 1, 3)},
        {"a count the file cannot hold", SpoFile({good}, 1, 1, 65535)},
        {"one byte short", std::vector<std::uint8_t>(two.begin(), two.end() - 1)},
    };
    for (const auto& [why, bytes] : refused) {
        count = -7;
        EXPECT_EQ(open(bytes, &count), nullptr) << why;
        EXPECT_EQ(count, -7) << why << ": count untouched";
    }
    std::vector<std::uint8_t> header(two.begin(), two.begin() + 8);
    VH_RWops* rw = VH_RWFromMem(header.data(), 8);
    EXPECT_EQ(OpenPath3DFile(rw, nullptr, true), nullptr);
    rw->close(rw);
    EXPECT_EQ(OpenPath3DFile(static_cast<VH_RWops*>(nullptr), &count, true), nullptr);

    SpoRecord widest = good; // the knot table filled exactly, at the finest measurement
    widest.k = 95;
    widest.resolution = SPL_MAX_RESOLUTION;
    PathControl3D* paths = open(SpoFile({widest}), &count);
    ASSERT_NE(paths, nullptr) << "4 + 95 + 1 = 100";
    paths[0].active = true;
    paths[0].Update(5.0);
    EXPECT_TRUE(same(paths[0].position, kFour[3])) << "too few points for the order: parked at the end";
    delete[] paths;
}

TEST(SpoFile, PathsLoadInactiveLoopingAtTheirFirstPoint) {
    SpoRecord line = record({{1, 2, 3}, {4, 6, 3}, {7, 10, 3}, {10, 14, 3}}, 3, 4.0f);
    line.trailing = 2; // skipped: the next record starts right after them
    line.startTime = 1.5f;
    SpoRecord second = record(kFour, 2);
    second.tag = -5;
    int count = 0;
    PathControl3D* paths = open(SpoFile({line, second}), &count);
    ASSERT_NE(paths, nullptr);
    ASSERT_EQ(count, 2);
    PathControl3D& p = paths[0];
    EXPECT_TRUE(p.tag == 0x1234 && p.k == 3 && p.resolution == 50 && p.points.size() == 4u);
    EXPECT_EQ(p.points.Capacity(), size_t(SPL_FIRST_CAPACITY));
    EXPECT_TRUE(!p.active && p.loop && !p.finished && p.time == 0.0f) << "the file's flags are replaced";
    EXPECT_TRUE(same(p.position, p.points[0]) && same(p.previousPosition, p.points[0]));
    EXPECT_TRUE(same(p.GetDirection(), VECTOR(3, 4, 0)));
    EXPECT_NEAR(p.length, 15.0, 1e-4) << "a straight control polygon measures end to end";
    EXPECT_FLOAT_EQ(p.speed, float(p.length / 2.5)) << "the file's speed is replaced";
    EXPECT_FLOAT_EQ(p.rate, 1.0f / 2500.0f);
    EXPECT_TRUE(paths[1].tag == -5 && paths[1].k == 2 && same(paths[1].points[3], kFour[3]));
    p.Update(1.0);
    EXPECT_TRUE(same(p.position, p.points[0]) && p.time == 0.0f) << "inactive until the caller starts it";
    delete[] paths;
}

// Four points and k 3: order 4 on these knots is one cubic Bezier curve from point 0 to point 3.
TEST(SplinePath, FourPointsRunFromFirstToLastAndLoop) {
    PathControl3D* paths = running(record(kFour));
    ASSERT_NE(paths, nullptr);
    PathControl3D& p = paths[0];
    p.loop = true;
    p.Update(0.0);
    EXPECT_TRUE(same(p.position, kFour[0]));
    for (int step = 1; step <= 9; ++step) {
        p.Update(1.0);
        VECTOR bezier;
        BezierPoint(&bezier, &kFour[0], &kFour[1], &kFour[2], &kFour[3], p.time);
        EXPECT_NEAR(p.time, step / 10.0f, 1e-5f);
        EXPECT_TRUE(near(p.position, bezier)) << "time " << p.time;
        EXPECT_TRUE(same(p.GetDirection(), p.position - p.previousPosition) && p.GetDirection().Length() > 0.1f);
    }
    p.Update(1.5);
    EXPECT_TRUE(same(p.position, kFour[3]) && !p.finished) << "ten seconds from start to end";
    p.Update(0.5);
    EXPECT_TRUE(same(p.position, kFour[0]) && p.time == 0.0f) << "the loop jumps back on the next update";
    EXPECT_TRUE(p.active && !p.finished);

    p.loop = false;
    p.SetSpeed(24.0f);
    const double seconds = p.length / 24.0;
    p.Update(seconds * 0.5);
    EXPECT_NEAR(p.time, 0.5f, 1e-4f);
    p.Update(seconds * 0.45);
    EXPECT_NEAR(p.time, 0.95f, 1e-4f);
    p.Update(seconds * 0.1);
    EXPECT_TRUE(same(p.position, kFour[3]));
    p.Update(0.1);
    EXPECT_TRUE(p.finished && !p.active && same(p.GetDirection(), VECTOR(0, 0, 0))) << "no loop: it ends";
    p.active = true;
    p.Update(0.1);
    EXPECT_TRUE(p.finished && !p.active && same(p.position, kFour[3])) << "started again, it ends at once";
    delete[] paths;
}

// k 1: the length is taken on the steps of order 1 (the points themselves), the travel on the
// lines of order 2 between them, so each order shows in a figure that needs no curve.
TEST(SplinePath, LengthAndTravelUseTheirOwnOrders) {
    SpoRecord r = record({{0, 0, 0}, {3, 4, 0}, {3, 4, 12}}, 1, 8.0f);
    r.resolution = 31;
    PathControl3D* paths = running(r);
    ASSERT_NE(paths, nullptr);
    EXPECT_NEAR(paths[0].length, 17.0, 1e-9) << "every point sampled: the polygon";
    paths[0].Update(2.0);
    EXPECT_TRUE(near(paths[0].position, VECTOR(1.5f, 2, 0), 1e-5f)) << "a quarter: halfway to point 1";
    paths[0].Update(2.0);
    EXPECT_TRUE(near(paths[0].position, VECTOR(3, 4, 0), 1e-5f));
    delete[] paths;

    r.resolution = 2; // one sample at point 0, then straight on to the last point
    paths = running(r);
    ASSERT_NE(paths, nullptr);
    EXPECT_NEAR(paths[0].length, 13.0, 1e-9);
    delete[] paths;
}

TEST(SplinePath, NoLengthOrNoDurationNeverGivesNaN) {
    SpoRecord still = record({{2, 2, 2}, {2, 2, 2}, {2, 2, 2}, {2, 2, 2}});
    SpoRecord instant = record(kFour, 3, 0.0f);
    for (const SpoRecord* r : {&still, &instant}) {
        PathControl3D* paths = running(*r);
        ASSERT_NE(paths, nullptr);
        PathControl3D& p = paths[0];
        if (r == &still) p.SetSpeed(24.0f); // no length: an infinite rate, like no duration in the file
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
    char buf[4096];
    const std::string old = getcwd(buf, sizeof buf) ? buf : "/tmp";
    char dir[] = "/tmp/vhspline.XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    ASSERT_EQ(chdir(dir), 0);
    int count = -7;
    EXPECT_EQ(OpenPath3DFile("flight.spo", &count), nullptr) << "no archive";
    const std::vector<std::uint8_t> file = SpoFile({record(kFour), record(kFour, 2)});
    const std::vector<std::uint8_t> broken = SpoFile({record(kFour)}, 1, 2);
    {
        CResFile res;
        ASSERT_TRUE(res.Open(RES_ARCHIVE_NAME, "w"));
        ASSERT_TRUE(res.AddEntry("before.bin", 0, "xxxx", 4, false));
        ASSERT_TRUE(res.AddEntry("Flight.spo", 0, file.data(), Uint32(file.size()), false));
        ASSERT_TRUE(res.AddEntry("broken.spo", 0, broken.data(), Uint32(broken.size()), false));
        ASSERT_TRUE(res.Commit());
    }
    PathControl3D* paths = OpenPath3DFile("FLIGHT.SPO", &count);
    ASSERT_NE(paths, nullptr) << "names match without regard to case";
    EXPECT_TRUE(count == 2 && same(paths[1].points[2], kFour[2]));
    delete[] paths;
    count = -7;
    EXPECT_EQ(OpenPath3DFile("missing.spo", &count), nullptr);
    EXPECT_EQ(OpenPath3DFile("broken.spo", &count), nullptr);
    EXPECT_EQ(count, -7);
    std::remove(RES_ARCHIVE_NAME);
    EXPECT_EQ(chdir(old.c_str()), 0);
    rmdir(dir);
}
