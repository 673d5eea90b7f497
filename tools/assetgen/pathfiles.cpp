// pathfiles: writers of the two path formats, .spo (3D B-spline paths) and .wed (flat Bezier paths).
#include "pathfiles.h"

#include <cmath>
#include <cstring>

namespace {

const Sint32 kKnotTable = 100; // the reader's knot table: points + k + 1 must fit

void put8(std::vector<Uint8>& out, Uint8 v) {
    out.push_back(v);
}
void put16(std::vector<Uint8>& out, Uint16 v) {
    out.push_back(Uint8(v));
    out.push_back(Uint8(v >> 8));
}
void put32(std::vector<Uint8>& out, Uint32 v) {
    put16(out, Uint16(v));
    put16(out, Uint16(v >> 16));
}
void putF(std::vector<Uint8>& out, float f) {
    Uint32 v;
    std::memcpy(&v, &f, 4);
    put32(out, v);
}
void zeros(std::vector<Uint8>& out, size_t n) {
    out.insert(out.end(), n, 0);
}

std::vector<Uint8> fail(std::string* fault, const std::string& text) {
    if (fault) *fault = text;
    return {};
}

} // namespace

std::vector<Uint8> PATH_WriteSPO(const std::vector<SpoPath>& paths, std::string* fault) {
    if (paths.size() > 65535) return fail(fault, "more than 65535 paths");
    std::vector<Uint8> out = {'S', 'P', 'O', 0, 1, 1};
    put16(out, Uint16(paths.size()));
    for (size_t i = 0; i < paths.size(); ++i) {
        const SpoPath& p = paths[i];
        const std::string who = "path " + std::to_string(i);
        Sint32 count = Sint32(p.points.size());
        if (p.k < 2 || count < p.k + 1) return fail(fault, who + ": needs k >= 2 and at least k + 1 points");
        if (count + p.k + 1 > kKnotTable) return fail(fault, who + ": too many points for the reader's knot table");
        if (p.resolution < 2) return fail(fault, who + ": resolution below 2");
        if (!(p.endTime > p.startTime)) return fail(fault, who + ": end time not after start time");
        for (const MkVec3& v : p.points)
            if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z))
                return fail(fault, who + ": a point is not a number");
        put32(out, Uint32(i)); // tag
        put32(out, Uint32(p.k));
        put32(out, Uint32(p.resolution));
        putF(out, p.startTime);
        putF(out, p.endTime);
        putF(out, 0.0f); // speed: the reader computes it
        put8(out, 0);    // active: the reader clears it
        put8(out, 1);    // loop: the reader sets it
        zeros(out, 16);
        put32(out, Uint32(count));
        put32(out, 0); // no trailing records
        for (const MkVec3& v : p.points)
            putF(out, v.x), putF(out, v.y), putF(out, v.z);
    }
    return out;
}

std::vector<Uint8> PATH_WriteWED(const std::string& name, const std::vector<WedPath>& paths, std::string* fault) {
    if (name.size() > 31 || name.find('\0') != std::string::npos) return fail(fault, "name longer than 31 bytes");
    if (paths.empty()) return fail(fault, "no paths");
    std::vector<Uint8> out = {'W', 'E', 'D', 0};
    put32(out, 0); // version
    std::string padded = name;
    padded.resize(32, '\0');
    out.insert(out.end(), padded.begin(), padded.end());
    put32(out, Uint32(paths.size()));
    put32(out, 0);
    for (const WedPath& p : paths) {
        if (!std::isfinite(p.speed)) return fail(fault, "a speed is not a number");
        zeros(out, 12);
        putF(out, p.speed);
        zeros(out, 20);
        put32(out, 4);
        put32(out, 0);
        for (int i = 0; i < 4; ++i)
            put32(out, Uint32(p.canvas[i][0])), put32(out, Uint32(p.canvas[i][1]));
    }
    return out;
}
