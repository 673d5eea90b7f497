// main: the demo's entry point. Everything it does lives in the engine library, so the
// driver used by tests and vhcapture starts the program exactly the same way.
#include <GL/freeglut.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#include "core/debuglog.h"
#include "core/glerror.h"
#include "core/version.h"
#include "shell/options.h"
#include "shell/sequence.h"
#include "shell/window.h"
#include "text/console.h"

int main(int argc, char** argv) {
    VH_Options options;
    std::string error;
    if (!VH_ParseOptions(argc, argv, &options, &error)) {
        std::fprintf(stderr, "\nvexhal: %s\n", error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(VH_Usage(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("vexhal %s\n", VH_VERSION_TEXT);
        return 0;
    }
    if (!options.dataDir.empty() && chdir(options.dataDir.c_str()) != 0) {
        std::fprintf(stderr, "\nvexhal: %s: cannot enter the data folder (%s)\n", options.dataDir.c_str(),
                     std::strerror(errno));
        return 1;
    }
    GLERR_SetQuiet(options.quiet);
    DBG_SetTrace(options.trace);
    CON_SetKeepKeysOnOpen(VH_Console, options.consoleKeys);
    VH_Start((int)options.glutArgs.size() - 1, options.glutArgs.data(), options.width, options.height, false);
    if (options.fullscreen) glutFullScreen();
    VH_ApplyOptions(options);
    glutMainLoop();
    return 0; // never reached: the program ends through VH_Exit
}
