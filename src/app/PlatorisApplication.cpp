#include "PlatorisApplication.h"

#include <QtDebug>

#include "ErrorBoundary.h"
#include "engine/EngineError.h"

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
            store::reportError(errorDialogs_, error);
            return;
        }
        std::rethrow_exception(error);
    } catch (const engine::SilentAbort&) {
    } catch (const std::exception& e) {
        qCritical("Unhandled error: %s", e.what());
    } catch (...) {
        qCritical("Unhandled error of unknown kind");
    }
}

}  // namespace app
