// WED path files and PathControl: parsing, hostile files, measuring and following.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "camera/spo_bytes.h"
#include "camera/wedpath.h"
#include "core/types.h"
#include "data/rwops.h"
#include "text/console.h"

namespace {

typedef std::vector<std::pair<int, int>> Points;
const Points kCorners = {{320, 240}, {640, 480}, {0, 0}, {160, 120}};

// 48-byte header, then per path a 44-byte record (point count at 36) and its points.
std::vector<Uint8> wed(const char* magic, Uint32 version, const char* name, Sint32 count,
                       const std::vector<Points>& paths) {
    std::vector<Uint8> out(40, 0);
    std::memcpy(out.data(), magic, 3);
    out[4] = Uint8(version);
    std::memcpy(out.data() + 8, name, std::min<size_t>(std::strlen(name), 32));
    SpoPut32(out, Uint32(count));
    SpoPut32(out, 0);
    for (const Points& points : paths) {
        out.resize(out.size() + 36, 0);
        SpoPut32(out, Uint32(points.size()));
        SpoPut32(out, 0);
        for (const auto& p : points)
            SpoPut32(out, Uint32(p.first)), SpoPut32(out, Uint32(p.second));
    }
    return out;
}

// Parses bytes through a memory stream; the guard bytes beyond must never be taken for the file.
PathControl* open(std::vector<Uint8> bytes, int* count) {
    const int size = int(bytes.size());
    bytes.resize(bytes.size() + 64, 0xAB);
    return OpenWEDFile(VH_RWFromMem(bytes.data(), size), count, true);
}

} // namespace

TEST(WedFile, SoundFilesBecomeStoppedPathsAndHostileOnesAreRefused) {
    int count = 0;
    PathControl* paths = open(wed("wed", 0, "river run", 2, {kCorners, kCorners}), &count);
    ASSERT_TRUE(paths && count == 2) << "lower-case magic is accepted";
    EXPECT_TRUE(paths[1].points[2].x == -1.0f && paths[1].points[3].z == -0.5f) << "canvas to world";
    EXPECT_FLOAT_EQ(paths[1].duration, paths[1].maxdist); // measured before the file's speed was stored
    EXPECT_TRUE(paths[1].finished && !paths[1].running && !paths[1].loop);
    delete[] paths;

    const std::vector<Uint8> two = wed("WED", 0, "x", 2, {kCorners, kCorners});
    const std::pair<const char*, std::vector<Uint8>> hostile[] = {
        {"version 1", wed("WED", 1, "x", 1, {kCorners})},
        {"wrong magic", wed("WEB", 0, "x", 1, {kCorners})},
        {"more than four points", wed("WED", 0, "x", 1, {{{1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}}})},
        {"absurd path count", wed("WED", 0, "x", 0x7fffffff, {kCorners})},
        {"no path to follow", wed("WED", 0, "x", 0, {})},
        {"one byte short", std::vector<Uint8>(two.begin(), two.end() - 1)},
    };
    for (const auto& [what, bytes] : hostile)
        EXPECT_EQ(open(bytes, &count), nullptr) << what;
    EXPECT_EQ(OpenWEDFile(static_cast<VH_RWops*>(nullptr), &count, true), nullptr);
    EXPECT_EQ(OpenWEDFile("boatpath.wed", nullptr), nullptr);

    // A full 32-byte name comes back terminated; missing points stay at the origin.
    PathControl* p = open(wed("WED", 0, "abcdefghijklmnopqrstuvwxyz0123456789", 1, {{{640, 240}}}), &count);
    ASSERT_TRUE(p && count == 1);
    EXPECT_TRUE(std::strlen(p->name) == 31 && p->points[0].x == 1.0f && p->points[3].x == 0.0f);
    delete[] p;
}

TEST(PathControl, MeasuresTruncatedSamplesFromTheOriginAndEndsByDistance) {
    PathControl p; // x 1 .. 6 evenly spaced, scaled to 2 .. 12: the parameter is the distance
    for (int i = 0; i < 4; ++i)
        p.points[i] = {1.0f + 5.0f * i / 3.0f, 0.0f};
    p.speed = 11.0f;
    p.Scale(2.0f); // 2 from the origin to the first sample, then 9 in whole steps up to 11
    EXPECT_TRUE(p.points[3].x == 12.0f && p.maxdist == 11.0f && p.duration == 1.0f && p.firstSample.x == 2.0f);
    p.Reset(); // at P0, one second for the measured 11 units
    p.Update(0.25f);
    EXPECT_EQ(p.current.x, 2.0f) << "a stopped path does not move";
    p.SetRunning(true);
    const int marker = CON_AddPinnedLine(VH_Console, "marker");
    int updates = 0;
    for (; p.running && updates < 100; ++updates)
        p.Update(0.25f);
    EXPECT_TRUE(updates == 6 && p.finished) << "travel 0, 2.5, 5, 7.5, 10, 12.5: the sixth crosses 11";
    EXPECT_NEAR(p.current.x, 14.5f, 1e-4f) << "beyond P3 on the extended curve";
    EXPECT_NEAR(p.direction.x, 2.5f, 1e-4f);
    EXPECT_STREQ(CON_FindLine(VH_Console, marker + 6), "curdist:12.50000 maxdist:11.00000");

    p.Reset(); // looping: the restart puts the point at the origin, the next update jumps to P0 and counts it
    p.loop = true;
    p.SetRunning(true);
    for (int i = 0; i < 7; ++i)
        p.Update(0.25f);
    EXPECT_TRUE(p.running && !p.finished && p.current.x == 2.0f);
    EXPECT_NEAR(p.curdist, 2.0f, 1e-5f);

    PathControl still; // every point at the origin: it measures 0 and ends on its first update
    still.Reset();
    still.SetRunning(true);
    still.Update(0.1f);
    EXPECT_TRUE(still.maxdist == 0.0f && still.finished && !still.running);
    for (int i = 0; i <= 6 + 7 + 1; ++i) // the marker and the line of every running update
        CON_RemoveLine(VH_Console, marker + i);
}
