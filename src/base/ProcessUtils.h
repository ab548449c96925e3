#pragma once

#include <QString>
#include <QStringList>
#include <chrono>

namespace base {

class Dialogs;

// The log that receives the standard output and error of a command run with waiting; it is
// deleted and created empty in the program folder before each such command.
inline constexpr char kCommandLogFileName[] = "TtyLog.TXT";
// How long RunCommand waits for a command before it lets it run on alone.
inline constexpr std::chrono::milliseconds kCommandWaitLimit{15000};

// The number of running processes whose executable name contains fileName, ignoring letter
// case (the running program counts itself). The executable name is the file name of the
// process's image (/proc/PID/exe); for a process whose image cannot be read (another user's,
// when not running as root) it is the kernel's process name, completed from the start of the
// command line when the kernel has cut it to 15 characters. Zombies do not count; processes
// that cannot be read are skipped; no process table counts as 0, and so does an empty name.
int CountRunningInstances(const QString& fileName);

// The same over a process table mounted at procRoot (normally "/proc").
int countRunningInstancesIn(const QString& procRoot, const QString& fileName);

// Splits a command line into arguments by the Windows rules: the program name runs to the
// first blank, or when it opens with a double quote to the next double quote (backslashes
// are plain there); after it, blanks and tabs separate arguments outside double quotes,
// double quotes group and are removed, 2n backslashes before a double quote give n
// backslashes and 2n+1 give n backslashes and a literal quote, other backslashes are plain,
// and "" inside quotes gives a literal quote and ends the quoted part. Leading blanks are
// ignored; an empty or blank line gives no arguments.
QStringList splitWindowsCommandLine(const QString& commandLine);

// Runs a command line as a new process: never through a shell, the arguments being split by
// splitWindowsCommandLine. A program name with a '/' is taken as a path (relative to the
// working folder); a bare name is looked for in programDir first and then along PATH, as
// given and, for a name ending in ".exe", also ignoring letter case. The process inherits the
// environment and working folder and reads /dev/null as its standard input. showState is the
// window state of the platform the command line comes from; a process here has no window
// until it opens one itself, so it is not used.
//
// With waitAndLog, programDir/TtyLog.TXT is deleted and created empty first and receives the
// process's standard output and error (when the log cannot be created the command still runs,
// its output discarded: nothing reads the log); the call then waits for the process to end, at
// most kCommandWaitLimit. A process still running then goes on alone. A process not waited for is
// reaped by a background thread when it ends, so it never lingers as a zombie.
//
// Returns true when the process was started (whatever its exit code, and also after the wait
// ran out); false when it could not be started, after the box "Ошибка выполнения команды."
// (no owner window) when reportFailure is set.
bool RunCommand(Dialogs& dialogs, const QString& programDir, const QString& commandLine,
                int showState, bool reportFailure, bool waitAndLog);

// RunCommand with another wait limit.
bool runCommandWithin(Dialogs& dialogs, const QString& programDir, const QString& commandLine,
                      bool reportFailure, bool waitAndLog, std::chrono::milliseconds waitLimit);

}  // namespace base
