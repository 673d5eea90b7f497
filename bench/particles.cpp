// particles benchmark: the batched billboard renderer against the unbatched one (matrix read in
// every sort comparison, a bind and a glBegin/glEnd per particle) at 1,000 and 10,000
// billboards, and one frame of each air scene's particle work at its steady counts drawn both
// ways; each comparison also checks that both ways draw the same picture. Needs a GL context: run under xvfb-run. The times are CPU side: the
// calling thread's CPU time, with the frame finished (glFinish) outside the timed part.
#include <GL/gl.h>
#include <GL/glu.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <time.h>
#include <unistd.h>
#include <vector>

#include "camera/fliers.h"
#include "data/resfile.h"
#include "particles/actions.h"
#include "particles/effects.h"
#include "particles/papi.h"
#include "particles/render.h"
#include "report.h"
#include "shell/driver.h"

namespace {

// CPU time of this thread: the driver's rasterizer threads and other processes on a busy
// machine stay out of it, the calls' own work (the driver's vertex stage included) stays in.
struct Clock {
    typedef double time_point;
    static double now() {
        timespec t;
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
    }
};

double since(double t0) {
    return Clock::now() - t0;
}

GLuint texture = 0;

// The driven window, opened once, in a scratch folder holding the empty archive start-up wants.
void openContext() {
    static bool opened = false;
    if (opened) return;
    opened = true;
    char dir[] = "/tmp/vhbench.XXXXXX";
    if (!mkdtemp(dir) || chdir(dir) != 0) std::abort();
    CResFile empty; // a valid archive with no entries: start-up refuses a damaged one
    if (!empty.Open("vh_data.clu", "w") || !empty.Commit()) std::abort();
    empty.Close();
    static char name[] = "bench_particles";
    static char* argv[] = {name, nullptr};
    VH_DriverOpen(1, argv, 800, 600);

    std::vector<GLubyte> blob(32 * 32 * 4);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const float r = std::hypot(x - 15.5f, y - 15.5f) / 16.0f;
            GLubyte* p = &blob[(y * 32 + x) * 4];
            p[0] = p[1] = p[2] = 255;
            p[3] = (GLubyte)(r < 1 ? 255 * (1 - r) : 0);
        }
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 32, 32, 0, GL_RGBA, GL_UNSIGNED_BYTE, blob.data());
}

// A perspective camera over the particles, blended and textured as the scenes draw them.
void sceneView() {
    glViewport(0, 0, 800, 600);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60.0, 800.0 / 600.0, 0.1, 500.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(0, 20, 60, 0, 10, 0, 0, 1, 0);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
}

// A cloud of n particles, shuffled, kept aside so every draw starts from the same order.
std::vector<PART_Particle> cloud(int n) {
    PART_Reset();
    PART_SelectGroup(PART_CreateGroups(1, n));
    std::srand(99);
    PART_SetColourDomain(0.8f, PART_DOM_BOX, 0.2f, 0.2f, 0.2f, 1, 1, 1);
    PART_SetSizeDomain(PART_DOM_BOX, 0.5f, 0.5f, 0.5f, 1.5f, 1.5f, 1.5f);
    PART_Emit((float)n, PART_DOM_SPHERE, 0, 10, 0, 25, 0);
    const PART_Group* g = PART_CurrentGroup();
    return std::vector<PART_Particle>(g->particles, g->particles + g->count);
}

// Seconds per draw of the current group from the saved order, CPU side, best of runs.
double drawSeconds(const std::vector<PART_Particle>& saved, bool unbatched, int runs) {
    double best = 1e9; // the least disturbed run: other work on the machine only ever adds
    for (int i = 0; i < runs; ++i) {
        std::copy(saved.begin(), saved.end(), PART_CurrentGroup()->particles);
        glClear(GL_COLOR_BUFFER_BIT);
        const Clock::time_point t0 = Clock::now();
        if (unbatched)
            PART_DrawBillboardsUnbatched(texture, 0.1f, 0, 0);
        else
            PART_DrawBillboards(texture, 0.1f, 0, 0);
        best = std::min(best, since(t0));
        glFinish();
    }
    return best;
}

