// actions: one step of particle behaviour over one time step, applied to every particle of
// the current group: emit, push, move, collide, attract, fade, kill. Each call packs its
// arguments into a record and hands it to PART_SendAction (papi.h), which runs it at once or
// appends it to the list being recorded; the executor here then does the per-particle work.
//
// A maximum radius whose square reaches 1.0e16 is unbounded: the distance test is skipped.
// Particles exactly on the centre or axis an action divides by, and particles at rest in the
// steering actions, are skipped: they have no direction to be pushed along.
// uses: core, math
#pragma once

#include "core/types.h"
#include "particles/domain.h"
#include "particles/papi.h"

// Record types; the numbers are stored in recorded lists.
enum {
    PART_ACTION_STEER_CLEAR = 1,
    PART_ACTION_REBOUND = 2,
    PART_ACTION_RUN_LIST = 3,
    PART_ACTION_SNAPSHOT_HOME = 4,
    PART_ACTION_DRAG = 5,
    PART_ACTION_SHOCKWAVE = 6,
    PART_ACTION_CHAIN_ATTRACT = 7,
    PART_ACTION_MUTUAL_ATTRACT = 8,
    PART_ACTION_ACCELERATE = 9,
    PART_ACTION_BLOWER = 10,
    PART_ACTION_AGE_CULL = 11,
    PART_ACTION_SHARE_VELOCITY = 12,
    PART_ACTION_ADVANCE = 13,
    PART_ACTION_LINE_ATTRACT = 14,
    PART_ACTION_POINT_ATTRACT = 15,
    PART_ACTION_JITTER_VELOCITY = 16,
    PART_ACTION_JITTER_POSITION = 17,
    PART_ACTION_REPLACE_VELOCITY = 18,
    PART_ACTION_RETURN_HOME = 19,
    PART_ACTION_CULL_BY_POSITION = 20,
    PART_ACTION_CULL_BY_VELOCITY = 21,
    PART_ACTION_EMIT = 22,
    PART_ACTION_CLAMP_SPEED = 23,
    PART_ACTION_FADE_COLOUR = 24,
    PART_ACTION_GROW_SIZE = 25,
    PART_ACTION_STEER_VELOCITY = 26,
    PART_ACTION_SWIRL = 27
};

// The records as a list holds them (PART_ListActions): the type first, then the parameters in the
// order they are stored. Some are stored derived: squares of speeds and radii, 1 - friction.

struct PART_SteerClearRec {
    Sint32 type;
    PART_Domain domain;
    float lookAhead, magnitude, epsilon;
};
struct PART_ReboundRec {
    Sint32 type;
    PART_Domain domain;
    float oneMinusFriction, resilience, cutoffSqr;
};
struct PART_SnapshotRec {
    Sint32 type;
    Uint8 copyPosition, copyVelocity;
};
struct PART_DragRec {
    Sint32 type;
    VECTOR damping;
    float lowSpeedSqr, highSpeedSqr;
};
struct PART_ShockwaveRec {
    Sint32 type;
    VECTOR centre;
    float speed, magnitude, sigma, age, epsilon;
};
struct PART_PairRec { // chain, mutual attraction, shared velocity
    Sint32 type;
    float magnitude, epsilon, maxRadius;
};
struct PART_AccelerateRec {
    Sint32 type;
    VECTOR acceleration;
};
struct PART_BlowerRec {
    Sint32 type;
    VECTOR centre;
    PART_Domain acceleration;
    float magnitude, epsilon, maxRadius;
};
struct PART_AgeCullRec {
    Sint32 type;
    float ageLimit;
    Uint8 killYounger;
};
struct PART_AdvanceRec {
    Sint32 type;
};
struct PART_AxisRec { // line attraction and swirl
    Sint32 type;
    VECTOR point, axis;
    float magnitude, epsilon, maxRadius;
};
struct PART_PointAttractRec {
    Sint32 type;
    VECTOR centre;
    float magnitude, epsilon, maxRadius;
};
struct PART_DomainRec { // the two jitters and the velocity replacement
    Sint32 type;
    PART_Domain domain;
};
struct PART_ReturnHomeRec {
    Sint32 type;
    float timeLeft;
};
struct PART_CullRec {
    Sint32 type;
    Uint8 killInside;
    PART_Domain domain;
};
struct PART_EmitRec {
    Sint32 type;
    PART_Domain position, home, size, velocity, colour;
    float alpha, particleRate, birthAge, birthAgeSpread;
    Uint8 homeAtBirth;
};
struct PART_ClampSpeedRec {
    Sint32 type;
    float minSpeed, maxSpeed;
};
struct PART_FadeColourRec {
    Sint32 type;
    VECTOR colour;
    float alpha, scale;
};
struct PART_GrowSizeRec {
    Sint32 type;
    VECTOR size, scale;
};
struct PART_SteerVelocityRec {
    Sint32 type;
    VECTOR velocity;
    float scale;
};

