// driver: runs the engine without a person (see driver.h).
#include "shell/driver.h"

#include <GL/freeglut.h>
#include <algorithm>
#include <cstdlib>

#include "core/platform.h"
#include "shell/window.h"

namespace {
struct PendingTimer {
    double due; // demo ms
    long order; // scheduling order breaks ties
    void (*callback)(int);
    int value;
};

bool driven = false;
bool opened = false;
double clockMs = 0.0; // demo time
long timerOrder = 0;
std::vector<PendingTimer> timers;
void (*displayRoutine)() = nullptr;
bool capturing = false;
void (*swapListener)() = nullptr; // VH_DriverSetSwapListener
std::vector<std::uint8_t> frame;
int frameWidth = 0;
int frameHeight = 0;

void readBack(std::vector<std::uint8_t>& out, int* width, int* height) {
    const int w = glutGet(GLUT_WINDOW_WIDTH);
    const int h = glutGet(GLUT_WINDOW_HEIGHT);
    out.resize((size_t)w * h * 3);
    std::vector<std::uint8_t> rows((size_t)w * h * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, rows.data());
    // OpenGL's rows start at the bottom; ours start at the top.
    for (int y = 0; y < h; ++y)
        std::copy_n(rows.begin() + (size_t)(h - 1 - y) * w * 3, (size_t)w * 3, out.begin() + (size_t)y * w * 3);
    *width = w;
    *height = h;
}
// ---------------------------------------------------------------------------
// platform services of a driven run
// ---------------------------------------------------------------------------

Uint32 drivenClockTicks() {
    return (Uint32)clockMs;
}

void drivenSetDisplayFunc(void (*routine)()) {
    displayRoutine = routine;
}

void drivenScheduleTimer(unsigned int ms, void (*callback)(int), int value) {
    timers.push_back({clockMs + ms, timerOrder++, callback, value});
}

void drivenBeforeSwap() {
    if (capturing) readBack(frame, &frameWidth, &frameHeight);
    if (swapListener) swapListener();
}
} // namespace

// ---------------------------------------------------------------------------
// driver
// ---------------------------------------------------------------------------

void VH_DriverOpen(int argc, char** argv, int width, int height, bool stencil) {
    if (opened) return;
    opened = true;
    driven = true;
    clockMs = 0.0;
    VH_SetPlatformHooks({drivenClockTicks, drivenSetDisplayFunc, drivenScheduleTimer, drivenBeforeSwap, true});
    VH_Start(argc, argv, width, height, true, stencil);
    // GLUT would deliver the first reshape from its loop; a driven run has no loop.
    reshape(width, height);
}

bool VH_IsDriven() {
    return driven;
}

void VH_DriverStep(double seconds) {
    clockMs += seconds * 1000.0;
    // Fire due timers in time order; a callback may schedule another.
    for (;;) {
        auto due = std::min_element(timers.begin(), timers.end(), [](const PendingTimer& a, const PendingTimer& b) {
            return a.due != b.due ? a.due < b.due : a.order < b.order;
        });
        if (due == timers.end() || due->due > clockMs) break;
        const PendingTimer t = *due;
        timers.erase(due);
        t.callback(t.value);
    }
    VH_IdleStep(seconds);
}

void VH_DriverRender() {
    if (displayRoutine) displayRoutine();
}

void VH_DriverKey(unsigned char key) {
    keyboard(key, 0, 0);
}
void VH_DriverSpecialKey(int key) {
    special(key, 0, 0);
}

double VH_DriverTime() {
    return clockMs;
}

void VH_DriverSetSwapListener(void (*listener)()) {
    swapListener = listener;
}

void VH_DriverCapture(bool on) {
    capturing = on;
}

const std::vector<std::uint8_t>& VH_DriverFrame(int* width, int* height) {
    *width = frameWidth;
    *height = frameHeight;
    return frame;
}

std::vector<std::uint8_t> VH_DriverReadBack(int* width, int* height) {
    std::vector<std::uint8_t> out;
    readBack(out, width, height);
    return out;
}
