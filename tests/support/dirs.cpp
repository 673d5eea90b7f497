// dirs: the configure-time folders, compiled into this file alone (see dirs.h).
#include "support/dirs.h"

const char* VH_TestSourceDir() {
    return VH_SOURCE_PATH;
}

const char* VH_TestBinDir() {
    return VH_BIN_PATH;
}

const char* VH_TestRunDir() {
    return VH_RUN_PATH;
}
