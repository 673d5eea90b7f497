// Spline paths: the .spo reader and its refusals, the curve's shape, travel, looping and speed.
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
PathControl3D* open(std::vector<std::uint8_t> bytes, int* count, size_t keep = SIZE_MAX, int* closed = nullptr) {
    const int size = int(std::min(keep, bytes.size()));
    bytes.resize(bytes.size() + 64, 0xAB);
    VH_RWops* rw = VH_RWFromMem(bytes.data(), size);
    memoryClose = rw->close;
    rw->close = countingClose;
    closes = 0;
    PathControl3D* paths = OpenPath3DFile(rw, count, true);
    if (closed) *closed = closes;
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

::testing::AssertionResult near(VECTOR got, VECTOR want, float tol = 1e-4f) {
    if (std::fabs(got.x - want.x) <= tol && std::fabs(got.y - want.y) <= tol && std::fabs(got.z - want.z) <= tol)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << got.x << ", " << got.y << ", " << got.z << ") is not (" << want.x
                                         << ", " << want.y << ", " << want.z << ")";
}
bool same(VECTOR a, VECTOR b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

// A loaded path set moving, not looping.
PathControl3D* running(const SpoRecord& r) {
    int count = 0;
    PathControl3D* paths = open(SpoFile({r}), &count);
    if (paths) paths[0].active = true, paths[0].loop = false;
    return paths;
}

} // namespace

TEST(SpoFile, HeaderVersionAndEmptyFile) {
    int count = -7, closed = -1;
    PathControl3D* none = open(SpoFile({}), &count, SIZE_MAX, &closed);
    ASSERT_NE(none, nullptr) << "version 1.1 with no paths";
    EXPECT_EQ(count, 0);
    EXPECT_EQ(closed, 1) << "a parsed stream is closed when asked";
    delete[] none;

    const struct {
        const char* why;
        std::vector<std::uint8_t> bytes;
    } refused[] = {
        {"version 1.2", SpoFile({}, 1, 2)},
        {"version 2.1", SpoFile({}, 2, 1)},
        {"magic", {'S', 'P', 'Q', 0, 1, 1, 0, 0}},
        {"seven bytes", {'S', 'P', 'O', 0, 1, 1, 0}},
    };
    for (const auto& c : refused) {
        count = -7;
        EXPECT_EQ(open(c.bytes, &count, SIZE_MAX, &closed), nullptr) << c.why;
        EXPECT_EQ(count, -7) << c.why;
        EXPECT_EQ(closed, 0) << c.why << ": a refused stream stays the caller's";
    }
    std::vector<std::uint8_t> empty = SpoFile({});
    EXPECT_EQ(OpenPath3DFile(VH_RWFromMem(empty.data(), int(empty.size())), nullptr, true), nullptr);
    EXPECT_EQ(OpenPath3DFile(static_cast<VH_RWops*>(nullptr), &count, true), nullptr);
}

TEST(SpoFile, PathsLoadInactiveLoopingAtTheirFirstPoint) {
    SpoRecord line = record({{1, 2, 3}, {4, 6, 3}, {7, 10, 3}, {10, 14, 3}}, 3, 4.0f);
    line.trailing = 2; // skipped: the next record must start right after them
    line.startTime = 1.5f;
    SpoRecord second = record(kFour, 2);
    second.tag = -5;
    int count = 0;
    PathControl3D* paths = open(SpoFile({line, second}), &count);
    ASSERT_NE(paths, nullptr);
    ASSERT_EQ(count, 2);
    const PathControl3D& p = paths[0];
    EXPECT_EQ(p.tag, 0x1234);
    EXPECT_EQ(p.k, 3);
    EXPECT_EQ(p.resolution, 50);
    EXPECT_EQ(p.points.size(), 4u);
    EXPECT_EQ(p.points.Capacity(), size_t(SPL_FIRST_CAPACITY));
    EXPECT_TRUE(!p.active && p.loop && !p.finished) << "the file's flags are replaced";
    EXPECT_EQ(p.time, 0.0f);
    EXPECT_TRUE(same(p.position, p.points[0]) && same(p.previousPosition, p.points[0]));
    EXPECT_TRUE(same(p.GetDirection(), VECTOR(3, 4, 0)));
    EXPECT_NEAR(p.length, 15.0, 1e-4) << "a straight control polygon measures its end-to-end distance";
    EXPECT_FLOAT_EQ(p.speed, float(p.length / 2.5)) << "the file's speed is replaced";
    EXPECT_FLOAT_EQ(p.rate, 1.0f / 2500.0f);
    EXPECT_EQ(paths[1].tag, -5);
    EXPECT_EQ(paths[1].k, 2);
    EXPECT_TRUE(same(paths[1].points[3], kFour[3]));

    PathControl3D& q = paths[1];
    const VECTOR before = q.position;
    q.Update(1.0);
    EXPECT_TRUE(same(q.position, before) && q.time == 0.0f) << "a loaded path does not move until made active";
    delete[] paths;
}

TEST(SpoFile, DamagedPathsAreRefusedWhole) {
    const SpoRecord good = record(kFour);
    const struct {
        const char* why;
        void (*damage)(SpoRecord&);
    } cases[] = {
        {"k 0", [](SpoRecord& r) { r.k = 0; }},
        {"negative k", [](SpoRecord& r) { r.k = INT_MIN; }},
        {"resolution 1", [](SpoRecord& r) { r.resolution = 1; }},
        {"resolution above the limit", [](SpoRecord& r) { r.resolution = SPL_MAX_RESOLUTION + 1; }},
        {"one point", [](SpoRecord& r) { r.points.resize(1); }},
        {"negative point count", [](SpoRecord& r) { r.claim = true, r.claimedPoints = INT_MIN; }},
        {"more points than the file holds", [](SpoRecord& r) { r.claim = true, r.claimedPoints = 5; }},
        {"a huge point count", [](SpoRecord& r) { r.claim = true, r.claimedPoints = INT_MAX; }},
        {"negative trailing count", [](SpoRecord& r) { r.trailing = -1; }},
        {"knot table overflow", [](SpoRecord& r) { r.k = 97; }}, // 4 + 97 + 1 > 100
        {"a point that is not a number", [](SpoRecord& r) { r.points[2].y = std::nanf(""); }},
        {"an infinite point", [](SpoRecord& r) { r.points[1].x = INFINITY; }},
    };
    int count = -7, closed = -1;
    for (const auto& c : cases) {
        SpoRecord bad = good;
        c.damage(bad);
        EXPECT_EQ(open(SpoFile({good, bad}), &count, SIZE_MAX, &closed), nullptr) << c.why;
        EXPECT_EQ(closed, 0) << c.why;
    }
    const std::vector<std::uint8_t> two = SpoFile({good, good});
    EXPECT_EQ(open(two, &count, two.size() - 1), nullptr) << "one byte short";
    EXPECT_EQ(open(SpoFile({good, good}, 1, 1, 3), &count), nullptr) << "a count beyond the records";
    EXPECT_EQ(open(SpoFile({good}, 1, 1, 65535), &count), nullptr) << "a count the file cannot hold";
    EXPECT_EQ(count, -7);

    SpoRecord widest = good; // the largest path the knot table takes, at the finest measurement
    widest.k = 2;
    widest.resolution = SPL_MAX_RESOLUTION;
    for (int i = 0; widest.points.size() < 97; ++i)
        widest.points.push_back(VECTOR(float(i), float(i % 3), 0));
    PathControl3D* paths = open(SpoFile({widest}), &count);
    ASSERT_NE(paths, nullptr) << "97 points + k 2 + 1 fill the table exactly";
    EXPECT_EQ(paths[0].points.size(), 97u);
    EXPECT_GT(paths[0].points.Capacity(), size_t(SPL_FIRST_CAPACITY));
    paths[0].active = true;
    paths[0].Update(5.0);
    EXPECT_TRUE(std::isfinite(paths[0].position.x) && paths[0].position.x > 0.0f);
    delete[] paths;
}

// The four-point path of order 4 (k 3) is one cubic Bezier curve from point 0 to point 3.
TEST(SplinePath, FourPointsRunFromFirstToLastAndLoop) {
    PathControl3D* paths = running(record(kFour));
    ASSERT_NE(paths, nullptr);
    PathControl3D& p = paths[0];
    p.loop = true;
    p.Update(0.0);
    EXPECT_TRUE(near(p.position, kFour[0]));
    for (int step = 1; step <= 9; ++step) {
        p.Update(1.0);
        VECTOR bezier;
        BezierPoint(&bezier, &kFour[0], &kFour[1], &kFour[2], &kFour[3], p.time);
        EXPECT_NEAR(p.time, step / 10.0f, 1e-5f);
        EXPECT_TRUE(near(p.position, bezier)) << "time " << p.time;
        EXPECT_TRUE(same(p.GetDirection(), p.position - p.previousPosition));
        EXPECT_GT(p.GetDirection().Length(), 0.1f);
    }
    EXPECT_FALSE(near(p.position, kFour[3], 0.01f)) << "nine of the ten seconds";
    p.Update(1.5);
    EXPECT_TRUE(same(p.position, kFour[3])) << "at or past time 1 the last point";
    EXPECT_FALSE(p.finished);
    p.Update(0.5);
    EXPECT_TRUE(same(p.position, kFour[0]) && p.time == 0.0f) << "the loop jumps back on the next update";
    EXPECT_TRUE(p.active && !p.finished);

    p.loop = false;
    p.SetSpeed(24.0f);
    const double seconds = p.length / 24.0;
    EXPECT_GT(seconds, 0.1);
    p.Update(seconds * 0.5);
    EXPECT_NEAR(p.time, 0.5f, 1e-4f);
    p.Update(seconds * 0.45);
    EXPECT_NEAR(p.time, 0.95f, 1e-4f);
    p.Update(seconds * 0.1);
    EXPECT_TRUE(same(p.position, kFour[3]));
    p.Update(0.1);
    EXPECT_TRUE(p.finished && !p.active) << "a path that does not loop ends";
    EXPECT_TRUE(same(p.position, kFour[3]) && same(p.GetDirection(), VECTOR(0, 0, 0)));
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

    r.resolution = 2; // one sample at point 0, then straight to the last point
    paths = running(r);
    ASSERT_NE(paths, nullptr);
    EXPECT_NEAR(paths[0].length, 13.0, 1e-9);
    delete[] paths;
}

TEST(SplinePath, CurveIsSymmetricAndAffine) {
    // A control polygon mirrored about x = 3: the curve at time u mirrors the curve at 1 - u.
    std::vector<VECTOR> arch = {{0, 0, 1}, {1, 3, 1}, {2, 1, 1}, {3, 5, 1}, {4, 1, 1}, {5, 3, 1}, {6, 0, 1}};
    for (int k : {1, 2, 3, 4}) {
        PathControl3D* paths = running(record(arch, k));
        ASSERT_NE(paths, nullptr);
        for (float u : {0.1f, 0.25f, 0.4f}) {
            PathControl3D a = paths[0], b = paths[0];
            a.Update(u * 10.0);
            b.Update((1.0f - u) * 10.0);
            EXPECT_NEAR(a.position.x + b.position.x, 6.0f, 1e-4f) << "k " << k << " time " << u;
            EXPECT_NEAR(a.position.y, b.position.y, 1e-4f) << "k " << k << " time " << u;
            EXPECT_NEAR(a.position.z, 1.0f, 1e-5f) << "the weights sum to one, k " << k;
        }
        delete[] paths;
    }
}

TEST(SplinePath, NoLengthOrNoDurationNeverGivesNaN) {
    SpoRecord still = record({{2, 2, 2}, {2, 2, 2}, {2, 2, 2}, {2, 2, 2}});
    SpoRecord instant = record(kFour);
    instant.endTime = instant.startTime;
    for (const SpoRecord* r : {&still, &instant}) {
        PathControl3D* paths = running(*r);
        ASSERT_NE(paths, nullptr);
        PathControl3D& p = paths[0];
        if (r == &still) p.SetSpeed(24.0f); // no length: an infinite rate, as no duration gives from the file
        p.Update(0.0);
        EXPECT_FALSE(std::isnan(p.time));
        EXPECT_TRUE(same(p.position, p.points[0]));
        p.Update(0.02);
        EXPECT_TRUE(same(p.position, p.points[3])) << "one update covers a path of no duration";
        p.Update(0.02);
        EXPECT_TRUE(p.finished && std::isfinite(p.GetDirection().x));
        delete[] paths;
    }
    PathControl3D blank; // never loaded: no points to move along
    blank.active = true;
    blank.Update(1.0);
    blank.SetSpeed(3.0f);
    EXPECT_EQ(blank.length, 0.0);
    EXPECT_TRUE(same(blank.position, VECTOR(0, 0, 0)));
}

TEST(SplinePath, BezierPointAgreesWithTheBernsteinForm) {
    VECTOR out;
    for (float t : {0.0f, 0.3f, 0.5f, 1.0f}) {
        BezierPoint(&out, &kFour[0], &kFour[1], &kFour[2], &kFour[3], t);
        const float s = 1.0f - t;
        const VECTOR want =
            kFour[0] * (s * s * s) + kFour[1] * (3 * s * s * t) + kFour[2] * (3 * s * t * t) + kFour[3] * (t * t * t);
        EXPECT_TRUE(near(out, want, 1e-5f)) << t;
    }
}

TEST(SpoFile, ByNameFromTheDemoArchive) {
    char buf[4096];
    const std::string old = getcwd(buf, sizeof buf) ? buf : "/tmp";
    char pattern[] = "/tmp/vhspline.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    ASSERT_EQ(chdir(pattern), 0);
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
    EXPECT_EQ(count, 2);
    EXPECT_TRUE(same(paths[1].points[2], kFour[2]));
    delete[] paths;
    count = -7;
    EXPECT_EQ(OpenPath3DFile("missing.spo", &count), nullptr);
    EXPECT_EQ(OpenPath3DFile("broken.spo", &count), nullptr);
    EXPECT_EQ(count, -7);
    std::remove(RES_ARCHIVE_NAME);
    EXPECT_EQ(chdir(old.c_str()), 0);
    rmdir(pattern);
}
