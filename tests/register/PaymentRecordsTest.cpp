#include "RegisterFixture.h"
#include "engine/DbfTable.h"
#include "EngineError.h"

using namespace registertest;

namespace {

class PaymentRecordsTest : public RegisterFixture {
protected:
    void SetUp() override { openDay(); }
    engine::Dataset& expenses() { return core.views.TableDataSourceDayData; }
    engine::Dataset& incomes() { return core.views.TableDataSourceDayIncome; }
};

TEST_F(PaymentRecordsTest, EachIncompleteRecordIsRefusedWithOneBox) {
    struct Case {
        const char* clear;      // the field left empty
        const char* code;       // the code typed
        const char* message;
    };
    const QString good = expenseCode();
    const QString parent = good.left(4) + QStringLiteral("000.000.000.000");
    const Case cases[] = {
        {"PAY_KIND_N", "", "Поле \"Статья затрат\" не заполнено"},
        {"", "999.999.999.999.999", "Поле \"Статья затрат\" заполнено неправильно."},
        {"", "", "Поле \"Статья затрат\" заполнено неправильно."},  // a group code: set below
        {"PAY_SUM", nullptr, "Поле \"Сумма\" не заполнено"},
        {"KOMU", nullptr, "Поле \"Поставщики\" не заполнено"},
        {"SUBJECT", nullptr, "Поле \"За что\" не заполнено."},
        {"BANK", nullptr, "Поле \"Банк\" не заполнено."},
    };
    int i = 0;
    for (const Case& c : cases) {
        dialogs.boxes.clear();
        engine::Dataset& view = expenses();
        view.append();
        view.fieldByName("KOMU").setAsString("Поставщик");
        view.fieldByName("SUBJECT").setAsString("За материалы");
        view.fieldByName("PAY_SUM").setAsFloat(10);
        view.fieldByName("BANK").setAsString("Сбербанк");
        view.fieldByName("PAY_KIND_N").setAsString(c.code ? QString::fromUtf8(c.code) : good);
        if (i == 2) view.fieldByName("PAY_KIND_N").setAsString(parent);
        if (*c.clear) view.fieldByName(QString::fromLatin1(c.clear)).clear();
        EXPECT_THROW(view.post(), base::SilentAbort) << c.message;
        ASSERT_EQ(dialogs.boxes.size(), 1u) << c.message;
        EXPECT_EQ(dialogs.boxes[0].text, QString::fromUtf8(c.message));
        EXPECT_EQ(dialogs.boxes[0].caption, QStringLiteral("Ошибка"));
        EXPECT_EQ(dialogs.boxes[0].style, 16);
        // The record stays as typed.
        EXPECT_EQ(view.state(), engine::Dataset::State::Insert);
        const bool bankCleared = QString::fromLatin1(c.clear) == QLatin1String("BANK");
        EXPECT_EQ(view.fieldByName(bankCleared ? "SUBJECT" : "BANK").asString(),
                  bankCleared ? QStringLiteral("За материалы") : QStringLiteral("Сбербанк"));
        view.cancel();
        ++i;
    }
    EXPECT_TRUE(stored("KOMU").isEmpty());

    // Neither code nor sum: only the code is reported.
    dialogs.boxes.clear();
    expenses().append();
    expenses().fieldByName("KOMU").setAsString("Кто-то");
    EXPECT_THROW(expenses().post(), base::SilentAbort);
    EXPECT_EQ(dialogs.boxTexts(),
              QStringList{QStringLiteral("Поле \"Статья затрат\" не заполнено")});
    expenses().cancel();
}

TEST_F(PaymentRecordsTest, ACompleteRecordIsNumberedDatedAndTeachesTheLists) {
    const int purposes = core.views.TablePayKind.recordCount();
    addPayment(expenses(), "новый поставщик", 0, expenseCode().toUpper(), "Новое назначение");
    EXPECT_TRUE(dialogs.boxes.empty()) << dialogs.boxTexts().join("|").toStdString();
    EXPECT_EQ(expenses().fieldByName("NPP").asInteger(), 1);
    EXPECT_EQ(expenses().fieldByName("PAY_DATA").asDate(), day);
    EXPECT_EQ(core.views.TablePayKind.recordCount(), purposes + 1);
    EXPECT_TRUE(core.views.TableReciverNames.locate("ListVal", "новый поставщик"));
    EXPECT_EQ(core.pickLists.expenseGrid.recipients.last(), QStringLiteral("новый поставщик"));
    EXPECT_EQ(core.pickLists.expenseGrid.purposes.last(), QStringLiteral("Новое назначение"));
    EXPECT_FALSE(core.pickLists.incomeGrid.purposes.contains(QStringLiteral("Новое назначение")));

    // The same recipient in other letter case is a new row; the same one is not added again.
    const int recipients = core.views.TableReciverNames.recordCount();
    addPayment(expenses(), "НОВЫЙ ПОСТАВЩИК", 5, expenseCode(), "Новое назначение");
    addPayment(expenses(), "новый поставщик", 6, expenseCode(), "Новое назначение");
    EXPECT_EQ(core.views.TableReciverNames.recordCount(), recipients + 1);
}

TEST_F(PaymentRecordsTest, EmptiedRecordsAreDroppedSilently) {
    engine::Dataset& view = incomes();
    view.append();
    view.fieldByName("KOMU").setAsString("x");
    view.fieldByName("KOMU").clear();
    view.post();  // typed and erased: discarded
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(view.state(), engine::Dataset::State::Browse);
    EXPECT_TRUE(stored("KOMU").isEmpty());

    addPayment(expenses(), "Удалится", 10, expenseCode());
    addPayment(expenses(), "Останется", 20, expenseCode());
    ASSERT_TRUE(expenses().locate("KOMU", "Удалится"));
    expenses().edit();
    for (const auto& f : expenses().fields()) f->clear();
    expenses().post();  // an emptied stored record is deleted
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(stored("KOMU"), QStringList{QStringLiteral("Останется")});
    EXPECT_EQ(stored("NPP"), QStringList{QStringLiteral("1")});
}

TEST_F(PaymentRecordsTest, SaveNumbersExpensesThenIncomesByPosition) {
    addPayment(expenses(), "E1", 100, expenseCode());
    addPayment(incomes(), "I1", 50, incomeCode());
    addPayment(expenses(), "E2", 30, expenseCode());
    EXPECT_EQ(stored("KOMU"), (QStringList{"E1", "I1", "E2"}));
    core.payments.ActionSaveExecute();
    EXPECT_EQ(stored("NPP"), (QStringList{"1", "2", "2"}));
    EXPECT_TRUE(expenses().isOpen());
    EXPECT_TRUE(expenses().filtered());
    EXPECT_EQ(expenses().recordCount(), 2);
    // With the hidden expense view closed (as dispatch leaves it) every record gets its place.
    core.views.TableDayData.close();
    core.payments.RenumberDayData();
    EXPECT_EQ(stored("NPP"), (QStringList{"1", "2", "3"}));
    EXPECT_TRUE(expenses().filtered());
}

TEST_F(PaymentRecordsTest, NumbersFollowEveryPostAndSaveAddsNothing) {
    addPayment(incomes(), "I1", 1, incomeCode());
    addPayment(incomes(), "I2", 2, incomeCode());
    addPayment(incomes(), "I3", 3, incomeCode());
    addPayment(incomes(), "I4", 4, incomeCode());
    EXPECT_EQ(incomes().fieldByName("NPP").asInteger(), 4);
    addPayment(expenses(), "E1", 100, expenseCode());
    addPayment(expenses(), "E2", 100, expenseCode());
    ASSERT_TRUE(expenses().locate("KOMU", "E1"));
    expenses().remove();
    EXPECT_EQ(expenses().fieldByName("NPP").asInteger(), 1);  // E2 renumbered
    const int stored_before = stored("KOMU").size();
    incomes().append();  // an untouched new row
    core.payments.ActionSaveExecute();
    EXPECT_EQ(stored("KOMU").size(), stored_before);
}

TEST_F(PaymentRecordsTest, ARecordThatNoLongerPassesStopsTheRenumbering) {
    addPayment(expenses(), "E1", 100, expenseCode());
    addPayment(expenses(), "E2", 100, expenseCode());
    dialogs.boxes.clear();
    core.KindCodeList.clear();  // e.g. the catalogue changed
    EXPECT_THROW(core.payments.ActionSaveExecute(), base::SilentAbort);
    EXPECT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_TRUE(expenses().isOpen());
    EXPECT_TRUE(expenses().filtered());
}

TEST_F(PaymentRecordsTest, SumsStayExact) {
    for (int i = 0; i < 10; ++i) addPayment(expenses(), QStringLiteral("P%1").arg(i), 0.10, expenseCode());
    const gridmodel::SumItem* sum = core.balances.DBSumListDaySum.find(gridmodel::goSum, "PAY_SUM");
    ASSERT_NE(sum, nullptr);
    EXPECT_EQ(sum->SumValue().count(), 10000);
}

}  // namespace

