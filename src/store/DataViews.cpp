#include "DataViews.h"

using engine::Dataset;
using engine::FieldKind;
using engine::FieldSpec;

namespace store {

namespace {

QString text(const char* s) { return QString::fromLatin1(s); }

// The eight fields of a day record. The shown views carry the money display format and the
// code's edit mask; the summing views carry none.
void declareDayFields(Dataset& d, bool shown) {
    d.addField({QStringLiteral("NPP"), FieldKind::SmallInt});
    d.addField({QStringLiteral("KOMU"), FieldKind::Text, 50});
    d.addField({QStringLiteral("SUBJECT"), FieldKind::Text, 160});
    d.addField({QStringLiteral("PAY_SUM"), FieldKind::Float, 0, false, shown ? text(kMoneyDisplayFormat) : QString()});
    d.addField({QStringLiteral("BANK"), FieldKind::Text, 50});
    d.addField({QStringLiteral("PAY_DATA"), FieldKind::Date});
    d.addField({QStringLiteral("PAY_KIND_N"), FieldKind::Text, 20, false, {}, {}, shown ? text(kCodeEditMask) : QString()});
    d.addField({QStringLiteral("PAY_KIND_S"), FieldKind::Text, 254});
}

void declareStartMoneyFields(Dataset& d, const QString& display, const QString& edit) {
    d.addField({QStringLiteral("BANK_NAME"), FieldKind::Text, 50});
    d.addField({QStringLiteral("START_SUM"), FieldKind::Float, 0, false, display, edit});
    d.addField({QStringLiteral("PAY_DATA"), FieldKind::Date});
}

void declareConstFields(Dataset& d) {
    d.addField({QStringLiteral("ConstName"), FieldKind::Text, 15});
    d.addField({QStringLiteral("ViewName"), FieldKind::Text, 50});
    d.addField({QStringLiteral("ConstVal"), FieldKind::Text, 130});
}

void declareCatalogueFields(Dataset& d, bool upperCase) {
    for (int i = 1; i <= 5; ++i)
        d.addField({(upperCase ? QStringLiteral("LEVEL%1") : QStringLiteral("Level%1")).arg(i), FieldKind::SmallInt});
    for (int i = 1; i <= 5; ++i)
        d.addField({(upperCase ? QStringLiteral("NAME%1") : QStringLiteral("Name%1")).arg(i), FieldKind::Text, 50});
    d.addField({QStringLiteral("CodeLine"), FieldKind::Text, 20, true});
}

void define(Dataset& d, int tag, const QString& folder, const char* file, const char* filter = "",
            const char* index = "") {
    d.setTag(tag);
    d.setFolder(folder);
    d.setTableName(text(file));
    d.setFilter(QString::fromUtf8(filter));
    d.setIndexName(text(index));
}

}  // namespace

DataViews::DataViews(const QString& templateDataDir, const QString& templateSpravDir, const QString& spravDir) {
    const QString money = text(kMoneyDisplayFormat);

    define(TableDataSourceDayData, kDayGroupTag, templateDataDir, kDayDataFile, kExpenseFilter);
    declareDayFields(TableDataSourceDayData, true);
    define(TableStartMoney, kDayGroupTag, templateDataDir, kStartMoneyFile, "BANK_NAME <> '<Income>'");
    declareStartMoneyFields(TableStartMoney, money, QStringLiteral("######0.00"));
    define(TableBankNames, kReferenceGroupTag, templateSpravDir, kBankNamesFile);
    TableBankNames.addField({QStringLiteral("ListVal"), FieldKind::Text, 180});
    TableBankNames.addField({QStringLiteral("Used"), FieldKind::Boolean});
    define(TablePayKind, kReferenceGroupTag, templateSpravDir, kPayKindFile);
    TablePayKind.addField({QStringLiteral("ListVal"), FieldKind::Text, 180});
    define(TableReciverNames, kReferenceGroupTag, templateSpravDir, kReciverNamesFile);
    TableReciverNames.addField({QStringLiteral("ListVal"), FieldKind::Text, 180});
    define(TableConst, kReferenceGroupTag, templateSpravDir, kConstFile);
    declareConstFields(TableConst);
    define(TableDayData, kDayGroupTag, templateDataDir, kDayDataFile, kExpenseFilter);
    declareDayFields(TableDayData, false);
    define(TablePlusMoney, kDayGroupTag, templateDataDir, kStartMoneyFile);
    declareStartMoneyFields(TablePlusMoney, {}, {});
    define(TableIncomeSum, kDayGroupTag, templateDataDir, kStartMoneyFile, "BANK_NAME = '<Income>'");
    declareStartMoneyFields(TableIncomeSum, money, QStringLiteral("0"));
    define(TablePlantNames, kReferenceGroupTag, templateSpravDir, kPlantNamesFile, "", "SENDPREFIX");
    TablePlantNames.addField({QStringLiteral("SENDPREFIX"), FieldKind::Text, 2});
    TablePlantNames.addField({QStringLiteral("PLANT_NAME"), FieldKind::Text, 160});
    define(TablePName, kReferenceGroupTag, templateSpravDir, kConstFile, "ConstName = 'PlantName'");
    declareConstFields(TablePName);
    define(TableRodazPath, kReferenceGroupTag, templateSpravDir, kConstFile, "ConstName = 'RodazPath'");
    declareConstFields(TableRodazPath);
    define(TableConstEdit, kReferenceGroupTag, templateSpravDir, kConstFile,
           "ConstName <> 'RodazPath' AND ConstName <> 'PlantName'");
    declareConstFields(TableConstEdit);
    TableKindList.setTag(kCatalogueQueryTag);
    TableKindList.setFolder(spravDir);
    TableKindList.setSql({QStringLiteral("select "), QStringLiteral("Level1, Level2, Level3, Level4, Level5,"),
                          QStringLiteral("Name1, Name2, Name3, Name4, Name5"), QStringLiteral("from KindList.DBF")});
    declareCatalogueFields(TableKindList, false);
    define(TableKindListOld, kReferenceGroupTag, templateSpravDir, kKindListFile);
    declareCatalogueFields(TableKindListOld, true);
    define(TableDataSourceDayIncome, kDayGroupTag, templateDataDir, kDayDataFile, kIncomeFilter);
    declareDayFields(TableDataSourceDayIncome, true);
    define(TableDayIncome, kDayGroupTag, templateDataDir, kDayDataFile, kIncomeFilter);
    declareDayFields(TableDayIncome, false);

    order_ = {&TableDataSourceDayData, &TableStartMoney,    &TableBankNames,           &TablePayKind,
              &TableReciverNames,      &TableConst,         &TableDayData,             &TablePlusMoney,
              &TableIncomeSum,         &TablePlantNames,    &TablePName,               &TableRodazPath,
              &TableConstEdit,         &TableKindList,      &TableKindListOld,         &TableDataSourceDayIncome,
              &TableDayIncome};
}

void DataViews::closeAll() {
    for (engine::Dataset* d : order_) d->close();
}

}  // namespace store
