// commands: help, textures, meshes, next, goto, autoplay, speed, pause, resume, step, fps, camera,
// wire, trace, shot, reload, music, volume, keys, quit.
//
// The console hands a handler its command word; the rest of the line is read with strtok
// (the console tokenised the line with it). Typed letters arrive in upper case, and names
// are matched without regard to case. A bad argument answers with one line and changes
// nothing.
#include "shell/commands.h"

#include <GL/gl.h>
#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "audio/music.h"
#include "camera/camera.h"
#include "core/catalogue.h"
#include "core/debuglog.h"
#include "core/program.h"
#include "core/report.h"
#include "data/resfile.h"
#include "image/texture.h"
#include "model/mesh.h"
#include "shell/driver.h"
#include "shell/frames.h"
#include "shell/sequence.h"
#include "shell/state.h"
#include "text/console.h"

namespace {

struct Command {
    const char* name;
    void (*run)(const char* word);
    const char* help;
    std::string (*helpTail)() = nullptr; // what the help line ends with, when the program knows it better
};

void say(const char* format, ...) __attribute__((format(printf, 1, 2)));
void say(const char* format, ...) {
    char line[CON_LINE_SIZE];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    CON_AddLine(VH_Console, line);
}

const char* nextWord() {
    return std::strtok(nullptr, " \t\n");
}

// Every part goto knows, as its help line and its refusal list them.
std::string partNames() {
    return VH_PartList("|", "|");
}

const Command* commandTable(); // below: help lists the table

void helpCommand(const char*) {
    say("Typed keys also reach the demo ('n' moves on, 'a' reaches scenes 1 and 2); KEYS keeps them here.");
    for (const Command* c = commandTable(); c->name; ++c)
        say("%-8s %s%s", c->name, c->help, c->helpTail ? c->helpTail().c_str() : "");
}

void texturesCommand(const char*) {
    const int count = TEX_Count();
    say("%d textures loaded", count);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    for (int i = 0; i < count; ++i) {
        GLint w = 0, h = 0;
        glBindTexture(GL_TEXTURE_2D, TEX_Id(i));
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
        say("  %-40s %4d x %-4d", TEX_Name(i), (int)w, (int)h);
    }
    glBindTexture(GL_TEXTURE_2D, (GLuint)bound);
}

void meshesCommand(const char*) {
    const int count = MESH_Count();
    say("%d models loaded", count);
    for (int i = 0; i < count; ++i) {
        const t3DModel* m = MESH_ModelAt(i);
        long vertices = 0, faces = 0;
        for (const t3DObject& o : m->objects) {
            vertices += o.vertexCount;
            faces += o.faceCount;
        }
        say("  %-28s %3d objects %6ld vertices %6ld faces", m->name, (int)m->objectCount, vertices, faces);
    }
}

void nextCommand(const char*) {
    VH_SetMsg(MSG_CLOSE);
}

void gotoCommand(const char*) {
    const char* name = nextWord();
    const int row = VH_PartByName(name);
    if (row < 0) {
        say("goto: %s is not a part (%s)", name ? name : "nothing", partNames().c_str());
        return;
    }
    VH_GotoRow(row);
}

void autoplayCommand(const char*) {
    VH_SetAutoplay(!VH_Autoplay());
    say(VH_Autoplay() ? "Autoplay on: each scene moves on by itself once its script has been seen"
                      : "Autoplay off: each scene waits for 'n'");
}

void speedCommand(const char*) {
    const char* text = nextWord();
    char* end = nullptr;
    const double value = text ? std::strtod(text, &end) : 0.0;
    if (!text || *end != '\0' || !(value >= 0.1 && value <= 10.0)) {
        say("speed: give a number from 0.1 to 10 (now %g)", VH_TimeScale());
        return;
    }
    VH_SetTimeScale(value);
    say("Demo time runs at %g times the clock", VH_TimeScale());
}

void pauseCommand(const char*) {
    VH_SetPaused(true);
    say("Paused: STEP moves one frame, RESUME goes on");
}

void resumeCommand(const char*) {
    VH_SetPaused(false);
}

void stepCommand(const char*) {
    if (!VH_IsPaused()) {
        say("step: the demo is not paused (PAUSE first)");
        return;
    }
    VH_StepOnce();
}

void fpsCommand(const char*) {
    const VH_FrameSummary s = VH_SummariseFrames();
    say("Last %d frames, median / 95th percentile in ms:", s.frames);
    say("  frame %.2f / %.2f   update %.3f / %.3f   render %.2f / %.2f", s.frameMedian, s.frameP95, s.updateMedian,
        s.updateP95, s.renderMedian, s.renderP95);
}

void cameraCommand(const char*) {
    const DemoCamera* camera = VH_GetState() == VHS_SCENE ? CAM_LastApplied() : nullptr;
    if (!camera) {
        say("camera: this part has no scripted camera");
        return;
    }
    say("eye (%.2f, %.2f, %.2f) target (%.2f, %.2f, %.2f) fov %.1f", camera->eye.x, camera->eye.y, camera->eye.z,
        camera->target.x, camera->target.y, camera->target.z, camera->fov);
}

void wireCommand(const char*) {
    VH_ToggleWireframe();
    say("Wireframe %s", VH_Wireframe() ? "on" : "off");
}

// The console types capitals; file names are taken in lower case, the way the data's own names
// are written, so "shot Shots/Sunset" lands in shots/sunset.png and not in a folder nobody made.
std::string fileName(const char* typed) {
    std::string name = typed ? typed : "";
    for (char& c : name)
        c = (char)std::tolower((unsigned char)c);
    return name;
}

void traceCommand(const char*) {
    DBG_SetTrace(!DBG_Tracing());
    if (DBG_Tracing())
        say("Trace on: the scenes' steps go to %s", CAT_DEBUG_LOG);
    else
        say("Trace off");
}

void shotCommand(const char*) {
    VH_ShotCommand(fileName(nextWord()));
}

void reloadCommand(const char*) {
    CResFile archive;
    if (!archive.Open(CAT_ARCHIVE, "rb")) {
        const Uint16 code = archive.GetError();
        const char* detail = archive.FaultText();
        say("reload: %s: %s; the old data stays in use", CAT_ARCHIVE, *detail ? detail : RES_ErrorText(code));
        return;
    }
    archive.Close();
    const int row = VH_CurrentRow();
    if (row < 0) return;
    if (SND_TracksLoaded()) { // someone listens: the music is read anew with the rest
        SND_UnloadTracks();
        SND_LoadTracks();
    }
    VH_GotoRow(row);
    say("Reloaded %s from %s", row < VH_SequenceLength() ? VH_SequenceRowAt(row)->name : VH_CREDITS_PART, CAT_ARCHIVE);
}

// What plays and where, in the words of the music command.
std::string musicNow() {
    const SND_Timeline& t = SND_CurrentTimeline();
    if (t.track < 0) return "nothing plays under this part";
    std::string where = VH_Format("%s (%s) at %.2f s", CAT_MUSIC[t.track].name, CAT_MUSIC[t.track].part, t.position);
    if (SND_TrackFrames(t.track) > 0)
        where += VH_Format(" of %.2f%s", double(SND_TrackFrames(t.track)) / CAT_MUSIC_RATE,
                           CAT_MUSIC[t.track].loops ? ", looping" : "");
    return where;
}

void musicCommand(const char*) {
    const char* word = nextWord();
    bool on = !SND_Enabled();
    if (word && strcasecmp(word, "on") == 0)
        on = true;
    else if (word && strcasecmp(word, "off") == 0)
        on = false;
    else if (word) {
        say("music: give ON, OFF or nothing (music is %s)", SND_Enabled() ? "on" : "off");
        return;
    }
    SND_SetEnabled(on);
    // Started with --mute, the device was never looked for; a driven run has none to look for.
    if (on && !VH_IsDriven() && SND_DeviceText() == "not opened") SND_OpenDevice();
    say("Music %s, volume %d: %s", on ? "on" : "off", SND_Volume(), musicNow().c_str());
    say("  device: %s", SND_DeviceText().c_str());
}

void volumeCommand(const char*) {
    const char* text = nextWord();
    char* end = nullptr;
    const long value = text ? std::strtol(text, &end, 10) : -1;
    if (!text || *end != '\0' || value < 0 || value > 100) {
        say("volume: give a whole number from 0 to 100 (now %d)", SND_Volume());
        return;
    }
    SND_SetVolume((int)value);
    say("Music volume %d", SND_Volume());
}

void keysCommand(const char*) {
    CON_SetKeepKeys(VH_Console, !CON_KeepsKeys(VH_Console));
    say(CON_KeepsKeys(VH_Console) ? "Keys stay in the console until KEYS again or it closes (ESC and ` still work)"
                                  : "Typed keys reach the demo again");
}

void quitCommand(const char*) {
    VH_Quit();
}

const Command kCommands[] = {
    {"help", helpCommand, "this list"},
    {"textures", texturesCommand, "the textures loaded now, with their sizes"},
    {"meshes", meshesCommand, "the models loaded now, with their objects, vertices and faces"},
    {"next", nextCommand, "closes what runs, as 'n' does"},
    {"goto", gotoCommand, "goto ", partNames},
    {"autoplay", autoplayCommand, "the demo moves on by itself after each scene's script, or waits for 'n'"},
    {"speed", speedCommand, "speed X: demo time at X times the clock (0.1 to 10)"},
    {"pause", pauseCommand, "stops demo time"},
    {"resume", resumeCommand, "lets demo time run again"},
    {"step", stepCommand, "moves one frame while paused"},
    {"fps", fpsCommand, "median and 95th percentile of the last 120 frames' times"},
    {"camera", cameraCommand, "the scene camera's eye, target and field of view"},
    {"wire", wireCommand, "wireframe on and off"},
    {"trace", traceCommand, "the scenes' steps written to the debug log, on and off"},
    {"shot", shotCommand, "shot [NAME]: the next frame as a PNG in the working folder"},
    {"reload", reloadCommand, "reads the archive again and starts this part anew"},
    {"music", musicCommand, "music [ON|OFF]: switches the music, says what plays, where, and the device"},
    {"volume", volumeCommand, "volume N: the music's volume from 0 to 100"},
    {"keys", keysCommand, "keeps typed keys in the console, or lets them through again"},
    {"quit", quitCommand, "ends the program"},
    {nullptr, nullptr, nullptr},
};

const Command* commandTable() {
    return kCommands;
}

} // namespace

void VH_RegisterCommands() {
    for (const Command* c = kCommands; c->name; ++c)
        CON_AddCommand(VH_Console, c->run, c->name);
}

void VH_ShotCommand(const std::string& name) {
    std::string error;
    if (!VH_RequestScreenshot(name, &error)) say("shot: %s", error.c_str());
}
