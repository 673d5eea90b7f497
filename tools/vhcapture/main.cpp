// vhcapture: plays the demo through the driver on a fixed frame step and seed, and writes
// what it draws to PNG frames, a contact sheet, a video, per-frame timing and a plot of it.
//
// Frame k is drawn after k steps of 1/fps, so its demo time is k/fps. Keys due at T are
// pressed before the first step that starts at or after T. Every output is checked before
// the first frame; every file a frame produces is written as soon as the frame is drawn;
// whatever outlives the loop (the last frame of --every, sheet, CSV, plot, summary, video) is
// finished both on a normal end and from the engine's exit hook (ESC, a key after the
// credits, a fatal end).
//
// With --loops the sequence plays again from its first intro each time a run would have
// ended, in the same process and through the engine's own way back (the console's goto).
// Frames keep counting across loops; keys, --at and --every count from the loop's start.
#include <GL/freeglut.h>
#include <GL/gl.h>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#include "options.h"
#include "outputs.h"
#include "pictures.h"
#include "plot.h"
#include "audio/music.h"
#include "core/catalogue.h"
#include "core/debuglog.h"
#include "core/glerror.h"
#include "core/platform.h"
#include "core/report.h"
#include "core/version.h"
#include "fill.h"
#include "shell/driver.h"
#include "shell/sequence.h"
#include "shell/state.h"
#include "stats.h"
#include "tally.h"
#include "video.h"

