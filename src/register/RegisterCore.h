#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

#include "DataViews.h"
#include "Dialogs.h"
#include "ProgramFolders.h"

namespace reg {

// The register without any window: the program's folders, the current day, the values read
// from the constants, the expected end-of-day balance, the list of valid cost-item codes and
// the seventeen views. The main window owns one; tests create one over a temporary folder.
class RegisterCore {
public:
    // programDir is the program folder (the working folder of the running program).
    // The reference folder is created right away.
    RegisterCore(const QString& programDir, store::Dialogs& dialogs);
    ~RegisterCore();
    RegisterCore(const RegisterCore&) = delete;
    RegisterCore& operator=(const RegisterCore&) = delete;

    const QString ProgVersion = QStringLiteral("1.36");
    QDate CurrentDate;
    QString ProgDir;
    QString SpravDir;
    QString DayDir;
    QString TemplateDir;
    QString TemplateSpravDir;
    QString TemplateDataDir;
    QString PlantNameText;
    QString SendPrefixText;
    double DayOstatok = 0;
    QStringList KindCodeList;

    store::DataViews views;

    // The day folder of a date; an invalid date means the current day.
    QString DayFolderOf(const QDate& date = QDate()) const;

    store::Dialogs& dialogs() const { return dialogs_; }

private:
    RegisterCore(const store::ProgramFolders& folders, store::Dialogs& dialogs);

    store::Dialogs& dialogs_;
};

}  // namespace reg