// Domain arguments: a domain type, then its nine numbers (unused ones 0).
void PART_SteerClear(float magnitude, float epsilon, float lookAhead, int type, float a0 = 0, float a1 = 0,
                     float a2 = 0, float a3 = 0, float a4 = 0, float a5 = 0, float a6 = 0, float a7 = 0, float a8 = 0);
void PART_Rebound(float friction, float resilience, float cutoff, int type, float a0 = 0, float a1 = 0, float a2 = 0,
                  float a3 = 0, float a4 = 0, float a5 = 0, float a6 = 0, float a7 = 0, float a8 = 0);
void PART_SnapshotHome(Uint8 copyPosition, Uint8 copyVelocity);
void PART_Drag(float dx, float dy, float dz, float lowSpeed, float highSpeed);
void PART_Shockwave(float cx, float cy, float cz, float speed, float magnitude, float sigma, float epsilon, float age);
void PART_ChainAttract(float magnitude, float epsilon, float maxRadius);
void PART_MutualAttract(float magnitude, float epsilon, float maxRadius);
void PART_Accelerate(float ax, float ay, float az);
// Blows with accelerations drawn from the velocity domain set when this is called.
void PART_Blower(float cx, float cy, float cz, float magnitude, float epsilon, float maxRadius);
void PART_AgeCull(float ageLimit, Uint8 killYounger);
void PART_ShareVelocity(float magnitude, float epsilon, float maxRadius);
void PART_Advance();
void PART_LineAttract(float px, float py, float pz, float ax, float ay, float az, float magnitude, float epsilon,
                      float maxRadius);
void PART_PointAttract(float cx, float cy, float cz, float magnitude, float epsilon, float maxRadius);
void PART_JitterVelocity(int type, float a0 = 0, float a1 = 0, float a2 = 0, float a3 = 0, float a4 = 0, float a5 = 0,
                         float a6 = 0, float a7 = 0, float a8 = 0);
void PART_JitterPosition(int type, float a0 = 0, float a1 = 0, float a2 = 0, float a3 = 0, float a4 = 0, float a5 = 0,
                         float a6 = 0, float a7 = 0, float a8 = 0);
void PART_ReplaceVelocity(int type, float a0 = 0, float a1 = 0, float a2 = 0, float a3 = 0, float a4 = 0, float a5 = 0,
                          float a6 = 0, float a7 = 0, float a8 = 0);
void PART_ReturnHome(float timeLeft);
void PART_CullByPosition(Uint8 killInside, int type, float a0 = 0, float a1 = 0, float a2 = 0, float a3 = 0,
                         float a4 = 0, float a5 = 0, float a6 = 0, float a7 = 0, float a8 = 0);
void PART_CullByVelocity(Uint8 killInside, int type, float a0 = 0, float a1 = 0, float a2 = 0, float a3 = 0,
                         float a4 = 0, float a5 = 0, float a6 = 0, float a7 = 0, float a8 = 0);
// Emits particleRate x dt particles on average, with the birth settings in force now.
void PART_Emit(float particleRate, int type, float a0 = 0, float a1 = 0, float a2 = 0, float a3 = 0, float a4 = 0,
               float a5 = 0, float a6 = 0, float a7 = 0, float a8 = 0);
void PART_ClampSpeed(float minSpeed, float maxSpeed);
void PART_FadeColour(float r, float g, float b, float alpha, float scale);
void PART_GrowSize(float sx, float sy, float sz, float scaleX, float scaleY, float scaleZ);
void PART_SteerVelocity(float vx, float vy, float vz, float scale);
void PART_Swirl(float cx, float cy, float cz, float ax, float ay, float az, float magnitude, float epsilon,
                float maxRadius);

// For the core: an emit over a ready domain (PART_AddParticle while recording), and the
// executor of one record of any type but run-list (papi runs those). Returns false for an unknown type.
void PART_EmitFrom(float particleRate, const PART_Domain& position);
bool PART_ExecuteAction(void* record, PART_Group* group);
