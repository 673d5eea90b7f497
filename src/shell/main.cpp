// main: the demo's entry point. Everything it does lives in the engine library, so the
// driver used by tests and vhcapture starts the program exactly the same way.
#include <GL/freeglut.h>

#include "shell/window.h"

int main(int argc, char** argv) {
    VH_Start(argc, argv, 800, 600, false);
    glutMainLoop();
    return 0; // never reached: the program ends through VH_Exit
}
