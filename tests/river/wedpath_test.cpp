// WED path files and PathControl: parsing, measuring, following, and hostile files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "camera/wedpath.h"
#include "data/rwops.h"
#include "text/console.h"
#include "shell/vh_types.h"

namespace {

// Builds WED files byte by byte, the way a hostile or careless writer might.
class WedWriter {
public:
    WedWriter& Header(const char* magic, Uint32 version, const char* name, Sint32 count) {
        char m[4] = {};
        std::memcpy(m, magic, std::strlen(magic) < 4 ? std::strlen(magic) : 4);
        Raw(m, 4);
        U32(version);
        char n[32] = {};
        std::memcpy(n, name, std::min<size_t>(std::strlen(name), sizeof n));
        Raw(n, 32);
        U32(static_cast<Uint32>(count));
        U32(0);
        return *this;
    }
    WedWriter& Record(float speed, const std::vector<std::pair<int, int>>& points, Uint32 claimed = ~0u) {
        const Uint8 zeros[20] = {};
        Raw(zeros, 12);
        Raw(&speed, 4);
        Raw(zeros, 20);
        U32(claimed == ~0u ? static_cast<Uint32>(points.size()) : claimed);
        U32(0);
        for (const auto& p : points) {
            U32(static_cast<Uint32>(p.first));
            U32(static_cast<Uint32>(p.second));
        }
        return *this;
    }
    WedWriter& Raw(const void* p, size_t n) {
        bytes.insert(bytes.end(), static_cast<const Uint8*>(p), static_cast<const Uint8*>(p) + n);
        return *this;
    }
    WedWriter& U32(Uint32 v) {
        const Uint8 le[4] = {Uint8(v), Uint8(v >> 8), Uint8(v >> 16), Uint8(v >> 24)};
        return Raw(le, 4);
    }
    // Parses the bytes built so far through a memory stream, as the loaders see an entry.
    PathControl* Open(int* count, size_t keep = ~size_t(0)) {
        copy.assign(bytes.begin(), bytes.begin() + (keep < bytes.size() ? keep : bytes.size()));
        copy.resize(copy.size() + 64, 0xAB); // bytes beyond the file must never be taken for it
        VH_RWops* rw = VH_RWFromMem(copy.data(), static_cast<int>(copy.size() - 64));
        if (!rw) return nullptr;
        return OpenWEDFile(rw, count, true);
    }
    std::vector<Uint8> bytes;

private:
    std::vector<Uint8> copy;
};

const std::vector<std::pair<int, int>> kCorners = {{320, 240}, {640, 480}, {0, 0}, {160, 120}};

TEST(WedFile, HeaderIsCheckedAndRecordsBecomeWorldPaths) {
    int count = -7;
    WedWriter lower;
    lower.Header("wed", 0, "river run", 2).Record(3.5f, kCorners).Record(1.0f, kCorners);
    PathControl* paths = lower.Open(&count);
    ASSERT_NE(paths, nullptr) << "lower-case magic is accepted";
    EXPECT_EQ(count, 2);
    const PathControl& p = paths[0];
    // The canvas centre is the world origin and the canvas edges are +-1.
    EXPECT_FLOAT_EQ(p.points[0].x, 0.0f);
    EXPECT_FLOAT_EQ(p.points[0].z, 0.0f);
    EXPECT_FLOAT_EQ(p.points[1].x, 1.0f);
    EXPECT_FLOAT_EQ(p.points[1].z, 1.0f);
    EXPECT_FLOAT_EQ(p.points[2].x, -1.0f);
    EXPECT_FLOAT_EQ(p.points[2].z, -1.0f);
    EXPECT_FLOAT_EQ(p.points[3].x, -0.5f);
    EXPECT_FLOAT_EQ(p.points[3].z, -0.5f);
    EXPECT_STREQ(p.name, "river run");
    EXPECT_STREQ(paths[1].name, "river run");
    EXPECT_FLOAT_EQ(p.speed, 3.5f);
    // Measured before the file's speed was stored: duration is the length itself.
    EXPECT_FLOAT_EQ(p.duration, p.maxdist);
    EXPECT_FLOAT_EQ(p.current.x, p.points[0].x);
    EXPECT_TRUE(p.finished);
    EXPECT_FALSE(p.running);
    EXPECT_FALSE(p.loop);
    EXPECT_TRUE(paths[0] == paths[1]);
    delete[] paths;

    WedWriter v1;
    v1.Header("WED", 1, "x", 1).Record(1.0f, kCorners);
    EXPECT_EQ(v1.Open(&count), nullptr);
    WedWriter wrongMagic;
    wrongMagic.Header("WEB", 0, "x", 1).Record(1.0f, kCorners);
    EXPECT_EQ(wrongMagic.Open(&count), nullptr);
    EXPECT_EQ(OpenWEDFile(static_cast<VH_RWops*>(nullptr), &count, true), nullptr);
    EXPECT_EQ(OpenWEDFile("boatpath.wed", nullptr), nullptr);
}

TEST(WedFile, HostileFilesAreRejectedWithoutReadingPastThem) {
    int count = 0;
    WedWriter five;
    five.Header("WED", 0, "x", 1).Record(1.0f, {{1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}});
    EXPECT_EQ(five.Open(&count), nullptr) << "more points than the four a curve holds";

    WedWriter lying;
    lying.Header("WED", 0, "x", 1).Record(1.0f, kCorners, 0x40000000u);
    EXPECT_EQ(lying.Open(&count), nullptr) << "a point count far beyond the file";

    WedWriter negative;
    negative.Header("WED", 0, "x", -3).Record(1.0f, kCorners);
    EXPECT_EQ(negative.Open(&count), nullptr);
    WedWriter absurd;
    absurd.Header("WED", 0, "x", 0x7fffffff).Record(1.0f, kCorners);
    EXPECT_EQ(absurd.Open(&count), nullptr);
    WedWriter empty;
    empty.Header("WED", 0, "x", 0);
    EXPECT_EQ(empty.Open(&count), nullptr) << "no path to follow";

    WedWriter two;
    two.Header("WED", 0, "x", 2).Record(1.0f, kCorners).Record(1.0f, kCorners);
    EXPECT_EQ(two.Open(&count, 20), nullptr) << "cut inside the header";
    EXPECT_EQ(two.Open(&count, 48 + 44 + 32 + 10), nullptr) << "cut inside the second record";
    EXPECT_EQ(two.Open(&count, two.bytes.size() - 1), nullptr) << "one byte short";

    // A name filling all 32 bytes still comes back terminated, and fewer than four
    // points leave the rest of the curve at the origin.
    WedWriter longName;
    longName.Header("WED", 0, "abcdefghijklmnopqrstuvwxyz0123456789", 1).Record(1.0f, {{640, 240}});
    count = 0;
    PathControl* p = longName.Open(&count);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(std::strlen(p->name), 31u);
    EXPECT_FLOAT_EQ(p->points[0].x, 1.0f);
    EXPECT_FLOAT_EQ(p->points[3].x, 0.0f);
    delete[] p;
}

PathControl straightPath() {
    PathControl p;
    p.points[0] = {2.0f, 0.0f};
    p.points[1] = {16.0f / 3.0f, 0.0f};
    p.points[2] = {26.0f / 3.0f, 0.0f};
    p.points[3] = {12.0f, 0.0f};
    p.ComputeLength();
    return p;
}

TEST(PathControl, LengthIsMeasuredOnTruncatedSamplesFromTheOrigin) {
    PathControl p = straightPath();
    // 2 from the origin to the first sample, then 9 in whole steps up to 11.
    EXPECT_FLOAT_EQ(p.maxdist, 11.0f);
    EXPECT_FLOAT_EQ(p.firstSample.x, 2.0f);
    EXPECT_FLOAT_EQ(p.duration, 11.0f);
    EXPECT_FLOAT_EQ(p.rate, 1.0f / 11.0f);
    EXPECT_FLOAT_EQ(p.direction.x, 16.0f / 3.0f - 2.0f);

    p.speed = 2.0f;
    p.Scale(2.0f);
    EXPECT_FLOAT_EQ(p.points[3].x, 24.0f);
    EXPECT_FLOAT_EQ(p.maxdist, 4.0f + 19.0f); // samples 4 .. 23.6 truncated
    EXPECT_FLOAT_EQ(p.duration, 23.0f / 2.0f);

    PathControl q = straightPath();
    EXPECT_FALSE(p == q);
    q.Scale(2.0f);
    EXPECT_TRUE(p == q);
}

TEST(PathControl, RunEndsByDistanceEvenPastTheLastPoint) {
    PathControl p = straightPath();
    p.speed = 11.0f;
    p.Reset(); // at P0, one second for the measured 11 units
    EXPECT_TRUE(p.finished);
    p.Update(0.25f);
    EXPECT_FLOAT_EQ(p.current.x, 2.0f) << "a stopped path does not move";

    p.SetRunning(true);
    int updates = 0;
    while (p.running && updates < 100) {
        p.Update(0.25f);
        ++updates;
    }
    // Travel 0, 2.5, 5, 7.5, 10, 12.5: the sixth update crosses 11, at t = 1.25.
    EXPECT_EQ(updates, 6);
    EXPECT_TRUE(p.finished);
    EXPECT_NEAR(p.curdist, 12.5f, 1e-4f);
    EXPECT_NEAR(p.current.x, 14.5f, 1e-4f) << "beyond P3 on the extended curve";
    EXPECT_NEAR(p.direction.x, 2.5f, 1e-4f);

    // Looping: the restart puts the point at the origin, the next update jumps to P0
    // and counts that jump.
    p.Reset();
    p.loop = true;
    p.SetRunning(true);
    for (int i = 0; i < 6; ++i) p.Update(0.25f);
    EXPECT_TRUE(p.running);
    EXPECT_FALSE(p.finished);
    EXPECT_FLOAT_EQ(p.curdist, 0.0f);
    EXPECT_FLOAT_EQ(p.current.x, 0.0f);
    p.Update(0.25f);
    EXPECT_FLOAT_EQ(p.current.x, 2.0f);
    EXPECT_NEAR(p.curdist, 2.0f, 1e-5f);

    // A curve with every point at the origin measures 0 and ends on its first update.
    PathControl still;
    still.Reset();
    EXPECT_FLOAT_EQ(still.maxdist, 0.0f);
    still.SetRunning(true);
    still.Update(0.1f);
    EXPECT_TRUE(still.finished);
    EXPECT_FALSE(still.running);
}

TEST(PathControl, EveryRunningUpdateReportsItsDistanceOnTheConsole) {
    PathControl p;
    for (WED_Point& q : p.points) q = {0.12345f, 0.0f};
    p.ComputeLength();
    p.maxdist = 9.0f; // as if measured on a longer curve
    p.SetRunning(true);
    const int marker = CON_AddPinnedLine(VH_Console, "marker");
    ASSERT_GT(marker, 0);
    p.Update(0.5f); // from the origin to the curve: 0.12345 travelled
    const char* line = CON_FindLine(VH_Console, marker + 1);
    ASSERT_NE(line, nullptr);
    EXPECT_STREQ(line, "curdist:0.12345 maxdist:9.00000");
    p.SetRunning(false);
    p.Update(0.5f);
    EXPECT_EQ(CON_FindLine(VH_Console, marker + 2), nullptr) << "a stopped path stays silent";
    CON_RemoveLine(VH_Console, marker);
    CON_RemoveLine(VH_Console, marker + 1);
}

} // namespace
