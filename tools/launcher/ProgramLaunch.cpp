#include "ProgramLaunch.h"

#include <QDir>
#include <QFileInfo>

#include "ProgramFolderUpdate.h"
#include "EngineError.h"

namespace launcher {

LaunchPlan planLaunch(const QString& source, const QString& target, const QStringList& leaveOut) {
    const QString program = programIn(target);
    // A folder is its own copy (a launcher left in the folder it would fill).
    const QString canonicalSource = QFileInfo(source).canonicalFilePath();
    const bool sameFolder =
        !canonicalSource.isEmpty() && canonicalSource == QFileInfo(target).canonicalFilePath();
    if (sameFolder || isCurrentCopy(source, target) || isProgramRunningFrom(target))
        return {program, {}, false};
    try {
        updateProgramFolder(source, target, leaveOut, WhenCurrent::Keep);
        return {program, {}, false};
    } catch (const base::EngineError& error) {
        // Only the last sync failed: the copy is whole all the same.
        if (isCurrentCopy(source, target)) return {program, {}, false};
        const QString folder = QDir::toNativeSeparators(target);
        const QFileInfo earlier(program);
        if (!versionStamp(target).isEmpty() && earlier.isFile() && earlier.isExecutable())
            return {program,
                    QStringLiteral("Не удалось обновить программу в папке %1.\n%2\n"
                                   "Запускается прежняя версия.")
                        .arg(folder, error.message()),
                    false};
        return {{},
                QStringLiteral("Не удалось подготовить папку программы %1.\n%2")
                    .arg(folder, error.message()),
                true};
    }
}

}  // namespace launcher
