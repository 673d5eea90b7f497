// spline: 3D paths read from .spo files, each a uniform B-spline over its control points,
// and PathControl3D, which moves a point along one in real time, optionally looping.
// uses: core, math, data
//
// A path is measured on the curve of order k (the file's value) and travelled on the curve
// of order k + 1; one k serves both, so a file written for one reader reads the same here.
#pragma once

#include "core/types.h"
#include "math/qvector.h"
#include "math/vmath.h"

struct VH_RWops;

// The traversal's knot table: a path fits when points + k + 1 <= SPL_KNOT_TABLE.
constexpr int SPL_KNOT_TABLE = 100;
// Every length sample costs a curve evaluation (about k^2 / 2 + P steps) on each load and each
// SetSpeed: a million samples of a cubic path take about a second, of the highest orders the knot
// table allows several. A file asking for more is refused.
constexpr int SPL_MAX_RESOLUTION = 1000000;
constexpr int SPL_FIRST_CAPACITY = 85; // the points' first allocation, in points

class PathControl3D {
public:
    PathControl3D();

    // Moves along the curve of order k + 1 by seconds of travel; nothing while inactive.
    void Update(double seconds);
    // Units per second: measures the length again and derives the progress rate from it.
    void SetSpeed(float unitsPerSecond);
    VECTOR GetDirection() const { return direction; }

    // The sampled length of the curve of order k; 0 for a path that cannot be measured.
    double MeasureLength() const;
    // True when the points, k and the knot table agree, so the curve can be evaluated.
    bool Traversable() const;

    Sint32 tag;              // first value of the path record, kept as read
    Sint32 k;                // the measurement's order; travel uses k + 1
    Sint32 resolution;       // length samples, 2..SPL_MAX_RESOLUTION
    qvector<VECTOR> points;  // control points
    float speed;             // units per second: length / duration
    bool active;             // moves on Update
    bool loop;               // restarts at time 0 after reaching the end
    bool finished;           // the end was reached (never left set on a looping path)
    float time;              // progress along the curve, 0..1 (at or above 1 once ended)
    float rate;              // progress per millisecond
    VECTOR position;         // current point on the curve
    VECTOR previousPosition; // position before the last Update
    VECTOR direction;        // position - previousPosition, not normalised
    double length;           // measured curve length
};

// Loads the archive entry name from the demo archive. The array (new[], *count objects) belongs
// to the caller, who frees it with delete[]. Null when the archive, the entry or the file is bad.
PathControl3D* OpenPath3DFile(const char* name, int* count);
// Parses a .spo file from a stream. On success the stream is closed when closeStream is set; on
// failure (null) the stream stays open and is still the caller's, and *count is not written.
// Every path is returned inactive, looping and at its first point.
PathControl3D* OpenPath3DFile(VH_RWops* stream, int* count, bool closeStream);

// out = (b - a) * t + a, per component.
void Lerp3(float out[3], const float a[3], const float b[3], float t);
// The cubic Bezier point of p0..p3 at t, by repeated linear interpolation.
void BezierPoint(VECTOR* out, const VECTOR* p0, const VECTOR* p1, const VECTOR* p2, const VECTOR* p3, float t);
