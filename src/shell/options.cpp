// options: vexhal's command line.
#include "shell/options.h"

#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "audio/music.h"
#include "core/debuglog.h"
#include "shell/sequence.h"

namespace {
const char* const kUsage =
    "usage: vexhal [OPTIONS] [GLUT options]\n"
    "\n"
    "Plays the Vexhal demo: intro 1, scene one (the night beach), intro 2, scene two (the air\n"
    "battle), intro 3, scene three (the river), then the credits.\n"
    "\n"
    "options:\n"
    "  --start PART      begin at {parts}\n"
    "  --autoplay        each scene moves on by itself once its script has been seen (the figures\n"
    "                    have flown their paths a while; every viewpoint of the last step has shown\n"
    "                    the blimps' pass; all five vehicles have crossed); without it each waits for 'n'\n"
    "  --size WxH        window size in pixels (default 800x600)\n"
    "  --fullscreen      fill the screen\n"
    "  --data DIR        the folder holding vh_data.clu and credits.txt (default: the working folder);\n"
    "                    vh_debug.txt is written there too\n"
    "  --seed N          seed of the random numbers (default: the clock)\n"
    "  --console-keys    the open console keeps typed keys for itself (the console's KEYS command)\n"
    "  --quiet           leave out the \"NO GL ERROR\" reports on stderr (errors are still reported)\n"
    "  --trace           write the scenes' steps and viewpoints to vh_debug.txt as they come (the\n"
    "                    console's TRACE switches it on and off), and whether an audio device was found\n"
    "  --mute            start with the music off (the console's MUSIC ON brings it back)\n"
    "  --volume N        music volume from 0 to 100 (default 100; the console's VOLUME N)\n"
    "  --help            this text\n"
    "  --version         the engine's version\n"
    "Options starting with a single '-' (such as -display or -geometry) go to GLUT.\n"
    "\n"
    "keys:\n"
    "  n           closes what runs (a fade, an intro picture or a scene); the sequence moves on\n"
    "  ESC         ends the program at any time (status 0)\n"
    "  `           (backquote) opens and closes the console; HELP there lists its commands;\n"
    "              PAGE UP, PAGE DOWN and the mouse wheel scroll back through its last lines\n"
    "  A           scene one: shuffles the trail colours; scene two: the overview camera and back\n"
    "  LEFT RIGHT SPACE  scene three: slower, faster, reset\n"
    "  F3          the frame-time graph; F12 a screenshot (shot_NNNN.png)\n"
    "  any key     once the credits have stood for three seconds, ends the program\n"
    "\n"
    "files (in the data folder):\n"
    "  vh_data.clu   the archive of every picture, font, model and path (read)\n"
    "  credits.txt   the credits text (read)\n"
    "  vh_debug.txt  the debug log (written): a header and a footer, with any warning or error\n"
    "                between them, and with --trace the scenes' steps\n"
    "\n"
    "exit status: 0 after ESC or the credits; 1 when the archive is missing or damaged, or a\n"
    "path file cannot be read (the cause is printed on stderr and written to vh_debug.txt);\n"
    "2 for a bad option\n";

bool takeValue(int argc, char** argv, int* i, const char** value, std::string* error) {
    if (*i + 1 >= argc) {
        *error = std::string(argv[*i]) + " needs a value (try --help)";
        return false;
    }
    *value = argv[++*i];
    return true;
}
} // namespace

const char* VH_Usage() {
    // The parts are the sequence table's; the text is made when asked, after any row a test appended.
    static std::string usage;
    usage = kUsage;
    const std::string mark = "{parts}";
    usage.replace(usage.find(mark), mark.size(), VH_PartList(", ", " or "));
    return usage.c_str();
}

bool VH_ParseOptions(int argc, char** argv, VH_Options* options, std::string* error) {
    options->glutArgs.clear();
    if (argc > 0) options->glutArgs.push_back(argv[0]);
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const char* value = nullptr;
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            options->help = true;
        } else if (std::strcmp(arg, "--version") == 0) {
            options->version = true;
        } else if (std::strcmp(arg, "--quiet") == 0) {
            options->quiet = true;
        } else if (std::strcmp(arg, "--trace") == 0) {
            options->trace = true;
        } else if (std::strcmp(arg, "--fullscreen") == 0) {
            options->fullscreen = true;
        } else if (std::strcmp(arg, "--autoplay") == 0) {
            options->autoplay = true;
        } else if (std::strcmp(arg, "--console-keys") == 0) {
            options->consoleKeys = true;
        } else if (std::strcmp(arg, "--start") == 0) {
            if (!takeValue(argc, argv, &i, &value, error)) return false;
            options->startRow = VH_PartByName(value);
            if (options->startRow < 0) {
                *error = std::string("--start ") + value + ": not a part (" + VH_PartList(", ", ", ") + ")";
                return false;
            }
        } else if (std::strcmp(arg, "--size") == 0) {
            if (!takeValue(argc, argv, &i, &value, error)) return false;
            char* end = nullptr;
            const long w = std::strtol(value, &end, 10);
            const long h = (*end == 'x' || *end == 'X') ? std::strtol(end + 1, &end, 10) : 0;
            if (*end != '\0' || w < 64 || h < 64 || w > 16384 || h > 16384) {
                *error = std::string("--size ") + value + ": give WxH, each from 64 to 16384";
                return false;
            }
            options->width = (int)w;
            options->height = (int)h;
        } else if (std::strcmp(arg, "--mute") == 0) {
            options->mute = true;
        } else if (std::strcmp(arg, "--volume") == 0) {
            if (!takeValue(argc, argv, &i, &value, error)) return false;
            char* end = nullptr;
            const long v = std::strtol(value, &end, 10);
            if (*value == '\0' || *end != '\0' || v < 0 || v > 100) {
                *error = std::string("--volume ") + value + ": give a whole number from 0 to 100";
                return false;
            }
            options->volume = (int)v;
        } else if (std::strcmp(arg, "--data") == 0) {
            if (!takeValue(argc, argv, &i, &value, error)) return false;
            options->dataDir = value;
        } else if (std::strcmp(arg, "--seed") == 0) {
            if (!takeValue(argc, argv, &i, &value, error)) return false;
            char* end = nullptr;
            const unsigned long seed = std::strtoul(value, &end, 10);
            if (*value == '\0' || *value == '-' || *end != '\0' || seed > 0xFFFFFFFFul) {
                *error = std::string("--seed ") + value + ": give a whole number from 0 to 4294967295";
                return false;
            }
            options->seed = (long long)seed;
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

void VH_ApplyOptions(const VH_Options& options) {
    if (options.seed >= 0) std::srand((unsigned)options.seed);
    VH_SetAutoplay(options.autoplay);
    if (options.startRow >= 0) VH_GotoRow(options.startRow);
    SND_SetVolume(options.volume);
    SND_SetEnabled(!options.mute);
    if (!options.mute && !SND_OpenDevice()) DBG_Trace("music: %s; the demo plays silently\n", SND_DeviceText().c_str());
}
