#pragma once

#include <QString>
#include <stdexcept>

namespace base {

// What went wrong, for callers that react differently to a file that does not fit its view
// and one that cannot be reached at all.
enum class ErrorKind {
    General,
    NotFound,           // the table file does not exist
    Busy,               // another program (or view) holds the file
    Unreadable,         // the file exists but cannot be opened
    Damaged,            // the file's bytes are not a sound table (or index)
    StructureMismatch,  // the file lacks a field, index or filter field the view needs
    MissingCompanion,   // a companion file the table needs (its index file) is missing
};

// An error of the table engine. The message is the text the user sees.
class EngineError : public std::runtime_error {
public:
    explicit EngineError(const QString& message) : EngineError(ErrorKind::General, message) {}
    EngineError(ErrorKind kind, const QString& message)
        : std::runtime_error(message.toStdString()), kind_(kind), message_(message) {}
    ErrorKind kind() const { return kind_; }
    const QString& message() const { return message_; }

private:
    ErrorKind kind_;
    QString message_;
};

// Thrown by a before-post handler that has already told the user why the record is refused.
// Callers that drive posts from the screen swallow it; nothing more is shown.
class SilentAbort : public std::exception {
public:
    const char* what() const noexcept override { return "aborted"; }
};

}  // namespace base