// The rasterizer's own share: the same quads, already built, in one glDrawArrays. Under a
// software driver this vertex and set-up work runs on the CPU too, identical for both renderers.
double pipelineSeconds(const std::vector<PART_Particle>& saved, int runs) {
    struct Vertex {
        float s, t, r, g, b, a, x, y, z;
    };
    float m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    const float right[3] = {m[0] * 0.2f, m[4] * 0.2f, m[8] * 0.2f}, up[3] = {m[1] * 0.2f, m[5] * 0.2f, m[9] * 0.2f};
    const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    std::vector<Vertex> quads;
    for (const PART_Particle& p : saved)
        for (const auto& c : corners) {
            const float k = p.size.x;
            quads.push_back({(c[0] + 1) / 2, (c[1] + 1) / 2, p.colour.x, p.colour.y, p.colour.z, p.alpha,
                             p.position.x + k * (c[0] * right[0] + c[1] * up[0]),
                             p.position.y + k * (c[0] * right[1] + c[1] * up[1]),
                             p.position.z + k * (c[0] * right[2] + c[1] * up[2])});
        }
    double best = 1e9; // the least disturbed run: other work on the machine only ever adds
    for (int i = 0; i < runs; ++i) {
        glClear(GL_COLOR_BUFFER_BIT);
        const Clock::time_point t0 = Clock::now();
        glBindTexture(GL_TEXTURE_2D, texture);
        glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
        glDisableClientState(GL_NORMAL_ARRAY);
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glEnableClientState(GL_COLOR_ARRAY);
        glVertexPointer(3, GL_FLOAT, sizeof(Vertex), &quads[0].x);
        glTexCoordPointer(2, GL_FLOAT, sizeof(Vertex), &quads[0].s);
        glColorPointer(4, GL_FLOAT, sizeof(Vertex), &quads[0].r);
        glDrawArrays(GL_QUADS, 0, (GLsizei)quads.size());
        glPopClientAttrib();
        best = std::min(best, since(t0));
        glFinish();
    }
    return best;
}

void BM_Billboards(benchmark::State& state) {
    openContext();
    sceneView();
    const bool unbatched = state.range(1) != 0;
    const std::vector<PART_Particle> saved = cloud((int)state.range(0));
    drawSeconds(saved, unbatched, 2); // the driver compiles its pipeline for this state on first use
    for (auto _ : state) {
        const double s = drawSeconds(saved, unbatched, 1);
        state.SetIterationTime(s);
    }
    state.SetLabel(unbatched ? "unbatched" : "batched");
    state.counters["billboards"] = (double)state.range(0);
}
BENCHMARK(BM_Billboards)
    ->Args({1000, 0})
    ->Args({1000, 1})
    ->Args({10000, 0})
    ->Args({10000, 1})
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

// Both renderers side by side in one run, and their ratio: whole, and above the rasterizer's share.
void BM_BillboardRatio(benchmark::State& state) {
    openContext();
    sceneView();
    const int n = (int)state.range(0);
    const std::vector<PART_Particle> saved = cloud(n);
    const int runs = n > 5000 ? 20 : 100;
    drawSeconds(saved, false, 2);
    double batched = 0, unbatched = 0, pipeline = 0;
    for (auto _ : state) {
        batched = drawSeconds(saved, false, runs);
        unbatched = drawSeconds(saved, true, runs);
        pipeline = pipelineSeconds(saved, runs);
    }
    const double ratio = unbatched / batched, above = (unbatched - pipeline) / (batched - pipeline);
    state.counters["unbatched_over_batched"] = ratio;
    state.counters["above_pipeline"] = above;
    state.counters["pipeline_us"] = pipeline * 1e6;
    std::vector<std::uint8_t> pictures[2];
    for (int way = 0; way < 2; ++way) {
        drawSeconds(saved, way == 1, 1);
        int w, h;
        pictures[way] = VH_DriverReadBack(&w, &h);
    }
    BENCH_Compare("billboards, " + std::to_string(n), unbatched * 1e6, batched * 1e6,
                  !pictures[0].empty() && pictures[0] == pictures[1]);
}
BENCHMARK(BM_BillboardRatio)->Arg(1000)->Arg(10000)->Iterations(1)->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------------------------------------
// the scenes' particle frames
// ---------------------------------------------------------------------------------------------

const float frameSeconds = 1.0f / 60.0f;

struct BeachParticles {
    FLIERS fliers[8] = {};
    int fire = -1, fountain = -1;
    float time = 0;

