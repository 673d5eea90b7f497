// timer: the frame timer (seconds between frames) over GLUT's millisecond clock.
// The ticks come from VH_ClockTicks, which is GLUT's elapsed time in a normal run and
// the driver's demo clock in a driven one.
#include "core/timer.h"

#include "core/platform.h"

namespace {
struct FrameTimer {
    double scale = 0.0; // seconds per tick; set before main
    Uint32 now = 0;     // ticks read by the latest TIMER_GetDelta
    Uint32 last = 0;    // ticks at the previous TIMER_GetDelta
    Uint32 start = 0;   // ticks at the latest TIMER_Reset
};
FrameTimer timer;

// Runs before main, like every static initialiser of the engine.
struct TimerInit {
    TimerInit() { TIMER_Init(); }
} timerInit;
} // namespace

void TIMER_Init() {
    timer.scale = 1.0 / 1000.0;
}

// No wrap-around handling: both tick values become doubles before the subtraction.
double TIMER_GetDelta() {
    timer.now = VH_ClockTicks();
    const double result = ((double)timer.now - (double)timer.last) * timer.scale;
    timer.last = timer.now;
    return result;
}

void TIMER_Reset() {
    timer.now = 0;
    timer.last = 0;
    TIMER_GetDelta();
    timer.start = timer.now;
}

int TIMER_GetTicks(Uint32* out) {
    const Uint32 t = VH_ClockTicks();
    *out = t;
    return (int)t;
}

int TIMER_GetTicks() {
    return (int)VH_ClockTicks();
}
double TIMER_GetScale() {
    return timer.scale;
}
Uint32 TIMER_GetStartTicks() {
    return timer.start;
}
Uint32 TIMER_GetLastTicks() {
    return timer.last;
}
