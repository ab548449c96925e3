#include "ArchiveCommand.h"

#include "ArchiveListFile.h"

namespace dispatch {

namespace {

// Add (creating when missing), solid, files held open by others too, names without folders,
// yes to every query, best compression, encrypted with the password after "-p".
constexpr char kArchiverCommand[] = "RAR.EXE a -s -dh -ep1 -y -m5 -pKVal1736pq ";

}  // namespace

QString archivePathOf(const QString& sendFolder, const QString& sendPrefix, const QDate& day) {
    QString path = sendFolder;
    if (!path.endsWith(u'/')) path += u'/';
    return path + sendPrefix + QStringLiteral("XR") + day.toString(QStringLiteral("MMdd")) +
           QStringLiteral(".RAR");
}

QString quoteCommandArgument(const QString& argument) {
    const bool plain = !argument.isEmpty() && !argument.contains(u' ') &&
                       !argument.contains(u'\t') && !argument.contains(u'"');
    if (plain) return argument;
    QString quoted(u'"');
    qsizetype backslashes = 0;
    for (const QChar c : argument) {
        if (c == u'\\') {
            ++backslashes;
            continue;
        }
        if (c == u'"') backslashes = backslashes * 2 + 1;
        quoted += QString(backslashes, u'\\');
        quoted += c;
        backslashes = 0;
    }
    quoted += QString(backslashes * 2, u'\\');
    quoted += u'"';
    return quoted;
}

QString archiverCommandLine(const QString& archivePath) {
    return QString::fromLatin1(kArchiverCommand) + quoteCommandArgument(archivePath) +
           QStringLiteral(" @") + QString::fromLatin1(kArchiveListFileName);
}

}  // namespace dispatch
