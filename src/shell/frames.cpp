// frames: time controls, the frame record and its graph, wireframe and screenshots.
#include "shell/frames.h"

#include <GL/gl.h>
#include <algorithm>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "core/viewport.h"
#include "image/pngwrite.h"
#include "text/console.h"
#include "text/overlay.h"

namespace {
constexpr int kHistory = 240;    // frames the graph shows
constexpr int kSummarised = 120; // frames the fps command summarises
constexpr double kBudgetMs = 1000.0 / 60.0;

struct FrameTimes {
    float frameMs, updateMs, renderMs;
};

double timeScale = 1.0;
bool paused = false;
int stepsPending = 0;
FrameTimes history[kHistory] = {};
int newest = -1; // index of the latest frame in history
int recorded = 0;
bool graphShown = false;
bool wireframe = false;
bool shotPending = false;
std::string shotPath;

std::string freeShotName() {
    char name[32];
    struct stat info;
    for (int n = 1; n < 10000; ++n) {
        std::snprintf(name, sizeof name, "shot_%04d.png", n);
        if (stat(name, &info) != 0) return name;
    }
    return "shot_9999.png";
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

double percentile(std::vector<float> values, double p) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    const size_t i = std::min(values.size() - 1, (size_t)(p * (values.size() - 1) + 0.5));
    return values[i];
}
} // namespace

// ---------------------------------------------------------------------------
// time
// ---------------------------------------------------------------------------

void VH_SetTimeScale(double scale) {
    timeScale = std::min(10.0, std::max(0.1, scale));
}
double VH_TimeScale() {
    return timeScale;
}
void VH_SetPaused(bool on) {
    paused = on;
}
bool VH_IsPaused() {
    return paused;
}
void VH_StepOnce() {
    ++stepsPending;
}

double VH_FrameSeconds(double wallSeconds) {
    if (paused) {
        if (stepsPending == 0) return -1.0;
        --stepsPending;
    }
    return timeScale == 1.0 ? wallSeconds : wallSeconds * timeScale;
}

// ---------------------------------------------------------------------------
// the frame record
// ---------------------------------------------------------------------------

void VH_RecordUpdate(double frameMs, double updateMs) {
    newest = (newest + 1) % kHistory;
    history[newest] = {(float)frameMs, (float)updateMs, 0.0f};
    recorded = std::min(recorded + 1, kHistory);
}

void VH_RecordRender(double renderMs) {
    if (newest >= 0) history[newest].renderMs = (float)renderMs;
}

VH_FrameSummary VH_SummariseFrames() {
    std::vector<float> frame, update, render;
    const int n = std::min(recorded, kSummarised);
    for (int i = 0; i < n; ++i) {
        const FrameTimes& f = history[(newest - i + kHistory) % kHistory];
        frame.push_back(f.frameMs);
        update.push_back(f.updateMs);
        render.push_back(f.renderMs);
    }
    return {n,
            percentile(frame, 0.5),
            percentile(frame, 0.95),
            percentile(update, 0.5),
            percentile(update, 0.95),
            percentile(render, 0.5),
            percentile(render, 0.95)};
}

// ---------------------------------------------------------------------------
// the graph
// ---------------------------------------------------------------------------

void VH_ToggleFrameGraph() {
    graphShown = !graphShown;
}
bool VH_FrameGraphShown() {
    return graphShown;
}

void VH_DrawFrameGraph() {
    if (!graphShown) return;
    const float pxPerMs = 3.0f; // the 16.7 ms line stands 50 pixels up
    const float barWidth = 2.0f;
    const float left = 8.0f, bottom = (float)VH_WindowHeight - 8.0f;
    const float top = bottom - 2.0f * kBudgetMs * pxPerMs;
    CON_Begin2D(false);
    glColor4f(0.0f, 0.0f, 0.0f, 0.55f);
    CON_DrawRect(left, left + kHistory * barWidth, top, bottom);
    glBegin(GL_QUADS);
    for (int i = 0; i < recorded; ++i) {
        // Oldest on the left, newest on the right.
        const FrameTimes& f = history[(newest - (recorded - 1 - i) + kHistory) % kHistory];
        const float x0 = left + (kHistory - recorded + i) * barWidth, x1 = x0 + barWidth;
        const float u = std::min(bottom - top, f.updateMs * pxPerMs);
        const float r = std::min(bottom - top - u, f.renderMs * pxPerMs);
        glColor4f(0.3f, 0.9f, 0.3f, 0.9f); // update
        glVertex2f(x0, bottom);
        glVertex2f(x1, bottom);
        glVertex2f(x1, bottom - u);
        glVertex2f(x0, bottom - u);
        glColor4f(1.0f, 0.6f, 0.2f, 0.9f); // render, on top of the update
        glVertex2f(x0, bottom - u);
        glVertex2f(x1, bottom - u);
        glVertex2f(x1, bottom - u - r);
        glVertex2f(x0, bottom - u - r);
    }
    glEnd();
    const float budget = bottom - (float)kBudgetMs * pxPerMs;
    glColor4f(1.0f, 1.0f, 1.0f, 0.9f);
    glBegin(GL_LINES);
    glVertex2f(left, budget);
    glVertex2f(left + kHistory * barWidth, budget);
    glEnd();
    CON_End2D();
}

// ---------------------------------------------------------------------------
// wireframe and screenshots
// ---------------------------------------------------------------------------

void VH_ToggleWireframe() {
    wireframe = !wireframe;
}
bool VH_Wireframe() {
    return wireframe;
}

bool VH_RequestScreenshot(const std::string& path, std::string* error) {
    std::string name = path.empty() ? freeShotName() : path;
    if (name.size() < 4 || (name.compare(name.size() - 4, 4, ".png") != 0 && name.compare(name.size() - 4, 4, ".PNG")))
        name += ".png";
    const std::string folder = folderOf(name);
    struct stat info;
    if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || access(folder.c_str(), W_OK) != 0) {
        *error = name + ": cannot write (no such folder, or it is not writable)";
        return false;
    }
    if (stat(name.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        *error = name + ": is a folder";
        return false;
    }
    shotPath = name;
    shotPending = true;
    return true;
}

void VH_TakePendingScreenshot() {
    if (!shotPending) return;
    shotPending = false;
    const int w = VH_WindowWidth, h = VH_WindowHeight;
    std::vector<std::uint8_t> rows((size_t)w * h * 3), rgb((size_t)w * h * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, rows.data());
    for (int y = 0; y < h; ++y) // OpenGL's rows start at the bottom
        std::copy_n(rows.begin() + (size_t)(h - 1 - y) * w * 3, (size_t)w * 3, rgb.begin() + (size_t)y * w * 3);
    std::string error;
    char line[CON_LINE_SIZE];
    if (IMG_WritePNG(shotPath, rgb.data(), w, h, 3, &error))
        std::snprintf(line, sizeof line, "Wrote %s", shotPath.c_str());
    else
        std::snprintf(line, sizeof line, "shot: %s", error.c_str());
    CON_AddLine(VH_Console, line);
}
