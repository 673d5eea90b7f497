// debuglog: the run's debug file "vh_debug.txt", a header and a footer around any lines.
#include "core/debuglog.h"
#include "core/catalogue.h"

#include <cstdarg>
#include <cstdio>

namespace {
FILE* logFile = nullptr;
bool tracing = false; // the scenes' trace lines are written

int writeLine(const char* format, va_list args) {
    if (!logFile) return 1;
    char buffer[260]; // longer messages are cut to fit
    std::vsnprintf(buffer, sizeof(buffer), format, args);
    std::fprintf(logFile, "%s\n", buffer);
    std::fflush(logFile);
    return 0;
}
} // namespace

int DBG_Open() {
    logFile = std::fopen(CAT_DEBUG_LOG, "wt");
    if (!logFile) {
        std::printf("Unable to create a debug file for vh");
        std::fflush(stdout);
        return 0;
    }
    std::fprintf(logFile, "----VEXHAL DEBUG FILE-%s %s\n\n\n", __DATE__, __TIME__);
    std::fflush(logFile);
    return 0;
}

int DBG_Print(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int result = writeLine(format, args);
    va_end(args);
    return result;
}

void DBG_SetTrace(bool on) {
    tracing = on;
}

bool DBG_Tracing() {
    return tracing;
}

int DBG_Trace(const char* format, ...) {
    if (!tracing) return 1;
    va_list args;
    va_start(args, format);
    const int result = writeLine(format, args);
    va_end(args);
    return result;
}

void DBG_Close() {
    if (!logFile) return;
    std::fputs("\n\n\n------END OF VEXHAL DEBUG FILE-------\n\n\n", logFile);
    std::fflush(logFile);
    std::fclose(logFile);
    logFile = nullptr;
}
