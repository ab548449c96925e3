#include "RegisterFixture.h"

using namespace registertest;

namespace {

class DayBalancesTest : public RegisterFixture {
protected:
    void SetUp() override { openDay(); }
    void setOpening(int row, double sum) {
        engine::Dataset& rows = core.views.TableStartMoney;
        rows.setRecNo(row);
        rows.edit();
        rows.fieldByName("START_SUM").setAsFloat(sum);
        rows.post();
    }
};

TEST_F(DayBalancesTest, TheLabelShowsOpeningPlusIncomeMinusExpenses) {
    ASSERT_GE(core.views.TableStartMoney.recordCount(), 2);
    setOpening(1, 1000);
    setOpening(2, 500);
    engine::Dataset& income = core.views.TableIncomeSum;
    income.edit();
    income.fieldByName("START_SUM").setAsFloat(200);
    core.balances.DBEditIncomeSumKeyDown(reg::DayBalances::kEnterKey);
    EXPECT_EQ(core.texts.dayOstatok(), QStringLiteral(" 1 700,00"));
    addPayment(core.views.TableDataSourceDayData, "E1", 300, expenseCode());
    addPayment(core.views.TableDataSourceDayData, "E2", 100, expenseCode());
    addPayment(core.views.TableDataSourceDayIncome, "I1", 1000, incomeCode());
    EXPECT_EQ(core.texts.dayOstatok(), QStringLiteral(" 1 300,00"));
    EXPECT_DOUBLE_EQ(core.DayOstatok, 1300);

    // More expenses than money: a minus in front of the blanks.
    addPayment(core.views.TableDataSourceDayData, "E3", 1550, expenseCode());
    EXPECT_EQ(core.texts.dayOstatok(), QStringLiteral("-  250,00"));

    // Rebuilding the balance rows loses the opening balances, keeps the income.
    core.balances.RebuildStartMoney();
    core.balances.DataSourceIncomeSumDataChange(core.views.TableStartMoney, nullptr);
    EXPECT_EQ(core.texts.dayOstatok(), QStringLiteral("- 1 750,00"));
}

TEST_F(DayBalancesTest, LeavingAGridStoresBalancesButNotAHalfTypedExpense) {
    engine::Dataset& rows = core.views.TableStartMoney;
    rows.first();
    rows.edit();
    rows.fieldByName("START_SUM").setAsFloat(42);
    engine::Dataset& expenses = core.views.TableDataSourceDayData;
    expenses.append();
    expenses.fieldByName("KOMU").setAsString("Не дописан");
    core.balances.PostDayEdits();
    EXPECT_EQ(rows.state(), engine::Dataset::State::Browse);
    EXPECT_EQ(expenses.state(), engine::Dataset::State::Insert);
    EXPECT_EQ(core.texts.dayOstatok(), QStringLiteral("  42,00"));
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(DayBalancesTest, EnterOnlyStoresTheIncomeOnEnter) {
    engine::Dataset& income = core.views.TableIncomeSum;
    income.edit();
    income.fieldByName("START_SUM").setAsFloat(99);
    core.balances.DBEditIncomeSumKeyDown(9);  // Tab: nothing happens
    EXPECT_EQ(income.state(), engine::Dataset::State::Edit);
    EXPECT_EQ(core.texts.dayOstatok(), QStringLiteral("  0,00"));
    core.balances.DBEditIncomeSumKeyDown(reg::DayBalances::kEnterKey);
    EXPECT_EQ(core.texts.dayOstatok(), QStringLiteral("  99,00"));
    EXPECT_EQ(core.views.TableIncomeSum.fieldByName("PAY_DATA").asDate(), day);
}

}  // namespace
