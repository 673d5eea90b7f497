// papi: the particle system's core, a small state machine. Callers select a current group,
// set the birth settings, then issue actions (actions.h) that either run at once on the
// current group or, while a list is being recorded, are appended to it for later replay.
// Groups and lists live in two handle tables; a handle is an index into its table.
//
// Groups keep their particles inline in one contiguous array; removal moves the last live
// particle into the hole, so a particle's slot is not stable.
// uses: core, math
#pragma once

#include <cstddef>

#include "core/types.h"
#include "math/vmath.h"
#include "particles/domain.h"

struct PART_Particle {
    VECTOR position;
    VECTOR homePosition;  // where PART_ReturnHome steers it back to
    VECTOR size;          // per axis; x is the billboard size
    VECTOR velocity;      // units per time unit
    VECTOR savedVelocity; // velocity at birth or at the last snapshot
    VECTOR colour;        // red, green, blue, nominally 0..1
    float alpha;          // follows colour directly: the renderers pass the four as one RGBA
    float age;            // in time-step units
};
static_assert(sizeof(PART_Particle) == 80, "renderers stride over the particle array by 80 bytes");
static_assert(offsetof(PART_Particle, alpha) == offsetof(PART_Particle, colour) + 12, "colour and alpha adjoin");

struct PART_Group {
    Sint32 count;        // live particles, in slots 0..count-1
    Sint32 maxParticles; // emitters stop here
    Sint32 allocated;    // slots held, at least maxParticles
    PART_Particle* particles;
};

// One list entry holds any action record; the record's first four bytes are its type.
// Entry 0 of a list is its header: capacity then used, both counting the header.
const int PART_ACTION_BYTES = 384;
struct PART_ActionEntry {
    alignas(8) unsigned char bytes[PART_ACTION_BYTES];
};

// Settings: they take effect at once, also while recording, and are never recorded.
void PART_SetColour(float r, float g, float b, float alpha);
void PART_SetColourDomain(float alpha, int type, float a0 = 0, float a1 = 0, float a2 = 0, float a3 = 0, float a4 = 0,
                          float a5 = 0, float a6 = 0, float a7 = 0, float a8 = 0);
void PART_SetVelocity(float x, float y, float z);
void PART_SetVelocityDomain(int type, float a0 = 0, float a1 = 0, float a2 = 0, float a3 = 0, float a4 = 0,
                            float a5 = 0, float a6 = 0, float a7 = 0, float a8 = 0);
void PART_SetHome(float x, float y, float z);
void PART_SetHomeDomain(int type, float a0 = 0, float a1 = 0, float a2 = 0, float a3 = 0, float a4 = 0, float a5 = 0,
                        float a6 = 0, float a7 = 0, float a8 = 0);
void PART_SetHomeAtBirth(Uint8 flag);
void PART_SetSize(float x, float y, float z);
void PART_SetSizeDomain(int type, float a0 = 0, float a1 = 0, float a2 = 0, float a3 = 0, float a4 = 0, float a5 = 0,
                        float a6 = 0, float a7 = 0, float a8 = 0);
void PART_SetBirthAge(float age, float sigma);
void PART_SetTimeStep(float dt);

// The birth settings an emitter captures when it is issued.
struct PART_BirthSettings {
    PART_Domain sizeDomain;
    PART_Domain velocityDomain;
    PART_Domain homeDomain;
    PART_Domain colourDomain;
    float alpha;
    float birthAge;
    float birthAgeSpread;
    Uint8 homeAtBirth;
};
const PART_BirthSettings& PART_GetBirthSettings();

// Groups. Handles come as runs of consecutive empty slots; the table grows by the request + 16.
int PART_CreateGroups(int count, int maxParticles); // -1 while recording
void PART_FreeGroups(int first, int count);         // stops at the first empty slot
void PART_SelectGroup(int handle);                  // an unknown handle leaves no current group
int PART_ResizeGroup(int max);
void PART_AppendFromGroup(int sourceHandle, int first, int count);
// Packed per particle: 3 floats of position, 4 of colour and alpha, 3 of velocity, 3 of size,
// 1 of age; a null array skips its field. Returns the number read, or -1 recording, -2 no
// current group, -3 negative first or count, -4 nothing at or after first.
int PART_ReadParticles(int first, int count, float* positions, float* colours, float* velocities, float* sizes,
                       float* ages);
int PART_ParticleCount();
int PART_CurrentGroupIndex();
// The current group itself, for the renderers and effects; null when none.
PART_Group* PART_CurrentGroup();

// Action lists.
int PART_CreateLists(int count); // -1 while recording
void PART_BeginList(int handle); // empties the list, then records into it
void PART_EndList();
void PART_FreeLists(int first, int count);
void PART_RunList(int handle); // recorded as an action while recording
bool PART_IsRecording();
int PART_CurrentListIndex();
// Actions recorded in a list, the header excluded; -1 for an unknown handle.
int PART_ListLength(int handle);
// The recorded actions themselves, PART_ListLength of them, to read back; null for an unknown handle.
const PART_ActionEntry* PART_ListActions(int handle);
int PART_ListCapacity(int handle);

// Adds one particle at (x, y, z) with the birth settings (no age spread); recorded as an
// emit of rate 1 while recording.
void PART_AddParticle(float x, float y, float z);

// What every action builder ends in: runs the record at once on the current group, or
// appends it to the list being recorded. The record's first field is set to type.
void PART_SendAction(void* action, int type, int size);
void PART_RecordAction(const void* action, int size);
void PART_ExecuteActions(PART_ActionEntry* actions, int n, PART_Group* group);
// The time step of the action now running.
float PART_RunningTimeStep();

// Table sizes, and the program-start state back (every group and list freed, 16 empty
// slots per table, settings at their first values).
int PART_GroupTableSize();
int PART_ListTableSize();
void PART_Reset();
