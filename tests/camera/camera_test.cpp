// Camera events: linear moves, queuing and dropping, chase viewpoints, path rides and who frees a path.
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
    if (p && p == watched) watchedDeleted = true;
    std::free(p);
}
} // namespace

void* operator new(std::size_t bytes) {
    if (void* p = std::malloc(bytes ? bytes : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    release(p);
}
void operator delete(void* p, std::size_t) noexcept {
    release(p);
}
// The engine's streams come from the nothrow form; it must pair with the deletes above.
void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept {
    return std::malloc(bytes ? bytes : 1);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    release(p);
}

namespace {

void watch(const void* p) {
    watched = p;
    watchedDeleted = false;
}

::testing::AssertionResult near(VECTOR got, VECTOR want, float tol = 1e-4f) {
    if (std::fabs(got.x - want.x) <= tol && std::fabs(got.y - want.y) <= tol && std::fabs(got.z - want.z) <= tol)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << got.x << ", " << got.y << ", " << got.z << ") is not (" << want.x
                                         << ", " << want.y << ", " << want.z << ")";
}

FLIERS figure(VECTOR position, VECTOR offset, VECTOR heading) {
    FLIERS f = {};
    f.position = position;
    f.offset = offset;
    f.heading = heading;
    return f;
}

// A cubic (k 3) from (0,0,20) to (12,3,0) at 10 units per second, moving and not looping.
PathControl3D* spline() {
    PathControl3D* p = new PathControl3D;
    for (VECTOR v : {VECTOR(0, 0, 20), VECTOR(4, 6, 14), VECTOR(9, -2, 6), VECTOR(12, 3, 0)})
        p->points.push_back(v);
    p->k = 3;
    p->resolution = 40;
    p->SetSpeed(10.0f);
    p->position = p->points[0];
    p->active = true;
    p->loop = false;
    return p;
}

} // namespace

TEST(Camera, LinearMoveStopsShortOfItsEnd) {
    DemoCamera cam;
    EXPECT_TRUE(near(cam.eye, VECTOR(0, 0, 35)) && cam.fov == 60.0f);
    const VECTOR from(0, 0, 0), to(8, -4, 16);
    cam.AddLinearEvent(from, to, 2000.0f, CAM_EYE);
    for (float t : {0.25f, 0.5f, 0.75f}) {
        cam.Update(0.5);
        EXPECT_TRUE(near(cam.eye, to * t, 0)) << t;
        EXPECT_EQ(cam.CountActiveEvents(), 1);
    }
    cam.Update(0.5);
    EXPECT_TRUE(near(cam.eye, to * 0.75f, 0)) << "the update that ends the move is not copied";
    EXPECT_EQ(cam.CountActiveEvents(), 0);
    EXPECT_TRUE(near(cam.target, VECTOR(0, 0, 0)) && near(cam.up, VECTOR(0, 1, 0)));

    cam.AddLinearEvent(to, from, 0.0f, CAM_EYE); // no duration: over in one update, never a NaN
    cam.Update(0.0);
    EXPECT_TRUE(near(cam.eye, to, 0));
    cam.Update(0.01);
    EXPECT_EQ(cam.CountActiveEvents(), 0);
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
    ASSERT_EQ(cam.CountActiveEvents(), 4);
    EXPECT_EQ(cam.events[3].start[3].x, 60.0f) << "the field of view starts from the current one";
    const int types[4] = {CAM_LINEAR, CAM_LINEAR, CAM_FOLLOW, CAM_LINEAR};
    const float durations[4] = {1000, 1000, 0, 1000}; // the requests below would queue 500 ms
    auto unchanged = [&](int i) {
        const CamEvent& e = cam.events[i];
        return e.active && e.type == types[i] && e.durationMs[CAM_SlotOf(e.channels)] == durations[i];
    };
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(unchanged(i)) << i;

    cam.AddLinearEvent(VECTOR(0, 0, 0), VECTOR(1, 1, 1), 500.0f, 0); // shares no channel: no room
    cam.AddLinearEventFromCurrent(VECTOR(1, 1, 1), 500.0f, CAM_EYE | CAM_TARGET);
    cam.AddLinearEvent(VECTOR(0, 0, 0), VECTOR(1, 1, 1), 500.0f, CAM_EYE | 16);
    cam.AddFollowEvent(&f, 9);
    cam.AddChaseEvent(&f, 15, 2);
    cam.AddFollowEvent(nullptr, CAM_EYE);
    cam.AddChaseEvent(nullptr, CAM_EYE, 0);
    cam.AddPathEvent(nullptr, CAM_SPLINEPATH, CAM_EYE, true, false);
    EXPECT_EQ(cam.CountActiveEvents(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(unchanged(i)) << "nothing stopped, nothing replaced: " << i;

    cam.AddFollowEvent(&f, CAM_TARGET);
    EXPECT_EQ(cam.CountActiveEvents(), 4);
    EXPECT_EQ(cam.events[1].type, CAM_FOLLOW) << "the stopped event's slot is the first free one";
    EXPECT_TRUE(near(cam.events[1].value[1], VECTOR(50, 1, 0))) << "a follow takes the figure's place at once";

    cam.StopEvents(CAM_EYE | CAM_UP | CAM_FOV);
    EXPECT_EQ(cam.CountActiveEvents(), 1);
    cam.AddChaseEvent(&f, 15, 2);
    cam.AddLinearEvent(VECTOR(0, 0, 0), VECTOR(1, 1, 1), 500.0f, 16);
    EXPECT_EQ(cam.CountActiveEvents(), 1) << "masks past the slot table take no slot either";
}

TEST(Camera, ChaseViewpoints) {
    const VECTOR place(1, 2, 3); // position + offset
    const VECTOR kept(-7, -7, -7);
    const struct {
        int mode;
        VECTOR heading;
        VECTOR eye; // relative to place, or kept
        bool keep;
    } cases[] = {
        {0, {0, 0, 2}, {0, 0, 30}, false},  {1, {0, 0, 2}, {0, 0, -30}, false}, {2, {0, 0, 2}, {70, 0, 0}, false},
        {2, {2, 0, 0}, {0, 0, -70}, false}, {3, {0, 0, 2}, {0, -15, 0}, false}, {4, {0, 0, 2}, {0, 15, 0}, false},
        {3, {0, 5, 0}, {0, 0, 15}, false},  {2, {0, 0, 0}, {0, 0, 0}, false}, // no side: on the figure
        {3, {3, 0, 0}, {}, true},           {4, {-1, 0, 0}, {}, true},        // along x: no side
        {3, {0, 0, 0}, {}, true},           {9, {0, 0, 1}, {}, true},         // before the first move; no mode
    };
    for (const auto& c : cases) {
        DemoCamera cam(kept, VECTOR(0, 0, 0), VECTOR(1, 0, 0));
        FLIERS f = figure(VECTOR(1, 0, 3), VECTOR(0, 2, 0), c.heading);
        cam.AddChaseEvent(&f, CAM_EYE | CAM_TARGET | CAM_UP, c.mode);
        cam.Update(0.02);
        const VECTOR want = c.keep ? kept : place + c.eye;
        EXPECT_TRUE(near(cam.eye, want)) << "mode " << c.mode << " heading " << c.heading.x << c.heading.y
                                         << c.heading.z;
        EXPECT_TRUE(near(cam.target, place) && near(cam.up, VECTOR(0, 1, 0)));
        EXPECT_EQ(cam.CountActiveEvents(), 1) << "a chase never ends by itself";
    }

    DemoCamera cam; // the side vanishes mid-chase: the eye stays at its last place
    FLIERS f = figure(VECTOR(0, 0, 0), VECTOR(0, 0, 0), VECTOR(0, 0, 1));
    cam.AddChaseEvent(&f, CAM_EYE, 4);
    cam.Update(0.02);
    EXPECT_TRUE(near(cam.eye, VECTOR(0, 15, 0)));
    f.position = VECTOR(5, 5, 5);
    f.heading = VECTOR(2, 0, 0);
    cam.Update(0.02);
    EXPECT_TRUE(near(cam.eye, VECTOR(0, 15, 0)));
}

TEST(Camera, PathRidesEndWithTheirPathAndReleaseItWhenOwned) {
    DemoCamera cam;
    PathControl3D* owned = spline();
    watch(owned);
    cam.AddPathEvent(owned, CAM_SPLINEPATH, CAM_EYE, true, true);
    EXPECT_TRUE(near(cam.eye, VECTOR(0, 0, 35))) << "the first output comes with the next update";
    int updates = 0;
    for (; cam.CountActiveEvents() > 0 && updates < 1000; ++updates) {
        cam.Update(0.1);
        EXPECT_TRUE(cam.CountActiveEvents() == 0 || near(cam.eye, owned->position, 0)) << updates;
    }
    EXPECT_TRUE(updates > 5 && updates < 1000);
    EXPECT_TRUE(watchedDeleted && cam.events[0].object == nullptr) << "an owned path goes with its event";
    EXPECT_TRUE(near(cam.eye, VECTOR(12, 3, 0), 0)) << "the eye ends at the last control point";

    PathControl3D* kept = spline(); // not owned and moved by its owner: the ride only reads it
    watch(kept);
    cam.AddPathEvent(kept, CAM_SPLINEPATH, CAM_TARGET, false, false);
    for (int i = 0; i < 3; ++i)
        cam.Update(0.5);
    EXPECT_EQ(kept->time, 0.0f);
    kept->Update(0.5);
    cam.Update(0.5);
    EXPECT_TRUE(near(cam.target, kept->position, 0));
    cam.StopEvents(CAM_TARGET);
    cam.AddPathEvent(kept, 3, CAM_EYE, true, true); // no such path type: never taken
    EXPECT_TRUE(cam.CountActiveEvents() == 0 && !watchedDeleted);

    PathControl3D* stopped = spline();
    watch(stopped);
    cam.AddPathEvent(stopped, CAM_SPLINEPATH, CAM_UP, true, true);
    cam.Update(0.1);
    cam.AddLinearEventFromCurrent(VECTOR(0, 1, 0), 100.0f, CAM_UP);
    EXPECT_TRUE(watchedDeleted) << "a queued event that stops an owned ride releases its path";

    PathControl3D* refused = spline();
    watch(refused);
    cam.AddPathEvent(refused, CAM_SPLINEPATH, 32, true, true);
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
    EXPECT_TRUE(flat.finished && updates < 1000);
    delete kept;
}

TEST(Camera, PausedEventsHoldTheirProgressButStillDrive) {
    DemoCamera cam;
    cam.AddLinearEvent(VECTOR(0, 0, 0), VECTOR(10, 0, 0), 1000.0f, CAM_EYE);
    cam.AddLinearEvent(VECTOR(0, 5, 0), VECTOR(0, 15, 0), 1000.0f, CAM_TARGET);
    cam.PauseEvent(CAM_TARGET | CAM_EYE, true); // only the first match: the eye
    cam.Update(0.5);
    EXPECT_TRUE(near(cam.eye, VECTOR(0, 0, 0))) << "paused at its start, and still copied";
    EXPECT_TRUE(near(cam.target, VECTOR(0, 10, 0)));
    cam.PauseAllEvents(true);
    cam.Update(0.25);
    EXPECT_TRUE(near(cam.target, VECTOR(0, 10, 0)));
    cam.PauseAllEvents(false);
    cam.Update(0.25);
    EXPECT_TRUE(near(cam.eye, VECTOR(2.5f, 0, 0)) && near(cam.target, VECTOR(0, 12.5f, 0)));
}
