// options: vexhal's own command-line options. They are taken out of the command line;
// everything else goes to GLUT as before, so with no options the program runs as always.
// uses: core
#pragma once

#include <string>
#include <vector>

struct VH_Options {
    bool help = false;
    bool version = false;
    bool quiet = false;             // leave out the "NO GL ERROR" reports
    std::vector<char*> glutArgs;    // argv[0] and whatever is not ours, in order; null-terminated
};

// False for an option of ours that is unknown or lacks its value; error says which.
bool VH_ParseOptions(int argc, char** argv, VH_Options* options, std::string* error);
const char* VH_Usage();
