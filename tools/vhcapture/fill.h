// fill: where a frame's fill goes. The overdraw count: every fragment the rasteriser makes is
// counted per pixel in the stencil buffer while the frame is drawn as usual (the count touches no
// colour or depth, so the frame is the one a run without it draws, and nothing is drawn twice),
// then read back for the frames the run saves and drawn as a heat map. The pass times: at each
// pass mark of the engine the renderer is waited for (glFinish) and the time since the last mark
// goes to the pass that ran.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/passmark.h"

// The fragments counted for one frame.
struct CapOverdraw {
    int width = 0, height = 0;
    std::vector<std::uint8_t> counts; // per pixel, top row first; 255 means 255 or more
    double mean = 0.0;                // fragments per pixel over the whole frame
    double meanCovered = 0.0;         // over the pixels that got at least one
    double covered = 0.0;             // share of the pixels that got at least one, 0..1
    int most = 0;
};

// The counting state: stencil test on, always passing, every fragment adding one (whether or not
// it then passes the depth test: the rasteriser made it either way). Call once the window, with
// its stencil buffer, is open; the program never touches the stencil state itself.
void CAP_StartCounting();
// Reads the counts of the finished width x height frame in the back buffer, when read is set, then
// clears the stencil buffer for the next frame. Returns whether counts were read.
bool CAP_TakeCounts(bool read, int width, int height, CapOverdraw* out);
// The heat map of the counts, RGB top row first: black for none, then blue, cyan, green, yellow,
// orange, red, and white from 20 fragments a pixel on.
std::vector<std::uint8_t> CAP_HeatMap(const CapOverdraw& counts);
// The colour of n fragments a pixel in the heat map.
void CAP_HeatColour(int n, std::uint8_t out[3]);
// A picture with the heat map's key added below it (the colours of 0 to 20 and more fragments).
std::vector<std::uint8_t> CAP_AddHeatKey(const std::vector<std::uint8_t>& rgb, int width, int height, int* outHeight);

// The pass times of one frame, in ms per VH_Pass.
struct CapPassTimes {
    double ms[VH_PASS_COUNT] = {};
};

// Begins timing a frame (the pass "other" runs first); null stops the timing.
void CAP_StartPassTimes(CapPassTimes* frame);
// Ends the frame: the renderer is waited for and the time since the last mark goes to the pass that ran.
void CAP_EndPassTimes();
