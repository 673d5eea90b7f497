// report: the lines the engine adds for whoever reads its output: why it ended, and which
// asset it went on without. Each line goes to stderr, starting on a line of its own and
// ending with a newline so it never runs into the GL reports, and into the debug log.
// uses: core
#pragma once

#include <string>

// "error: FILE: FAULT" (or "error: FAULT" without a file), then the end with status 1.
[[noreturn]] void VH_Fail(const char* file, const char* format, ...) __attribute__((format(printf, 2, 3)));

// As VH_Fail, with a second line after the error, "note: NOTE", saying what to do about it.
[[noreturn]] void VH_FailNote(const char* note, const char* file, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// "warning: FILE: FAULT", once per file name for the whole run.
void VH_Warn(const char* file, const char* format, ...) __attribute__((format(printf, 2, 3)));

// The engine's reports that end without a line break (the GL reports, the square-root
// banner, the missing-archive message) say so here, so the next added line starts afresh.
void VH_NoteOpenLine(bool open);
bool VH_LineOpen();

// The last error line without its "error: " label, "" when there was none (vhcapture repeats it).
const char* VH_LastFailure();

// Text from a file as it may appear in a report: control bytes as \xNN, so a damaged file cannot
// break the one line a fault is printed on.
std::string VH_Shown(const std::string& text);
// printf into a string, for faults built up before they are reported (at most 319 characters).
std::string VH_Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Forget which names were warned about (tests replay runs in one process).
void VH_ResetWarnings();
