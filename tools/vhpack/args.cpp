// args: vhpack's command line.
#include "args.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

// A texture side: a power of two from 2 to 2048.
bool Side(long n) {
    return n >= 2 && n <= 2048 && (n & (n - 1)) == 0;
}

} // namespace

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
        } else if ((arg == "--size" || arg == "--fit" || arg == "--up") && a->command == "import") {
            if (++i >= argc) {
                *error = arg + " needs a value";
                return false;
            }
            const char* v = argv[i];
            char* end = nullptr;
            if (arg == "--size") {
                const long w = std::strtol(v, &end, 10);
                const long h = *end == 'x' ? std::strtol(end + 1, &end, 10) : 0;
                if (*end || !Side(w) || !Side(h)) {
                    *error = "--size needs WxH, each a power of two from 2 to 2048 (e.g. 1024x512)";
                    return false;
                }
                a->width = int(w), a->height = int(h);
            } else if (arg == "--fit") {
                const double f = std::strtod(v, &end);
                if (end == v || *end || !std::isfinite(f) || f <= 0 || f > 1e6) {
                    *error = "--fit needs a size in units, above 0";
                    return false;
                }
                a->fit = float(f);
            } else {
                if (std::strcmp(v, "y") && std::strcmp(v, "z")) {
                    *error = "--up needs y or z";
                    return false;
                }
                a->up = v[0];
            }
        } else if (arg == "-o" && a->command == "export") {
            if (++i >= argc) {
                *error = "-o needs a FILE";
                return false;
            }
            a->output = argv[i];
            a->hasOutput = true;
        } else if (arg == "--name" && (a->command == "add" || a->command == "import")) {
            if (++i >= argc) {
                *error = "--name needs a NAME";
                return false;
            }
            a->name = argv[i];
            a->hasName = true;
        } else if (arg == "--replace" && (a->command == "add" || a->command == "import")) {
            a->replace = true;
        } else if (arg == "-C" && a->command == "extract") {
            if (++i >= argc) {
                *error = "-C needs a DIR";
                return false;
            }
            a->outDir = argv[i];
            a->hasOutDir = true;
        } else if (arg == "--force" && (a->command == "extract" || a->command == "create" || a->command == "add" ||
                                        a->command == "export")) {
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
