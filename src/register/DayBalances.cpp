#include "DayBalances.h"

#include "Money.h"
#include "PaymentRecords.h"
#include "RegisterCore.h"

namespace reg {

DayBalances::DayBalances(RegisterCore& core) : core_(core) {
    store::DataViews& v = core_.views;
    DBSumListStartMoney.setDataSet(&v.TablePlusMoney);
    DBSumListStartMoney.add(QStringLiteral("START_SUM"));
    DBSumListDaySum.setDataSet(&v.TableDayData);
    DBSumListDaySum.add(QStringLiteral("PAY_SUM"));
    DBSumListDayIncome.setDataSet(&v.TableDayIncome);
    DBSumListDayIncome.add(QStringLiteral("PAY_SUM"));
    for (RunningSumList* list : {&DBSumListDaySum, &DBSumListDayIncome, &DBSumListStartMoney}) {
        hooks_ += list->SumListChanged.add([this](RunningSumList& l) { DBSumListDaySumSumListChanged(l); });
        hooks_ += list->OnRecalcAll.add([this](RunningSumList& l) { DBSumListDaySumSumListChanged(l); });
    }
}

DayBalances::~DayBalances() {
    // No balance from here on: the lists let go of their views without telling anyone.
    hooks_.clear();
    for (RunningSumList* list : {&DBSumListDaySum, &DBSumListDayIncome, &DBSumListStartMoney})
        list->setDataSet(nullptr);
}

void DayBalances::Loaded() {
    DBSumListStartMoney.Loaded();
    DBSumListDaySum.Loaded();
    DBSumListDayIncome.Loaded();
}

void DayBalances::DBSumListDaySumSumListChanged(RunningSumList&) {
    const gridmodel::SumItem* start = DBSumListStartMoney.find(gridmodel::goSum, QStringLiteral("START_SUM"));
    const gridmodel::SumItem* expenses = DBSumListDaySum.find(gridmodel::goSum, QStringLiteral("PAY_SUM"));
    const gridmodel::TenThousandths s = start ? start->SumValue() : gridmodel::TenThousandths();
    const gridmodel::TenThousandths e = expenses ? expenses->SumValue() : gridmodel::TenThousandths();
    core_.DayOstatok = (s - e).toDouble();
    core_.texts.setDayOstatok(gridmodel::formatWithPattern(
        core_.DayOstatok, kDayOstatokFormat, QLatin1Char(','), gridmodel::Overflow::Grouped));
}

void DayBalances::DataSourceIncomeSumDataChange(engine::Dataset&, engine::Field*) {
    engine::Dataset& all = core_.views.TablePlusMoney;
    if (!all.isOpen()) return;
    all.refresh();
    DBSumListStartMoney.RecalcAll();
    DBSumListDaySum.RecalcAll();
}

void DayBalances::DataSourceDayDataDataChange(engine::Dataset& sender, engine::Field* field) {
    DataSourceIncomeSumDataChange(sender, field);
}

void DayBalances::TableStartMoneyBeforePost(engine::Dataset& view) {
    if (view.modified()) view.fieldByName(QStringLiteral("PAY_DATA")).setAsDate(core_.CurrentDate);
}

void DayBalances::RebuildStartMoney() {
    store::DataViews& v = core_.views;
    engine::Dataset& rows = v.TableStartMoney;
    while (rows.recordCount() > 0) {
        rows.first();
        rows.remove();
    }
    v.TableBankNames.first();
    for (int i = 0, n = v.TableBankNames.recordCount(); i < n; ++i) {
        if (v.TableBankNames.fieldByName(QStringLiteral("Used")).asBoolean()) {
            rows.append();
            rows.fieldByName(QStringLiteral("BANK_NAME")).setAsString(v.TableBankNames.fieldByName(QStringLiteral("ListVal")).asString());
            rows.post();
        }
        v.TableBankNames.next();
    }
    rows.close();
    rows.open();
}

void DayBalances::PostDayEdits() {
    store::DataViews& v = core_.views;
    bool noneEmpty = true;
    for (const auto& f : v.TableDataSourceDayData.fields())
        if (f->asString().isEmpty()) {
            noneEmpty = false;
            break;
        }
    if (noneEmpty) {
        PaymentRecords::rePost(v.TableDataSourceDayData);
        PaymentRecords::rePost(v.TableDataSourceDayIncome);
    }
    PaymentRecords::rePost(v.TableStartMoney);
    PaymentRecords::rePost(v.TableIncomeSum);
}

void DayBalances::DBEditIncomeSumKeyDown(int key) {
    if (key != kEnterKey) return;
    store::DataViews& v = core_.views;
    PaymentRecords::rePost(v.TableIncomeSum);
    v.TableIncomeSum.close();
    v.TableIncomeSum.open();
    v.TablePlusMoney.close();
    v.TablePlusMoney.open();
    v.TableDayData.refresh();
    DBSumListDaySum.RecalcAll();
    DataSourceIncomeSumDataChange(v.TableIncomeSum, nullptr);
}

}  // namespace reg
