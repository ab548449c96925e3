#include "StagedFiles.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>

#include "ProgramFolders.h"
#include "EngineError.h"
#include "FileIo.h"
#include "PathCase.h"

namespace base {

namespace {

// Hidden, so that the user sees only the tables in the folder, and never matched by a table's
// companion mask: ".staging" while files are staged, ".staged" once they are all there (with
// the kind in front when a folder has several kinds of staging).
QString markedName(const QString& kind, const char* mark) {
    return (kind.isEmpty() ? QStringLiteral(".") : QLatin1Char('.') + kind + QLatin1Char('.')) +
           QLatin1String(mark);
}
QString stagingName(const QString& kind) { return markedName(kind, "staging"); }
QString readyName(const QString& kind) { return markedName(kind, "staged"); }

QFileInfoList filesIn(const QString& folder) {
    return QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot,
                                      QDir::Name);
}

}  // namespace

StagedFiles::~StagedFiles() {
    if (staging_) discard();
}

QString StagedFiles::stagingFolder() const {
    return joinPath(folder_, stagingName(kind_));
}

bool StagedFiles::begin() {
    if (finishInterrupted(folder_, kind_) == Recovery::Failed) return false;
    errno = 0;
    base::fileio::aboutToWrite();
    staging_ = QDir(folder_).mkdir(stagingName(kind_));
    if (!staging_ && errno == 0) errno = EIO;
    return staging_;
}

void StagedFiles::discard() {
    QDir(stagingFolder()).removeRecursively();
    staging_ = false;
}

bool StagedFiles::commit() {
    if (!staging_) return false;
    try {
        // Every staged file and its name on disk before the mark.
        for (const QFileInfo& file : filesIn(stagingFolder()))
            base::fileio::syncFile(file.filePath());
        base::fileio::syncFolderOf(joinPath(stagingFolder(), QStringLiteral(".")));
        base::fileio::renameOver(stagingFolder(), joinPath(folder_, readyName(kind_)));
    } catch (const base::EngineError&) {
        const int error = errno;
        discard();
        errno = error;
        return false;
    }
    staging_ = false;
    return finishInterrupted(folder_, kind_) != Recovery::Failed;
}

bool StagedFiles::pending(const QString& folder, const QString& kind) {
    return QFileInfo(joinPath(folder, readyName(kind))).isDir();
}

QStringList StagedFiles::interruptedFiles(const QString& folder, const QString& kind) {
    QStringList names;
    for (const QString& sub : {readyName(kind), stagingName(kind)})
        for (const QFileInfo& file : filesIn(joinPath(folder, sub))) names << file.fileName();
    return names;
}

StagedFiles::Recovery StagedFiles::finishInterrupted(const QString& folder, const QString& kind) {
    Recovery done = Recovery::Nothing;
    const QString ready = joinPath(folder, readyName(kind));
    if (QFileInfo(ready).isDir()) {
        try {
            for (const QFileInfo& file : filesIn(ready))
                base::fileio::renameOver(file.filePath(),
                                           base::resolveIgnoringCase(folder, file.fileName()));
        } catch (const base::EngineError&) {
            return Recovery::Failed;
        }
        base::fileio::aboutToWrite();
        if (!QDir(folder).rmdir(readyName(kind))) return Recovery::Failed;
        done = Recovery::Completed;
    }
    const QString staging = joinPath(folder, stagingName(kind));
    if (!QFileInfo::exists(staging)) return done;
    base::fileio::aboutToWrite();
    if (!QDir(staging).removeRecursively()) return Recovery::Failed;
    return done == Recovery::Nothing ? Recovery::RolledBack : done;
}

}  // namespace base
