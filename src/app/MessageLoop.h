#pragma once

namespace app {

// True while the program's message loop runs: set just before it starts and cleared when it
// returns, also when start-up ends with an error. Start-up work that must wait for the loop
// checks it.
bool messageLoopRunning();
void setMessageLoopRunning(bool running);

// True until the main window's start timer has asked for the first date of the run: the date
// dialog opens by itself once per run, even when the user cancels it.
bool startDateChoicePending();
void setStartDateChoicePending(bool pending);

}  // namespace app
