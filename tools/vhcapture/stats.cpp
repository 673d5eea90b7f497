// stats: per-frame timing rows (CSV) and the per-state summary of a capture run.
#include "stats.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "shell/sequence.h"
#include "shell/state.h"

namespace {
// Nearest-rank percentile of an unsorted list; p in (0, 100].
double percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    size_t rank = (size_t)std::ceil(p / 100.0 * (double)v.size());
    rank = std::min(std::max<size_t>(rank, 1), v.size());
    return v[rank - 1];
}
} // namespace

CapStats::~CapStats() {
    if (file) std::fclose(file);
}

bool CapStats::Open(const std::string& name, std::string* error, bool passes) {
    passColumns = passes;
    path = name;
    file = std::fopen(name.c_str(), "w");
    if (!file) {
        *error = name + ": cannot create (" + std::strerror(errno) + ")";
        return false;
    }
    // Line-buffered: a run killed from outside still leaves every finished row.
    std::setvbuf(file, nullptr, _IOLBF, 1 << 16);
    // Each number that stands for something has its name beside it, so the file reads on its own.
    std::fputs("frame,time,state,state_name,id,part,message,message_name,update_ms,render_ms,gl_calls,allocs,cpu_ms",
               file);
    for (int p = 0; passColumns && p < VH_PASS_COUNT; ++p)
        std::fprintf(file, ",pass_%s_ms", VH_PassNames[p]);
    std::fputc('\n', file);
    return true;
}

void CapStats::Record(const CapFrameRow& row) {
    rows.push_back(row);
    if (!file) return;
    std::fprintf(file, "%ld,%.6f,%d,%s,%d,%s,%d,%s,%.3f,%.3f,%ld,%ld,%.3f", row.frame, row.seconds, row.state,
                 VH_StateName(row.state), row.id, PartName(row).c_str(), row.msg, VH_MsgName(row.msg), row.updateMs,
                 row.renderMs, row.glCalls, row.allocations, row.cpuMs);
    for (int p = 0; passColumns && p < VH_PASS_COUNT; ++p)
        std::fprintf(file, ",%.3f", row.passesTimed ? row.passMs[p] : 0.0);
    std::fputc('\n', file);
}

bool CapStats::Close(std::string* error) {
    if (!file) return true;
    const bool ok = std::fflush(file) == 0 && !std::ferror(file);
    const int savedErrno = errno;
    const bool closed = std::fclose(file) == 0;
    file = nullptr;
    if (ok && closed) return true;
    *error = path + ": cannot write (" + std::strerror(ok ? errno : savedErrno) + ")";
    return false;
}

std::string CapStats::GroupName(const CapFrameRow& row) {
    switch (row.state) {
    case VHS_INTRO:
    case VHS_TRANSITION: {
        const int n = VH_RowOf(VHS_INTRO, row.intro) >= 0 ? row.intro - VH_SceneCount() : -1;
        return n >= 0 ? "intro " + std::to_string(n + 1) : "";
    }
    case VHS_SCENE:
        if (VH_RowOf(VHS_SCENE, row.id) >= 0) return "scene " + std::to_string(row.id + 1);
        return "";
    case VHS_EXIT:
        return "credits";
    default:
        return "";
    }
}

int CapStats::SequenceRow(const CapFrameRow& row) {
    switch (row.state) {
    case VHS_INTRO:
    case VHS_TRANSITION:
        return VH_RowOf(VHS_INTRO, row.intro);
    case VHS_SCENE:
        return VH_RowOf(VHS_SCENE, row.id);
    case VHS_EXIT:
        return VH_SequenceLength();
    default:
        return -1;
    }
}

std::string CapStats::PartName(const CapFrameRow& row) {
    const int at = SequenceRow(row);
    if (at == VH_SequenceLength()) return VH_CREDITS_PART;
    const VH_SequenceRow* r = VH_SequenceRowAt(at);
    return r && r->name ? r->name : "";
}

void CapStats::PrintSummary(FILE* out) const {
    struct Group {
        std::string name;
        std::vector<double> update, render, glCalls, cpu;
        std::vector<double> passes[VH_PASS_COUNT];
        double initMs = -1.0;
        long allocations = -1; // the most of any frame that ran the part (neither loading nor closing it)
    };
    std::vector<Group> groups;
    for (const CapFrameRow& row : rows) {
        const std::string name = GroupName(row);
        if (name.empty()) continue;
        auto g = std::find_if(groups.begin(), groups.end(), [&](const Group& x) { return x.name == name; });
        if (g == groups.end()) {
            g = groups.insert(groups.end(), Group{});
            g->name = name;
        }
        // The loading step is reported on its own so it does not skew the running figures.
        const bool loading = row.msg == MSG_INITIALIZE && (row.state == VHS_INTRO || row.state == VHS_SCENE);
        if (loading)
            g->initMs = row.updateMs;
        else
            g->update.push_back(row.updateMs);
        g->render.push_back(row.renderMs);
        g->glCalls.push_back((double)row.glCalls);
        g->cpu.push_back(row.cpuMs);
        for (int p = 0; row.passesTimed && p < VH_PASS_COUNT; ++p)
            g->passes[p].push_back(row.passMs[p]);
        if (row.msg == MSG_UPDATE || row.allocations < 0) g->allocations = std::max(g->allocations, row.allocations);
    }
    std::fprintf(out, "%-10s %7s %12s %12s %12s %12s %9s %9s %9s %9s\n", "part", "frames", "update med", "update p95",
                 "render med", "render p95", "init ms", "gl calls", "allocs", "cpu med");
    for (const Group& g : groups) {
        char init[32] = "-", allocs[32] = "-";
        if (g.initMs >= 0.0) std::snprintf(init, sizeof(init), "%.3f", g.initMs);
        if (g.allocations >= 0) std::snprintf(allocs, sizeof(allocs), "%ld", g.allocations);
        std::fprintf(out, "%-10s %7zu %12.3f %12.3f %12.3f %12.3f %9s %9.0f %9s %9.3f\n", g.name.c_str(),
                     g.render.size(), percentile(g.update, 50.0), percentile(g.update, 95.0),
                     percentile(g.render, 50.0), percentile(g.render, 95.0), init, percentile(g.glCalls, 50.0), allocs,
                     percentile(g.cpu, 50.0));
    }
    bool anyPasses = false;
    for (const Group& g : groups)
        anyPasses = anyPasses || !g.passes[0].empty();
    if (!anyPasses) return;
    // Each pass's own time, the renderer waited for at its end: median / 95th percentile in ms.
    std::fprintf(out, "\npass times, median / p95 ms\n%-10s", "part");
    for (int p = 0; p < VH_PASS_COUNT; ++p)
        std::fprintf(out, " %15s", VH_PassNames[p]);
    std::fputc('\n', out);
    for (const Group& g : groups) {
        if (g.passes[0].empty()) continue;
        std::fprintf(out, "%-10s", g.name.c_str());
        for (int p = 0; p < VH_PASS_COUNT; ++p) {
            char cell[32];
            std::snprintf(cell, sizeof cell, "%.2f / %.2f", percentile(g.passes[p], 50.0),
                          percentile(g.passes[p], 95.0));
            std::fprintf(out, " %15s", cell);
        }
        std::fputc('\n', out);
    }
}
