// spo_bytes: .spo files made byte by byte, independently of the asset generator's writer.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "math/vmath.h"

struct SpoRecord {
    std::vector<VECTOR> points;
    std::int32_t k = 3;
    float endTime = 10.0f, startTime = 0.0f;
    std::int32_t resolution = 50, tag = 0x1234, trailing = 0; // trailing: 12-byte records after the points
    bool claim = false; // write claimedPoints instead of the real count (a file cut short)
    std::int32_t claimedPoints = 0;
};

inline void SpoPut32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(std::uint8_t(v >> (8 * i)));
}
inline std::uint32_t SpoBits(float f) {
    std::uint32_t v;
    std::memcpy(&v, &f, 4);
    return v;
}

// The speed, active and loop fields hold values a reader must replace (99, active, not looping).
inline std::vector<std::uint8_t> SpoFile(const std::vector<SpoRecord>& records, std::uint8_t major = 1,
                                         std::uint8_t minor = 1) {
    std::vector<std::uint8_t> out = {'S', 'P', 'O', 0, major, minor, std::uint8_t(records.size()), 0};
    for (const SpoRecord& r : records) {
        for (std::uint32_t v : {std::uint32_t(r.tag), std::uint32_t(r.k), std::uint32_t(r.resolution),
                                SpoBits(r.startTime), SpoBits(r.endTime), SpoBits(99.0f)})
            SpoPut32(out, v);
        out.insert(out.end(), {1, 0});
        out.insert(out.end(), 16, 0x55);
        SpoPut32(out, std::uint32_t(r.claim ? r.claimedPoints : std::int32_t(r.points.size())));
        SpoPut32(out, std::uint32_t(r.trailing));
        for (const VECTOR& p : r.points)
            for (float f : {p.x, p.y, p.z})
                SpoPut32(out, SpoBits(f));
        out.insert(out.end(), size_t(r.trailing > 0 ? r.trailing : 0) * 12, 0x7F); // a negative count: none
    }
    return out;
}
