// spline: .spo path files and PathControl3D.
//
// A file is an 8-byte header (magic "SPO\0", version 1.1, u16 path count) and then the path
// records back to back: a 50-byte fixed part (tag, k, resolution, start and end time, speed,
// active and loop bytes, 16 ignored bytes, point count P, trailing record count E), P points
// of three floats and E ignored 12-byte records (none when E is negative). Everything is
// little-endian.
//
// Every count is checked against the bytes the stream really holds before anything is
// allocated, and every path is checked against the knot table before it is kept, so a
// damaged file is refused whole instead of being read or traversed past a buffer.
#include "camera/spline.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

#include "data/resfile.h"
#include "data/rwops.h"

namespace {

constexpr std::uint32_t kMagic = 0x004F5053; // "SPO\0" read little-endian
constexpr int kHeaderBytes = 8;
constexpr int kRecordBytes = 50; // the fixed part of a path record
constexpr int kPointBytes = 12;  // three floats
constexpr int kTrailingBytes = 12;
constexpr int kMinPoints = 2; // the direction at load reads point 1

// Reads only within the bytes the stream holds from where parsing began: an archive entry
// stream stops at its entry, and a short read is a damaged file, never a partial value.
class BoundedReader {
public:
    explicit BoundedReader(VH_RWops* rw) : stream(rw) {
        const int start = rw->seek(rw, 0, VH_RW_SEEK_CUR);
        if (start < 0 || rw->seek(rw, 0, VH_RW_SEEK_END) < 0) return;
        const int end = rw->seek(rw, 0, VH_RW_SEEK_CUR);
        if (rw->seek(rw, start, VH_RW_SEEK_SET) < 0 || end < start) return;
        left = static_cast<long long>(end) - start;
        sized = true;
    }
    bool Sized() const { return sized; }
    long long Left() const { return left; }
    bool Read(void* out, long long bytes) {
        if (bytes < 0 || bytes > left) return false;
        if (bytes == 0) return true;
        if (stream->read(stream, out, static_cast<int>(bytes), 1) != 1) return false;
        left -= bytes;
        return true;
    }
    bool Skip(long long bytes) {
        if (bytes < 0 || bytes > left) return false;
        if (bytes > 0 && stream->seek(stream, static_cast<int>(bytes), VH_RW_SEEK_CUR) < 0) return false;
        left -= bytes;
        return true;
    }

private:
    VH_RWops* stream;
    long long left = 0;
    bool sized = false;
};

std::uint32_t u32At(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}
Sint32 s32At(const std::uint8_t* p) {
    return static_cast<Sint32>(u32At(p));
}
float floatAt(const std::uint8_t* p) {
    const std::uint32_t bits = u32At(p);
    float f;
    static_assert(sizeof f == sizeof bits, "floats on disk are 32-bit");
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

// The integer knots of a clamped uniform B-spline of order t over n + 1 points: n + t + 1 entries.
void buildKnots(int n, int t, int u[SPL_KNOT_TABLE]) {
    for (int j = 0; j <= n + t; ++j)
        u[j] = j < t ? 0 : (j <= n ? j - t + 1 : n - t + 2);
}

// The curve point of order t at v, the sum of point[i] * N(i, t, v). The basis is built bottom-up,
// one order at a time, with each value formed exactly as the Cox-de Boor recursion forms it (the
// recursion itself would evaluate the lower orders 2^(t-1) times over). The knots never decrease
// where v can lie, so at most one order-1 value is 1 (the span m) and order s is non-zero only
// for i in m-s+1 .. m: only those are computed, the rest stay the zeros the recursion would give.
VECTOR curvePoint(const qvector<VECTOR>& points, int t, const int u[SPL_KNOT_TABLE], float v) {
    const int n = static_cast<int>(points.size()) - 1;
    const float vmax = static_cast<float>(n - t + 2);
    // Every basis value is 0 from vmax on; an infinite or NaN v has no place on the curve either.
    if (!(v < vmax) || !std::isfinite(v)) return points[n];

    float basis[SPL_KNOT_TABLE] = {}; // basis[i] = N(i, s, v) for the order s being built
    int m = -1;
    for (int i = 0; i < n + t && m < 0; ++i)
        if (u[i] <= v && v < u[i + 1]) m = i;
    if (m < 0) return VECTOR(0.0f, 0.0f, 0.0f); // before the first knot: no basis value is set
    basis[m] = 1.0f;
    for (int s = 2; s <= t; ++s) {
        for (int i = std::max(0, m - s + 1); i <= std::min(m, n + t - s); ++i) {
            const bool leftFlat = u[i + s - 1] == u[i];
            const bool rightFlat = u[i + s] == u[i + 1];
            const float left = leftFlat ? 0.0f : (v - u[i]) / (u[i + s - 1] - u[i]) * basis[i];
            const float right = rightFlat ? 0.0f : (u[i + s] - v) / (u[i + s] - u[i + 1]) * basis[i + 1];
            if (leftFlat && rightFlat)
                basis[i] = 0.0f;
            else if (leftFlat)
                basis[i] = right;
            else if (rightFlat)
                basis[i] = left;
            else
                basis[i] = left + right;
        }
    }
    VECTOR sum(0.0f, 0.0f, 0.0f);
    for (int i = 0; i <= n; ++i)
        sum = sum + points[i] * basis[i];
    return sum;
}

double distance(VECTOR a, VECTOR b) {
    return std::sqrt(std::pow(a.x - b.x, 2.0) + std::pow(a.y - b.y, 2.0) + std::pow(a.z - b.z, 2.0));
}

bool finitePoint(VECTOR p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

// One path record into path; false when the record is damaged or does not fit the knot table.
bool readPath(BoundedReader& in, PathControl3D& path) {
    std::uint8_t record[kRecordBytes];
    if (!in.Read(record, sizeof record)) return false;
    path.time = 0.0f;
    path.tag = s32At(record + 0);
    path.k = s32At(record + 4);
    path.resolution = s32At(record + 8);
    const float startTime = floatAt(record + 12);
    const float endTime = floatAt(record + 16);
    // speed (20), active (24) and loop (25) are replaced below; 26..41 are unused.
    const Sint32 pointCount = s32At(record + 42);
    const Sint32 trailing = s32At(record + 46);

    if (path.k < 1 || path.resolution < 2 || path.resolution > SPL_MAX_RESOLUTION) return false;
    if (pointCount < kMinPoints) return false;
    if (static_cast<long long>(pointCount) + path.k + 1 > SPL_KNOT_TABLE) return false;
    // A negative trailing count reads no trailing record at all.
    const long long trailingBytes = trailing > 0 ? static_cast<long long>(trailing) * kTrailingBytes : 0;
    if (static_cast<long long>(pointCount) * kPointBytes + trailingBytes > in.Left()) return false;

    path.points.clear();
    for (Sint32 i = 0; i < pointCount; ++i) {
        std::uint8_t bytes[kPointBytes];
        if (!in.Read(bytes, sizeof bytes)) return false;
        const VECTOR p(floatAt(bytes), floatAt(bytes + 4), floatAt(bytes + 8));
        // One point that is not a number would spread into every position along the curve.
        if (!finitePoint(p) || !path.points.push_back(p)) return false;
    }
    if (!in.Skip(trailingBytes)) return false;

    path.length = path.MeasureLength();
    const float duration = endTime - startTime; // seconds
    path.speed = static_cast<float>(path.length / duration);
    path.rate = static_cast<float>((1.0 / duration) * 0.001);
    path.time = 0.0f;
    path.position = path.previousPosition = path.points[0];
    path.direction = path.points[1] - path.points[0];
    path.finished = false;
    path.active = false;
    path.loop = true;
    return true;
}

PathControl3D* parse(VH_RWops* stream, int* count) {
    BoundedReader in(stream);
    std::uint8_t header[kHeaderBytes];
    if (!in.Sized() || !in.Read(header, sizeof header)) return nullptr;
    if (u32At(header) != kMagic || header[4] != 1 || header[5] != 1) return nullptr;
    const int n = header[6] | header[7] << 8;
    // Each record takes at least its fixed part and two points, so the bytes left bound the
    // count before anything is allocated.
    if (static_cast<long long>(n) * (kRecordBytes + kMinPoints * kPointBytes) > in.Left()) return nullptr;

    PathControl3D* paths = new (std::nothrow) PathControl3D[n];
    if (!paths) return nullptr;
    for (int i = 0; i < n; ++i) {
        if (!readPath(in, paths[i])) {
            delete[] paths;
            return nullptr;
        }
    }
    *count = n;
    return paths;
}

} // namespace

PathControl3D::PathControl3D()
    : tag(0), k(0), resolution(0), points(SPL_FIRST_CAPACITY), speed(0.0f), active(false), loop(false), finished(false),
      time(0.0f), rate(0.0f), position(0.0f, 0.0f, 0.0f), previousPosition(0.0f, 0.0f, 0.0f),
      direction(0.0f, 0.0f, 0.0f), length(0.0) {}

bool PathControl3D::Traversable() const {
    return points.size() >= static_cast<std::size_t>(kMinPoints) && k >= 1 &&
           static_cast<long long>(points.size()) + k + 1 <= SPL_KNOT_TABLE;
}

double PathControl3D::MeasureLength() const {
    if (!Traversable() || resolution < 2 || resolution > SPL_MAX_RESOLUTION) return 0.0;
    const int n = static_cast<int>(points.size()) - 1;
    int u[SPL_KNOT_TABLE];
    buildKnots(n, k, u);
    const float inc = static_cast<float>(n - k + 2) / static_cast<float>(resolution - 1);
    double total = 0.0;
    VECTOR last(0.0f, 0.0f, 0.0f);
    float v = 0.0f;
    for (int i = 0; i <= resolution - 2; ++i) {
        const VECTOR c = curvePoint(points, k, u, v);
        v += inc;
        if (i > 0) total += distance(c, last);
        last = c;
    }
    return total + distance(last, points[n]);
}

void PathControl3D::SetSpeed(float unitsPerSecond) {
    speed = unitsPerSecond;
    length = MeasureLength();
    rate = static_cast<float>((1.0 / (length / speed)) * 0.001);
}

void PathControl3D::Update(double seconds) {
    if (!active || !Traversable()) return;
    const int n = static_cast<int>(points.size()) - 1;
    const int order = k + 1;
    int u[SPL_KNOT_TABLE];
    buildKnots(n, order, u);

    // A path without length or duration has an infinite rate: one update then covers it whole,
    // and a zero frame time leaves it where it is, instead of a NaN time no update could leave.
    double step = seconds * rate * 1000.0;
    if (!std::isfinite(step)) step = step > 0.0 ? 1.0 : 0.0;
    if (time > 0.0f) {
        if (time < 1.0f) {
            time = static_cast<float>(time + step);
        } else {
            finished = true;
            if (loop) {
                time = 0.0f;
                finished = false;
            } else {
                active = false;
            }
        }
    } else {
        time = static_cast<float>(time + step);
    }

    const VECTOR next = curvePoint(points, order, u, static_cast<float>(n - order + 2) * time);
    previousPosition = position;
    position = next;
    direction = position - previousPosition;
}

PathControl3D* OpenPath3DFile(VH_RWops* stream, int* count, bool closeStream) {
    if (!stream || !count) return nullptr;
    PathControl3D* paths = parse(stream, count);
    if (paths && closeStream) stream->close(stream);
    return paths;
}

PathControl3D* OpenPath3DFile(const char* name, int* count) {
    if (!name || !count) return nullptr;
    VH_RWops* stream = RES_OpenEntryStream(name);
    if (!stream) return nullptr;
    PathControl3D* paths = OpenPath3DFile(stream, count, false);
    stream->close(stream);
    return paths;
}

void Lerp3(float out[3], const float a[3], const float b[3], float t) {
    for (int i = 0; i < 3; ++i)
        out[i] = (b[i] - a[i]) * t + a[i];
}

void BezierPoint(VECTOR* out, const VECTOR* p0, const VECTOR* p1, const VECTOR* p2, const VECTOR* p3, float t) {
    float level[4][3] = {{p0->x, p0->y, p0->z}, {p1->x, p1->y, p1->z}, {p2->x, p2->y, p2->z}, {p3->x, p3->y, p3->z}};
    // de Casteljau: each pass replaces the points by the lerps of their neighbours, one fewer each time.
    for (int pass = 3; pass > 0; --pass)
        for (int i = 0; i < pass; ++i)
            Lerp3(level[i], level[i], level[i + 1], t);
    *out = VECTOR(level[0][0], level[0][1], level[0][2]);
}
