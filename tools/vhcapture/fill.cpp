// fill: overdraw counts in the stencil buffer and per-pass times (see fill.h).
#include "fill.h"

#include <GL/gl.h>
#include <algorithm>
#include <chrono>
#include <cstdio>

#include "pictures.h"

namespace {
typedef std::chrono::steady_clock Clock;

// The heat map's colour at whole counts; counts between two stops are blended.
struct HeatStop {
    int count;
    std::uint8_t rgb[3];
};
const HeatStop heatStops[] = {
    {0, {0, 0, 0}},     {1, {20, 30, 150}}, {2, {0, 110, 255}}, {3, {0, 210, 210}},    {4, {0, 190, 40}},
    {6, {230, 230, 0}}, {8, {255, 140, 0}}, {12, {230, 0, 0}},  {20, {255, 255, 255}},
};
const int heatKeyHeight = 34; // pixels under the picture for the key

CapPassTimes* passFrame = nullptr;
int passRunning = VH_PASS_OTHER;
Clock::time_point passSince;

void onPass(int pass) {
    if (!passFrame) return;
    glFinish();
    const Clock::time_point now = Clock::now();
    passFrame->ms[passRunning] += std::chrono::duration<double, std::milli>(now - passSince).count();
    passSince = now;
    passRunning = pass >= 0 && pass < VH_PASS_COUNT ? pass : VH_PASS_OTHER;
}
} // namespace

void CAP_StartCounting() {
    glClearStencil(0);
    glStencilMask(0xFF);
    glClear(GL_STENCIL_BUFFER_BIT);
    glEnable(GL_STENCIL_TEST);
    glStencilFunc(GL_ALWAYS, 0, 0xFF);
    glStencilOp(GL_KEEP, GL_INCR, GL_INCR);
}

bool CAP_TakeCounts(bool read, int w, int h, CapOverdraw* out) {
    if (read) {
        std::vector<std::uint8_t> rows((size_t)std::max(0, w) * std::max(0, h));
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadBuffer(GL_BACK);
        if (w > 0 && h > 0) glReadPixels(0, 0, w, h, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, rows.data());
        out->width = w;
        out->height = h;
        out->counts.assign(rows.size(), 0);
        long long sum = 0, coveredPixels = 0;
        int most = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const std::uint8_t n = rows[(size_t)y * w + x];
                out->counts[(size_t)(h - 1 - y) * w + x] = n;
                sum += n;
                coveredPixels += n > 0;
                most = std::max(most, (int)n);
            }
        const double pixels = (double)w * h;
        out->mean = pixels > 0 ? (double)sum / pixels : 0.0;
        out->meanCovered = coveredPixels > 0 ? (double)sum / (double)coveredPixels : 0.0;
        out->covered = pixels > 0 ? (double)coveredPixels / pixels : 0.0;
        out->most = most;
    }
    glClear(GL_STENCIL_BUFFER_BIT);
    return read;
}

void CAP_HeatColour(int n, std::uint8_t out[3]) {
    const int last = (int)(sizeof heatStops / sizeof heatStops[0]) - 1;
    if (n <= 0) n = 0;
    for (int i = 0; i < last; ++i) {
        const HeatStop& a = heatStops[i];
        const HeatStop& b = heatStops[i + 1];
        if (n >= b.count) continue;
        const double t = (double)(n - a.count) / (double)(b.count - a.count);
        for (int k = 0; k < 3; ++k)
            out[k] = (std::uint8_t)(a.rgb[k] + (b.rgb[k] - a.rgb[k]) * t + 0.5);
        return;
    }
    for (int k = 0; k < 3; ++k)
        out[k] = heatStops[last].rgb[k];
}

std::vector<std::uint8_t> CAP_HeatMap(const CapOverdraw& counts) {
    std::vector<std::uint8_t> rgb(counts.counts.size() * 3);
    std::uint8_t colours[256][3];
    for (int n = 0; n < 256; ++n)
        CAP_HeatColour(n, colours[n]);
    for (size_t i = 0; i < counts.counts.size(); ++i)
        std::copy_n(colours[counts.counts[i]], 3, rgb.begin() + (long)i * 3);
    return rgb;
}

std::vector<std::uint8_t> CAP_AddHeatKey(const std::vector<std::uint8_t>& rgb, int width, int height, int* outHeight) {
    *outHeight = height + heatKeyHeight;
    std::vector<std::uint8_t> out((size_t)width * *outHeight * 3, 0);
    std::copy(rgb.begin(), rgb.end(), out.begin());
    // A swatch for each count from 0 to 20, with the counts of the stops written under theirs.
    const int swatch = std::max(4, std::min(16, (width - 16) / 22));
    const std::uint8_t white[3] = {255, 255, 255};
    for (int n = 0; n <= 20; ++n) {
        std::uint8_t c[3];
        CAP_HeatColour(n, c);
        const int x0 = 8 + n * swatch, y0 = height + 4;
        for (int y = y0; y < y0 + 12 && y < *outHeight; ++y)
            for (int x = x0; x < x0 + swatch && x < width; ++x)
                std::copy_n(c, 3, out.begin() + ((long)y * width + x) * 3);
        for (const HeatStop& s : heatStops)
            if (s.count == n) {
                char label[8];
                std::snprintf(label, sizeof label, "%d", n);
                CAP_DrawText(out, width, *outHeight, x0, y0 + 16, label, white, 2);
            }
    }
    return out;
}

void CAP_StartPassTimes(CapPassTimes* frame) {
    passFrame = frame;
    passRunning = VH_PASS_OTHER;
    passSince = Clock::now();
    VH_SetPassListener(frame ? onPass : nullptr);
}

void CAP_EndPassTimes() {
    onPass(VH_PASS_OTHER);
}
