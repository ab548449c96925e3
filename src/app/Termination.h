#pragma once

class QObject;

namespace app {

// Lets the program end cleanly when the system asks it to (SIGTERM, as at logout or from a
// process manager; SIGINT from a terminal's Ctrl+C; SIGHUP when its terminal goes away):
// every open dialog is left as if cancelled and the message loop ends, so the windows and
// their tables are closed in order and the program returns 0. context owns the listener.
void endOnTerminationSignals(QObject* context);

// What a termination signal triggers: leaves the open dialogs and the message loop.
void endProgram();

}  // namespace app
