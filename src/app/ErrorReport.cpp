#include "ErrorReport.h"

#include "Dialogs.h"
#include "ErrorBoundary.h"

namespace app {

// The window layer owns the one implementation; the shell reports through it too.
QString errorReportText(const QString& message) { return widgets::errorReportText(message); }

void reportException(store::Dialogs& dialogs, std::exception_ptr error) { widgets::reportError(&dialogs, error); }

}  // namespace app
