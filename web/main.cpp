// main (browser): the demo's entry point in a web page. The page (web/page.js) fetches the data
// into the in-memory file system and starts this with the URL's parameters as arguments.
//
// Two ways to run:
// - play: as the desktop program, on the browser's GLUT loop. Where the desktop program would
//   end (ESC, a key after the credits, a fatal fault), the loops stop, the last picture stays and
//   the page is told, which offers to play again;
// - capture (--capture): the driver's fixed-step run with a fixed seed, stepped, keyed and read
//   back by the page, so a browser test can take the frame at any demo time.
#include <GL/freeglut.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <emscripten.h>
#include <emscripten/html5.h>
#include <string>
#include <vector>

#include "audio/music.h"
#include "core/debuglog.h"
#include "core/glerror.h"
#include "core/keys.h"
#include "core/platform.h"
#include "core/program.h"
#include "shell/driver.h"
#include "shell/options.h"
#include "shell/sequence.h"
#include "shell/state.h"
#include "shell/window.h"
#include "text/console.h"

namespace {

void (*wheelCallback)(int, int, int, int) = nullptr;

EM_BOOL onWheel(int, const EmscriptenWheelEvent* event, void*) {
    if (!wheelCallback || event->deltaY == 0) return EM_FALSE;
    // away from the user (up) is +1, as the desktop library reports it
    wheelCallback(0, event->deltaY < 0 ? 1 : -1, 0, 0);
    return EM_TRUE;
}

void stillPicture() {}

// Keys wait for the next idle step: the browser's GLUT calls its key handlers outside the guard
// its timers run under, and a key that ends the program (ESC) must end it inside that guard.
struct PendingKey {
    int code;
    bool special;
};
std::vector<PendingKey> pendingKeys;

// The browser's GLUT knows keys by their old key codes and misses some of ours (the backquote
// among them); the page's own key names are read here instead, as the desktop's GLUT reports them.
EM_BOOL onKeyDown(int, const EmscriptenKeyboardEvent* e, void*) {
    if (e->ctrlKey || e->altKey || e->metaKey) return EM_FALSE;
    static const struct {
        const char* name;
        int code;
        bool special;
    } named[] = {{"Escape", VH_KEY_ESCAPE, false},  {"Enter", VH_KEY_ENTER, false},
                 {"Backspace", VH_KEY_BACKSPACE, false}, {"Tab", 9, false},
                 {"ArrowLeft", VH_SPECIAL_LEFT, true},   {"ArrowUp", VH_SPECIAL_UP, true},
                 {"ArrowRight", VH_SPECIAL_RIGHT, true}, {"ArrowDown", VH_SPECIAL_DOWN, true},
                 {"PageUp", VH_SPECIAL_PAGE_UP, true},   {"PageDown", VH_SPECIAL_PAGE_DOWN, true},
                 {"Home", VH_SPECIAL_HOME, true},        {"End", VH_SPECIAL_END, true},
                 {"Insert", VH_SPECIAL_INSERT, true}};
    for (const auto& n : named)
        if (std::strcmp(e->key, n.name) == 0) {
            pendingKeys.push_back({n.code, n.special});
            return EM_TRUE;
        }
    if (e->key[0] == 'F' && e->key[1] >= '1' && e->key[1] <= '9') { // F1 .. F12
        const int f = std::atoi(e->key + 1);
        if (f >= 1 && f <= 12) {
            pendingKeys.push_back({f, true});
            return EM_TRUE;
        }
    }
    const unsigned char c = (unsigned char)e->key[0];
    if (c >= 32 && c < 127 && e->key[1] == 0) { // one printable character
        pendingKeys.push_back({c, false});
        return EM_TRUE;
    }
    return EM_FALSE;
}

void webIdle() {
    const std::vector<PendingKey> keys = std::move(pendingKeys);
    pendingKeys.clear();
    for (const PendingKey& k : keys) {
        if (k.special)
            special(k.code, 0, 0);
        else
            keyboard((unsigned char)k.code, 0, 0);
    }
    idle();
}

// The end of a played run: the page keeps the last picture and offers to play again.
void onEnd(int status) {
    glutIdleFunc(nullptr);
    glutDisplayFunc(stillPicture);
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, nullptr);
    pendingKeys.clear();
    wheelCallback = nullptr;
    SND_CloseDevice();
    EM_ASM({ if (Module.vhEnded) Module.vhEnded($0); }, status);
    emscripten_unwind_to_js_event_loop();
}

