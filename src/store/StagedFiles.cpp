#include "StagedFiles.h"

#include <QDir>
#include <QFileInfo>

#include "ProgramFolders.h"
#include "engine/EngineError.h"
#include "engine/FileIo.h"
#include "engine/PathCase.h"

namespace store {

namespace {

// Hidden, so that the user sees only the tables in the folder, and never matched by a table's
// companion mask.
const QString kStaging = QStringLiteral(".staging");
const QString kReady = QStringLiteral(".staged");

QFileInfoList filesIn(const QString& folder) {
    return QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot,
                                      QDir::Name);
}

}  // namespace

StagedFiles::~StagedFiles() {
    if (staging_) discard();
}

QString StagedFiles::stagingFolder() const {
    return joinPath(folder_, kStaging);
}

bool StagedFiles::begin() {
    if (!finishInterrupted(folder_)) return false;
    staging_ = QDir(folder_).mkdir(kStaging);
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
            engine::fileio::syncFile(file.filePath());
        engine::fileio::syncFolderOf(joinPath(stagingFolder(), QStringLiteral(".")));
        engine::fileio::renameOver(stagingFolder(), joinPath(folder_, kReady));
    } catch (const engine::EngineError&) {
        discard();
        return false;
    }
    staging_ = false;
    return finishInterrupted(folder_);
}

bool StagedFiles::pending(const QString& folder) {
    return QFileInfo(joinPath(folder, kReady)).isDir();
}

bool StagedFiles::finishInterrupted(const QString& folder) {
    const QString ready = joinPath(folder, kReady);
    if (QFileInfo(ready).isDir()) {
        try {
            for (const QFileInfo& file : filesIn(ready))
                engine::fileio::renameOver(file.filePath(),
                                           engine::resolveIgnoringCase(folder, file.fileName()));
        } catch (const engine::EngineError&) {
            return false;
        }
        if (!QDir(folder).rmdir(kReady)) return false;
    }
    const QString staging = joinPath(folder, kStaging);
    return !QFileInfo::exists(staging) || QDir(staging).removeRecursively();
}

}  // namespace store
