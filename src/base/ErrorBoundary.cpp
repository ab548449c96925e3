#include "ErrorBoundary.h"

#include <QtDebug>
#include <optional>

#include "Dialogs.h"
#include "EngineError.h"

namespace base {

namespace {

std::optional<QString> messageOf(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const base::SilentAbort&) {
        return std::nullopt;
    } catch (const base::EngineError& e) {
        return e.message();
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QString();
    }
}

}  // namespace

QString errorReportText(const QString& message) {
    if (message.isEmpty() || message.back() <= u'.') return message;
    return message + u'.';
}

void reportError(Dialogs* dialogs, std::exception_ptr error) {
    if (!error) return;
    const std::optional<QString> message = messageOf(error);
    if (!message) return;
    if (!dialogs) {
        qCritical("Unhandled error: %s", qUtf8Printable(*message));
        return;
    }
    try {
        dialogs->messageBox(errorReportText(*message), kApplicationTitle, MB_ICONERROR);
    } catch (...) {
        qCritical("Unhandled error: %s", qUtf8Printable(*message));
    }
}

}  // namespace base
