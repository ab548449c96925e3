#pragma once

#include <QDate>
#include <QString>
#include <optional>

namespace base {

// The folders below the program folder. No stored folder ends in a separator.
struct ProgramFolders {
    explicit ProgramFolders(const QString& programDir);

    QString ProgDir;
    QString SpravDir;          // reference tables
    QString TemplateDir;
    QString TemplateSpravDir;  // pristine reference tables
    QString TemplateDataDir;   // pristine day tables
};

// The day folder of a date: programDir/Data/yyyy/mm/dd (month and day always two digits).
QString dayFolderOf(const QString& programDir, const QDate& date);

// A folder the program must write and cannot, with the reason (an errno value).
struct UnwritableFolder {
    QString folder;
    int error = 0;
};

// The first of the program folder and its "Sprav" and "Data" folders (those that exist) in
// which no file can be created, found by creating and removing one; nothing when all can be
// written.
std::optional<UnwritableFolder> findUnwritableFolder(const QString& programDir);

// Joins a folder and a name with one separator.
QString joinPath(const QString& folder, const QString& name);

}  // namespace base
