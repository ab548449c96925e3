#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QWidget;

namespace base {
class Dialogs;
}

namespace app {

class TFormMain;

// Counts the running processes whose executable name contains the given file name.
using InstanceCounter = std::function<int(const QString& fileName)>;

// What start-up needs to know about the process.
struct StartupEnvironment {
    QString executablePath;                 // the program's own executable
    InstanceCounter countRunningInstances;  // over the system's process list

    // The running program.
    static StartupEnvironment ofThisProcess();
};

// The program's windows once started. The main window owns the others.
struct ProgramWindows {
    std::unique_ptr<TFormMain> FormMain;
    std::vector<QWidget*> creationOrder;  // all seven, in the order they were created
};

// The single-instance guard: true when another copy of the program is already running (this
// copy counts itself), after telling the user so.
bool refuseSecondCopy(base::Dialogs& dialogs, const StartupEnvironment& env);

// Creates the seven windows in their fixed order: the main window, the directories window,
// the date window, the copy progress window, the day window, the About window and the help
// window. The two MDI children are shown maximised, the day window in front; the dialogs stay
// hidden; the main window is shown maximised. When the dialogs are the Qt ones, they use the
// date window created here.
ProgramWindows createWindows(base::Dialogs& dialogs, const QString& programDir);

// Start-up up to the message loop: the guard, then the program folder made the working
// folder, the application's title, and the windows. Nothing when the start was refused.
std::optional<ProgramWindows> startUp(base::Dialogs& dialogs, const StartupEnvironment& env);

// The whole run: start-up, the message loop until the main window is closed, and the error
// report for an error that escapes start-up. Always returns 0.
int runProgram(base::Dialogs& dialogs, const StartupEnvironment& env);

}  // namespace app
