// options: vexhal's command line.
#include "shell/options.h"

#include <cstring>

namespace {
const char* const kUsage =
    "usage: vexhal [--quiet] [--help] [--version] [GLUT options]\n"
    "\n"
    "Plays the Vexhal demo in an 800x600 window: intro 1, scene one (the night beach), intro 2,\n"
    "scene two (the air battle), intro 3, scene three (the river), then the credits.\n"
    "\n"
    "options:\n"
    "  --quiet     leave out the \"NO GL ERROR\" reports on stderr (errors are still reported)\n"
    "  --help      this text\n"
    "  --version   the engine's version\n"
    "Options starting with a single '-' (such as -display or -geometry) go to GLUT.\n"
    "\n"
    "keys:\n"
    "  n           closes what runs (a fade, an intro picture or a scene); the sequence moves on\n"
    "  ESC         ends the program at any time (status 0)\n"
    "  `           (backquote) opens and closes the console\n"
    "  A           scenes one and two: shuffles the trail colours / switches to the overview camera\n"
    "  LEFT RIGHT SPACE  scene three: slower, faster, reset\n"
    "  any key     once the credits have stood for three seconds, ends the program\n"
    "\n"
    "files (in the working folder):\n"
    "  vh_data.clu   the archive of every picture, font, model and path (read)\n"
    "  credits.txt   the credits text (read)\n"
    "  vh_debug.txt  the debug log (written)\n"
    "\n"
    "exit status: 0 after ESC or the credits; 1 when the archive is missing or damaged, or a\n"
    "path file cannot be read (the cause is printed on stderr and written to vh_debug.txt)\n";
} // namespace

const char* VH_Usage() { return kUsage; }

bool VH_ParseOptions(int argc, char** argv, VH_Options* options, std::string* error) {
    options->glutArgs.clear();
    if (argc > 0) options->glutArgs.push_back(argv[0]);
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            options->help = true;
        } else if (std::strcmp(arg, "--version") == 0) {
            options->version = true;
        } else if (std::strcmp(arg, "--quiet") == 0) {
            options->quiet = true;
        } else if (std::strncmp(arg, "--", 2) == 0) {
            *error = std::string("unknown option ") + arg + " (try --help)";
            return false;
        } else {
            options->glutArgs.push_back(argv[i]);
        }
    }
    options->glutArgs.push_back(nullptr);
    return true;
}
