// wedpath: WED path files and the PathControl that follows one of their curves.
//
// A file is a 48-byte header and N path records; each record is a 44-byte descriptor
// followed by its canvas points. Everything read is bounded by the stream's own size,
// because an archive entry stream would otherwise read on into the next entry.
#include "camera/wedpath.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <strings.h>

#include "core/logsink.h"
#include "data/resfile.h"
#include "data/rwops.h"
#include "core/types.h"

namespace {

constexpr int kSamples = 50; // length samples over u = 0 .. 0.98
constexpr Uint32 kMaxPoints = 4;

struct WedHeader {
    char magic[4];
    Uint32 version; // must be 0
    char name[32];
    Sint32 count; // path records that follow
    Uint32 unused;
};
static_assert(sizeof(WedHeader) == 48, "WED header is 48 bytes on disk");

struct WedDescriptor {
    Uint8 unused0[12];
    float speed;
    Uint8 unused1[20];
    Uint32 pointCount; // at most 4
    Uint32 unused2;
};
static_assert(sizeof(WedDescriptor) == 44, "WED path descriptor is 44 bytes on disk");

struct WedCanvasPoint {
    Sint32 px;
    Sint32 py;
};
static_assert(sizeof(WedCanvasPoint) == 8, "WED point is 8 bytes on disk");

// Reads only within the bytes the stream really holds from where parsing began.
class BoundedReader {
public:
    explicit BoundedReader(VH_RWops* rw) : stream(rw), left(VH_RWBytesLeft(rw)), sized(left >= 0) {}
    bool Sized() const { return sized; }
    long Left() const { return left; }
    bool Read(void* out, long bytes) {
        if (bytes < 0 || bytes > left) return false;
        if (bytes == 0) return true;
        if (stream->read(stream, out, static_cast<int>(bytes), 1) != 1) return false;
        left -= bytes;
        return true;
    }

private:
    VH_RWops* stream;
    long left;
    bool sized;
};

float distance(WED_Point a, WED_Point b) {
    const double dx = static_cast<double>(a.x) - b.x;
    const double dz = static_cast<double>(a.z) - b.z;
    return static_cast<float>(std::sqrt(std::pow(dx, 2.0) + std::pow(dz, 2.0)));
}

WED_Point minus(WED_Point a, WED_Point b) {
    return WED_Point{a.x - b.x, a.z - b.z};
}

const char* lastFault = "";

PathControl* refuse(const char* fault) {
    lastFault = fault;
    return nullptr;
}

PathControl* parse(VH_RWops* stream, int* count) {
    BoundedReader in(stream);
    WedHeader header;
    if (!in.Sized() || !in.Read(&header, sizeof header)) return refuse("too short for a WED path file's header");
    header.magic[3] = '\0';
    if (header.version != 0 || strcasecmp(header.magic, "WED") != 0) return refuse("not a WED path file");
    header.name[sizeof header.name - 1] = '\0';
    // Every record takes at least its descriptor, so the stream bounds the count before
    // anything is allocated; a file without paths gives a caller nothing to follow.
    const long minRecord = static_cast<long>(sizeof(WedDescriptor));
    if (header.count <= 0 || header.count > in.Left() / minRecord)
        return refuse("its path count does not fit the file (damaged)");

    PathControl* paths = new (std::nothrow) PathControl[header.count];
    if (!paths) return refuse("out of memory");
    for (int n = 0; n < header.count; ++n) {
        WedDescriptor desc;
        WedCanvasPoint canvas[kMaxPoints] = {};
        if (!in.Read(&desc, sizeof desc) || desc.pointCount > kMaxPoints ||
            !in.Read(canvas, static_cast<long>(desc.pointCount * sizeof(WedCanvasPoint)))) {
            delete[] paths;
            return refuse("a path record is cut short or has more than four points (damaged)");
        }
        PathControl& path = paths[n];
        for (Uint32 i = 0; i < desc.pointCount; ++i)
            path.points[i] = WED_CanvasToWorld(canvas[i].px, canvas[i].py);
        // Measured at the new object's speed of 1, so until the next measurement the
        // duration equals the length; the file's speed is stored after.
        path.ComputeLength();
        path.speed = desc.speed;
        path.current = path.points[0];
        path.SetName(header.name);
    }
    *count = header.count;
    lastFault = "";
    return paths;
}

} // namespace

