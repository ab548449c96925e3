#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

#include "ConstStore.h"
#include "CurrentDay.h"
#include "DataViews.h"
#include "DayBalances.h"
#include "Dialogs.h"
#include "PaymentRecords.h"
#include "PickLists.h"
#include "ProgramVersion.h"
#include "ProgramFolders.h"
#include "TableGroups.h"
#include "engine/EventList.h"

namespace reg {

// The texts the core shows in the day window: its caption, the plant name, the day and the
// expected end-of-day balance. The window listens to `changed`.
class DayWindowTexts {
public:
    const QString& caption() const { return caption_; }
    const QString& plantName() const { return plantName_; }
    const QString& currentDay() const { return currentDay_; }
    const QString& dayOstatok() const { return dayOstatok_; }
    void setCaption(const QString& s) { set(caption_, s); }
    void setPlantName(const QString& s) { set(plantName_, s); }
    void setCurrentDay(const QString& s) { set(currentDay_, s); }
    void setDayOstatok(const QString& s) { set(dayOstatok_, s); }

    engine::EventList<> changed;

private:
    void set(QString& field, const QString& value) {
        if (field == value) return;
        field = value;
        changed();
    }
    QString caption_ = QStringLiteral("Выберите дату");
    QString plantName_, currentDay_, dayOstatok_;
};

// The register without any window: the program's folders, the current day, the values read
// from the constants, the expected end-of-day balance, the list of valid cost-item codes, the
// seventeen views with their handlers and sum lists, and the operations on them. The main
// window owns one; tests create one over a temporary program folder.
class RegisterCore {
public:
    // programDir is the program folder (the working folder of the running program).
    // The reference folder is created right away.
    RegisterCore(const QString& programDir, base::Dialogs& dialogs);
    ~RegisterCore();
    RegisterCore(const RegisterCore&) = delete;
    RegisterCore& operator=(const RegisterCore&) = delete;

    const QString ProgVersion = kProgramVersion;
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

    // Declared before the parts that write to them, so that they outlive those parts.
    DayWindowTexts texts;
    // Raised at the end of every successful day opening (the catalogue text is rebuilt then).
    engine::EventList<RegisterCore&> dayOpened;

    store::DataViews views;
    store::TableGroups groups;
    store::ConstStore consts;
    PickLists pickLists;
    PaymentRecords payments;
    DayBalances balances;
    CurrentDay currentDay;

    // The day folder of a date; an invalid date means the current day.
    QString DayFolderOf(const QDate& date = QDate()) const;

    bool ReadConst(const QString& key, QString& value) { return consts.ReadConst(key, value); }
    bool WriteConst(const QString& key, const QString& value, const QString& displayName) {
        return consts.WriteConst(key, value, displayName);
    }

    base::Dialogs& dialogs() const { return dialogs_; }

private:
    RegisterCore(const base::ProgramFolders& folders, base::Dialogs& dialogs);
    void attachHandlers();

    base::Dialogs& dialogs_;
    // The core's handlers on its views; destroyed first.
    engine::Connections hooks_;
};

}  // namespace reg
