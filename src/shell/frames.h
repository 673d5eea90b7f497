// frames: what the running program keeps about its frames and the controls a developer has
// over them: demo-time scale, pause and single steps, the last 240 frames' times with the
// frame-time graph drawn over the picture (F3), and screenshots of the next frame (F12).
// uses: core, image, text
#pragma once

#include <string>

// Demo time runs at scale times the wall clock (0.1 to 10; 1 leaves every frame as it was).
void VH_SetTimeScale(double scale);
double VH_TimeScale();

// While paused the state machine stands still (the console still answers); a step lets one
// frame through.
void VH_SetPaused(bool paused);
bool VH_IsPaused();
void VH_StepOnce();

// The seconds the state machine is given for a frame of this many wall seconds, or a
// negative value when it must not run (paused, no step pending). Consumes a pending step.
double VH_FrameSeconds(double wallSeconds);

// One frame's record: its wall time, the state machine's time and the drawing time.
void VH_RecordUpdate(double frameMs, double updateMs);
void VH_RecordRender(double renderMs);

struct VH_FrameSummary {
    int frames;                   // how many frames the figures cover (at most 120)
    double frameMedian, frameP95; // ms
    double updateMedian, updateP95;
    double renderMedian, renderP95;
};
VH_FrameSummary VH_SummariseFrames();

// The frame-time graph: the last 240 frames as bars of update and render time, with a line
// at 16.7 ms. Nothing is drawn, nor costs anything, while it is hidden.
void VH_ToggleFrameGraph();
bool VH_FrameGraphShown();
void VH_DrawFrameGraph();

// Wireframe for the 3D picture (the console and overlays stay filled).
void VH_ToggleWireframe();
bool VH_Wireframe();

// The next frame is written as a PNG to path ("" picks shot_NNNN.png in the working folder,
// the first name not taken). False, with error set, for a path that cannot be written.
bool VH_RequestScreenshot(const std::string& path, std::string* error);
// Called with the finished back buffer before the swap; writes a pending screenshot and
// tells the console its name or its fault.
void VH_TakePendingScreenshot();
