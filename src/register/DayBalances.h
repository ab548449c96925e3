#pragma once

#include "RunningSumList.h"

namespace engine {
class Dataset;
class Field;
}  // namespace engine

namespace reg {

class RegisterCore;
using gridmodel::RunningSumList;

// How the expected balance at the end of the day is shown.
inline const QString kDayOstatokFormat = QStringLiteral("## ### ##0.00");

// The opening balances per bank, the expected income of the day and the expected balance at
// the end of the day, kept current while the day is worked on.
class DayBalances {
public:
    explicit DayBalances(RegisterCore& core);
    ~DayBalances();

    // Sum of START_SUM over every StartMoney row (the income row included).
    RunningSumList DBSumListStartMoney{RunningSumList::Attaching::WhenLoaded};
    // Sum of PAY_SUM over the day's expenses.
    RunningSumList DBSumListDaySum{RunningSumList::Attaching::WhenLoaded};
    // Sum of PAY_SUM over the day's incomes (only triggers a recomputation).
    RunningSumList DBSumListDayIncome{RunningSumList::Attaching::WhenLoaded};

    // Attaches the sum lists to their views; called once the views carry their handlers.
    void Loaded();

    void DBSumListDaySumSumListChanged(RunningSumList& sender);
    void DataSourceIncomeSumDataChange(engine::Dataset& sender, engine::Field* field);
    void DataSourceDayDataDataChange(engine::Dataset& sender, engine::Field* field);
    void TableStartMoneyBeforePost(engine::Dataset& view);
    void RebuildStartMoney();
    void PostDayEdits();
    // Key handler of the expected-income box: Enter stores the value and recounts at once.
    void DBEditIncomeSumKeyDown(int key);

    static constexpr int kEnterKey = 13;

private:
    RegisterCore& core_;
    engine::Connections hooks_;  // on the lists' notifications
};

}  // namespace reg
