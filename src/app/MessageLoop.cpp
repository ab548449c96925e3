#include "MessageLoop.h"

namespace app {

namespace {
bool loopRunning = false;
bool dateChoicePending = true;
}  // namespace

bool messageLoopRunning() {
    return loopRunning;
}

void setMessageLoopRunning(bool running) {
    loopRunning = running;
}

bool startDateChoicePending() {
    return dateChoicePending;
}

void setStartDateChoicePending(bool pending) {
    dateChoicePending = pending;
}

}  // namespace app
