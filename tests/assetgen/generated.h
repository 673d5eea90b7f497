// generated: runs the built generator (once per test program) and other commands for the tests.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <strings.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "support/dirs.h"
#include "data/rwops.h"
#include "image/image.h"
#include "support/gl_fixture.h"

struct AG_Result {
    int status = -1;
    std::string out; // standard output and errors together
};

inline AG_Result AG_Shell(const std::string& command) {
    AG_Result r;
    FILE* p = popen((command + " 2>&1").c_str(), "r");
    if (!p) return r;
    char buf[512];
    while (fgets(buf, sizeof buf, p))
        r.out += buf;
    const int status = pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

inline const std::string AG_Generator = std::string(VH_BIN_DIR) + "/assetgen";

// The folder one run of the generator filled; a failed run fails the test that first asked.
inline const std::string& AG_Generated() {
    static const std::string dir = [] {
        const std::string d = VH_TestTempDir();
        const AG_Result r = AG_Shell(AG_Generator + " --out " + d);
        if (r.status != 0) ADD_FAILURE() << r.out;
        return d;
    }();
    return dir;
}

inline std::string AG_Archive() {
    return AG_Generated() + "/vh_data.clu";
}

inline bool AG_EndsWith(const std::string& name, const char* extension) {
    const size_t n = std::strlen(extension);
    return name.size() > n && strcasecmp(name.c_str() + name.size() - n, extension) == 0;
}

// A BMP or TGA through the engine's decoder; the stream is closed.
inline VH_Surface* AG_Decode(VH_RWops* rw, bool bmp) {
    if (!rw) return nullptr;
    VH_Surface* s = bmp ? IMG_LoadBMP(rw) : IMG_LoadTGA(rw);
    rw->close(rw);
    return s;
}
