#include "ListFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "FileUtils.h"
#include "Codec.h"

namespace rar_adapter {

namespace {

// A list file of the program holds two lines; anything near this size is no list file.
constexpr qint64 kListFileLimit = 1 << 20;

}  // namespace

std::optional<QStringList> readListFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray bytes = file.read(kListFileLimit + 1);
    if (file.error() != QFile::NoError || bytes.size() > kListFileLimit) return std::nullopt;

    QStringList lines;
    for (QByteArray line : bytes.split('\n')) {
        if (line.endsWith('\r')) line.chop(1);
        const QString text = base::Codec::cp866().decode(line.toStdString());
        if (!text.trimmed().isEmpty()) lines << text;
    }
    return lines;
}

std::vector<FileToAdd> filesOfListLines(const QStringList& lines, QStringList& unmatched) {
    std::vector<FileToAdd> files;
    for (const QString& line : lines) {
        const qsizetype slash = line.lastIndexOf(u'/');
        const QString folder = slash < 0    ? QStringLiteral(".")
                               : slash == 0 ? QStringLiteral("/")
                                            : line.left(slash);
        const QString mask = line.mid(slash + 1);
        bool matched = false;
        const QFileInfoList entries = QDir(folder).entryInfoList(
            QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
        for (const QFileInfo& entry : entries) {
            if (!entry.isFile() || !base::matchesFileMask(entry.fileName(), mask)) continue;
            matched = true;
            std::erase_if(files, [&](const FileToAdd& f) {
                return f.name.compare(entry.fileName(), Qt::CaseInsensitive) == 0;
            });
            files.push_back({entry.filePath(), entry.fileName()});
        }
        if (!matched) unmatched << line;
    }
    return files;
}

}  // namespace rar_adapter
