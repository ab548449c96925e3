#pragma once

#include <QString>
#include <exception>

namespace base {

class Dialogs;

// The application's title: the caption of the application-wide error report, and the name the
// About window shows.
inline const QString kApplicationTitle = QStringLiteral("Платорис");

// The report's text: the message with a full stop, unless it is empty or already ends in "."
// or in a character that sorts before it (such as "!", "," or a blank).
QString errorReportText(const QString& message);

// Where an error ends that a control's handler met: no exception leaves a Qt event handler.
// A refused post (SilentAbort) has told the user already and ends quietly; any other error is
// shown as the application-wide error report shows it: a box captioned "Платорис" with the
// error's text (a full stop added) and the error icon. Without dialogs the error is logged.
void reportError(Dialogs* dialogs, std::exception_ptr error);

// Runs a piece of a control's handler inside the boundary; false when it ended with an error
// (which has then been reported as above).
template <class Action>
bool runGuarded(Dialogs* dialogs, Action&& action) {
    try {
        action();
        return true;
    } catch (...) {
        reportError(dialogs, std::current_exception());
        return false;
    }
}

}  // namespace base
