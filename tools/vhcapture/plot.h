// plot: the picture of a run's frame times (--plot). Time runs across; each frame is a thin bar
// of its update time with its render time stacked on it; each intro, scene and the credits has
// a band of its own colour, named above it with its median frame time; a ms scale on the left
// and a line at 16.7 ms, the budget of a 60 Hz display.
#pragma once

#include <cstdint>
#include <vector>

#include "stats.h"

const int CAP_PLOT_WIDTH = 1200; // pixels
const int CAP_PLOT_HEIGHT = 420;

// The plot of rows (in frame order) as an RGB picture of CAP_PLOT_WIDTH x CAP_PLOT_HEIGHT.
// Loading frames run long by nature, so the scale follows the others and a bar that does not
// fit is cut at the top with a white tip.
std::vector<std::uint8_t> CAP_DrawPlot(const std::vector<CapFrameRow>& rows);
