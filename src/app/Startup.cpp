#include "Startup.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>

#include "CopyFromDay.h"
#include "DayDispatch.h"
#include "DayGridModels.h"
#include "ErrorBoundary.h"
#include "FormAbout.h"
#include "FormAnimateProgress.h"
#include "FormDateSelect.h"
#include "FormDayData.h"
#include "FormHelp.h"
#include "FormMain.h"
#include "FormSprav.h"
#include "GridExport.h"
#include "MessageLoop.h"
#include "PreviewWindow.h"
#include "PrinterPreview.h"
#include "ProcessUtils.h"
#include "ProgramFolders.h"
#include "QtDialogs.h"
#include "RegisterCore.h"
#include "FileIo.h"

namespace app {

StartupEnvironment StartupEnvironment::ofThisProcess() {
    return {QCoreApplication::applicationFilePath(), base::CountRunningInstances};
}

bool refuseSecondCopy(base::Dialogs& dialogs, const StartupEnvironment& env) {
    const QString fileName = QFileInfo(env.executablePath).fileName();
    if (env.countRunningInstances(fileName) <= 1) return false;
    dialogs.messageBox(QStringLiteral("Программа уже запущена."), QStringLiteral("Внимание"),
                       base::MB_OK | base::MB_ICONEXCLAMATION);
    return true;
}

ProgramWindows createWindows(base::Dialogs& dialogs, const QString& programDir) {
    ProgramWindows windows;
    windows.FormMain = std::make_unique<TFormMain>(programDir, dialogs);
    TFormMain& main = *windows.FormMain;
    windows.creationOrder.push_back(&main);

    main.FormSprav = new windows::TFormSprav(main.core());
    main.addChildWindow(main.FormSprav);
    windows.creationOrder.push_back(main.FormSprav);

    main.FormDateSelect = new windows::TFormDateSelect(&main);
    windows.creationOrder.push_back(main.FormDateSelect);
    if (auto* qtDialogs = dynamic_cast<windows::QtDialogs*>(&dialogs))
        qtDialogs->setDateForm(main.FormDateSelect);

    main.FormAnimateProgress = new windows::TFormAnimateProgress(&main);
    windows.creationOrder.push_back(main.FormAnimateProgress);

    main.FormDayData = new windows::TFormDayData(main.core());
    QMdiSubWindow* dayWindow = main.addChildWindow(main.FormDayData);
    windows.creationOrder.push_back(main.FormDayData);

    // "Экспорт" writes the expense grid whichever page of the day window is showing.
    main.saveAsHandler = [&main, &dialogs] {
        output::ActionSaveAsExecute(reg::expenseExportGrid(main.core()), dialogs);
    };
    main.sendHandler = [&main] { dispatch::DayDispatch(main.core()).ActionSendExecute(); };
    // Printing goes through the program's own preview window.
    windows::installPreviewWindow(&dialogs);
    main.printHandler = [&main] {
        // A layout still under way in the preview is not started again over itself.
        if (print::TPrinterPreview::shared().Printing()) return;
        main.FormDayData->PrintDayRegister();
    };
    main.copyFromHandler = [&main] { reg::CopyFromDay(main.core()).ActionCopyFromExecute(); };

    main.FormAbout = new windows::TFormAbout(&main);
    windows.creationOrder.push_back(main.FormAbout);

    main.FormHelp = new windows::TFormHelp(main.core().ProgDir, &main);
    windows.creationOrder.push_back(main.FormHelp);

    main.showMaximized();
    // Created last of the two, the day window is the one in front.
    main.mdiArea()->setActiveSubWindow(dayWindow);
    return windows;
}

std::optional<ProgramWindows> startUp(base::Dialogs& dialogs, const StartupEnvironment& env) {
    if (refuseSecondCopy(dialogs, env)) return std::nullopt;

    // Every relative path of the program resolves against the program folder, wherever the
    // program was started from.
    const QString programDir = QFileInfo(env.executablePath).absolutePath();
    QDir::setCurrent(programDir);

    // Every table lives below the program folder: without writing there no record can be
    // kept, so the start ends here, with the folder and the reason, instead of at every table.
    if (const auto unwritable = base::findUnwritableFolder(programDir)) {
        dialogs.messageBox(
            base::fileio::withReason(
                QStringLiteral("Нет доступа на запись в папку\n\r%1\n\r"
                               "Программа хранит в ней все данные и без записи работать не может.")
                    .arg(QDir::toNativeSeparators(unwritable->folder)),
                unwritable->error) +
                QStringLiteral("\n\rПрограмма будет закрыта."),
            QStringLiteral("Ошибка"), base::MB_ICONHAND);
        return std::nullopt;
    }

    // No application display name: the desktop would append it to every window's title.
    return createWindows(dialogs, programDir);
}

int runProgram(base::Dialogs& dialogs, const StartupEnvironment& env) {
    try {
        std::optional<ProgramWindows> windows = startUp(dialogs, env);
        if (!windows) return 0;
        setMessageLoopRunning(true);
        QApplication::exec();
        setMessageLoopRunning(false);
    } catch (...) {
        setMessageLoopRunning(false);
        base::reportError(&dialogs, std::current_exception());
    }
    return 0;
}

}  // namespace app
