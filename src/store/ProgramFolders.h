#pragma once

#include <QDate>
#include <QString>

namespace store {

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

// Joins a folder and a name with one separator.
QString joinPath(const QString& folder, const QString& name);

}  // namespace store
