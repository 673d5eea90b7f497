// timer: the frame timer (seconds between frames) over GLUT's millisecond clock.
// uses: nothing of ours
#pragma once

#include "core/types.h"

void TIMER_Init();
double TIMER_GetDelta();
void TIMER_Reset();
int TIMER_GetTicks(Uint32* out);
int TIMER_GetTicks();
double TIMER_GetScale();
Uint32 TIMER_GetStartTicks();
Uint32 TIMER_GetLastTicks();
