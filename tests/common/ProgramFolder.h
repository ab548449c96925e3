#pragma once

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

namespace testing_support {

// A temporary program folder holding a copy of the real template tables that the build
// made (Template/Data and Template/Sprav), as the program finds them after installation.
class ProgramFolder {
public:
    ProgramFolder() {
        const QString source = QStringLiteral(PLATORIS_TEMPLATE_DIR);
        QDirIterator it(source, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString from = it.next();
            const QString to = dir_.filePath(QStringLiteral("Template/") + QDir(source).relativeFilePath(from));
            QDir().mkpath(QFileInfo(to).path());
            QFile::copy(from, to);
            QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
        }
    }
    QString path() const { return dir_.path(); }
    QString filePath(const QString& relative) const { return dir_.filePath(relative); }
    QString templateData() const { return filePath(QStringLiteral("Template/Data")); }
    QString templateSprav() const { return filePath(QStringLiteral("Template/Sprav")); }
    QString sprav() const { return filePath(QStringLiteral("Sprav")); }

private:
    QTemporaryDir dir_;
};

}  // namespace testing_support
