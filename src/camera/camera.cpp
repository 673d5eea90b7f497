// camera: DemoCamera and its events.
#include "camera/camera.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <cmath>

#include "camera/spline.h"
#include "camera/wedpath.h"
#include "core/viewport.h"

namespace {
const DemoCamera* lastApplied = nullptr; // for the console, never for drawing

// Slot of each mask up to CAM_FOV; only single bits are meant, the rest fall to slot 0.
constexpr Uint16 kSlotOfMask[] = {0, 0, 1, 0, 2, 0, 0, 0, 3};
constexpr Uint32 kLastMask = sizeof kSlotOfMask / sizeof kSlotOfMask[0] - 1;

constexpr float kChaseAhead = 15.0f;  // modes 0 and 1
constexpr float kChaseBeside = 35.0f; // mode 2, times the heading's length
constexpr float kChaseAbove = 15.0f;  // modes 3 and 4
constexpr float kPerspectiveAspect = 1.0f;
constexpr double kPerspectiveNear = 0.1;
constexpr double kPerspectiveFar = 320.0;

// Progress over one update. An infinite rate (a zero duration) completes the move in one
// update, and a zero frame time then moves nothing, instead of leaving a NaN behind.
float progress(float speed, float seconds) {
    const float step = speed * seconds;
    if (!std::isfinite(step)) return step > 0.0f ? 1.0f : 0.0f;
    return step;
}

// Deletes an owned path; the event lets go of its object either way.
void releasePath(CamEvent& event) {
    if (event.ownsPath && event.object) {
        if (event.type == CAM_WEDPATH)
            delete static_cast<PathControl*>(event.object);
        else if (event.type == CAM_SPLINEPATH)
            delete static_cast<PathControl3D*>(event.object);
    }
    event.object = nullptr;
}

// For a request that cannot be queued: an owned path was handed over, so it goes now.
void dropPath(void* path, int type, bool ownsPath) {
    if (!ownsPath || !path) return;
    if (type == CAM_WEDPATH)
        delete static_cast<PathControl*>(path);
    else if (type == CAM_SPLINEPATH)
        delete static_cast<PathControl3D*>(path);
}

VECTOR placeOf(const FLIERS* figure) {
    return figure->position + figure->offset;
}

} // namespace

int CAM_SlotOf(Uint32 channels) {
    return channels <= kLastMask ? kSlotOfMask[channels] : -1;
}

void CamEvent::Reset() {
    object = nullptr;
    active = false;
    for (int s = 0; s < CAM_SLOTS; ++s) {
        t[s] = 0.0f;
        speed[s] = 0.0f;
        durationMs[s] = 0.0f;
    }
    ownsPath = true;
    paused = false;
    updatePath = false;
}

void CamEvent::Update(float seconds) {
    if (paused) return;
    const int s = CAM_SlotOf(channels);
    switch (type) {
    case CAM_LINEAR: {
        if (s < 0) return;
        t[s] += progress(speed[s], seconds);
        if (t[s] >= 1.0f) {
            active = false;
            t[s] = 1.0f;
            speed[s] = 0.0f;
        }
        const float a[3] = {start[s].x, start[s].y, start[s].z};
        const float b[3] = {end[s].x, end[s].y, end[s].z};
        float out[3];
        Lerp3(out, a, b, t[s]);
        value[s] = VECTOR(out[0], out[1], out[2]);
        break;
    }
    case CAM_WEDPATH: {
        PathControl* path = static_cast<PathControl*>(object);
        if (!path || s < 0) return;
        if (updatePath) path->Update(seconds);
        if (!path->finished) {
            value[s] = VECTOR(path->current.x, 0.0f, path->current.z);
        } else {
            active = false;
            releasePath(*this);
        }
        break;
    }
    case CAM_SPLINEPATH: {
        PathControl3D* path = static_cast<PathControl3D*>(object);
        if (!path || s < 0) return;
        if (updatePath) path->Update(static_cast<double>(seconds));
        if (!path->finished) {
            value[s] = path->position;
        } else {
            active = false;
            releasePath(*this);
        }
        break;
    }
    case CAM_FOLLOW:
        if (object && s >= 0) value[s] = placeOf(static_cast<const FLIERS*>(object));
        break;
    case CAM_CHASE: {
        const FLIERS* figure = static_cast<const FLIERS*>(object);
        if (!figure) return;
        const VECTOR place = placeOf(figure);
        const VECTOR heading = figure->heading;
        if (channels & CAM_EYE) {
            VECTOR side = heading;
            switch (mode) {
            case 0:
                value[0] = place + heading * kChaseAhead;
                break;
            case 1:
                value[0] = place + heading * -kChaseAhead;
                break;
            case 2:
                side.Cross(VECTOR(0.0f, 1.0f, 0.0f)); // (0,1,0) x heading, its length kept
                value[0] = place + side * kChaseBeside;
                break;
            case 3:
            case 4:
                side.Cross(VECTOR(1.0f, 0.0f, 0.0f)); // (1,0,0) x heading
                // Along x (and before the first move) there is no side: Normalize keeps the zero
                // vector zero, so the eye sits on the figure.
                side.Normalize();
                value[0] = place + side * (mode == 3 ? kChaseAbove : -kChaseAbove);
                break;
            default:
                break;
            }
        }
        if (channels & CAM_TARGET) value[1] = place;
        if (channels & CAM_UP) value[2] = VECTOR(0.0f, 1.0f, 0.0f);
        break;
    }
    default:
        break;
    }
}

DemoCamera::DemoCamera() : eye(0.0f, 0.0f, 35.0f), target(0.0f, 0.0f, 0.0f), up(0.0f, 1.0f, 0.0f) {}

