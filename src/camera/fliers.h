// fliers: the record of one flying figure of scene one. It lives here, beside the camera,
// because the camera's follow and chase events read a figure's position, offset and
// heading, and the particle trails read its position and colour; scene one fills it.
// uses: math
#pragma once

#include "math/vmath.h"

class PathControl3D;

struct FLIERS {
    PathControl3D* path; // the figure's spline path; not owned
    VECTOR offset;       // added to position to give the drawn position
    VECTOR start;        // start of the current straight move; later the path's first control point
    VECTOR position;     // the anchor: launch position, later the path's current point
    VECTOR colour;       // trail colour, red, green, blue in 0..1
    VECTOR heading;      // launch: the whole displacement; on the path: unit direction of the last step
    float progress;      // launch progress 0..1
    float rate;          // launch progress per millisecond
    int group;           // particle group of the trail
    bool visible;        // launched and drawn
    int state;           // 0 waiting, 1 launched, 3 on its path
};
