// report: error and warning lines on stderr and in the debug log.
#include "core/report.h"

#include <cstdarg>
#include <cstdio>
#include <set>
#include <string>

#include "core/debuglog.h"
#include "core/platform.h"

namespace {
bool lineOpen = false;
std::string lastFailure;
std::set<std::string> warned;

std::string compose(const char* file, const char* format, va_list args) {
    char fault[320];
    std::vsnprintf(fault, sizeof fault, format, args);
    return file && *file ? std::string(file) + ": " + fault : std::string(fault);
}

void emit(const char* label, const std::string& text) {
    std::fflush(stdout);
    std::fprintf(stderr, "%s%s: %s\n", lineOpen ? "\n" : "", label, text.c_str());
    std::fflush(stderr);
    lineOpen = false;
    DBG_Print("%s: %s", label, text.c_str());
}
} // namespace

void VH_Fail(const char* file, const char* format, ...) {
    va_list args;
    va_start(args, format);
    lastFailure = compose(file, format, args);
    va_end(args);
    emit("error", lastFailure);
    VH_Exit(1);
}

void VH_FailNote(const char* note, const char* file, const char* format, ...) {
    va_list args;
    va_start(args, format);
    lastFailure = compose(file, format, args);
    va_end(args);
    emit("error", lastFailure);
    emit("note", note);
    VH_Exit(1);
}

void VH_Warn(const char* file, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const std::string text = compose(file, format, args);
    va_end(args);
    if (!warned.insert(file && *file ? std::string(file) : text).second) return;
    emit("warning", text);
}

void VH_NoteOpenLine(bool open) {
    lineOpen = open;
}

bool VH_LineOpen() {
    return lineOpen;
}

const char* VH_LastFailure() {
    return lastFailure.c_str();
}

void VH_ResetWarnings() {
    warned.clear();
}

std::string VH_Format(const char* format, ...) {
    char text[320];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

std::string VH_Shown(const std::string& text) {
    std::string out;
    for (const char c : text) {
        const unsigned char b = static_cast<unsigned char>(c);
        if (b < 32 || b == 127)
            out += VH_Format("\\x%02x", b);
        else
            out += c;
    }
    return out;
}