    BeachParticles() {
        PART_Reset();
        fountain = PART_CreateGroups(1, 300);
        fire = PART_CreateGroups(1, 100);
        for (int i = 0; i < 8; ++i) {
            fliers[i].group = PART_CreateGroups(1, 1000);
            fliers[i].colour = VECTOR(0.2f + 0.1f * i, 1 - 0.1f * i, 0.5f);
        }
        for (int i = 0; i < 1200; ++i) // past every group's lifetime: steady counts
            update();
    }
    void update() {
        time += frameSeconds;
        PART_SetTimeStep(frameSeconds * 100.0f);
        FX_Fountain(fountain);
        FX_Fire(fire);
        for (int i = 0; i < 8; ++i) {
            const float a = time * 0.7f + i * 0.785f;
            fliers[i].position = VECTOR(20 * std::cos(a), 15 + 3 * std::sin(2 * a), 20 * std::sin(a));
            FX_FlierTrail(fliers[i]);
        }
    }
    void render(bool literal) {
        glPushMatrix();
        glTranslatef(-25, 2.5f, 90);
        glRotatef(-90, 1, 0, 0);
        PART_SelectGroup(fire);
        PART_DrawGroup(0, 0);
        glPopMatrix();
        glBindTexture(GL_TEXTURE_2D, texture);
        for (const FLIERS& f : fliers) {
            PART_SelectGroup(f.group);
            (literal ? PART_DrawBillboardsBoundUnbatched : PART_DrawBillboardsBound)(0.5f, 0, 0);
        }
        glPushMatrix();
        glTranslatef(-10.6f, 19, 15.6f);
        glRotatef(-90, 1, 0, 0);
        PART_SelectGroup(fountain);
        (literal ? PART_DrawBillboardsBoundUnbatched : PART_DrawBillboardsBound)(0.05f, 0, 0);
        glPopMatrix();
    }
    std::vector<int> groups() const {
        std::vector<int> all = {fire, fountain};
        for (const FLIERS& f : fliers)
            all.push_back(f.group);
        return all;
    }
};

struct SkyParticles {
    int shots[6], tracers[6], planes[3], smoke;
    float time = 0;

    SkyParticles() {
        PART_Reset();
        for (int i = 0; i < 6; ++i)
            shots[i] = PART_CreateGroups(1, 1), tracers[i] = PART_CreateGroups(1, 50);
        for (int& p : planes)
            p = PART_CreateGroups(1, 100);
        smoke = PART_CreateGroups(1, 200);
        for (int i = 0; i < 1500; ++i)
            update();
    }
    VECTOR plane(int i) const { return VECTOR(-4.0f * i + 5 * std::sin(time), 42, 20 + 10 * std::cos(time)); }
    void update() {
        time += frameSeconds;
        PART_SetTimeStep(frameSeconds * 40.0f);
        for (int i = 0; i < 6; ++i)
            FX_Spray(shots[i], VECTOR(0.3f * i, 36, 34.5f), VECTOR(-10, 34, 0), 0.8f);
        for (int i = 0; i < 6; ++i)
            FX_Stream(tracers[i], VECTOR(0.3f * i - 5, 40, 10), plane(i / 2), 1.3f);
        FX_SmokeLarge(smoke);
        for (int p : planes)
            FX_SmokeSmall(p);
    }
    void render(bool literal) {
        const auto billboards = literal ? PART_DrawBillboardsUnbatched : PART_DrawBillboards;
        glDisable(GL_TEXTURE_2D);
        for (int s : shots) {
            PART_SelectGroup(s);
            FX_DrawParticleSpheres();
        }
        for (int t : tracers) {
            PART_SelectGroup(t);
            PART_DrawGroup(GL_LINES, 0);
        }
        glEnable(GL_TEXTURE_2D);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        PART_SelectGroup(smoke);
        for (float dx : {1.0f, 2.0f}) {
            glPushMatrix();
            glTranslatef(-20 + dx, 40, 1);
            billboards(texture, 1.0f, 0, 0);
            glPopMatrix();
        }
        for (int i = 0; i < 3; ++i) {
            const VECTOR at = plane(i);
            glPushMatrix();
            glTranslatef(at.x, at.y, at.z);
            PART_SelectGroup(planes[i]);
            billboards(texture, 1.0f, 0, 0);
            glPopMatrix();
        }
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    }
    std::vector<int> groups() const {
        std::vector<int> all(shots, shots + 6);
        all.insert(all.end(), tracers, tracers + 6);
        all.insert(all.end(), planes, planes + 3);
        all.push_back(smoke);
        return all;
    }
};

