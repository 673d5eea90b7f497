// wedpath: flat paths drawn on a 640 x 480 canvas (WED files), each one cubic Bezier
// curve laid on the world's x-z plane, and PathControl, which moves a point along one
// at a set speed and ends the run by distance travelled.
// uses: core, data
#pragma once

struct VH_RWops;

// A point on the x-z plane.
struct WED_Point {
    float x;
    float z;
};

class PathControl {
public:
    PathControl();

    void Update(float seconds);
    void ComputeLength();
    void Reset();
    void SetRunning(bool run) { running = run; }
    void Scale(float factor);
    void SetName(const char* text);
    bool operator==(const PathControl& other) const;

    WED_Point previous;  // position before the last update
    WED_Point current;   // position on the curve
    WED_Point direction; // current - previous
    float t;             // curve parameter, 0 at the start
    float curdist;       // world units travelled since the start
    char name[32];       // NUL-terminated
    bool loop;           // restart after the end
    float rate;          // parameter change per second (1 / duration)
    float duration;      // seconds: maxdist / speed
    WED_Point firstStep; // first length sample minus the origin
    WED_Point points[4]; // control points P0..P3, world units
    float maxdist;       // measured length of the curve
    bool finished;       // the end was reached and the path stopped
    bool running;        // the path moves on Update
    float speed;         // world units per second
    WED_Point firstSample;
};

// The point of the curve with control points p at parameter u (u above 1 extends it).
WED_Point WED_BezierPoint(const WED_Point p[4], float u);

// A canvas pixel as a world point: the canvas centre is the origin, its edges +-1.
WED_Point WED_CanvasToWorld(int px, int py);

// Loads every path of a WED file. The array (new[], *count objects) belongs to the
// caller. Null when count is null, the file is missing, or it is not a sound WED file.
PathControl* OpenWEDFile(const char* name, int* count);
// As above from a stream; the stream is closed when closeStream is set, also on failure.
PathControl* OpenWEDFile(VH_RWops* stream, int* count, bool closeStream);
// Why the last OpenWEDFile returned null ("not a WED path file"), "" after a success.
const char* WED_LastFault();
