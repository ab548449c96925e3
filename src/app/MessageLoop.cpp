#include "MessageLoop.h"

namespace app {

namespace {
bool loopRunning = false;
}

bool messageLoopRunning() {
    return loopRunning;
}

void setMessageLoopRunning(bool running) {
    loopRunning = running;
}

}  // namespace app