bool hasArgument(int argc, char** argv, const char* name) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], name) == 0) return true;
    return false;
}

// Takes our own --capture out of the arguments before the program's options see them.
std::vector<char*> withoutCapture(int argc, char** argv) {
    std::vector<char*> out;
    for (int i = 0; i < argc; ++i)
        if (std::strcmp(argv[i], "--capture") != 0) out.push_back(argv[i]);
    out.push_back(nullptr);
    return out;
}

std::vector<std::uint8_t> frameRGBA; // the last captured frame, top row first

} // namespace

extern "C" {

void glutMouseWheelFunc(void (*callback)(int wheel, int direction, int x, int y)) {
    wheelCallback = callback;
    emscripten_set_wheel_callback("#canvas", nullptr, EM_TRUE, callback ? onWheel : nullptr);
}

// ---------------------------------------------------------------------------
// the page's hold on a capture run
// ---------------------------------------------------------------------------

EMSCRIPTEN_KEEPALIVE void vh_web_step(double seconds) {
    VH_DriverStep(seconds);
}

// Renders the frame; with keep, its picture is kept for vh_web_frame.
EMSCRIPTEN_KEEPALIVE void vh_web_render(int keep) {
    VH_DriverCapture(keep != 0);
    VH_DriverRender();
    VH_DriverCapture(false);
}

// The kept frame as RGBA, top row first (width and height through the pointers); null before any.
EMSCRIPTEN_KEEPALIVE const std::uint8_t* vh_web_frame(int* width, int* height) {
    const std::vector<std::uint8_t>& rgb = VH_DriverFrame(width, height);
    if (*width <= 0 || *height <= 0) return nullptr;
    frameRGBA.resize((size_t)*width * *height * 4);
    for (size_t i = 0, n = (size_t)*width * *height; i < n; ++i) {
        std::memcpy(&frameRGBA[i * 4], &rgb[i * 3], 3);
        frameRGBA[i * 4 + 3] = 255;
    }
    return frameRGBA.data();
}

EMSCRIPTEN_KEEPALIVE void vh_web_key(int code, int special) {
    if (special)
        VH_DriverSpecialKey(code);
    else
        VH_DriverKey((unsigned char)code);
}

// What a test asks of the running program: the sequence row (the credits: the sequence's length),
// the program state and whether the console is down.
EMSCRIPTEN_KEEPALIVE int vh_web_row() {
    return VH_CurrentRow();
}
EMSCRIPTEN_KEEPALIVE int vh_web_state() {
    return VH_GetState();
}
EMSCRIPTEN_KEEPALIVE int vh_web_console_open() {
    return VH_Console.open ? 1 : 0;
}

} // extern "C"

int main(int argc, char** argv) {
    const bool capture = hasArgument(argc, argv, "--capture");
    std::vector<char*> args = withoutCapture(argc, argv);
    VH_Options options;
    std::string error;
    if (!VH_ParseOptions((int)args.size() - 1, args.data(), &options, &error)) {
        std::fprintf(stderr, "vexhal: %s\n", error.c_str());
        return 2;
    }
    GLERR_SetQuiet(options.quiet);
    DBG_SetTrace(options.trace);
    CON_SetKeepKeysOnOpen(VH_Console, options.consoleKeys);
    if (capture) {
        // As vhcapture starts a run: the window, the seed after the program's own, two cleared buffers.
        static char programName[] = "vexhal";
        static char* driverArgs[] = {programName, nullptr};
        VH_DriverOpen(1, driverArgs, options.width, options.height);
        VH_SetAutoplay(options.autoplay);
        std::srand((unsigned)(options.seed >= 0 ? options.seed : 1));
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glutSwapBuffers();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        emscripten_exit_with_live_runtime();
    }
    VH_SetExitHook(onEnd);
    VH_Start((int)options.glutArgs.size() - 1, options.glutArgs.data(), options.width, options.height, false);
    glutKeyboardFunc(nullptr);
    glutSpecialFunc(nullptr);
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, onKeyDown);
    glutIdleFunc(webIdle);
    VH_ApplyOptions(options);
    glutMainLoop();
    return 0;
}
