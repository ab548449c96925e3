#pragma once

#include <QString>
#include <stdexcept>

namespace engine {

// An error of the table engine. The message is the text the user sees.
class EngineError : public std::runtime_error {
public:
    explicit EngineError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

// Thrown by a before-post handler that has already told the user why the record is refused.
// Callers that drive posts from the screen swallow it; nothing more is shown.
class SilentAbort : public std::exception {
public:
    const char* what() const noexcept override { return "aborted"; }
};

}  // namespace engine