namespace {
typedef std::chrono::steady_clock Clock;

const double progressAfter = 3.0;  // wall seconds before the first progress line
const double creditsSeconds = 1.0; // demo time the credits stay before a run without --until ends

CapOptions opts;
CapStats stats;
CapVideo video;
CapSheet sheet;
CapSheet overdrawSheet;    // heat maps of the saved frames (--overdraw)
bool countsWanted = false; // the frame being drawn is saved, so its fragment counts are read
CapOverdraw counts;        // the last frame's counts, when read
bool countsRead = false;
long heatLast = 0;     // the last frame put on the overdraw sheet
CapFrameRow lastRow{}; // the last frame drawn
bool finished = false;
long framesDrawn = 0;
long framesSaved = 0;
long frameHeld = 0;    // the frame the driver's capture buffer holds; 0: none
long everySaved = 0;   // the last frame written for --every
long sheetLast = 0;    // the last frame put on the sheet
size_t atSaved = 0;    // --at times whose frame was written
bool ownFault = false; // the run was ended by a fault of ours, not of the engine
long loop = 1;         // the loop that plays, from 1
long loopStart = 0;    // the last frame before this loop's first
bool atMissed = false; // a loop before the last ended with --at times still to come

double since(Clock::time_point t0) {
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

std::string absolutePath(const std::string& path, const std::string& cwd) {
    if (path.empty() || path[0] == '/') return path;
    return cwd + "/" + path;
}

volatile std::sig_atomic_t interrupted = 0; // Ctrl-C or a kill: stop after the frame in hand

void onInterrupt(int) {
    interrupted = 1;
}

// The engine's reports on stderr (its start-up banner, GL error reports) leave their line
// open and begin a new one only when they next write; ours do the same, through the engine's
// record of whether a line is open, so that no two share a line and none is left empty. The
// last line is ended when the process ends.
__attribute__((format(printf, 1, 2))) void say(const char* format, ...) {
    std::fputs(VH_LineOpen() ? "\nvhcapture: " : "vhcapture: ", stderr);
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fflush(stderr);
    VH_NoteOpenLine(true);
}

void endLastLine() {
    if (VH_LineOpen()) std::fputc('\n', stderr);
    VH_NoteOpenLine(false);
}

std::string everyName(long k) {
    char name[64];
    std::snprintf(name, sizeof(name), "/frame_%06ld.png", k);
    return opts.out + name;
}

// Resident size of the process in kB, from /proc/self/statm (its second field, in pages).
long residentKB() {
    long pages = 0, resident = -1;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = -1;
        std::fclose(f);
    }
    return resident < 0 ? -1 : resident * (sysconf(_SC_PAGESIZE) / 1024);
}

std::string atName(double t) {
    char name[64];
    if (opts.loops > 1)
        std::snprintf(name, sizeof(name), "/at_%07ld_loop%ld.png", CAP_Millis(t), loop);
    else
        std::snprintf(name, sizeof(name), "/at_%07ld.png", CAP_Millis(t));
    return opts.out + name;
}

void addHeatMap(const CapFrameRow& row, bool final = false);

// However the run ends, a sheet or a frame series ends on the last frame drawn (the
// credits, or where ESC or a fatal end stopped it), even off the --every step.
bool saveLastFrame() {
    if (opts.every <= 0 || ownFault || framesDrawn == 0 || frameHeld != framesDrawn || everySaved == framesDrawn)
        return true;
    int w = 0, h = 0;
    const std::vector<std::uint8_t>& rgb = VH_DriverFrame(&w, &h);
    std::string error;
    if (!CAP_WritePNG(everyName(framesDrawn), rgb, w, h, &error)) {
        say("%s", error.c_str());
        return false;
    }
    ++framesSaved;
    everySaved = framesDrawn;
    // A last frame that an --at time saved is on the sheet already.
    if (!opts.sheet.empty() && sheetLast != framesDrawn) sheet.Add(rgb, w, h, (double)framesDrawn / opts.fps, true);
    if (heatLast != framesDrawn && lastRow.frame == framesDrawn) addHeatMap(lastRow, true);
    return true;
}

// Everything that outlives the frame loop. Returns false when something could not be written.
bool finish() {
    if (finished) return true;
    finished = true;
    bool ok = saveLastFrame();
    std::string error;
    if (!opts.sheet.empty()) {
        int w, h;
        const std::vector<std::uint8_t> rgb = sheet.Compose(&w, &h);
        if (sheet.Count() == 0) {
            say("%s: no frame was saved, so there is no sheet", opts.sheet.c_str());
            ok = false;
        } else if (!CAP_WritePNG(opts.sheet, rgb, w, h, &error)) {
            say("%s", error.c_str());
            ok = false;
        }
    }
    if (!opts.overdraw.empty()) {
        int w, h, keyed;
        const std::vector<std::uint8_t> rgb = overdrawSheet.Compose(&w, &h);
        if (overdrawSheet.Count() == 0) {
            say("%s: no frame was saved, so there is no heat map", opts.overdraw.c_str());
            ok = false;
        } else {
            const std::vector<std::uint8_t> keyedRgb = CAP_AddHeatKey(rgb, w, h, &keyed);
            if (!CAP_WritePNG(opts.overdraw, keyedRgb, w, keyed, &error)) {
                say("%s", error.c_str());
                ok = false;
            }
        }
    }
    // The soundtrack of the frames drawn: as a file of its own, and into the video.
    if (!opts.audio.empty() && !SND_WriteWav(opts.audio, SND_Recording(), &error)) {
        say("%s: %s", opts.audio.c_str(), error.c_str());
        ok = false;
    }
    std::string sound;
    if (video.Active()) {
        sound = opts.video + ".sound.wav";
        if (!SND_WriteWav(sound, SND_Recording(), &error)) {
            say("%s: %s", sound.c_str(), error.c_str());
            sound.clear();
        }
    }
    if (!video.Close(&error, sound)) {
        say("%s", error.c_str());
        ok = false;
    }
    if (!sound.empty()) unlink(sound.c_str());
    if (!opts.stats.empty()) {
        if (!stats.Close(&error)) {
            say("%s", error.c_str());
            ok = false;
        }
    }
    if (!opts.plot.empty()) {
        if (stats.Rows().empty()) {
            say("%s: no frame was drawn, so there is no plot", opts.plot.c_str());
            ok = false;
        } else if (!CAP_WritePNG(opts.plot, CAP_DrawPlot(stats.Rows()), CAP_PLOT_WIDTH, CAP_PLOT_HEIGHT, &error)) {
            say("%s", error.c_str());
            ok = false;
        }
    }
    if (atSaved < opts.at.size()) {
        say("%zu --at time(s) from %.3f s on came after the run ended at %.3f s", opts.at.size() - atSaved,
            opts.at[atSaved], (double)framesDrawn / opts.fps);
        ok = false;
    }
    if (atMissed) ok = false;
    say("%ld frames drawn (%.3f s of demo time), %ld saved", framesDrawn, (double)framesDrawn / opts.fps, framesSaved);
    // The summary goes to stdout; on a terminal it must not continue our open stderr line.
    endLastLine();
    if (!opts.stats.empty()) {
        stats.PrintSummary(stdout);
        std::fflush(stdout);
    }
    return ok;
}

// The engine is ending the process (ESC, a key after the credits, or a fatal condition),
// or failRun below is ending it for a fault of ours, which it has reported already.
void onEngineExit(int status) {
    if (status != 0 && !ownFault) {
        const char* cause = VH_LastFailure();
        say("the demo ended itself with status %d at %.3f s: %s", status, (double)(framesDrawn + 1) / opts.fps,
            *cause ? cause : "a fatal condition in the engine");
    }
    finish();
}

// A fault of our own in the middle of a run: keep what is saved and end through the engine's exit.
[[noreturn]] void failRun(const std::string& error) {
    say("%s", error.c_str());
    ownFault = true;
    VH_Exit(1);
}

void pressKey(const CapKey& key) {
    if (key.special)
        VH_DriverSpecialKey(key.code);
    else
        VH_DriverKey((unsigned char)key.code);
}

void saveFrame(const std::string& path, const std::vector<std::uint8_t>& rgb, int w, int h) {
    std::string error;
    if (!CAP_WritePNG(path, rgb, w, h, &error)) failRun(error);
    ++framesSaved;
}

// Before each swap of an --overdraw run: the counts of a frame to be saved are read, and the
// stencil buffer is cleared for the next frame either way.
void onSwap() {
    int w = 0, h = 0;
    VH_DriverFrame(&w, &h);
    countsRead = CAP_TakeCounts(countsWanted && w > 0 && h > 0, w, h, &counts) || countsRead;
}

// The heat map of a saved frame onto the overdraw sheet, and its figures in one line.
void addHeatMap(const CapFrameRow& row, bool final) {
    if (opts.overdraw.empty() || !countsRead) return;
    heatLast = row.frame;
    overdrawSheet.Add(CAP_HeatMap(counts), counts.width, counts.height, row.seconds, final);
    const std::string part = CapStats::GroupName(row);
    say("overdraw at %.3f s (%s): %.2f fragments a pixel, %.2f where any fell (%.0f%% of the pixels), at most %d",
        row.seconds, part.empty() ? "-" : part.c_str(), counts.mean, counts.meanCovered, counts.covered * 100.0,
        counts.most);
}

void showProgress(Clock::time_point start, Clock::time_point* last) {
    if (since(start) < progressAfter || since(*last) < 2.0) return;
    *last = Clock::now();
    say("%.2f s of demo time, frame %ld, %ld saved", (double)framesDrawn / opts.fps, framesDrawn, framesSaved);
}

// Without --until the run ends once the credits are drawn; a scene, though, runs until 'n',
// so with no key left to press and no frame left to save it would never get there (unless
// autoplay moves it on).
bool waitsForever(size_t nextKey, size_t nextAt) {
    return opts.until < 0.0 && !VH_Autoplay() && nextKey >= opts.keys.size() && nextAt >= opts.at.size() &&
           VH_GetState() == VHS_SCENE && VH_GetMsg() == MSG_UPDATE;
}
} // namespace

