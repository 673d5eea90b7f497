// args: vhpack's command line.
#include "args.h"

#include <cstring>

bool PACK_ParseArgs(int argc, const char* const* argv, PACK_Args* a, std::string* error) {
    a->command = argv[1];
    // Asking for help is never a usage error, whatever else the line holds.
    for (int i = 2; i < argc && std::strcmp(argv[i], "--"); ++i) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            a->help = true;
            return true;
        }
    }
    bool plainOnly = false;
    std::vector<std::string> rest;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (plainOnly || arg.empty() || arg[0] != '-' || arg == "-") {
            rest.push_back(arg);
        } else if (arg == "--") {
            plainOnly = true;
        } else if (arg == "--name" && a->command == "add") {
            if (++i >= argc) {
                *error = "--name needs a NAME";
                return false;
            }
            a->name = argv[i];
            a->hasName = true;
        } else if (arg == "--replace" && a->command == "add") {
            a->replace = true;
        } else if (arg == "-C" && a->command == "extract") {
            if (++i >= argc) {
                *error = "-C needs a DIR";
                return false;
            }
            a->outDir = argv[i];
            a->hasOutDir = true;
        } else if (arg == "--force" && (a->command == "extract" || a->command == "create" || a->command == "add")) {
            a->force = true;
        } else if (arg == "--empty" && a->command == "create") {
            a->empty = true;
        } else if (arg == "--deep" && a->command == "check") {
            a->deep = true;
        } else {
            *error = "unknown option " + arg + " for " + a->command;
            return false;
        }
    }
    if (rest.empty()) {
        *error = a->command + " needs an ARCHIVE";
        return false;
    }
    a->archive = rest[0];
    a->words.assign(rest.begin() + 1, rest.end());
    return true;
}
