// passmark: the pass marks of a frame (see passmark.h).
#include "core/passmark.h"

namespace {
void (*passListener)(int) = nullptr;
} // namespace

const char* const VH_PassNames[VH_PASS_COUNT] = {"other", "sky",       "clouds",  "models",
                                                 "water", "particles", "figures", "text"};

void VH_SetPassListener(void (*listener)(int)) {
    passListener = listener;
}

void VH_BeginPass(int pass) {
    if (passListener) passListener(pass);
}
