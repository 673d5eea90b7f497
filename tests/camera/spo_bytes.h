// spo_bytes: .spo files made byte by byte, independently of the asset generator's writer.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "math/vmath.h"

struct SpoRecord {
    std::int32_t k = 3;
    std::int32_t resolution = 50;
    float startTime = 0.0f;
    float endTime = 10.0f;
    std::vector<VECTOR> points;
    std::int32_t trailing = 0; // 12-byte records after the points, filled with 0x7F
    bool claim = false;        // write claimedPoints instead of points.size()
    std::int32_t claimedPoints = 0;
    std::int32_t tag = 0x1234;
};

inline void SpoPut32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(std::uint8_t(v >> (8 * i)));
}
inline void SpoPutFloat(std::vector<std::uint8_t>& out, float f) {
    std::uint32_t v;
    std::memcpy(&v, &f, 4);
    SpoPut32(out, v);
}

// Header (magic, version, count) and the records; the speed, active and loop bytes hold values a
// reader must replace (99 units per second, active, not looping).
inline std::vector<std::uint8_t> SpoFile(const std::vector<SpoRecord>& records, std::uint8_t major = 1,
                                         std::uint8_t minor = 1, int count = -1) {
    std::vector<std::uint8_t> out = {'S', 'P', 'O', 0, major, minor};
    const int n = count < 0 ? int(records.size()) : count;
    out.push_back(std::uint8_t(n));
    out.push_back(std::uint8_t(n >> 8));
    for (const SpoRecord& r : records) {
        SpoPut32(out, std::uint32_t(r.tag));
        SpoPut32(out, std::uint32_t(r.k));
        SpoPut32(out, std::uint32_t(r.resolution));
        SpoPutFloat(out, r.startTime);
        SpoPutFloat(out, r.endTime);
        SpoPutFloat(out, 99.0f);
        out.push_back(1); // active
        out.push_back(0); // loop
        out.insert(out.end(), 16, 0x55);
        SpoPut32(out, std::uint32_t(r.claim ? r.claimedPoints : std::int32_t(r.points.size())));
        SpoPut32(out, std::uint32_t(r.trailing));
        for (const VECTOR& p : r.points) {
            SpoPutFloat(out, p.x);
            SpoPutFloat(out, p.y);
            SpoPutFloat(out, p.z);
        }
        if (r.trailing > 0) out.insert(out.end(), size_t(r.trailing) * 12, 0x7F);
    }
    return out;
}
