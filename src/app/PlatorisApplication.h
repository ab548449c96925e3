#pragma once

#include <QApplication>

namespace base {
class Dialogs;
}

namespace app {

// The application object. An exception that escapes an event handler ends that handler only:
// it is shown as the application-wide error report and the message loop goes on.
class PlatorisApplication : public QApplication {
    Q_OBJECT
public:
    PlatorisApplication(int& argc, char** argv);

    // The dialogs that show the error report; without them the error goes to the log.
    void setErrorDialogs(base::Dialogs* dialogs) { errorDialogs_ = dialogs; }
    base::Dialogs* errorDialogs() const { return errorDialogs_; }

    bool notify(QObject* receiver, QEvent* event) override;

private:
    void reportEscapedError(std::exception_ptr error);

    base::Dialogs* errorDialogs_ = nullptr;
};

}  // namespace app
