#include <unistd.h>

#include <QFile>
#include <QFileInfo>

#include "ChildProcess.h"
#include "EngineError.h"
#include "RegisterFixture.h"
#include "engine/DbfTable.h"
#include "engine/MdxIndex.h"

using namespace registertest;

namespace {

int countRows(engine::Dataset& view, const QString& field, const QString& value) {
    int n = 0;
    for (view.first(); !view.eof(); view.next())
        if (view.fieldByName(field).asString() == value) ++n;
    return n;
}

// Removes a constant from the reference folder's Const.db before the first opening.
void dropConstant(const QString& spravDir, const QString& key) {
    engine::Dataset c;
    c.setFolder(spravDir);
    c.setTableName(QStringLiteral("Const.db"));
    c.open();
    while (c.locate(QStringLiteral("ConstName"), key)) c.remove();
}

class DayOpeningTest : public RegisterFixture {};

TEST_F(DayOpeningTest, FirstOpeningOfANewDayPreparesEverything) {
    QFile::copy(folder.templateSprav() + "/Const.db", folder.sprav() + "/Const.db");
    dropConstant(folder.sprav(), QStringLiteral("SendPrefix"));

    openDay();
    EXPECT_TRUE(dialogs.boxes.empty()) << dialogs.boxTexts().join("|").toStdString();
    EXPECT_EQ(core.DayDir, folder.filePath("Data/2008/10/13"));
    EXPECT_TRUE(QFile::exists(core.DayDir + "/DayData.DBF"));
    EXPECT_TRUE(QFile::exists(core.DayDir + "/DayData.MDX"));
    EXPECT_TRUE(QFile::exists(core.DayDir + "/StartMoney.dbf"));
    EXPECT_EQ(core.texts.caption(), QStringLiteral("Данные за 13.10.2008"));
    EXPECT_EQ(core.texts.currentDay(), QStringLiteral("за 13.10.2008"));
    EXPECT_FALSE(core.PlantNameText.isEmpty());
    EXPECT_EQ(core.texts.plantName(), core.PlantNameText);

    // One opening-balance row per bank in use, and the income row.
    store::DataViews& v = core.views;
    QStringList usedBanks;
    for (v.TableBankNames.first(); !v.TableBankNames.eof(); v.TableBankNames.next())
        if (v.TableBankNames.fieldByName("Used").asBoolean()) usedBanks << v.TableBankNames.fieldByName("ListVal").asString();
    QStringList rows;
    for (v.TableStartMoney.first(); !v.TableStartMoney.eof(); v.TableStartMoney.next()) {
        rows << v.TableStartMoney.fieldByName("BANK_NAME").asString();
        EXPECT_TRUE(v.TableStartMoney.fieldByName("START_SUM").isNull());
        EXPECT_EQ(v.TableStartMoney.fieldByName("PAY_DATA").asDate(), day);
    }
    EXPECT_EQ(rows, usedBanks);
    ASSERT_EQ(v.TableIncomeSum.recordCount(), 1);
    EXPECT_EQ(v.TableIncomeSum.fieldByName("START_SUM").asString(), QStringLiteral("0"));
    EXPECT_EQ(v.TableIncomeSum.fieldByName("PAY_DATA").asDate(), day);
    EXPECT_EQ(core.pickLists.expenseGrid.banks, usedBanks);
    EXPECT_FALSE(core.KindCodeList.isEmpty());
    EXPECT_EQ(core.texts.dayOstatok(), QStringLiteral("  0,00"));

    // The send prefix row is created once, the version rewritten at every opening.
    EXPECT_EQ(countRows(v.TableConst, "ConstName", "SendPrefix"), 1);
    ASSERT_TRUE(v.TableConst.locate("ConstName", "SendPrefix"));
    EXPECT_EQ(v.TableConst.fieldByName("ConstVal").asString(), QStringLiteral("XX"));
    EXPECT_EQ(v.TableConst.fieldByName("ViewName").asString(), QStringLiteral("Префикс отправляемого файла"));
    ASSERT_TRUE(core.WriteConst("ProgVer", "0.99", "x"));
    openDay();
    EXPECT_EQ(countRows(v.TableConst, "ConstName", "SendPrefix"), 1);
    EXPECT_EQ(core.SendPrefixText, QStringLiteral("XX"));
    QString version;
    ASSERT_TRUE(core.ReadConst("ProgVer", version));
    EXPECT_EQ(version, QStringLiteral("1.36"));
    // An existing day is not new: its balance rows are not rebuilt.
    EXPECT_EQ(v.TableStartMoney.recordCount(), usedBanks.size());
}

TEST_F(DayOpeningTest, CancellingLeavesEveryTableClosed) {
    openDay();
    ASSERT_TRUE(core.views.TableDataSourceDayData.isOpen());
    core.currentDay.ActionDateSelectExecute();  // no date queued: the dialog is cancelled
    for (engine::Dataset* view : core.views.inOrder()) {
        if (view->isPlainTable()) {
            EXPECT_FALSE(view->isOpen()) << view->name().toStdString();
        }
    }
    EXPECT_EQ(core.texts.caption(), QStringLiteral("Выберите текущую дату"));
    EXPECT_EQ(core.CurrentDate, day);
}

TEST_F(DayOpeningTest, ReopeningADayPacksAwayDeletedRecords) {
    openDay();
    engine::Dataset& expenses = core.views.TableDataSourceDayData;
    addPayment(expenses, "Первый", 10, expenseCode());
    addPayment(expenses, "Второй", 20, expenseCode());
    addPayment(expenses, "Третий", 30, expenseCode());
    ASSERT_TRUE(expenses.locate("KOMU", "Второй"));
    expenses.remove();
    EXPECT_EQ(stored("NPP"), (QStringList{"1", "2"}));

    openDay(QDate(2008, 10, 14));
    openDay();
    EXPECT_TRUE(dialogs.boxes.empty()) << dialogs.boxTexts().join("|").toStdString();
    auto file = engine::DbfTable::open(core.DayDir + "/DayData.DBF", false);
    EXPECT_EQ(file->slotCount(), 2);
    const auto keys = engine::MdxIndex::walk(core.DayDir + "/DayData.MDX", "NPP");
    EXPECT_EQ(keys.size(), 2u);
    EXPECT_EQ(stored("KOMU"), (QStringList{"Первый", "Третий"}));
}

TEST_F(DayOpeningTest, AMissingDayIndexIsRebuiltAndTheDayPackedWithoutAWord) {
    openDay();
    engine::Dataset& expenses = core.views.TableDataSourceDayData;
    addPayment(expenses, "Первый", 10, expenseCode());
    addPayment(expenses, "Второй", 20, expenseCode());
    ASSERT_TRUE(expenses.locate("KOMU", "Первый"));
    expenses.remove();
    openDay(QDate(2008, 10, 14));
    ASSERT_TRUE(QFile::remove(folder.filePath("Data/2008/10/13/DayData.MDX")));

    openDay();
    EXPECT_TRUE(dialogs.boxes.empty()) << dialogs.boxTexts().join("|").toStdString();
    EXPECT_EQ(engine::DbfTable::open(core.DayDir + "/DayData.DBF", false)->slotCount(), 1);
    EXPECT_EQ(engine::MdxIndex::walk(core.DayDir + "/DayData.MDX", "NPP").size(), 1u);
    EXPECT_EQ(stored("KOMU"), (QStringList{"Второй"}));
}

TEST_F(DayOpeningTest, AnotherProgramHoldingTheDayTableOnlyStopsTheReindex) {
    openDay();
    addPayment(core.views.TableDataSourceDayData, "Первый", 10, expenseCode());
    openDay(QDate(2008, 10, 14));
    testing_support::HoldingChild holder([&] {
        return std::shared_ptr<void>(
            engine::DbfTable::open(folder.filePath("Data/2008/10/13/DayData.DBF"), false));
    });
    ASSERT_TRUE(holder.held());
    openDay();
    holder.release();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text,
              QStringLiteral("Не могу произвести переиндексацию.\n\rФайл DayData.DBF открыт другой программой."));
    EXPECT_EQ(dialogs.boxes[0].caption, QStringLiteral("Внимание"));
    EXPECT_EQ(dialogs.boxes[0].style, 48);
    EXPECT_TRUE(core.views.TableDataSourceDayData.isOpen());
    EXPECT_EQ(core.views.TableDataSourceDayData.recordCount(), 1);
}

