// fuzz_options: the command-line parsers of vexhal, vhcapture and vhpack. The input's first byte
// picks the parser; the rest, split at NUL bytes, is the argument list (each argument in a heap
// block of its own size, so reading past one is caught). A parser may refuse a line, with words
// saying why, but what it accepts must lie within the ranges it promises.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <GL/freeglut.h>

#include "../tools/vhcapture/options.h"
#include "../tools/vhpack/args.h"
#include "shell/options.h"
#include "shell/sequence.h"

namespace {

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

void Vexhal(int argc, char** argv) {
    VH_Options o;
    std::string error;
    if (!VH_ParseOptions(argc, argv, &o, &error)) {
        Check(!error.empty());
        return;
    }
    Check(!o.glutArgs.empty() && o.glutArgs.back() == nullptr && o.glutArgs[0] == argv[0]);
    // What goes to GLUT is the line's own words, in order, none of them one of ours.
    int from = 1;
    for (std::size_t i = 1; i + 1 < o.glutArgs.size(); ++i) {
        while (from < argc && argv[from] != o.glutArgs[i])
            ++from;
        Check(from < argc && std::strncmp(argv[from], "--", 2) != 0);
        ++from;
    }
    Check(o.width >= 64 && o.width <= 16384 && o.height >= 64 && o.height <= 16384);
    Check(o.seed >= -1 && o.seed <= 0xFFFFFFFFll);
    Check(o.startRow >= -1 && o.startRow <= VH_SequenceLength());
}

void Capture(int argc, char** argv) {
    CapOptions o;
    std::string error;
    if (!CAP_ParseOptions(argc, argv, &o, &error)) {
        Check(!error.empty());
        return;
    }
    Check(o.fps >= 1 && o.fps <= 1000 && o.every >= 0 && o.every <= 1000000);
    Check(o.width >= 16 && o.width <= 4096 && o.height >= 16 && o.height <= 4096);
    Check(o.until == -1.0 || (o.until >= 0.0 && o.until <= 9999.999));
    for (std::size_t i = 0; i < o.keys.size(); ++i) {
        const CapKey& k = o.keys[i];
        Check(std::isfinite(k.time) && k.time >= 0.0 && k.time <= 9999.999);
        Check(i == 0 || o.keys[i - 1].time <= k.time);
        if (k.special)
            Check(k.code >= GLUT_KEY_LEFT && k.code <= GLUT_KEY_INSERT);
        else
            Check(k.code >= 0 && k.code <= 255);
    }
    // --at times come out ascending, one per file name.
    for (std::size_t i = 0; i < o.at.size(); ++i) {
        Check(o.at[i] >= 0.0 && o.at[i] <= 9999.999);
        Check(i == 0 || CAP_Millis(o.at[i - 1]) < CAP_Millis(o.at[i]));
        Check(CAP_FrameAt(o.at[i], o.fps) >= 1);
    }
}

void Pack(int argc, char** argv) {
    if (argc < 2) return; // vhpack answers a missing command itself
    PACK_Args a;
    std::string error;
    if (!PACK_ParseArgs(argc, argv, &a, &error)) {
        Check(!error.empty());
        return;
    }
    Check(a.command == argv[1]);
    if (a.help) return;
    const bool import = a.command == "import";
    Check(!a.hasName || a.command == "add" || import);
    Check(!a.replace || a.command == "add" || import);
    Check(!a.hasOutDir || a.command == "extract");
    Check(!a.hasOutput || a.command == "export");
    Check(!a.force || a.command == "extract" || a.command == "create" || a.command == "add" || a.command == "export");
    Check(!a.empty || a.command == "create");
    Check(!a.deep || a.command == "check");
    // Import's numbers: sides powers of two from 2 to 2048 (or none), a size above 0, an axis.
    Check((a.width == 0) == (a.height == 0) && (a.width == 0 || import));
    for (int side : {a.width, a.height})
        Check(side == 0 || (side >= 2 && side <= 2048 && (side & (side - 1)) == 0));
    Check(a.fit == 0 || (import && a.fit > 0 && a.fit <= 1e6f));
    Check(a.up == 0 || (import && (a.up == 'y' || a.up == 'z')));
    Check(static_cast<int>(a.words.size()) <= argc - 3);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size > 4096) return 0;
    std::vector<std::vector<char>> blocks;
    blocks.push_back({'p', 'r', 'o', 'g', 0});
    std::vector<char> word;
    for (std::size_t i = 1; i <= size; ++i) {
        if (i == size || data[i] == 0) {
            word.push_back(0);
            blocks.push_back(word);
            word.clear();
        } else {
            word.push_back(static_cast<char>(data[i]));
        }
    }
    std::vector<char*> argv;
    for (std::vector<char>& b : blocks)
        argv.push_back(b.data());
    const int argc = static_cast<int>(argv.size());
    argv.push_back(nullptr);
    switch (data[0] % 3) {
    case 0:
        Vexhal(argc, argv.data());
        break;
    case 1:
        Capture(argc, argv.data());
        break;
    default:
        Pack(argc, argv.data());
        break;
    }
    return 0;
}
