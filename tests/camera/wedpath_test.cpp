// WED path files and PathControl: parsing, measuring, following, and hostile files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "camera/wedpath.h"
#include "data/rwops.h"
#include "core/types.h"
#include "text/console.h"

namespace {

typedef std::vector<std::pair<int, int>> Points;
const Points kCorners = {{320, 240}, {640, 480}, {0, 0}, {160, 120}};

void put32(std::vector<Uint8>& out, Uint32 v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(Uint8(v >> (8 * i)));
}

// A WED file as a careless writer might make it: 48-byte header, 44-byte records (speed at 12, count at 36).
std::vector<Uint8> wed(const char* magic, Uint32 version, const char* name, Sint32 count,
                       const std::vector<Points>& paths, Uint32 claimed = ~0u) {
    std::vector<Uint8> out(40, 0);
    std::memcpy(out.data(), magic, std::min<size_t>(std::strlen(magic), 4));
    out[4] = Uint8(version);
    std::memcpy(out.data() + 8, name, std::min<size_t>(std::strlen(name), 32));
    put32(out, Uint32(count));
    put32(out, 0);
    for (const Points& points : paths) {
        const float speed = 3.5f;
        out.resize(out.size() + 36, 0);
        std::memcpy(&out[out.size() - 24], &speed, 4);
        put32(out, claimed == ~0u ? Uint32(points.size()) : claimed);
        put32(out, 0);
        for (const auto& p : points) {
            put32(out, Uint32(p.first));
            put32(out, Uint32(p.second));
        }
    }
    return out;
}

// Parses the first `keep` bytes through a memory stream, as the loaders see an archive entry.
PathControl* open(std::vector<Uint8> bytes, int* count, size_t keep = ~size_t(0)) {
    const int size = int(std::min(keep, bytes.size()));
    bytes.resize(bytes.size() + 64, 0xAB); // bytes beyond the file must never be taken for it
    return OpenWEDFile(VH_RWFromMem(bytes.data(), size), count, true);
}

PathControl straightPath() {
    PathControl p; // from x 2 to x 12 with evenly spaced control points: the parameter is the distance
    for (int i = 0; i < 4; ++i)
        p.points[i] = {2.0f + 10.0f * i / 3.0f, 0.0f};
    p.ComputeLength();
    return p;
}

} // namespace

TEST(WedFile, HeaderIsCheckedAndRecordsBecomeStoppedPaths) {
    int count = -7; // the canvas-to-world mapping, name and speed are checked with the path writer
    PathControl* paths = open(wed("wed", 0, "river run", 2, {kCorners, kCorners}), &count);
    ASSERT_NE(paths, nullptr) << "lower-case magic is accepted";
    EXPECT_EQ(count, 2);
    EXPECT_TRUE(paths[1].points[2].x == -1.0f && paths[1].points[3].z == -0.5f);
    EXPECT_FLOAT_EQ(paths[1].duration, paths[1].maxdist); // measured before the file's speed was stored
    EXPECT_TRUE(paths[1].finished && !paths[1].running && !paths[1].loop);
    delete[] paths;
    EXPECT_EQ(open(wed("WED", 1, "x", 1, {kCorners}), &count), nullptr) << "version 1";
    EXPECT_EQ(open(wed("WEB", 0, "x", 1, {kCorners}), &count), nullptr) << "wrong magic";
    EXPECT_EQ(OpenWEDFile(static_cast<VH_RWops*>(nullptr), &count, true), nullptr);
    EXPECT_EQ(OpenWEDFile("boatpath.wed", nullptr), nullptr);
}

