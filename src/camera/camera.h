// camera: the scripted camera of the 3D scenes and its timed events. Up to four events drive
// the eye, the target, the up vector and the field of view: straight timed moves, rides along
// flat (WED) and spline paths, following a figure, and chasing it from five viewpoints.
// uses: core, math, data (the path classes beside it read files)
//
// A scene calls Update once per frame and Apply at the start of its rendering. Queuing an event
// first stops every event that drives one of its channels, then takes the first free slot; with
// all four busy the request is dropped. An event that ends is not copied into the camera in the
// update it ends in, so a linear move leaves the camera at its last value short of the end.
#pragma once

#include "camera/fliers.h"
#include "core/types.h"
#include "math/vmath.h"

// Channels, as bits of a mask. A single bit also names the event's slot (see CAM_SlotOf).
enum : Uint32 {
    CAM_EYE = 1,
    CAM_TARGET = 2,
    CAM_UP = 4,
    CAM_FOV = 8, // the x component of the slot's vector
};
constexpr int CAM_SLOTS = 4;
constexpr int CAM_EVENTS = 4;

// Event types.
enum : Sint32 {
    CAM_LINEAR = 1,     // start to end over a duration
    CAM_WEDPATH = 2,    // a flat PathControl's point, on the x-z plane
    CAM_SPLINEPATH = 4, // a PathControl3D's point
    CAM_FOLLOW = 8,     // a figure's place, every update
    CAM_CHASE = 16,     // eye placed about a figure by mode, target on it, up (0,1,0)
};

// Slot of a channel mask (0..3), or -1 for a mask above CAM_FOV that no slot belongs to.
int CAM_SlotOf(Uint32 channels);

class CamEvent {
public:
    // Clears the run state (object, flags, progress); vectors, channels, type and mode stay.
    void Reset();
    // Advances the event by seconds; called only by DemoCamera.
    void Update(float seconds);

    Uint32 channels = 0;              // mask of CAM_EYE .. CAM_FOV
    Sint32 type = 0;                  // CAM_LINEAR .. CAM_CHASE; another value changes nothing
    Sint32 mode = 0;                  // chase viewpoint 0..4
    VECTOR start[CAM_SLOTS];          // per slot, linear moves
    VECTOR end[CAM_SLOTS];            // per slot, linear moves
    VECTOR value[CAM_SLOTS];          // per slot, the output the camera copies
    float durationMs[CAM_SLOTS] = {}; // milliseconds, as queued
    float t[CAM_SLOTS] = {};          // progress 0..1
    float speed[CAM_SLOTS] = {};      // progress per second
    bool active = false;              // running
    bool ownsPath = false;            // the path is deleted when the event ends or is stopped
    bool updatePath = false;          // the event advances its path every update
    bool paused = false;              // updates do nothing, the output is still copied
    void* object = nullptr;           // PathControl, PathControl3D or FLIERS; owned only with ownsPath
};

class DemoCamera {
public:
    DemoCamera();
    DemoCamera(VECTOR eye, VECTOR target, VECTOR up);
    // Paths still held by running events are not released: a scene frees its camera and its
    // paths on its own.
    ~DemoCamera();
    DemoCamera(const DemoCamera&) = delete; // events hold paths that only one camera may release
    DemoCamera& operator=(const DemoCamera&) = delete;

    void Update(double seconds);
    // The view (gluLookAt), and the projection only when the field of view changed.
    void Apply();
    void StopEvents(Uint32 mask);

    // Durations in milliseconds. channel carries exactly one bit; a mask above CAM_FOV does nothing.
    void AddLinearEvent(VECTOR start, VECTOR end, float durationMs, int channel);
    // Starts from the camera's current eye, target, up or (fov, 0, 0); any other channel does nothing.
    void AddLinearEventFromCurrent(VECTOR end, float durationMs, int channel);
    void AddFollowEvent(FLIERS* object, int channel);
    // channels may combine CAM_EYE, CAM_TARGET and CAM_UP (a chase takes no slot, so any mask is
    // queued); modes: 0 ahead, 1 behind, 2 beside at (0,1,0) x heading * 35, 3 and 4 at the unit
    // (1,0,0) x heading * +-15, which is on the figure itself while the heading runs along x.
    void AddChaseEvent(FLIERS* object, int channels, int mode);
    // type CAM_WEDPATH (a PathControl) or CAM_SPLINEPATH (a PathControl3D). With ownsPath the path,
    // made with new as a single object, is handed over: it is deleted when the event ends or is
    // stopped, and at once when the request cannot be queued.
    void AddPathEvent(void* path, int type, int channel, bool updatePath, bool ownsPath);

    int CountActiveEvents() const;
    void PauseAllEvents(bool pause);
    // Pauses (or resumes) the first active event that drives a channel of mask.
    void PauseEvent(Uint32 mask, bool pause);

    CamEvent events[CAM_EVENTS];
    bool projectionDirty = false; // Apply sets the projection again
    VECTOR eye;
    VECTOR target;
    VECTOR up;
    float fov = 60.0f; // degrees, vertical

private:
    // The first free event, reset; null when all four run.
    CamEvent* take();
};

// The camera whose Apply ran last (the console's camera command shows it), while it lives;
// null again after CAM_ForgetApplied, which the sequence calls whenever another part begins.
const DemoCamera* CAM_LastApplied();
void CAM_ForgetApplied();
