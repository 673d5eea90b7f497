// platform: the few places where the engine touches GLUT's clock, timers, display
// callback, buffer swap and process exit. A normal run goes straight to GLUT; a driven
// run (tests, vhcapture) installs hooks that serve them from its demo clock instead.
// uses: nothing of ours (GLUT only)
#pragma once

#include "core/types.h"

// Milliseconds since start-up: GLUT_ELAPSED_TIME, or the driver's demo clock.
Uint32 VH_ClockTicks();

// glutDisplayFunc, or the driver's record of which display routine to call.
void VH_SetDisplayFunc(void (*display)());

// glutTimerFunc, or a timer on the driver's demo clock.
void VH_ScheduleTimer(unsigned int ms, void (*callback)(int), int value);

// glutSwapBuffers; a driven run may first copy the finished back buffer for capture.
void VH_SwapBuffers();

// glutPostRedisplay (a driven run renders when its caller asks).
void VH_PostRedisplay();

// Every end of the process goes through here: normal ends (status 0) and fatal ones
// (status 1). A hook, when set, runs first (vhcapture flushes its statistics there).
[[noreturn]] void VH_Exit(int status);
void VH_SetExitHook(void (*hook)(int status));

// What a driven run puts in GLUT's place. A null member keeps GLUT's own service.
struct VH_PlatformHooks {
    Uint32 (*clockTicks)();
    void (*setDisplayFunc)(void (*display)());
    void (*scheduleTimer)(unsigned int ms, void (*callback)(int), int value);
    void (*beforeSwap)();
    bool noRedisplay; // a driven run renders when its caller asks
};
void VH_SetPlatformHooks(const VH_PlatformHooks& hooks);