WED_Point WED_BezierPoint(const WED_Point p[4], float u) {
    const float v = 1.0f - u;
    const float b0 = v * v * v;
    const float b1 = 3.0f * u * (u - 1.0f) * (u - 1.0f);
    const float b2 = 3.0f * u * u * v;
    const float b3 = u * u * u;
    return WED_Point{b0 * p[0].x + b1 * p[1].x + b2 * p[2].x + b3 * p[3].x,
                     b0 * p[0].z + b1 * p[1].z + b2 * p[2].z + b3 * p[3].z};
}

WED_Point WED_CanvasToWorld(int px, int py) {
    const long double x = 0.003125L * (static_cast<long double>(px) - 320.0L);
    const long double z = (1.0L / 240.0L) * (static_cast<long double>(py) - 240.0L);
    return WED_Point{static_cast<float>(x), static_cast<float>(z)};
}

PathControl::PathControl()
    : previous{0, 0}, current{0, 0}, direction{0, 0}, t(0), curdist(0), name{}, loop(false), rate(0),
      duration(0), firstStep{0, 0}, points{}, maxdist(0), finished(true), running(false),
      speed(1.0f), firstSample{0, 0} {}

void PathControl::ComputeLength() {
    maxdist = 0.0f;
    // Samples are truncated toward zero like integer pixels; trunc keeps that exact
    // without the undefined conversion of values beyond the int range.
    double prevX = 0.0, prevZ = 0.0;
    float u = 0.0f;
    const float step = 1.0f / 50.0f;
    for (int i = 0; i < kSamples; ++i) {
        const WED_Point p = WED_BezierPoint(points, u);
        const double sx = std::trunc(static_cast<double>(p.x));
        const double sz = std::trunc(static_cast<double>(p.z));
        if (i == 0) {
            firstSample = WED_Point{static_cast<float>(sx), static_cast<float>(sz)};
            firstStep = firstSample;
        }
        maxdist += static_cast<float>(std::sqrt(std::pow(sx - prevX, 2.0) + std::pow(sz - prevZ, 2.0)));
        prevX = sx;
        prevZ = sz;
        u += step;
    }
    duration = maxdist / speed;
    rate = 1.0f / duration;
    direction = minus(points[1], points[0]);
}

void PathControl::Reset() {
    finished = true;
    running = false;
    previous = WED_Point{0, 0};
    current = points[0];
    direction = minus(points[1], points[0]);
    curdist = 0.0f;
    t = 0.0f;
    ComputeLength();
}

void PathControl::Scale(float factor) {
    for (WED_Point& p : points) {
        p.x *= factor;
        p.z *= factor;
    }
    ComputeLength();
}

void PathControl::SetName(const char* text) {
    if (!text) text = "";
    const size_t length = strnlen(text, sizeof name - 1);
    std::memcpy(name, text, length);
    std::memset(name + length, 0, sizeof name - length);
}

bool PathControl::operator==(const PathControl& other) const {
    for (int i = 0; i < 4; ++i)
        if (points[i].x != other.points[i].x || points[i].z != other.points[i].z) return false;
    return true;
}

void PathControl::Update(float seconds) {
    if (!running) return;
    finished = false;
    previous = current;
    current = WED_BezierPoint(points, t);
    direction = minus(current, previous);
    t += seconds * rate;
    curdist += distance(current, previous);

    char line[96];
    std::snprintf(line, sizeof line, "curdist:%5.5f maxdist:%5.5f", curdist, maxdist);
    LOG_Line(line);

    if (curdist >= maxdist) {
        if (loop) {
            // The next update travels from the origin to P0 and counts it, exactly like
            // the first term of the length measurement.
            curdist = 0.0f;
            t = 0.0f;
            finished = false;
            previous = current = WED_Point{0, 0};
            direction = minus(points[1], points[0]);
            running = true;
        } else {
            finished = true;
            running = false;
        }
    }
}

const char* WED_LastFault() { return lastFault; }

PathControl* OpenWEDFile(VH_RWops* stream, int* count, bool closeStream) {
    if (!stream || !count) return refuse("no stream");
    PathControl* paths = parse(stream, count);
    // Closed on failure too: the caller handed the stream over and gets nothing back.
    if (closeStream) stream->close(stream);
    return paths;
}

PathControl* OpenWEDFile(const char* name, int* count) {
    if (!count || !name) return nullptr;
    VH_RWops* stream = RES_OpenEntryStream(name);
    if (!stream) return refuse("not found in the archive");
    return OpenWEDFile(stream, count, true);
}
