#include "ProgramFolders.h"

#include <stdlib.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>

namespace base {

QString joinPath(const QString& folder, const QString& name) {
    if (folder.isEmpty()) return name;
    if (folder.endsWith(QLatin1Char('/'))) return folder + name;
    return folder + QLatin1Char('/') + name;
}

ProgramFolders::ProgramFolders(const QString& programDir)
    : ProgDir(QDir::cleanPath(programDir)),
      SpravDir(joinPath(ProgDir, QStringLiteral("Sprav"))),
      TemplateDir(joinPath(ProgDir, QStringLiteral("Template"))),
      TemplateSpravDir(joinPath(TemplateDir, QStringLiteral("Sprav"))),
      TemplateDataDir(joinPath(TemplateDir, QStringLiteral("Data"))) {}

QString dayFolderOf(const QString& programDir, const QDate& date) {
    return joinPath(joinPath(programDir, QStringLiteral("Data")), date.toString(QStringLiteral("yyyy/MM/dd")));
}

}  // namespace base

namespace base {

std::optional<UnwritableFolder> findUnwritableFolder(const QString& programDir) {
    const QString root = QDir::cleanPath(programDir);
    for (const QString& folder :
         {root, joinPath(root, QStringLiteral("Sprav")), joinPath(root, QStringLiteral("Data"))}) {
        if (folder != root && !QFileInfo(folder).isDir()) continue;
        QByteArray probe =
            QFile::encodeName(joinPath(folder, QStringLiteral(".write-probe.XXXXXX")));
        const int fd = ::mkstemp(probe.data());
        if (fd < 0) return UnwritableFolder{folder, errno};
        ::close(fd);
        ::unlink(probe.constData());
    }
    return std::nullopt;
}

}  // namespace base