TEST_F(DayOpeningTest, AMissingTemplateTableIsReported) {
    QFile::remove(folder.templateData() + "/StartMoney.dbf");
    // The opening goes on and ends at the first step that needs the closed table; the
    // program's error report shows that error.
    EXPECT_THROW(openDay(), base::EngineError);
    EXPECT_TRUE(dialogs.boxTexts().contains(QStringLiteral("Шаблон испорчен.")))
        << dialogs.boxTexts().join("|").toStdString();
    EXPECT_FALSE(core.views.TableStartMoney.isOpen());
}

TEST_F(DayOpeningTest, AStructureUpdateOnFirstOpeningKeepsEveryRecord) {
    using engine::FieldKind;
    const QString dir = folder.filePath("Data/2008/10/13");
    QDir().mkpath(dir);
    engine::DbfTable::create(dir + "/DayData.DBF",
                             {{"NPP", FieldKind::SmallInt, 4, 0}, {"KOMU", FieldKind::Text, 50, 0},
                              {"SUBJECT", FieldKind::Text, 160, 0}, {"PAY_SUM", FieldKind::Float, 15, 2},
                              {"BANK", FieldKind::Text, 50, 0}, {"PAY_DATA", FieldKind::Date, 8, 0},
                              {"PAY_KIND_N", FieldKind::Text, 20, 0}},
                             {{"NPP", "NPP"}});
    {
        auto old = engine::DbfTable::open(dir + "/DayData.DBF", false);
        for (int i = 1; i <= 4; ++i)
            old->appendRecord({i, QStringLiteral("Получатель %1").arg(i), QStringLiteral("За что"), i * 10.0,
                               QStringLiteral("Сбербанк"), QDate(2008, 10, 13), QStringLiteral("002.001.001.001.001")});
    }
    openDay();
    EXPECT_TRUE(dialogs.boxes.empty()) << dialogs.boxTexts().join("|").toStdString();
    EXPECT_EQ(stored("KOMU").size(), 4);
    EXPECT_TRUE(QFile::exists(dir + "/Update/DayData.DBF"));
    EXPECT_TRUE(core.views.TableDataSourceDayData.hasField("PAY_KIND_S"));
}

}  // namespace
