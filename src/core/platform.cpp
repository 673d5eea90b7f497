// platform: GLUT's clock, timers, display callback and swap, or a driven run's hooks.
#include "core/platform.h"

#include <GL/freeglut.h>
#include <cstdlib>

namespace {
VH_PlatformHooks hooks = {nullptr, nullptr, nullptr, nullptr, false};
void (*exitHook)(int) = nullptr;
} // namespace

void VH_SetPlatformHooks(const VH_PlatformHooks& h) {
    hooks = h;
}

Uint32 VH_ClockTicks() {
    if (hooks.clockTicks) return hooks.clockTicks();
    return (Uint32)glutGet(GLUT_ELAPSED_TIME);
}

void VH_SetDisplayFunc(void (*routine)()) {
    if (hooks.setDisplayFunc)
        hooks.setDisplayFunc(routine);
    else
        glutDisplayFunc(routine);
}

void VH_ScheduleTimer(unsigned int ms, void (*callback)(int), int value) {
    if (hooks.scheduleTimer)
        hooks.scheduleTimer(ms, callback, value);
    else
        glutTimerFunc(ms, callback, value);
}

void VH_SwapBuffers() {
    if (hooks.beforeSwap) hooks.beforeSwap();
    glutSwapBuffers();
}

void VH_PostRedisplay() {
    if (!hooks.noRedisplay) glutPostRedisplay();
}

void VH_SetExitHook(void (*hook)(int)) {
    exitHook = hook;
}

void VH_Exit(int status) {
    if (exitHook) exitHook(status);
    std::exit(status);
}
