// stats: per-frame timing rows (CSV) and the per-state summary of a capture run.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "core/passmark.h"

// What one frame's update ran and how long it and the render took.
struct CapFrameRow {
    long frame;     // 1-based
    double seconds; // demo time after the step
    int state;      // VH_State, VH_ID and VH_Msg as the step found them
    int id;
    int msg;
    int intro;        // for intro and transition rows: the intro (3..5) they belong to
    double updateMs;  // wall time of the step
    double renderMs;  // wall time of the render, including the read-back of captured frames
    double cpuMs;     // CPU time of all the program's threads in the step and the render
    long glCalls;     // GL calls made by the step and the render (see tally.h)
    long allocations; // heap allocations of the program's own code in the step and the render; -1: not counted
    bool passesTimed; // passMs holds the render's time per pass (--passes)
    double passMs[VH_PASS_COUNT]; // wall time of each pass of the render, the renderer waited for
};

class CapStats {
public:
    ~CapStats();
    // Starts the CSV file with its header; with passes it has a column per pass (pass_sky_ms, ...).
    // On a fault returns false with one line in *error.
    bool Open(const std::string& path, std::string* error, bool passes = false);
    void Record(const CapFrameRow& row);
    // Flushes and closes the CSV; false when any row failed to reach the file.
    bool Close(std::string* error);
    // The summary table: per intro, scene and the credits, in the order they ran; when the passes
    // were timed, a second table of each pass's median and 95th percentile per part.
    void PrintSummary(FILE* out) const;
    // Every row recorded so far, with or without a CSV file.
    const std::vector<CapFrameRow>& Rows() const { return rows; }
    // "intro 1", "scene 2", "credits" ...; empty for a row that belongs to none.
    static std::string GroupName(const CapFrameRow& row);
    // The sequence row's own name, as goto and --start take it ("intro1", "scene2"), or
    // "credits"; empty for a row that belongs to none.
    static std::string PartName(const CapFrameRow& row);
    // The sequence row the frame played, the table's length for the credits, -1 for none.
    static int SequenceRow(const CapFrameRow& row);

private:
    FILE* file = nullptr;
    std::string path;
    bool passColumns = false;
    std::vector<CapFrameRow> rows;
};
