#pragma once

#include <vector>

#include "engine/Dataset.h"
#include "engine/KindListQuery.h"

namespace store {

// Tags that group the views: the day group, the reference group and the catalogue query.
inline constexpr int kDayGroupTag = 10;
inline constexpr int kReferenceGroupTag = 6;
inline constexpr int kCatalogueQueryTag = -1;

// Table files of the program.
inline constexpr char kDayDataFile[] = "DayData.DBF";
inline constexpr char kStartMoneyFile[] = "StartMoney.dbf";
inline constexpr char kConstFile[] = "Const.db";
inline constexpr char kBankNamesFile[] = "BankNames.db";
inline constexpr char kPayKindFile[] = "PayKind.db";
inline constexpr char kReciverNamesFile[] = "ReciverNames.db";
inline constexpr char kPlantNamesFile[] = "PlantNames.dbf";
inline constexpr char kKindListFile[] = "KindList.DBF";

// Filters of the views.
inline constexpr char kExpenseFilter[] = "[PAY_KIND_N]<>'001*' AND [PAY_KIND_N]<>'100*'";
inline constexpr char kIncomeFilter[] = "[PAY_KIND_N]='001.*' OR [PAY_KIND_N]='100.*'";
inline constexpr char kIncomeRowName[] = "<Income>";

// Display and edit formats the views give their fields.
inline constexpr char kMoneyDisplayFormat[] = "# ### ##0.00";
inline constexpr char kCodeEditMask[] = "!999/999/999/999/999 ;1;_";

// The seventeen views of the register, created closed with their tags, tables, filters,
// indexes and declared fields. Their handlers are attached by the register core.
class DataViews {
public:
    // templateDataDir and templateSpravDir are the folders the day and reference views name
    // before a day is opened; spravDir is the catalogue query's folder.
    DataViews(const QString& templateDataDir, const QString& templateSpravDir, const QString& spravDir);
    DataViews(const DataViews&) = delete;
    DataViews& operator=(const DataViews&) = delete;

    engine::Dataset TableDataSourceDayData{QStringLiteral("TableDataSourceDayData")};
    engine::Dataset TableStartMoney{QStringLiteral("TableStartMoney")};
    engine::Dataset TableBankNames{QStringLiteral("TableBankNames")};
    engine::Dataset TablePayKind{QStringLiteral("TablePayKind")};
    engine::Dataset TableReciverNames{QStringLiteral("TableReciverNames")};
    engine::Dataset TableConst{QStringLiteral("TableConst")};
    engine::Dataset TableDayData{QStringLiteral("TableDayData")};
    engine::Dataset TablePlusMoney{QStringLiteral("TablePlusMoney")};
    engine::Dataset TableIncomeSum{QStringLiteral("TableIncomeSum")};
    engine::Dataset TablePlantNames{QStringLiteral("TablePlantNames")};
    engine::Dataset TablePName{QStringLiteral("TablePName")};
    engine::Dataset TableRodazPath{QStringLiteral("TableRodazPath")};
    engine::Dataset TableConstEdit{QStringLiteral("TableConstEdit")};
    engine::KindListQuery TableKindList{QStringLiteral("TableKindList")};
    engine::Dataset TableKindListOld{QStringLiteral("TableKindListOld")};
    engine::Dataset TableDataSourceDayIncome{QStringLiteral("TableDataSourceDayIncome")};
    engine::Dataset TableDayIncome{QStringLiteral("TableDayIncome")};

    // All seventeen in the order of the table of views; group operations walk this order.
    const std::vector<engine::Dataset*>& inOrder() const { return order_; }
    void closeAll();

private:
    std::vector<engine::Dataset*> order_;
};

}  // namespace store