// NPP has four digits. A day already past 9,999 records (made elsewhere) opens with one
// warning and saves what it can: the first 9,999 numbered, the rest without a number. A new
// record beyond the limit is refused with a message a clerk understands.
TEST_F(PaymentRecordsTest, ADayHoldsAtMost9999NumberedRecords) {
    const QString code = expenseCode();
    core.groups.SwitchTableGroup(store::kDayGroupTag, core.DayDir, false, false,
                                 core.TemplateDataDir);
    {
        auto table = engine::DbfTable::open(core.DayDir + "/DayData.DBF", false);
        for (int i = 0; i < 10001; ++i)
            table->appendRecord({QVariant(), QStringLiteral("П%1").arg(i), QStringLiteral("Оплата"),
                                 1.0, QStringLiteral("Сбербанк"), QVariant(), code});
    }
    dialogs.boxes.clear();
    openDay();
    ASSERT_EQ(dialogs.boxes.size(), 1u) << dialogs.boxTexts().join("|").toStdString();
    EXPECT_TRUE(dialogs.boxes[0].text.contains("10001")) << dialogs.boxes[0].text.toStdString();
    EXPECT_EQ(dialogs.boxes[0].caption, "Внимание");

    dialogs.boxes.clear();
    core.payments.ActionSaveExecute();
    EXPECT_TRUE(dialogs.boxes.empty()) << dialogs.boxTexts().join("|").toStdString();
    const QStringList numbers = stored("NPP");
    ASSERT_EQ(numbers.size(), 10001);
    EXPECT_EQ(numbers[9998], "9999");
    EXPECT_EQ(numbers[9999], "");
    EXPECT_EQ(numbers[10000], "");

    EXPECT_THROW(addPayment(expenses(), "Сверх", 5, code), base::SilentAbort);
    expenses().cancel();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_TRUE(dialogs.boxes[0].text.startsWith("В одном дне может быть не более 9999 записей."));
    EXPECT_EQ(stored("KOMU").size(), 10001);
}
