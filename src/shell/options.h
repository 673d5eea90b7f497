// options: vexhal's own command-line options. They are taken out of the command line;
// everything else goes to GLUT as before, so with no options the program runs as always.
// uses: core, shell's sequence
#pragma once

#include <string>
#include <vector>

struct VH_Options {
    bool help = false;
    bool version = false;
    bool quiet = false; // leave out the "NO GL ERROR" reports
    bool trace = false; // the scenes' step lines go to the debug log
    bool fullscreen = false;
    bool consoleKeys = false; // the open console keeps typed keys
    bool autoplay = false;    // each scene moves on once its script has been seen
    bool mute = false;        // start with the music off (the console's MUSIC ON brings it)
    int volume = 100;         // music volume, 0..100
    int startRow = -1;        // the sequence row to begin at (its length: the credits); -1: the first
    int width = 800;          // window pixels
    int height = 600;
    std::string dataDir;         // where the data is; empty: the working folder
    long long seed = -1;         // -1: seeded from the clock
    std::vector<char*> glutArgs; // argv[0] and whatever is not ours, in order; null-terminated
};

// False for an option of ours that is unknown or lacks its value; error says which.
bool VH_ParseOptions(int argc, char** argv, VH_Options* options, std::string* error);
const char* VH_Usage();

// What the options ask of a program that has just started (after VH_Start): the seed, autoplay, the
// first part, the music's volume and switch, and the sound device. No device (a server, CI, a muted
// machine) is no fault: the demo plays silently and says so only where asked (MUSIC, the trace).
void VH_ApplyOptions(const VH_Options& options);
