#pragma once

#include <QString>
#include <QStringList>

namespace launcher {

// What the launcher does: start a program (when there is one to start), after showing a
// message (when there is one).
struct LaunchPlan {
    QString program;  // the executable to start, or empty
    QString message;  // to show before it, or empty
    bool isError = false;
};

// Brings target up to the version installed in source and names the program to start there.
// A copy that is current, or one that is running (it then tells the user itself), is left as
// it is. When the update fails, a whole earlier version is started after a warning; without
// one there is only the error.
LaunchPlan planLaunch(const QString& source, const QString& target, const QStringList& leaveOut);

}  // namespace launcher
