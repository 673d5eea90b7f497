// dirs: the folders the tests read and run things from (the sources, the programs, the generated data).
// They are known at configure time but given to one file only (dirs.cpp): a path compiled into every
// test file would make each of them differ between two clones of the repository, and the compiler
// cache could then reuse none of them.
#pragma once

const char* VH_TestSourceDir(); // the repository's root
const char* VH_TestBinDir();    // the build tree's bin/
const char* VH_TestRunDir();    // the build tree's generated data (never a person's run folder)

#define VH_SOURCE_DIR VH_TestSourceDir()
#define VH_BIN_DIR VH_TestBinDir()
#define VH_RUN_DIR VH_TestRunDir()