int main(int argc, char** argv) {
    std::atexit(endLastLine);
    std::string error;
    if (!CAP_ParseOptions(argc, argv, &opts, &error)) {
        say("%s", error.c_str());
        return 2;
    }
    if (opts.help) {
        std::fputs(CAP_Usage(), stdout);
        return 0;
    }
    if (opts.version) {
        std::printf("vhcapture %s\n", VH_VERSION_TEXT);
        return 0;
    }

    // A missing data folder is missing data, like a missing archive in a folder that exists.
    const std::string dataName = (opts.dataDir.empty() ? std::string(".") : opts.dataDir) + "/" + CAT_ARCHIVE;
    if (access(dataName.c_str(), R_OK) != 0) {
        say("%s: cannot read the demo's data (%s); run in its folder or give --data DIR", dataName.c_str(),
            std::strerror(errno));
        return 1;
    }
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) {
        say("no X display (DISPLAY is not set); a virtual one will do: xvfb-run -a vhcapture ...");
        return 1;
    }
    if (!opts.video.empty() && CAP_FindProgram("ffmpeg").empty()) {
        say("%s: cannot make the video: ffmpeg is not installed (or not on PATH)", opts.video.c_str());
        return 1;
    }
    // Every output is tried under the name the user gave, before anything is drawn: the
    // frame folder first, since the sheet may be meant to go in it.
    const bool savesFrames = !opts.at.empty() || opts.every > 0;
    std::vector<std::string> madeFolders;
    if ((savesFrames && !CAP_MakeOutputFolder(opts.out, &madeFolders, &error)) ||
        (!opts.sheet.empty() && !CAP_CheckOutputFile(opts.sheet, CAP_RENAMED_INTO_PLACE, &error)) ||
        (!opts.video.empty() && !CAP_CheckOutputFile(opts.video, CAP_WRITTEN_IN_PLACE, &error)) ||
        (!opts.audio.empty() && !CAP_CheckOutputFile(opts.audio, CAP_WRITTEN_IN_PLACE, &error)) ||
        (!opts.stats.empty() && !CAP_CheckOutputFile(opts.stats, CAP_WRITTEN_IN_PLACE, &error)) ||
        (!opts.plot.empty() && !CAP_CheckOutputFile(opts.plot, CAP_RENAMED_INTO_PLACE, &error)) ||
        (!opts.overdraw.empty() && !CAP_CheckOutputFile(opts.overdraw, CAP_RENAMED_INTO_PLACE, &error))) {
        CAP_RemoveMadeFolders(madeFolders);
        say("%s", error.c_str());
        return 1;
    }

    // Output names are the user's, relative to where vhcapture was started, not to --data.
    char cwdBuffer[4096];
    const std::string cwd = getcwd(cwdBuffer, sizeof(cwdBuffer)) ? cwdBuffer : ".";
    opts.out = absolutePath(opts.out, cwd);
    opts.sheet = absolutePath(opts.sheet, cwd);
    opts.video = absolutePath(opts.video, cwd);
    opts.audio = absolutePath(opts.audio, cwd);
    opts.stats = absolutePath(opts.stats, cwd);
    opts.plot = absolutePath(opts.plot, cwd);
    opts.overdraw = absolutePath(opts.overdraw, cwd);
    if (!opts.dataDir.empty() && chdir(opts.dataDir.c_str()) != 0) {
        say("%s: cannot enter the data folder (%s)", opts.dataDir.c_str(), std::strerror(errno));
        return 1;
    }
    if (!opts.stats.empty() && !stats.Open(opts.stats, &error, opts.passes)) {
        say("%s", error.c_str());
        return 1;
    }

    // An interrupted run still finishes its sheet, statistics and video.
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    VH_SetExitHook(onEngineExit);
    GLERR_SetQuiet(opts.quiet);
    DBG_SetTrace(opts.trace);
    static char programName[] = "vhcapture";
    static char* driverArgs[] = {programName, nullptr};
    VH_DriverOpen(1, driverArgs, opts.width, opts.height, !opts.overdraw.empty());
    CAP_TallyStart();
    if (!opts.audio.empty() || !opts.video.empty()) SND_SetRecording(true);
    VH_SetAutoplay(opts.autoplay);
    std::srand(opts.seed);
    // Frames that draw nothing must show black, not whatever the new buffers held.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glutSwapBuffers();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (!opts.overdraw.empty()) {
        GLint stencilBits = 0;
        glGetIntegerv(GL_STENCIL_BITS, &stencilBits);
        if (stencilBits < 8) {
            say("--overdraw: the window got %d stencil bits, too few to count fragments in", (int)stencilBits);
            return 1;
        }
        CAP_StartCounting();
        VH_DriverSetSwapListener(onSwap);
    }

    // Frames per loop with --until; frame numbers within a loop count from 1.
    const long untilFrames =
        opts.until >= 0.0 ? std::max(1L, (long)std::floor(opts.until * opts.fps + 1e-6)) : LONG_MAX;
    const long loops = std::max(1L, opts.loops);
    // Without --until: the frame on which the credits have stood for creditsSeconds. They
    // are drawn whole on their first frame; the second after it gives sheets and videos an end.
    long creditsEnd = LONG_MAX;
    const bool timed = !opts.stats.empty() || !opts.plot.empty(); // the frames' times are kept
    const Clock::time_point start = Clock::now();
    Clock::time_point lastProgress = start;
    size_t nextKey = 0;
    for (long k = 1; !interrupted; ++k) {
        const long f = k - loopStart; // the frame's number within its loop
        // Keys are due once the loop's clock at the start of this step has reached them.
        while (nextKey < opts.keys.size() && opts.keys[nextKey].time * opts.fps <= (double)(f - 1) + 1e-6)
            pressKey(opts.keys[nextKey++]);

        CapFrameRow row{};
        row.frame = k;
        row.seconds = (double)k / opts.fps;
        row.state = VH_GetState();
        row.id = VH_GetID();
        row.msg = VH_GetMsg();
        row.intro = row.id;
        if (row.state == VHS_TRANSITION) {
            int backState = 0, backMsg = 0;
            VH_GetTransitionReturn(&backState, &row.intro, &backMsg);
        }

        size_t atHere = atSaved;
        while (atHere < opts.at.size() && CAP_FrameAt(opts.at[atHere], opts.fps) == f)
            ++atHere;
        const bool everyHere = opts.every > 0 && f % opts.every == 0;
        // With --every each frame is kept in hand, since any one may turn out to be the last.
        const bool wanted = atHere > atSaved || opts.every > 0 || !opts.video.empty();
        VH_DriverCapture(wanted);
        countsWanted = atHere > atSaved || everyHere || (opts.every > 0 && !opts.overdraw.empty());
        countsRead = false;
        CapPassTimes passTimes;

        const CapTally before = CAP_Tally();
        const Clock::time_point t0 = Clock::now();
        VH_DriverStep(1.0 / opts.fps);
        const Clock::time_point t1 = Clock::now();
        if (opts.passes) CAP_StartPassTimes(&passTimes);
        VH_DriverRender();
        if (opts.passes) {
            CAP_EndPassTimes();
            CAP_StartPassTimes(nullptr);
            row.passesTimed = true;
            std::copy_n(passTimes.ms, VH_PASS_COUNT, row.passMs);
        }
        const CapTally after = CAP_Tally();
        // A captured frame waited for the renderer in its read-back; make the others wait too.
        if (!wanted && timed) glFinish();
        row.cpuMs = CAP_Tally().cpuMs - before.cpuMs;
        row.glCalls = after.glCalls - before.glCalls;
        row.allocations = CAP_TallyCountsAllocations() ? after.allocations - before.allocations : -1;
        row.updateMs = std::chrono::duration<double, std::milli>(t1 - t0).count();
        row.renderMs = since(t1) * 1000.0;
        if (timed) stats.Record(row);
        lastRow = row;
        framesDrawn = k;

        if (wanted) {
            int w = 0, h = 0;
            const std::vector<std::uint8_t>& rgb = VH_DriverFrame(&w, &h);
            if (w <= 0 || h <= 0) failRun("frame " + std::to_string(k) + " was drawn without reaching the screen");
            frameHeld = k;
            const bool savedHere = atHere > atSaved || everyHere;
            for (; atSaved < atHere; ++atSaved)
                saveFrame(atName(opts.at[atSaved]), rgb, w, h);
            if (everyHere) {
                saveFrame(everyName(k), rgb, w, h);
                everySaved = k;
            }
            if (!opts.sheet.empty() && savedHere) {
                sheet.Add(rgb, w, h, row.seconds);
                sheetLast = k;
            }
            if (savedHere) addHeatMap(row);
            if (!opts.video.empty()) {
                if (!video.Active() && !video.Start(opts.video, w, h, opts.fps, true, &error)) failRun(error);
                if (!video.Write(rgb, w, h, &error)) failRun(error);
            }
        }
        showProgress(start, &lastProgress);

        if (opts.until < 0.0 && creditsEnd == LONG_MAX && VH_GetState() == VHS_EXIT && VH_CreditsShown())
            creditsEnd = k + std::max(1L, std::lround(creditsSeconds * opts.fps));
        if (waitsForever(nextKey, atSaved)) {
            say("scene %d waits for an 'n' key and none is left in --keys; stopping at %.3f s "
                "(give --until or more --keys to go on)",
                VH_GetID() + 1, row.seconds);
            break;
        }
        if (f < untilFrames && k < creditsEnd) continue;
        // This loop is over.
        if (opts.loops > 0)
            say("loop %ld of %ld: %.3f s of demo time, resident size %ld kB", loop, loops, (double)f / opts.fps,
                residentKB());
        if (loop >= loops) break;
        if (atSaved < opts.at.size()) {
            say("loop %ld: %zu --at time(s) from %.3f s on came after the loop ended at %.3f s", loop,
                opts.at.size() - atSaved, opts.at[atSaved], (double)f / opts.fps);
            atMissed = true;
        }
        ++loop;
        loopStart = k;
        nextKey = 0;
        atSaved = 0;
        creditsEnd = LONG_MAX;
        VH_GotoRow(0);
    }
    if (interrupted) say("interrupted at %.3f s", (double)framesDrawn / opts.fps);
    const bool ok = finish();
    VH_LeavePart(); // a run stopped mid-scene closes it as the demo would, giving its models back
    DBG_Close();    // the run ends here rather than in the engine: the log gets its footer all the same
    return interrupted ? 130 : ok ? 0 : 1;
}
