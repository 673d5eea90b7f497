// Camera events: linear moves, pauses, queuing and dropping, chase viewpoints, path rides and who frees a path.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <new>

#include "camera/camera.h"
#include "camera/spline.h"
#include "camera/wedpath.h"

// Global deletes are watched, so a test can see whether the camera released a path it owned.
namespace {
const void* watched = nullptr;
bool watchedDeleted = false;
void release(void* p) {
    watchedDeleted |= p && p == watched;
    std::free(p);
}
} // namespace

void* operator new(std::size_t bytes) {
    if (void* p = std::malloc(bytes ? bytes : 1)) return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept {
    return std::malloc(bytes ? bytes : 1);
}
void operator delete(void* p) noexcept {
    release(p);
}
void operator delete(void* p, std::size_t) noexcept {
    release(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    release(p);
}

namespace {

bool near(VECTOR got, VECTOR want, float tol = 1e-4f) {
    return std::fabs(got.x - want.x) <= tol && std::fabs(got.y - want.y) <= tol && std::fabs(got.z - want.z) <= tol;
}

FLIERS figure(VECTOR position, VECTOR offset, VECTOR heading) {
    FLIERS f = {};
    f.position = position, f.offset = offset, f.heading = heading;
    return f;
}

// A cubic (k 3) from (0,0,20) to (12,3,0) at 10 units per second, moving and not looping; watched.
PathControl3D* spline() {
    PathControl3D* p = new PathControl3D;
    for (VECTOR v : {VECTOR(0, 0, 20), VECTOR(4, 6, 14), VECTOR(9, -2, 6), VECTOR(12, 3, 0)})
        p->points.push_back(v);
    p->k = 3;
    p->resolution = 40;
    p->SetSpeed(10.0f);
    p->position = p->points[0];
    p->active = true;
    watched = p, watchedDeleted = false;
    return p;
}

} // namespace

TEST(Camera, LinearMovesStopShortOfTheirEndAndPausedOnesHoldTheirProgressButStillDrive) {
    DemoCamera cam;
    EXPECT_TRUE(near(cam.eye, VECTOR(0, 0, 35)) && cam.fov == 60.0f);
    const VECTOR to(8, -4, 16);
    cam.AddLinearEvent(VECTOR(0, 0, 0), to, 2000.0f, CAM_EYE);
    for (float t : {0.25f, 0.5f, 0.75f, 0.75f}) { // the update that ends the move is not copied
        cam.Update(0.5);
        EXPECT_TRUE(near(cam.eye, to * t, 0)) << t;
    }
    EXPECT_EQ(cam.CountActiveEvents(), 0);
    EXPECT_TRUE(near(cam.target, VECTOR(0, 0, 0)) && near(cam.up, VECTOR(0, 1, 0)));

    cam.AddLinearEvent(to, VECTOR(0, 0, 0), 0.0f, CAM_EYE); // no duration: over in one update, never a NaN
    cam.Update(0.0);
    EXPECT_TRUE(near(cam.eye, to, 0));
    cam.Update(0.01);
    EXPECT_EQ(cam.CountActiveEvents(), 0);

    cam.AddLinearEvent(VECTOR(0, 0, 0), VECTOR(10, 0, 0), 1000.0f, CAM_EYE);
    cam.AddLinearEvent(VECTOR(0, 5, 0), VECTOR(0, 15, 0), 1000.0f, CAM_TARGET);
    cam.PauseEvent(CAM_TARGET | CAM_EYE, true); // only the first match: the eye
    cam.Update(0.5);
    EXPECT_TRUE(near(cam.eye, VECTOR(0, 0, 0)) && near(cam.target, VECTOR(0, 10, 0))) << "paused, still copied";
    cam.PauseAllEvents(true);
    cam.Update(0.25);
    cam.PauseAllEvents(false);
    cam.Update(0.25);
    EXPECT_TRUE(near(cam.eye, VECTOR(2.5f, 0, 0)) && near(cam.target, VECTOR(0, 12.5f, 0)));
}

TEST(Camera, QueuingStopsOverlapsTakesFreeSlotsAndDropsWhenFull) {
    DemoCamera cam(VECTOR(1, 1, 1), VECTOR(0, 0, 0), VECTOR(0, 1, 0));
    FLIERS f = figure(VECTOR(5, 0, 0), VECTOR(0, 1, 0), VECTOR(0, 0, 1));
    cam.AddChaseEvent(&f, CAM_EYE | CAM_TARGET, 0);
    cam.AddLinearEvent(VECTOR(0, 0, 0), VECTOR(0, 0, 10), 1000.0f, CAM_EYE);
    EXPECT_EQ(cam.CountActiveEvents(), 1) << "the chase stops on both its channels";
    f.position = VECTOR(50, 0, 0);
    cam.Update(0.1);
    EXPECT_TRUE(near(cam.target, VECTOR(0, 0, 0))) << "nobody drives the target any more";

    cam.AddLinearEvent(VECTOR(0, 0, 0), VECTOR(1, 0, 0), 1000.0f, CAM_TARGET);
    cam.AddFollowEvent(&f, CAM_UP);
    cam.AddLinearEventFromCurrent(VECTOR(90, 0, 0), 1000.0f, CAM_FOV);
    EXPECT_EQ(cam.events[3].start[3].x, 60.0f) << "the field of view starts from the current one";
    // Full, or masks no slot belongs to: each request is dropped, nothing stopped, nothing replaced.
    cam.AddLinearEvent(VECTOR(0, 0, 0), VECTOR(1, 1, 1), 500.0f, 0);
    cam.AddLinearEventFromCurrent(VECTOR(1, 1, 1), 500.0f, CAM_EYE | CAM_TARGET);
    cam.AddLinearEvent(VECTOR(0, 0, 0), VECTOR(1, 1, 1), 500.0f, CAM_EYE | 16);
    cam.AddFollowEvent(&f, 9);
    cam.AddFollowEvent(nullptr, CAM_EYE);
    cam.AddChaseEvent(nullptr, CAM_EYE, 0);
    cam.AddPathEvent(nullptr, CAM_SPLINEPATH, CAM_EYE, true, false);
    const int types[4] = {CAM_LINEAR, CAM_LINEAR, CAM_FOLLOW, CAM_LINEAR};
    for (int i = 0; i < 4; ++i) {
        const CamEvent& e = cam.events[i];
        EXPECT_TRUE(e.active && e.type == types[i] && e.durationMs[CAM_SlotOf(e.channels)] != 500.0f) << i;
    }
    cam.AddFollowEvent(&f, CAM_TARGET);
    EXPECT_EQ(cam.events[1].type, CAM_FOLLOW) << "the stopped event's slot is the first free one";
    EXPECT_TRUE(near(cam.events[1].value[1], VECTOR(50, 1, 0))) << "a follow takes the figure's place at once";

    // A chase takes no slot: a mask with every channel is queued, stopping all it overlaps.
    cam.AddChaseEvent(&f, 15, 2);
    ASSERT_TRUE(cam.CountActiveEvents() == 1 && cam.events[0].type == CAM_CHASE && cam.events[0].channels == 15u);
    cam.Update(0.1);
    EXPECT_TRUE(near(cam.eye, VECTOR(85, 1, 0)) && near(cam.target, VECTOR(50, 1, 0)) && near(cam.up, VECTOR(0, 1, 0)));
    EXPECT_EQ(cam.fov, 60.0f) << "its field-of-view bit keeps the camera's own";
}

TEST(Camera, ChaseViewpoints) {
    const VECTOR place(1, 2, 3), kept(-7, -7, -7); // position + offset; the eye before the chase
    const struct {
        int mode;
        VECTOR heading, eye; // eye relative to place; none: kept
        bool keep;
    } cases[] = {
        {0, {0, 0, 2}, {0, 0, 30}, false},  {1, {0, 0, 2}, {0, 0, -30}, false}, {2, {0, 0, 2}, {70, 0, 0}, false},
        {2, {2, 0, 0}, {0, 0, -70}, false}, {3, {0, 0, 2}, {0, -15, 0}, false}, {4, {0, 0, 2}, {0, 15, 0}, false},
        {3, {0, 5, 0}, {0, 0, 15}, false},  {2, {0, 0, 0}, {0, 0, 0}, false},  // no side: on the figure
        {3, {3, 0, 0}, {0, 0, 0}, false},   {4, {-1, 0, 0}, {0, 0, 0}, false}, // along x: no side, on it too
        {3, {0, 0, 0}, {0, 0, 0}, false},   {9, {0, 0, 1}, {}, true},          // before the first move; no mode
    };
    for (const auto& c : cases) {
        DemoCamera cam(kept, VECTOR(0, 0, 0), VECTOR(1, 0, 0));
        FLIERS f = figure(VECTOR(1, 0, 3), VECTOR(0, 2, 0), c.heading);
        cam.AddChaseEvent(&f, CAM_EYE | CAM_TARGET | CAM_UP, c.mode);
        cam.Update(0.02);
        EXPECT_TRUE(near(cam.eye, c.keep ? kept : place + c.eye)) << "mode " << c.mode << " heading x " << c.heading.x;
        EXPECT_TRUE(near(cam.target, place) && near(cam.up, VECTOR(0, 1, 0)) && cam.CountActiveEvents() == 1);
    }
}

TEST(Camera, PathRidesEndWithTheirPathAndReleaseItWhenOwned) {
    DemoCamera cam;
    PathControl3D* owned = spline();
    cam.AddPathEvent(owned, CAM_SPLINEPATH, CAM_EYE, true, true);
    int updates = 0;
    for (; cam.CountActiveEvents() > 0 && updates < 1000; ++updates) {
        cam.Update(0.1);
        EXPECT_TRUE(cam.CountActiveEvents() == 0 || near(cam.eye, owned->position, 0)) << updates;
    }
    EXPECT_TRUE(updates > 5 && watchedDeleted && cam.events[0].object == nullptr) << "the path goes with its event";
    EXPECT_TRUE(near(cam.eye, VECTOR(12, 3, 0), 0)) << "the eye ends at the last control point";

    PathControl3D* kept = spline(); // not owned and moved by its owner: the ride only reads it
    cam.AddPathEvent(kept, CAM_SPLINEPATH, CAM_TARGET, false, false);
    cam.Update(0.5);
    EXPECT_EQ(kept->time, 0.0f);
    kept->Update(0.5);
    cam.Update(0.5);
    EXPECT_TRUE(near(cam.target, kept->position, 0));
    cam.StopEvents(CAM_TARGET);
    cam.AddPathEvent(kept, 3, CAM_EYE, true, true); // no such path type: never taken
    EXPECT_TRUE(cam.CountActiveEvents() == 0 && !watchedDeleted);

    cam.AddPathEvent(spline(), CAM_SPLINEPATH, CAM_UP, true, true);
    cam.AddLinearEventFromCurrent(VECTOR(0, 1, 0), 100.0f, CAM_UP);
    EXPECT_TRUE(watchedDeleted) << "a queued event that stops an owned ride releases its path";
    cam.AddPathEvent(spline(), CAM_SPLINEPATH, 32, true, true);
    EXPECT_TRUE(watchedDeleted) << "a handed-over path that cannot be queued is released at once";

    PathControl flat; // a flat path rides on the x-z plane
    for (int i = 0; i < 4; ++i)
        flat.points[i] = {2.0f + i, 2.0f};
    flat.speed = 4.0f;
    flat.ComputeLength();
    flat.SetRunning(true);
    cam.StopEvents(CAM_UP);
    cam.AddPathEvent(&flat, CAM_WEDPATH, CAM_EYE, true, false);
    for (updates = 0; cam.CountActiveEvents() > 0 && updates < 1000; ++updates) {
        cam.Update(0.05);
        EXPECT_TRUE(!cam.events[0].active || near(cam.eye, VECTOR(flat.current.x, 0, flat.current.z), 0));
    }
    EXPECT_TRUE(flat.finished && updates > 5 && updates < 1000);
    delete kept;
}

// A slot taken again after its event stopped runs the new event from scratch, not paused and
// not on the old one's figure.
TEST(Camera, AReusedSlotStartsItsEventAfresh) {
    DemoCamera cam;
    FLIERS f = figure(VECTOR(-7, 3, 0), VECTOR(0, 0, 0), VECTOR(0, 0, 1));
    cam.AddFollowEvent(&f, CAM_EYE);
    cam.PauseEvent(CAM_EYE, true);
    cam.AddLinearEvent(VECTOR(0, 0, 0), VECTOR(10, 0, 0), 1000.0f, CAM_EYE); // stops the follow, takes its slot
    ASSERT_TRUE(cam.events[0].active && cam.events[0].type == CAM_LINEAR);
    EXPECT_TRUE(cam.events[0].object == nullptr && !cam.events[0].paused);
    cam.Update(0.5);
    EXPECT_TRUE(near(cam.eye, VECTOR(5, 0, 0))) << "halfway, not held where the paused follow was";
}
