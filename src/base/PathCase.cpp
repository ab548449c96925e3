#include "PathCase.h"

#include <QDir>
#include <QFileInfo>

namespace base {

QString resolveIgnoringCase(const QString& folder, const QString& fileName) {
    QDir dir(folder);
    const QString exact = dir.filePath(fileName);
    if (QFileInfo::exists(exact)) return exact;
    const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& e : entries)
        if (e.compare(fileName, Qt::CaseInsensitive) == 0) return dir.filePath(e);
    return exact;
}

QString resolveIgnoringCase(const QString& path) {
    QFileInfo info(path);
    return resolveIgnoringCase(info.path(), info.fileName());
}

}  // namespace base
