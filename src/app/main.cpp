#include <QIcon>

#include "PlatorisApplication.h"
#include "QtDialogs.h"
#include "RussianLocale.h"
#include "Startup.h"
#include "Termination.h"

int main(int argc, char** argv) {
    app::PlatorisApplication application(argc, argv);
    app::endOnTerminationSignals(&application);
    app::installRussianLocale(application);
    // The program's picture, on its windows and in the task bar.
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/platoris.png")));

    windows::QtDialogs dialogs;
    application.setErrorDialogs(&dialogs);
    const int exitCode = app::runProgram(dialogs, app::StartupEnvironment::ofThisProcess());
    application.setErrorDialogs(nullptr);
    return exitCode;
}
