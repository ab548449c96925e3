#include "PlatorisApplication.h"

#include <QtDebug>

#include "ErrorBoundary.h"
#include "EngineError.h"

namespace app {

PlatorisApplication::PlatorisApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool PlatorisApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        reportEscapedError(std::current_exception());
        return false;
    }
}

void PlatorisApplication::reportEscapedError(std::exception_ptr error) {
    try {
        if (errorDialogs_) {
            base::reportError(errorDialogs_, error);
            return;
        }
        std::rethrow_exception(error);
    } catch (const base::SilentAbort&) {
    } catch (const std::exception& e) {
        qCritical("Unhandled error: %s", e.what());
    } catch (...) {
        qCritical("Unhandled error of unknown kind");
    }
}

}  // namespace app
