#pragma once

#include <QDate>
#include <QString>

namespace dispatch {

// The archive of a day in the send folder: the folder with a separator added when it lacks
// one, the two-character send prefix, "XR", the month and the day ("MMdd") and ".RAR". The
// year is not part of the name.
QString archivePathOf(const QString& sendFolder, const QString& sendPrefix, const QDate& day);

// One argument of a Windows command line: unchanged unless it holds a blank, a tab or a
// double quote (or is empty); then enclosed in double quotes, with each quote escaped by a
// backslash and the backslashes before a quote or the closing quote doubled, so that the
// command line splits back into exactly this argument.
QString quoteCommandArgument(const QString& argument);

// The archiver's command line for an archive: add the files of the list file AddRAR.LST (in
// the working folder) to the archive with the fixed options and password. The archive path is
// quoted when it needs to be.
QString archiverCommandLine(const QString& archivePath);

}  // namespace dispatch
