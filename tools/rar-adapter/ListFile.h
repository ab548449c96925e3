#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace rar_adapter {

// One file to put into the archive: where it is, and the bare name it is stored under.
struct FileToAdd {
    QString path;
    QString name;
};

// The lines of a list file in the OEM code page (866), one name or mask per line, ended by
// CR LF or LF; blank lines are skipped. Nothing when the file cannot be read.
std::optional<QStringList> readListFile(const QString& path);

// The files the lines name. A line is a folder and a file mask ('*' and '?', letter case
// ignored, "*.*" every file) or a plain file name; a line without a folder means the working
// folder. Regular files only (links to them included), in name order per line. A name that
// two lines give is taken once, from the later line, as an archive holds a name only once.
// Lines that match no file are returned in `unmatched`.
std::vector<FileToAdd> filesOfListLines(const QStringList& lines, QStringList& unmatched);

}  // namespace rar_adapter