TEST(WedFile, HostileFilesAreRejectedWithoutReadingPastThem) {
    const std::vector<Uint8> two = wed("WED", 0, "x", 2, {kCorners, kCorners});
    const auto all = ~size_t(0);
    const struct {
        const char* what;
        std::vector<Uint8> bytes;
        size_t keep;
    } hostile[] = {
        {"more than four points", wed("WED", 0, "x", 1, {{{1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}}}), all},
        {"point count beyond the file", wed("WED", 0, "x", 1, {kCorners}, 0x40000000u), all},
        {"negative path count", wed("WED", 0, "x", -3, {kCorners}), all},
        {"absurd path count", wed("WED", 0, "x", 0x7fffffff, {kCorners}), all},
        {"no path to follow", wed("WED", 0, "x", 0, {}), all},
        {"cut inside the header", two, 20},
        {"cut inside the second record", two, 48 + 44 + 32 + 10},
        {"one byte short", two, two.size() - 1},
    };
    for (const auto& h : hostile) {
        int count = 0;
        EXPECT_EQ(open(h.bytes, &count, h.keep), nullptr) << h.what;
    }
    // A full 32-byte name comes back terminated; missing points stay at the origin.
    int count = 0;
    PathControl* p = open(wed("WED", 0, "abcdefghijklmnopqrstuvwxyz0123456789", 1, {{{640, 240}}}), &count);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(std::strlen(p->name), 31u);
    EXPECT_TRUE(p->points[0].x == 1.0f && p->points[3].x == 0.0f);
    delete[] p;
}

TEST(PathControl, LengthIsMeasuredOnTruncatedSamplesFromTheOrigin) {
    PathControl p = straightPath(); // 2 from the origin to the first sample, then 9 in whole steps up to 11
    EXPECT_FLOAT_EQ(p.maxdist, 11.0f);
    EXPECT_FLOAT_EQ(p.duration, 11.0f);
    EXPECT_FLOAT_EQ(p.firstSample.x, 2.0f);
    EXPECT_FLOAT_EQ(p.rate, 1.0f / 11.0f);
    EXPECT_FLOAT_EQ(p.direction.x, 16.0f / 3.0f - 2.0f);

    p.speed = 2.0f;
    p.Scale(2.0f);
    EXPECT_FLOAT_EQ(p.points[3].x, 24.0f);
    EXPECT_FLOAT_EQ(p.maxdist, 4.0f + 19.0f); // samples 4 .. 23.6 truncated
    EXPECT_FLOAT_EQ(p.duration, 23.0f / 2.0f);
}

TEST(PathControl, RunEndsByDistanceEvenPastTheLastPointAndReportsEachStep) {
    PathControl p = straightPath();
    p.speed = 11.0f;
    p.Reset(); // at P0, one second for the measured 11 units
    p.Update(0.25f);
    EXPECT_FLOAT_EQ(p.current.x, 2.0f) << "a stopped path does not move";
    p.SetRunning(true);
    const int marker = CON_AddPinnedLine(VH_Console, "marker");
    ASSERT_GT(marker, 0);
    int updates = 0;
    for (; p.running && updates < 100; ++updates)
        p.Update(0.25f);
    EXPECT_TRUE(updates == 6 && p.finished) << "travel 0, 2.5, 5, 7.5, 10, 12.5: the sixth crosses 11";
    EXPECT_NEAR(p.curdist, 12.5f, 1e-4f);
    EXPECT_NEAR(p.current.x, 14.5f, 1e-4f) << "beyond P3 on the extended curve";
    EXPECT_NEAR(p.direction.x, 2.5f, 1e-4f);
    // Every running update leaves its distance on the console; the stopped one stays silent.
    EXPECT_STREQ(CON_FindLine(VH_Console, marker + 1), "curdist:0.00000 maxdist:11.00000");
    EXPECT_STREQ(CON_FindLine(VH_Console, marker + 6), "curdist:12.50000 maxdist:11.00000");
    p.Update(0.25f);
    EXPECT_EQ(CON_FindLine(VH_Console, marker + 7), nullptr);

    // Looping: the restart puts the point at the origin, the next update jumps to P0 and counts it.
    p.Reset();
    p.loop = true;
    p.SetRunning(true);
    for (int i = 0; i < 6; ++i)
        p.Update(0.25f);
    EXPECT_TRUE(p.running && !p.finished && p.curdist == 0.0f && p.current.x == 0.0f);
    p.Update(0.25f);
    EXPECT_FLOAT_EQ(p.current.x, 2.0f);
    EXPECT_NEAR(p.curdist, 2.0f, 1e-5f);

    // A curve with every point at the origin measures 0 and ends on its first update.
    PathControl still;
    still.Reset();
    still.SetRunning(true);
    still.Update(0.1f);
    EXPECT_TRUE(still.maxdist == 0.0f && still.finished && !still.running);
    for (int i = 0; i <= 6 + 7 + 1; ++i) // the marker and the lines of every running update
        CON_RemoveLine(VH_Console, marker + i);
}