// The live particles of the scene's groups, to draw one state twice.
std::vector<std::vector<PART_Particle>> saveGroups(const std::vector<int>& groups) {
    std::vector<std::vector<PART_Particle>> saved;
    for (int g : groups) {
        PART_SelectGroup(g);
        const PART_Group* group = PART_CurrentGroup();
        saved.emplace_back(group->particles, group->particles + group->count);
    }
    return saved;
}

void restoreGroups(const std::vector<int>& groups, const std::vector<std::vector<PART_Particle>>& saved) {
    for (size_t i = 0; i < groups.size(); ++i) {
        PART_SelectGroup(groups[i]);
        PART_Group* group = PART_CurrentGroup();
        std::copy(saved[i].begin(), saved[i].end(), group->particles);
        group->count = (Sint32)saved[i].size();
    }
}

int total(const std::vector<int>& groups) {
    int n = 0;
    for (int g : groups) {
        PART_SelectGroup(g);
        n += PART_ParticleCount();
    }
    return n;
}

// One frame: the update and the draw, each timed CPU side.
template <typename Scene> void sceneFrame(benchmark::State& state) {
    openContext();
    sceneView();
    Scene scene;
    double update = 0, render = 0;
    long frames = 0;
    std::vector<double> totals;
    for (auto _ : state) {
        Clock::time_point t0 = Clock::now();
        scene.update();
        const double u = since(t0);
        glClear(GL_COLOR_BUFFER_BIT);
        t0 = Clock::now();
        scene.render(false);
        const double r = since(t0);
        glFinish();
        state.SetIterationTime(u + r);
        update += u, render += r, ++frames;
        totals.push_back(u + r);
    }
    std::nth_element(totals.begin(), totals.begin() + totals.size() / 2, totals.end());
    state.counters["particles"] = total(scene.groups());
    state.counters["update_us"] = update / frames * 1e6;
    state.counters["render_us"] = render / frames * 1e6;
    state.counters["median_frame_us"] = totals[totals.size() / 2] * 1e6;
}

// The scene's frames drawn both ways from the same particles: the median draw of each, and every
// 20th frame's pictures compared.
template <typename Scene> void sceneRatio(benchmark::State& state, const char* name) {
    openContext();
    sceneView();
    Scene scene;
    const std::vector<int> groups = scene.groups();
    std::vector<double> times[2];
    bool same = true;
    for (auto _ : state)
        for (int frame = 0; frame < 200; ++frame) {
            scene.update();
            const auto saved = saveGroups(groups);
            std::vector<std::uint8_t> pictures[2];
            for (int literal = 0; literal < 2; ++literal) {
                restoreGroups(groups, saved);
                glClear(GL_COLOR_BUFFER_BIT);
                const Clock::time_point t0 = Clock::now();
                scene.render(literal == 1);
                times[literal].push_back(since(t0));
                glFinish();
                int w, h;
                if (frame % 20 == 0) pictures[literal] = VH_DriverReadBack(&w, &h);
            }
            if (frame % 20 == 0) same = same && !pictures[0].empty() && pictures[0] == pictures[1];
        }
    for (std::vector<double>& t : times)
        std::nth_element(t.begin(), t.begin() + t.size() / 2, t.end());
    const double ours = times[0][times[0].size() / 2], literal = times[1][times[1].size() / 2];
    state.counters["particles"] = total(groups);
    BENCH_Compare(std::string(name) + ", " + std::to_string(total(groups)) + " particles, draw per frame",
                  literal * 1e6, ours * 1e6, same);
}

void BM_SceneOneParticles(benchmark::State& state) {
    sceneFrame<BeachParticles>(state);
}
BENCHMARK(BM_SceneOneParticles)->UseManualTime()->Unit(benchmark::kMicrosecond);

void BM_SceneTwoParticles(benchmark::State& state) {
    sceneFrame<SkyParticles>(state);
}
BENCHMARK(BM_SceneTwoParticles)->UseManualTime()->Unit(benchmark::kMicrosecond);

void BM_SceneOneParticlesRatio(benchmark::State& state) {
    sceneRatio<BeachParticles>(state, "scene one's particles");
}
BENCHMARK(BM_SceneOneParticlesRatio)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_SceneTwoParticlesRatio(benchmark::State& state) {
    sceneRatio<SkyParticles>(state, "scene two's particles");
}
BENCHMARK(BM_SceneTwoParticlesRatio)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
