#include "ExportFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace output {

ExportFolder& ExportFolder::ofThisRun() {
    static ExportFolder folder;
    return folder;
}

QString ExportFolder::startFolder() const {
    if (!last_.isEmpty() && QFileInfo(last_).isDir()) return last_;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir()) return documents;
    return QDir::homePath();
}

void ExportFolder::remember(const QString& fileName) {
    last_ = QFileInfo(fileName).absolutePath();
}

}  // namespace output
