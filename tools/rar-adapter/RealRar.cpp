#include "RealRar.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace rar_adapter {

QString findRealRar() {
    const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    const QString path = qEnvironmentVariable("PATH");
    for (const QString& dir : path.split(u':', Qt::SkipEmptyParts)) {
        const QString candidate = QDir(dir).filePath(QStringLiteral("rar"));
        const QByteArray name = QFile::encodeName(candidate);
        struct stat st {};
        if (::stat(name.constData(), &st) != 0 || !S_ISREG(st.st_mode) ||
            ::access(name.constData(), X_OK) != 0)
            continue;
        if (QFileInfo(candidate).canonicalFilePath() == self) continue;
        return candidate;
    }
    return {};
}

void runRealRar(const QString& rar, const AdapterCommand& command,
                const std::vector<FileToAdd>& files) {
    QStringList args = {QStringLiteral("rar"),  QStringLiteral("a"),
                        QStringLiteral("-s"),   QStringLiteral("-dh"),
                        QStringLiteral("-ep1"), QStringLiteral("-y"),
                        QStringLiteral("-m5"),  QStringLiteral("-p") + command.password,
                        QStringLiteral("--"),   command.archive};
    for (const FileToAdd& f : files) args << f.path;

    std::vector<QByteArray> bytes;
    for (const QString& a : args) bytes.push_back(QFile::encodeName(a));
    std::vector<char*> argv;
    for (QByteArray& b : bytes) argv.push_back(b.data());
    argv.push_back(nullptr);
    ::execv(QFile::encodeName(rar).constData(), argv.data());
}

}  // namespace rar_adapter