DemoCamera::DemoCamera(VECTOR eyeAt, VECTOR targetAt, VECTOR upAxis) : eye(eyeAt), target(targetAt), up(upAxis) {}

CamEvent* DemoCamera::take() {
    for (CamEvent& e : events) {
        if (!e.active) {
            e.Reset();
            return &e;
        }
    }
    return nullptr;
}

void DemoCamera::Update(double seconds) {
    for (CamEvent& e : events)
        if (e.active) e.Update(static_cast<float>(seconds));
    for (const CamEvent& e : events) {
        if (!e.active) continue;
        if (e.channels & CAM_EYE) eye = e.value[0];
        if (e.channels & CAM_TARGET) target = e.value[1];
        if (e.channels & CAM_UP) up = e.value[2];
        if (e.channels & CAM_FOV) {
            if (e.value[3].x != fov) projectionDirty = true;
            fov = e.value[3].x;
        }
    }
}

DemoCamera::~DemoCamera() {
    if (lastApplied == this) lastApplied = nullptr;
}

const DemoCamera* CAM_LastApplied() {
    return lastApplied;
}
void CAM_ForgetApplied() {
    lastApplied = nullptr;
}

void DemoCamera::Apply() {
    lastApplied = this;
    glLoadIdentity();
    gluLookAt(eye.x, eye.y, eye.z, target.x, target.y, target.z, up.x, up.y, up.z);
    if (projectionDirty) {
        VH_FOV = fov;
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(VH_FOV, kPerspectiveAspect, kPerspectiveNear, kPerspectiveFar);
        glMatrixMode(GL_MODELVIEW);
    }
    projectionDirty = false;
}

void DemoCamera::StopEvents(Uint32 mask) {
    for (CamEvent& e : events) {
        if (!e.active || !(e.channels & mask)) continue;
        if (e.type == CAM_WEDPATH || e.type == CAM_SPLINEPATH) releasePath(e);
        e.active = false;
    }
}

void DemoCamera::AddLinearEvent(VECTOR start, VECTOR end, float durationMs, int channel) {
    const Uint32 mask = static_cast<Uint32>(channel);
    const int s = CAM_SlotOf(mask);
    if (s < 0) return;
    StopEvents(mask);
    CamEvent* e = take();
    if (!e) return;
    e->start[s] = start;
    e->end[s] = end;
    e->value[s] = start;
    e->durationMs[s] = durationMs;
    e->speed[s] = static_cast<float>((1.0 / durationMs) * 1000.0);
    e->t[s] = 0.0f;
    e->channels = mask;
    e->type = CAM_LINEAR;
    e->active = true;
}

void DemoCamera::AddLinearEventFromCurrent(VECTOR end, float durationMs, int channel) {
    VECTOR start;
    switch (channel) {
    case CAM_EYE:
        start = eye;
        break;
    case CAM_TARGET:
        start = target;
        break;
    case CAM_UP:
        start = up;
        break;
    case CAM_FOV:
        start = VECTOR(fov, 0.0f, 0.0f);
        break;
    default:
        return;
    }
    AddLinearEvent(start, end, durationMs, channel);
}

void DemoCamera::AddFollowEvent(FLIERS* object, int channel) {
    const Uint32 mask = static_cast<Uint32>(channel);
    const int s = CAM_SlotOf(mask);
    if (!object || s < 0) return;
    StopEvents(mask);
    CamEvent* e = take();
    if (!e) return;
    e->object = object;
    e->value[s] = placeOf(object);
    e->channels = mask;
    e->type = CAM_FOLLOW;
    e->active = true;
}

void DemoCamera::AddChaseEvent(FLIERS* object, int channels, int mode) {
    // A chase writes its own slots (eye, target, up), so any mask is queued; its bits only say
    // which of them the camera takes.
    const Uint32 mask = static_cast<Uint32>(channels);
    if (!object) return;
    StopEvents(mask);
    CamEvent* e = take();
    if (!e) return;
    e->object = object;
    e->channels = mask;
    e->mode = mode;
    e->type = CAM_CHASE;
    // The first outputs come with the next update; a viewpoint that cannot be placed (an unknown
    // mode, no side to the heading) keeps these, the camera's own values, not a stale slot's.
    e->value[0] = eye;
    e->value[1] = target;
    e->value[2] = up;
    e->value[3] = VECTOR(fov, 0.0f, 0.0f);
    e->active = true;
}

void DemoCamera::AddPathEvent(void* path, int type, int channel, bool updatePath, bool ownsPath) {
    if (!path) return;
    const Uint32 mask = static_cast<Uint32>(channel);
    if (CAM_SlotOf(mask) < 0) {
        dropPath(path, type, ownsPath);
        return;
    }
    StopEvents(mask);
    CamEvent* e = take();
    if (!e) {
        dropPath(path, type, ownsPath);
        return;
    }
    // A path of an unknown type is never taken: the slot stays free and the path the caller's.
    if (type != CAM_WEDPATH && type != CAM_SPLINEPATH) return;
    e->object = path;
    e->updatePath = updatePath;
    e->ownsPath = ownsPath;
    e->channels = mask;
    e->type = type;
    e->active = true;
}

int DemoCamera::CountActiveEvents() const {
    int count = 0;
    for (const CamEvent& e : events)
        if (e.active) ++count;
    return count;
}

void DemoCamera::PauseAllEvents(bool pause) {
    for (CamEvent& e : events)
        if (e.active) e.paused = pause;
}

void DemoCamera::PauseEvent(Uint32 mask, bool pause) {
    for (CamEvent& e : events) {
        if (e.active && (e.channels & mask)) {
            e.paused = pause;
            return;
        }
    }
}
