#include "ErrorReport.h"

#include <optional>

#include "Dialogs.h"
#include "engine/EngineError.h"

namespace app {

namespace {

// The message of an error, or nothing for one that is not to be shown.
std::optional<QString> messageOf(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const engine::SilentAbort&) {
        return std::nullopt;
    } catch (const engine::EngineError& e) {
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

void reportException(store::Dialogs& dialogs, std::exception_ptr error) {
    if (!error) return;
    const std::optional<QString> message = messageOf(error);
    if (!message) return;
    dialogs.messageBox(errorReportText(*message), kApplicationTitle, store::MB_ICONERROR);
}

}  // namespace app
