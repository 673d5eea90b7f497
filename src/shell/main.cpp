// main: the demo's entry point. Everything it does lives in the engine library, so the
// driver used by tests and vhcapture starts the program exactly the same way.
#include <GL/freeglut.h>
#include <cstdio>
#include <string>

#include "core/glerror.h"
#include "core/version.h"
#include "shell/options.h"
#include "shell/window.h"

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
    GLERR_SetQuiet(options.quiet);
    VH_Start((int)options.glutArgs.size() - 1, options.glutArgs.data(), 800, 600, false);
    glutMainLoop();
    return 0; // never reached: the program ends through VH_Exit
}
