#include <gtest/gtest.h>
#include <unistd.h>

#include <QDate>
#include <QDir>
#include <QFile>

#include "ChildProcess.h"
#include "DataViews.h"
#include "EngineError.h"
#include "FileIo.h"
#include "KillAtWrite.h"
#include "ProgramFolder.h"
#include "ScriptedDialogs.h"
#include "TableGroups.h"
#include "engine/DbfTable.h"

using namespace store;
using namespace base;

namespace {

using engine::FieldKind;

// A day table of an older version: KOMU 30 characters wide and, unless `complete`, no
// PAY_KIND_S; `rows` records whose suppliers fill the old width.
void writeOlderDay(const QString& day, int rows, bool complete) {
    std::vector<engine::FieldDef> fields = {
        {"NPP", FieldKind::SmallInt, 4, 0},    {"KOMU", FieldKind::Text, 30, 0},
        {"SUBJECT", FieldKind::Text, 160, 0},  {"PAY_SUM", FieldKind::Float, 15, 2},
        {"BANK", FieldKind::Text, 50, 0},      {"PAY_DATA", FieldKind::Date, 8, 0},
        {"PAY_KIND_N", FieldKind::Text, 20, 0}};
    if (complete) fields.push_back({"PAY_KIND_S", FieldKind::Text, 254, 0});
    engine::DbfTable::create(day + "/DayData.DBF", fields, {{"NPP", "NPP"}});
    auto table = engine::DbfTable::open(day + "/DayData.DBF", false);
    for (int i = 0; i < rows; ++i)
        table->appendRecord({i + 1,
                             QStringLiteral("Поставщик %1 ").arg(i).leftJustified(30, QChar(u'ж')),
                             QStringLiteral("Оплата"), i + 0.25, QStringLiteral("Банк"),
                             QDate(2008, 10, 13), QStringLiteral("215.001.000.000.000")});
}

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class TableGroupsTest : public ::testing::Test {
protected:
    testing_support::ProgramFolder folder;
    testing_support::ScriptedDialogs dialogs;
    DataViews views{folder.templateData(), folder.templateSprav(), folder.sprav()};
    TableGroups groups{views, dialogs};
    QString day = folder.filePath(QStringLiteral("Data/2008/10/13"));

    void SetUp() override {
        QDir().mkpath(day);
        QDir().mkpath(folder.sprav());
    }
    bool openDay(bool restore = true) {
        return groups.SwitchTableGroup(kDayGroupTag, day, true, restore, folder.templateData());
    }
    QStringList openDayViews() const {
        QStringList names;
        for (engine::Dataset* v : views.inOrder())
            if (v->tag() == kDayGroupTag && v->isOpen()) names << v->name();
        return names;
    }
};

TEST_F(TableGroupsTest, MissingTablesAreRestoredFromTheTemplateSilently) {
    ASSERT_TRUE(openDay());
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(openDayViews().size(), 7);
    EXPECT_TRUE(QFile::exists(day + "/DayData.DBF"));
    EXPECT_TRUE(QFile::exists(day + "/DayData.MDX"));
    EXPECT_TRUE(QFile::exists(day + "/StartMoney.dbf"));
    EXPECT_EQ(views.TableDataSourceDayData.folder(), day);
    ASSERT_TRUE(groups.SwitchTableGroup(kReferenceGroupTag, folder.sprav(), true, true,
                                        folder.templateSprav()))
        << dialogs.boxTexts().join(QStringLiteral(" | ")).toStdString();
    EXPECT_TRUE(views.TablePlantNames.isOpen());
    EXPECT_FALSE(views.TableKindList.isOpen());  // the query is never part of a group

    // Closing needs no folder at all.
    ASSERT_TRUE(groups.SwitchTableGroup(kDayGroupTag, QString(), false, false, QString()));
    EXPECT_TRUE(openDayViews().isEmpty());
    EXPECT_TRUE(views.TableConst.isOpen());
}

TEST_F(TableGroupsTest, AMissingTableWithoutRestoreOrTemplateStopsTheGroup) {
    EXPECT_FALSE(openDay(false));
    EXPECT_EQ(dialogs.boxTexts(),
              QStringList{QStringLiteral("Отсутствует файл: ") + day + "/DayData.DBF"});
    EXPECT_EQ(dialogs.boxes[0].caption, QStringLiteral("Ошибка"));
    EXPECT_EQ(dialogs.boxes[0].style, 16);
    EXPECT_TRUE(openDayViews().isEmpty());

    dialogs.boxes.clear();
    QFile::remove(folder.templateData() + "/StartMoney.dbf");
    EXPECT_FALSE(openDay());
    EXPECT_EQ(dialogs.boxTexts(), QStringList{QStringLiteral("Шаблон испорчен.")});
    EXPECT_EQ(openDayViews(), QStringList{QStringLiteral("TableDataSourceDayData")});
}

TEST_F(TableGroupsTest, AnOlderStructureIsRebuiltWithEveryOldRecordKept) {
    using engine::FieldKind;
    // A day table of an older version: no PAY_KIND_S, a shorter KOMU.
    engine::DbfTable::create(day + "/DayData.DBF",
                             {{"NPP", FieldKind::SmallInt, 4, 0}, {"KOMU", FieldKind::Text, 30, 0},
                              {"SUBJECT", FieldKind::Text, 160, 0}, {"PAY_SUM", FieldKind::Float, 15, 2},
                              {"BANK", FieldKind::Text, 50, 0}, {"PAY_DATA", FieldKind::Date, 8, 0},
                              {"PAY_KIND_N", FieldKind::Text, 20, 0}},
                             {{"NPP", "NPP"}});
    {
        auto old = engine::DbfTable::open(day + "/DayData.DBF", false);
        old->appendRecord({1, QStringLiteral("Горводоканал"), QStringLiteral("Вода"), 100.5, QStringLiteral("Сбербанк"),
                           QDate(2008, 10, 13), QStringLiteral("215.001.000.000.000")});
        old->appendRecord({2, QStringLiteral("Покупатель"), QVariant(), 7.25, QVariant(), QVariant(),
                           QStringLiteral("001.002.000.000.000")});
        old->appendRecord({3, QStringLiteral("Третий"), QStringLiteral("Газ"), 3, QStringLiteral("ВТБ"),
                           QDate(2008, 10, 13), QStringLiteral("999.999.999.999.999")});
    }
    const QByteArray oldBytes = bytesOf(day + "/DayData.DBF");
    // The day's own check would refuse these records; carried-over records skip it.
    int checked = 0;
    engine::Connections checks;
    for (engine::Dataset* v : {&views.TableDataSourceDayData, &views.TableDataSourceDayIncome, &views.TableDayData,
                               &views.TableDayIncome})
        checks += v->beforePost.add([&](engine::Dataset&) {
            if (groups.carryingOver()) return;
            ++checked;
            throw base::SilentAbort();
        });

    ASSERT_TRUE(openDay());
    EXPECT_TRUE(dialogs.boxes.empty()) << dialogs.boxTexts().join("|").toStdString();
    EXPECT_EQ(checked, 0);
    EXPECT_EQ(bytesOf(day + "/Update/DayData.DBF"), oldBytes);
    EXPECT_TRUE(QFile::exists(day + "/Update/DayData.MDX"));

    engine::Dataset all;
    all.setFolder(day);
    all.setTableName("DayData.DBF");
    all.open();
    ASSERT_EQ(all.recordCount(), 3);
    EXPECT_TRUE(all.hasField("PAY_KIND_S"));
    EXPECT_EQ(all.fieldByName("KOMU").asString(), QStringLiteral("Горводоканал"));
    EXPECT_DOUBLE_EQ(all.fieldByName("PAY_SUM").asFloat(), 100.5);
    all.next();
    EXPECT_TRUE(all.fieldByName("SUBJECT").isNull());  // empty old values stay at the default
    EXPECT_TRUE(all.fieldByName("PAY_DATA").isNull());
    all.next();
    EXPECT_EQ(all.fieldByName("PAY_KIND_N").asString(), QStringLiteral("999.999.999.999.999"));
    EXPECT_EQ(views.TableDataSourceDayData.recordCount(), 2);
    EXPECT_EQ(openDayViews().size(), 7);
}

// Narrower fields (text width, decimals) than the template's mean an older table that would cut
// what is typed: it is updated like one that lacks a field, and then takes the full width.
TEST_F(TableGroupsTest, NarrowerFieldsThanTheTemplateAreAnOlderStructure) {
    writeOlderDay(day, 2, true);
    engine::DbfTable::create(day + "/StartMoney.dbf",
                             {{"BANK_NAME", FieldKind::Text, 50, 0},
                              {"START_SUM", FieldKind::Float, 12, 0},
                              {"PAY_DATA", FieldKind::Date, 8, 0}},
                             {});
    ASSERT_TRUE(openDay()) << dialogs.boxTexts().join("|").toStdString();
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_TRUE(QFile::exists(day + "/Update/DayData.DBF"));
    EXPECT_TRUE(QFile::exists(day + "/Update/StartMoney.dbf"));
    for (const auto& [view, field, width, decimals] :
         {std::tuple{&views.TableDataSourceDayData, "KOMU", 50, 0},
          {&views.TableStartMoney, "START_SUM", 15, 2}})
        for (const engine::FieldDef& def : view->tableFields())
            if (def.name == QLatin1String(field)) {
                EXPECT_EQ(def.width, width) << field;
                EXPECT_EQ(def.decimals, decimals) << field;
            }
    engine::Dataset& expenses = views.TableDataSourceDayData;
    ASSERT_EQ(expenses.recordCount(), 2);
    expenses.first();
    EXPECT_EQ(expenses.fieldByName("KOMU").asString().size(), 30);
    const QString long47 = QString(47, QChar(u'Щ'));
    expenses.edit();
    expenses.fieldByName("KOMU").setAsString(long47);
    expenses.post();
    expenses.refresh();
    expenses.first();
    EXPECT_EQ(expenses.fieldByName("KOMU").asString(), long47);

    // Opened again, the updated tables fit and are left alone.
    dialogs.boxes.clear();
    ASSERT_TRUE(groups.SwitchTableGroup(kDayGroupTag, day, false, false, QString()));
    QFile::remove(day + "/Update/DayData.DBF");
    ASSERT_TRUE(openDay());
    EXPECT_FALSE(QFile::exists(day + "/Update/DayData.DBF"));
}

// A process killed at any write of a structure update leaves the old table or the whole new
// one, never a short one; the next opening finishes or undoes what it left, says so once, and
// ends with every record in the new structure.
TEST_F(TableGroupsTest, AKillAtAnyWriteOfTheUpdateLosesNoRecord) {
    const int rows = 40;
    const QString stash = folder.filePath(QStringLiteral("stash"));
    writeOlderDay(day, rows, false);
    QDir().rename(day, stash);
    long killAt = 1;
    for (;; ++killAt) {
        ASSERT_TRUE(QDir(day).removeRecursively() || !QDir(day).exists());
        QDir().mkpath(day);
        for (const QString& name : {QStringLiteral("DayData.DBF"), QStringLiteral("DayData.MDX")})
            ASSERT_TRUE(QFile::copy(stash + "/" + name, day + "/" + name));
        const int rc = testing_support::withFileSizeLimit(0, [&] {
            testing_support::killAtWrite(killAt);
            return openDay() ? 0 : 1;
        });
        if (rc == 0) break;
        ASSERT_EQ(rc, 128 + SIGKILL) << "killAt " << killAt;

        dialogs.boxes.clear();
        groups.recoverInterruptedUpdate(day);
        EXPECT_LE(dialogs.boxes.size(), 1u);
        {
            engine::Dataset left;
            left.setFolder(day);
            left.setTableName("DayData.DBF");
            left.open();
            EXPECT_EQ(left.recordCount(), rows) << "killAt " << killAt;
        }
        dialogs.boxes.clear();
        ASSERT_TRUE(openDay()) << "killAt " << killAt << ": "
                               << dialogs.boxTexts().join("|").toStdString();
        EXPECT_TRUE(dialogs.boxes.empty());
        ASSERT_EQ(views.TableDayData.recordCount() + views.TableDayIncome.recordCount(), rows);
        EXPECT_TRUE(views.TableDayData.hasField("PAY_KIND_S"));
        ASSERT_TRUE(groups.SwitchTableGroup(kDayGroupTag, day, false, false, QString()));
    }
    EXPECT_GT(killAt, 20);  // the update was killed at every one of its writes
}

// A full disk during the update leaves the old table, says why, and the update is made at the
// next opening once there is room.
TEST_F(TableGroupsTest, AFullDiskDuringTheUpdateLeavesTheOldTable) {
    writeOlderDay(day, 300, false);
    const QByteArray before = bytesOf(day + "/DayData.DBF");
    // Room for the old copy, not for the new table with its wider records.
    const int rc = testing_support::withFileSizeLimit(before.size() * 6 / 5, [&] {
        const bool opened = openDay();
        if (opened || dialogs.boxes.size() != 1) return 2;
        return dialogs.boxes[0].text.contains(QStringLiteral("файл слишком велик")) ? 0 : 3;
    });
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(bytesOf(day + "/DayData.DBF"), before);
    ASSERT_TRUE(openDay());
    EXPECT_EQ(views.TableDayData.recordCount() + views.TableDayIncome.recordCount(), 300);
}

TEST_F(TableGroupsTest, ADamagedTableGoesThroughTheUpdateKeepingItsOldCopy) {
    QFile f(day + "/StartMoney.dbf");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("\x03 this is not a table");
    f.close();
    EXPECT_FALSE(openDay());
    EXPECT_EQ(dialogs.boxTexts(),
              QStringList{QStringLiteral("Испорчен файл \"") + day + "/StartMoney.dbf\""});
    EXPECT_EQ(bytesOf(day + "/Update/StartMoney.dbf"), QByteArray("\x03 this is not a table"));
    EXPECT_TRUE(views.TableStartMoney.isOpen());  // on the fresh template copy
}

TEST_F(TableGroupsTest, ATableHeldByAnotherProgramIsReportedAndLeftAlone) {
    ASSERT_TRUE(openDay());
    ASSERT_TRUE(groups.SwitchTableGroup(kDayGroupTag, day, false, false, QString()));
    const QByteArray before = bytesOf(day + "/DayData.DBF");
    testing_support::HoldingChild holder(
        [&] { return std::shared_ptr<void>(engine::DbfTable::open(day + "/DayData.DBF", true)); });
    ASSERT_TRUE(holder.held());
    EXPECT_FALSE(openDay());
    holder.release();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_TRUE(dialogs.boxes[0].text.contains(QStringLiteral("DayData.DBF"))) << dialogs.boxes[0].text.toStdString();
    EXPECT_EQ(dialogs.boxes[0].caption, QStringLiteral("Ошибка"));
    EXPECT_EQ(bytesOf(day + "/DayData.DBF"), before);
    EXPECT_FALSE(QDir(day + "/Update").exists());
    EXPECT_TRUE(openDayViews().isEmpty());
}

TEST_F(TableGroupsTest, AMissingIndexFileIsRebuiltFromTheData) {
    ASSERT_TRUE(groups.SwitchTableGroup(kReferenceGroupTag, folder.sprav(), true, true, folder.templateSprav()));
    const int plants = views.TablePlantNames.recordCount();
    ASSERT_TRUE(groups.SwitchTableGroup(kReferenceGroupTag, folder.sprav(), false, false, QString()));
    ASSERT_TRUE(QFile::remove(folder.sprav() + "/PlantNames.MDX"));
    EXPECT_TRUE(groups.SwitchTableGroup(kReferenceGroupTag, folder.sprav(), true, true, folder.templateSprav()));
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_TRUE(QFile::exists(folder.sprav() + "/PlantNames.MDX"));
    EXPECT_FALSE(QDir(folder.sprav() + "/Update").exists());
    ASSERT_TRUE(views.TablePlantNames.isOpen());
    EXPECT_EQ(views.TablePlantNames.recordCount(), plants);
}

}  // namespace
