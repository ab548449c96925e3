#pragma once

namespace app {

// True while the program's message loop runs: set just before it starts and cleared when it
// returns, also when start-up ends with an error. Start-up work that must wait for the loop
// checks it.
bool messageLoopRunning();
void setMessageLoopRunning(bool running);

}  // namespace app
