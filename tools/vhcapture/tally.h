// tally: what a frame costs besides its time, counted for --stats: the GL calls made (by the
// engine and inside the GLU and GLUT routines it calls) and the heap allocations of the program's
// own code (made on the main thread outside any GL, GLU or GLUT call, so the driver's own do not
// count).
//
// The program that links tally.cpp defines the GL entry points itself; the static linker binds the
// engine's calls to them and the dynamic linker binds the GLU and GLUT libraries' calls to them,
// and each counts and forwards to the driver's function found after it. Nothing is counted in
// programs that do not link it (the demo, the tests of other folders).
#pragma once

struct CapTally {
    double cpuMs;     // CPU time of every thread of the process, user and system, since it started
    long glCalls;     // since the program started
    long allocations; // malloc, calloc and realloc calls (operator new included); 0 when not counted
};

// Counts from here on; allocations are counted on the calling thread only.
void CAP_TallyStart();
CapTally CAP_Tally();
// False when this build cannot count allocations (under a sanitizer, which owns malloc).
bool CAP_TallyCountsAllocations();
// Whether name (a gl, glu or glut function) is one of those counted or watched.
bool CAP_Tallied(const char* name);
