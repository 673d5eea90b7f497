// args: vhpack's command line split into the command, the archive, the plain words and the
// options; kept apart from the commands so it can be exercised on its own.
#pragma once

#include <string>
#include <vector>

// Parsed command line: the command, the archive, the plain words after it, and the options.
struct PACK_Args {
    std::string command;
    std::string archive;
    std::vector<std::string> words;
    std::string name; // --name
    bool hasName = false;
    bool replace = false; // --replace
    std::string outDir;   // -C
    bool hasOutDir = false;
    bool force = false; // --force: extract overwrites, create replaces, add stores what the demo cannot use
    bool empty = false; // --empty: create may write an archive of no entries
    bool deep = false;  // --deep
    bool help = false;  // --help or -h anywhere before "--"
    int width = 0;      // import --size WxH
    int height = 0;
    float fit = 0;      // import --fit N
    char up = 0;        // import --up y|z
    std::string output; // export -o FILE
    bool hasOutput = false;
};

// Splits argv[2..] for the command argv[1] (argc >= 2). False for a usage error, with the
// fault in *error (one line, no newline); with help set the rest is not read.
bool PACK_ParseArgs(int argc, const char* const* argv, PACK_Args* a, std::string* error);
