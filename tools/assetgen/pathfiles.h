// pathfiles: writers of the two path formats, .spo (3D B-spline paths) and .wed (flat Bezier paths).
#pragma once

#include <string>
#include <vector>

#include "meshkit.h"
#include "core/types.h"

// One spline path: the reader measures its length with order k and moves along it with order k + 1
// over the control points, so it needs at least k + 1 points; its knot table limits points + k to 99.
struct SpoPath {
    Sint32 k;                   // 2..
    Sint32 resolution;          // samples for the length measurement, 2..
    float startTime;            // seconds
    float endTime;              // seconds, after startTime
    std::vector<MkVec3> points; // world units, y up
};

// One flat path: a cubic Bezier curve of four control points on a 640 x 480 canvas, whose centre is
// the world origin and whose edges are -1..1 (the scene scales it).
struct WedPath {
    float speed;
    Sint32 canvas[4][2]; // (x, y) pixels for P0..P3
};

// The file, or empty with the first fault in *fault.
std::vector<Uint8> PATH_WriteSPO(const std::vector<SpoPath>& paths, std::string* fault);
std::vector<Uint8> PATH_WriteWED(const std::string& name, const std::vector<WedPath>& paths, std::string* fault);
