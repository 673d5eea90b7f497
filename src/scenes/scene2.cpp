// scene2: scene two, the air battle. Not built yet: the slot takes the messages and draws nothing.
#include "scenes/scenes.h"

#include "core/report.h"
#include "core/program.h"
#include "core/timer.h"

void View2Main(float /*seconds*/, int /*param*/) {
    switch (VH_GetMsg()) {
    case MSG_INITIALIZE:
        TIMER_GetDelta(); // the first update must not include the loading time
        break;
    case MSG_UPDATE:
    case MSG_CLOSE:
    case MSG_RENDER:
    case MSG_KEYBOARD: break;
    default: VH_Fail(nullptr, "scene two: message %d is not a message", VH_GetMsg());
    }
}
