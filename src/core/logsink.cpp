// logsink: hands lines from the lower modules to whoever listens (the console).
#include "core/logsink.h"

namespace {
LOG_Listener listener = nullptr;
void* listenerContext = nullptr;
} // namespace

void LOG_Subscribe(LOG_Listener l, void* context) {
    listener = l;
    listenerContext = context;
}

void LOG_Line(const char* line) {
    if (listener) listener(line, listenerContext);
}
