#include "CurrentDay.h"

#include <QDir>
#include <QFileInfo>

#include "RegisterCore.h"
#include "StagedFiles.h"
#include "EngineError.h"
#include "PathCase.h"

namespace reg {

bool CurrentDay::PackTable(engine::Dataset& table) {
    if (!table.isOpen() || !table.exclusive()) return false;
    switch (table.tableFormat()) {
        case engine::TableFile::Format::DBase:
        case engine::TableFile::Format::Paradox:
            table.pack();
            break;
    }
    table.close();
    table.open();
    return true;
}

void CurrentDay::reindexDayData() {
    engine::Dataset table(QStringLiteral("ReindexDayData"));
    table.setFolder(core_.DayDir);
    table.setTableName(QString::fromLatin1(store::kDayDataFile));
    table.setIndexName(QStringLiteral("NPP"));
    table.setExclusive(true);
    try {
        table.open();
        table.flushTable();
        PackTable(table);
        table.first();
        for (int counter = 0; counter < table.recordCount(); ++counter) {
            table.edit();
            table.post();
            table.next();
        }
    } catch (const base::EngineError& e) {
        // The message says another program has the file: it is shown when one has. A damaged
        // table is reported when the day group opens it, which also rescues its records.
        if (e.kind() == base::ErrorKind::Busy)
            core_.dialogs().messageBox(
                QStringLiteral("Не могу произвести переиндексацию.\n\rФайл DayData.DBF открыт другой программой."),
                QStringLiteral("Внимание"), base::MB_OK | base::MB_ICONEXCLAMATION);
    }
}

void CurrentDay::ActionDateSelectExecute() {
    RegisterCore& c = core_;
    c.groups.SwitchTableGroup(store::kReferenceGroupTag, c.SpravDir, false, false, c.TemplateSpravDir);
    c.groups.SwitchTableGroup(store::kDayGroupTag, c.DayDir, false, false, c.TemplateDataDir);
    c.texts.setCaption(QStringLiteral("Выберите текущую дату"));

    const std::optional<QDate> chosen = c.dialogs().chooseDate(QString());
    if (!chosen) return;
    c.CurrentDate = *chosen;
    c.DayDir = c.DayFolderOf(c.CurrentDate);
    const bool newDay = !QFileInfo(c.DayDir).isDir();
    QDir().mkpath(c.DayDir);
    QDir().mkpath(c.SpravDir);
    // A copy from another day or a structure update that was stopped while it replaced the
    // day's files is finished (or undone) before anything reads them.
    base::StagedFiles::finishInterrupted(c.DayDir);
    c.groups.recoverInterruptedUpdate(c.DayDir);

    if (QFileInfo::exists(base::resolveIgnoringCase(c.DayDir, QString::fromLatin1(store::kDayDataFile))))
        reindexDayData();

    c.groups.SwitchTableGroup(store::kReferenceGroupTag, c.SpravDir, true, true, c.TemplateSpravDir);
    c.groups.SwitchTableGroup(store::kDayGroupTag, c.DayDir, true, true, c.TemplateDataDir);
    c.texts.setCaption(QStringLiteral("Данные за ") + c.CurrentDate.toString(QStringLiteral("dd.MM.yyyy")));

    store::DataViews& v = c.views;
    if (!c.consts.ReadConst(QStringLiteral("SendPrefix"), c.SendPrefixText)) {
        v.TableConst.append();
        v.TableConst.fieldByName(QStringLiteral("ConstName")).setAsString(QStringLiteral("SendPrefix"));
        v.TableConst.fieldByName(QStringLiteral("ViewName")).setAsString(QStringLiteral("Префикс отправляемого файла"));
        v.TableConst.fieldByName(QStringLiteral("ConstVal")).setAsString(QStringLiteral("XX"));
        v.TableConst.post();
    }
    c.consts.WriteConst(QStringLiteral("ProgVer"), c.ProgVersion, QStringLiteral("Версия программы"));
    c.consts.ReadConst(QStringLiteral("PlantName"), c.PlantNameText);
    c.texts.setPlantName(c.PlantNameText);
    c.texts.setCurrentDay(QStringLiteral("за ") + c.CurrentDate.toString(QStringLiteral("dd.MM.yyyy")));

    if (newDay) c.balances.RebuildStartMoney();

    v.TableKindList.close();
    v.TableKindList.setFolder(c.SpravDir);
    v.TableKindList.open();
    c.pickLists.FillPickLists();

    engine::Dataset& income = v.TableIncomeSum;
    if (income.recordCount() < 1) {
        income.append();
        income.fieldByName(QStringLiteral("BANK_NAME")).setAsString(QString::fromLatin1(store::kIncomeRowName));
        income.fieldByName(QStringLiteral("START_SUM")).setAsFloat(0);
        income.post();
    }
    if (income.fieldByName(QStringLiteral("START_SUM")).asString().isEmpty()) {
        income.edit();
        income.fieldByName(QStringLiteral("BANK_NAME")).setAsString(QString::fromLatin1(store::kIncomeRowName));
        income.fieldByName(QStringLiteral("START_SUM")).setAsFloat(0);
        income.post();
    }
    income.close();
    income.open();
    v.TablePlusMoney.close();
    v.TablePlusMoney.open();

    v.TableDayData.refresh();
    c.payments.WarnAboutOverfullDay();
    c.balances.DBSumListDaySum.RecalcAll();
    c.balances.DataSourceIncomeSumDataChange(v.TableIncomeSum, nullptr);
    c.dayOpened(c);
}

}  // namespace reg
