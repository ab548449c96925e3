#pragma once

#include <QString>
#include <chrono>
#include <optional>

#include "ProcessUtils.h"

namespace reg {
class RegisterCore;
}

namespace dispatch {

// Dispatch of the current day to head office: the day's table files and the constants table
// are packed by the archiver RAR.EXE into a password-protected archive that is written straight
// into the send folder (the constant RodazPath), from which an outside transport collects it.
// A dispatch is queued exactly when the archive lies in the send folder.
class DayDispatch {
public:
    explicit DayDispatch(reg::RegisterCore& core) : core_(core) {}

    // The "Отправить" command: posts pending edits, asks for confirmation, writes the list
    // file, checks the send folder and prefix, closes both table groups, renumbers the day,
    // runs the archiver, reopens the groups and tells the user whether the archive was made.
    // Every outcome is reported in a message box; the outcome of the archiver is shown over
    // the reopened day rather than over an empty window.
    void ActionSendExecute();

    // How long the archiver is waited for before the program goes on without it, and the
    // pause after that before the archive is looked for.
    std::chrono::milliseconds archiverWaitLimit = base::kCommandWaitLimit;
    std::chrono::milliseconds archivePause{1000};

private:
    // Checks the constants and the send folder; the archive path, or nothing after the
    // user was told what is wrong.
    QString checkedArchivePath();
    // The box that tells the outcome of the archiver.
    struct Outcome {
        QString text;
        int style = 0;
    };
    Outcome runArchiver(const QString& archivePath);
    void reportError(const QString& text);

    reg::RegisterCore& core_;
};

}  // namespace dispatch
