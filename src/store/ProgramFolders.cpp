#include "ProgramFolders.h"

#include <QDir>

namespace store {

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

}  // namespace store
