#pragma once

#include <QString>

#include "ErrorBoundary.h"
#include <exception>

namespace store {
class Dialogs;
}

namespace app {

// The application's title: the caption of the error report, and the name the desktop shows.
inline const QString kApplicationTitle = widgets::kErrorReportCaption;

// The text the error report shows for an error message: the message with a full stop added,
// unless it is empty or already ends in "." or a character that sorts before it (such as
// "!", "," or a blank).
QString errorReportText(const QString& message);

// Shows an error that no handler caught: a box captioned with the application's title, the
// error's text and the error icon. An engine error or standard exception shows its message;
// any other exception shows an empty text. A silent abort (the user has already been told)
// shows nothing.
void reportException(store::Dialogs& dialogs, std::exception_ptr error);

}  // namespace app
