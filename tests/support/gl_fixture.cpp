// gl_fixture: opens the engine's window once per test program through the driver.
#include "support/gl_fixture.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include "data/resfile.h"
#include "text/console.h"
#include "shell/driver.h"

std::string VH_TestTempDir() {
    char pattern[] = "/tmp/vhtest.XXXXXX";
    const char* dir = mkdtemp(pattern);
    return dir ? std::string(dir) : std::string("/tmp");
}

void VH_TestOpenWindow() {
    static bool opened = false;
    if (opened) return;
    opened = true;
    const std::string dir = VH_TestTempDir();
    if (chdir(dir.c_str()) != 0) std::abort();
    CResFile empty; // a valid archive with no entries: start-up refuses a damaged one
    if (!empty.Open("vh_data.clu", "w") || !empty.Commit()) std::abort();
    empty.Close();
    static char name[] = "vh_gltest";
    static char* argv[] = {name, nullptr};
    // With a stencil buffer, which the program never uses, for the tests of counting fragments in it.
    VH_DriverOpen(1, argv, 800, 600, true);
}

double VH_TestMean(const std::vector<std::uint8_t>& rgb, int width, int x0, int y0, int x1, int y1) {
    double sum = 0.0;
    long n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const std::uint8_t* p = &rgb[((size_t)y * width + x) * 3];
            sum += (p[0] + p[1] + p[2]) / 3.0;
            ++n;
        }
    return n ? sum / n : 0.0;
}

void VH_TestTypeCommand(const std::string& line) {
    if (!VH_Console.open) VH_DriverKey('`');
    if (!CON_KeepsKeys(VH_Console))
        for (char c : std::string("keys\r"))
            VH_DriverKey((unsigned char)c);
    for (char c : line + "\r")
        VH_DriverKey((unsigned char)c);
}

std::string VH_TestLastLine() {
    const char* text = CON_FindLine(VH_Console, VH_Console.nextId - 1);
    return text ? text : "";
}
