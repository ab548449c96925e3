#include <gtest/gtest.h>
#include <unistd.h>

#include <QDate>

#include "ChildProcess.h"
#include "EngineError.h"
#include "EngineTestUtil.h"
#include "engine/Dataset.h"

using namespace engine;
using namespace base;
using namespace enginetest;

namespace {

const QString kExpenseFilter = QStringLiteral("[PAY_KIND_N]<>'001*' AND [PAY_KIND_N]<>'100*'");
const QString kIncomeFilter = QStringLiteral("[PAY_KIND_N]='001.*' OR [PAY_KIND_N]='100.*'");

class DatasetTest : public ::testing::Test {
protected:
    QTemporaryDir dir;

    void SetUp() override {
        DbfTable::create(dir.filePath("DayData.DBF"), dayDataFields(), {{"NPP", "NPP"}});
        auto t = DbfTable::open(dir.filePath("DayData.DBF"), false);
        add(*t, 3, "Горгаз", 100, "215.001.000.000.000");
        add(*t, 1, "Покупатель", 500, "001.002.000.000.000");
        add(*t, 2, "Банк", 50.25, "100.001.000.000.000");
        add(*t, 4, "Поставщик металла", 70, "010.000.000.000.000");
    }
    static void add(TableFile& t, int npp, const char* komu, double sum, const char* code) {
        t.appendRecord({npp, QString::fromUtf8(komu), QVariant(), sum, QStringLiteral("Сбербанк"),
                        QDate(2008, 10, 13), QString::fromLatin1(code), QVariant()});
    }
    // A view as the day register declares it.
    std::unique_ptr<Dataset> view(const QString& filter = {}, const QString& index = {}) {
        auto d = std::make_unique<Dataset>(QStringLiteral("TableDataSourceDayData"));
        d->setFolder(dir.path());
        d->setTableName(QStringLiteral("daydata.dbf"));  // names ignore case
        d->setFilter(filter);
        d->setIndexName(index);
        d->addField({"NPP", FieldKind::SmallInt});
        d->addField({"KOMU", FieldKind::Text, 50});
        d->addField({"SUBJECT", FieldKind::Text, 160});
        d->addField({"PAY_SUM", FieldKind::Float, 0, false, QStringLiteral("# ### ##0.00")});
        d->addField({"BANK", FieldKind::Text, 50});
        d->addField({"PAY_DATA", FieldKind::Date});
        d->addField({"PAY_KIND_N", FieldKind::Text, 20, false, {}, {}, QStringLiteral("!999/999/999/999/999 ;1;_")});
        d->addField({"PAY_KIND_S", FieldKind::Text, 254});
        return d;
    }
    static QStringList column(Dataset& d, const char* field) {
        QStringList values;
        for (d.first(); !d.eof(); d.next()) values << d.fieldByName(QString::fromLatin1(field)).asString();
        return values;
    }
};

TEST_F(DatasetTest, FiltersSplitExpensesFromIncomes) {
    auto expenses = view(kExpenseFilter);
    auto incomes = view(kIncomeFilter);
    expenses->open();
    incomes->open();
    EXPECT_EQ(column(*expenses, "PAY_KIND_N"),
              (QStringList{QStringLiteral("215.001.000.000.000"), QStringLiteral("010.000.000.000.000")}));
    EXPECT_EQ(column(*incomes, "PAY_KIND_N"),
              (QStringList{QStringLiteral("001.002.000.000.000"), QStringLiteral("100.001.000.000.000")}));
    EXPECT_EQ(expenses->recordCount(), 2);
    // A record posted through a view and failing its filter is stored and leaves the view.
    expenses->first();
    expenses->edit();
    expenses->fieldByName("PAY_KIND_N").setAsString(QStringLiteral("001.001.000.000.000"));
    expenses->post();
    EXPECT_EQ(expenses->recordCount(), 1);
    EXPECT_EQ(incomes->recordCount(), 2);  // not yet refreshed
    incomes->refresh();
    EXPECT_EQ(incomes->recordCount(), 3);
    // Filters may change while open.
    expenses->setFilter(QString());
    EXPECT_EQ(expenses->recordCount(), 4);
}

TEST_F(DatasetTest, IndexOrderAndTwoViewsWithTheirOwnPositions) {
    auto byNumber = view({}, QStringLiteral("NPP"));
    auto natural = view();
    byNumber->open();
    natural->open();
    EXPECT_EQ(column(*byNumber, "NPP"), (QStringList{"1", "2", "3", "4"}));
    EXPECT_EQ(column(*natural, "NPP"), (QStringList{"3", "1", "2", "4"}));
    byNumber->first();
    natural->last();
    EXPECT_EQ(byNumber->fieldByName("NPP").asInteger(), 1);
    EXPECT_EQ(natural->fieldByName("NPP").asInteger(), 4);
    // A change through one view shows in the other at first() and refresh().
    natural->append();
    natural->fieldByName("NPP").setAsInteger(0);
    natural->fieldByName("KOMU").setAsString(QStringLiteral("Новый"));
    natural->fieldByName("PAY_KIND_N").setAsString(QStringLiteral("215.001.000.000.000"));
    natural->post();
    EXPECT_EQ(natural->fieldByName("KOMU").asString(), QStringLiteral("Новый"));
    EXPECT_EQ(byNumber->recordCount(), 4);
    byNumber->first();
    EXPECT_EQ(byNumber->recordCount(), 5);
    EXPECT_EQ(byNumber->fieldByName("KOMU").asString(), QStringLiteral("Новый"));

    auto missing = view({}, QStringLiteral("KOMU"));
    EXPECT_THROW(missing->open(), EngineError);
    EXPECT_FALSE(missing->isOpen());
}

TEST_F(DatasetTest, OpenFailsForAMissingOrDifferentFieldButNotForAnotherTextWidth) {
    {
        auto d = view();
        d->addField({"EXTRA", FieldKind::Text, 10});
        EXPECT_THROW(d->open(), EngineError);
        EXPECT_FALSE(d->isOpen());
    }
    {
        Dataset d;
        d.setFolder(dir.path());
        d.setTableName("DayData.DBF");
        d.addField({"NPP", FieldKind::Float});
        try {
            d.open();
            ADD_FAILURE() << "opened with NPP declared as float";
        } catch (const EngineError& e) {
            EXPECT_TRUE(e.message().contains("NPP"));
        }
    }
    {
        Dataset d;
        d.setFolder(dir.path());
        d.setTableName("DayData.DBF");
        d.addField({"KOMU", FieldKind::Text, 30});
        d.open();
        d.first();
        d.edit();
        d.fieldByName("KOMU").setAsString(QString(45, QChar(0x0416)));
        EXPECT_EQ(d.fieldByName("KOMU").asString().size(), 30);  // the view's width limits typing
        d.cancel();
    }
    Dataset missingFile;
    missingFile.setFolder(dir.path());
    missingFile.setTableName("StartMoney.dbf");
    EXPECT_THROW(missingFile.open(), EngineError);
}

TEST_F(DatasetTest, StatesModifiedFlagAndEventOrder) {
    auto d = view();
    QStringList log;
    engine::Connections hooks;
    hooks += d->afterOpen.add([&](Dataset&) { log << "afterOpen"; });
    hooks += d->afterScroll.add([&](Dataset&) { log << "afterScroll"; });
    hooks += d->afterEdit.add([&](Dataset&) { log << "afterEdit"; });
    hooks += d->beforePost.add([&](Dataset&) { log << "beforePost1"; });
    hooks += d->beforePost.add([&](Dataset&) { log << "beforePost2"; });
    hooks += d->afterPost.add([&](Dataset&) { log << "afterPost"; });
    hooks += d->afterCancel.add([&](Dataset&) { log << "afterCancel"; });
    hooks += d->afterDelete.add([&](Dataset&) { log << "afterDelete"; });
    hooks += d->afterInsert.add([&](Dataset&) { log << "afterInsert"; });
    d->open();
    EXPECT_EQ(d->state(), Dataset::State::Browse);
    EXPECT_THROW(d->fieldByName("KOMU").setAsString("x"), EngineError);  // not in edit mode
    d->edit();
    EXPECT_EQ(d->state(), Dataset::State::Edit);
    EXPECT_FALSE(d->modified());
    d->fieldByName("PAY_SUM").setAsString(QStringLiteral("1 300,5"));
    EXPECT_TRUE(d->modified());
    EXPECT_DOUBLE_EQ(d->fieldByName("PAY_SUM").asFloat(), 1300.5);
    d->post();
    EXPECT_FALSE(d->modified());
    d->edit();
    d->next();  // unmodified: cancelled, not posted
    d->edit();
    d->fieldByName("KOMU").setAsString(QStringLiteral("Изменён"));
    d->next();  // modified: posted on the way
    d->append();
    EXPECT_EQ(d->state(), Dataset::State::Insert);
    d->cancel();
    d->last();
    d->remove();
    EXPECT_EQ(log, (QStringList{"afterOpen", "afterScroll", "afterEdit", "beforePost1", "beforePost2", "afterPost",
                                "afterEdit", "afterCancel", "afterScroll", "afterEdit", "beforePost1",
                                "beforePost2", "afterPost", "afterScroll", "afterInsert", "afterCancel",
                                "afterScroll", "afterDelete", "afterScroll"}));
    EXPECT_EQ(d->recordCount(), 3);
    auto again = view();
    again->open();
    EXPECT_EQ(column(*again, "PAY_SUM").first(), QStringLiteral("1300.5"));
    EXPECT_EQ(column(*again, "KOMU")[1], QStringLiteral("Изменён"));
}

TEST_F(DatasetTest, ARefusedPostKeepsTheRecordAsTyped) {
    auto d = view(kExpenseFilter);
    int refusals = 0;
    const auto refusal = d->beforePost.add([&](Dataset& ds) {
        if (ds.fieldByName("PAY_SUM").isNull()) {
            ++refusals;
            throw SilentAbort();
        }
        ds.fieldByName("PAY_DATA").setAsDate(QDate(2008, 10, 13));
    });
    d->open();
    d->append();
    d->fieldByName("KOMU").setAsString(QStringLiteral("Без суммы"));
    EXPECT_THROW(d->post(), SilentAbort);
    EXPECT_EQ(d->state(), Dataset::State::Insert);
    EXPECT_EQ(d->fieldByName("KOMU").asString(), QStringLiteral("Без суммы"));
    EXPECT_THROW(d->next(), SilentAbort);  // leaving the row tries the post again
    EXPECT_EQ(refusals, 2);
    d->fieldByName("PAY_SUM").setAsFloat(10);
    d->fieldByName("PAY_KIND_N").setAsString(QStringLiteral("215.001.000.000.000"));
    d->post();
    EXPECT_EQ(d->state(), Dataset::State::Browse);
    EXPECT_EQ(d->recordCount(), 3);
    EXPECT_EQ(d->fieldByName("PAY_DATA").asDate(), QDate(2008, 10, 13));
}

TEST_F(DatasetTest, CalculatedFieldsLocateBookmarksAndControls) {
    auto d = view();
    d->addField({"LABEL", FieldKind::Text, 60, true});
    const auto label = d->onCalcFields.add([](Dataset& ds) {
        ds.fieldByName("LABEL").setAsString(ds.fieldByName("NPP").asString() + ": " + ds.fieldByName("KOMU").asString());
    });
    int changes = 0;
    const auto counting = d->onDataChange.add([&](Dataset&, Field*) { ++changes; });
    d->open();
    EXPECT_EQ(d->fieldByName("LABEL").asString(), QStringLiteral("3: Горгаз"));
    EXPECT_TRUE(d->locate("KOMU", QStringLiteral("Банк")));
    EXPECT_EQ(d->fieldByName("LABEL").asString(), QStringLiteral("2: Банк"));
    EXPECT_FALSE(d->locate("KOMU", QStringLiteral("банк")));  // case-sensitive, exact
    EXPECT_FALSE(d->locate("KOMU", QStringLiteral("Бан")));
    EXPECT_EQ(d->fieldByName("KOMU").asString(), QStringLiteral("Банк"));  // stays put
    const Dataset::Bookmark mark = d->bookmark();
    d->first();
    d->gotoBookmark(mark);
    EXPECT_EQ(d->fieldByName("NPP").asInteger(), 2);

    changes = 0;
    d->disableControls();
    for (d->first(); !d->eof(); d->next()) {
    }
    EXPECT_EQ(changes, 0);
    d->enableControls();
    EXPECT_EQ(changes, 1);

    d->first();
    d->remove();
    EXPECT_FALSE(d->bookmarkValid(Dataset::Bookmark{0}));
    EXPECT_THROW(d->gotoBookmark(Dataset::Bookmark{0}), EngineError);
}

TEST_F(DatasetTest, FieldAccessConvertsAndAssignsAcrossViews) {
    auto d = view();
    d->open();
    Field& sum = d->fieldByName("PAY_SUM");
    EXPECT_EQ(sum.asString(), QStringLiteral("100"));
    EXPECT_EQ(sum.asInteger(), 100);
    EXPECT_EQ(d->fieldByName("SUBJECT").asString(), QString());  // blank reads as empty text
    EXPECT_TRUE(d->fieldByName("SUBJECT").isNull());
    EXPECT_EQ(d->fieldByName("PAY_DATA").asString(), QStringLiteral("13.10.2008"));
    d->edit();
    EXPECT_THROW(d->fieldByName("NPP").setAsString(QStringLiteral("1.5")), EngineError);
    EXPECT_THROW(d->fieldByName("NPP").setAsInteger(40000), EngineError);
    EXPECT_THROW(d->fieldByName("PAY_SUM").setAsString(QStringLiteral("сто")), EngineError);
    EXPECT_THROW(d->fieldByName("PAY_DATA").setAsString(QStringLiteral("31.02.2008")), EngineError);
    d->fieldByName("PAY_DATA").setAsString(QStringLiteral("01.02.2009"));
    EXPECT_EQ(d->fieldByName("PAY_DATA").asDate(), QDate(2009, 2, 1));
    d->fieldByName("PAY_SUM").setAsString(QString());
    EXPECT_TRUE(d->fieldByName("PAY_SUM").isNull());
    d->cancel();

    Dataset other;
    other.setFolder(dir.path());
    other.setTableName("DayData.DBF");  // all fields of the file
    other.open();
    EXPECT_EQ(other.fieldNames().size(), 8);
    EXPECT_TRUE(other.hasField("pay_kind_s"));
    other.append();
    for (const auto& f : d->fields()) other.fieldByName(f->name()).assign(*f);
    other.post();
    EXPECT_EQ(other.fieldByName("KOMU").asString(), QStringLiteral("Горгаз"));
    EXPECT_EQ(other.fieldByName("PAY_DATA").asDate(), QDate(2008, 10, 13));
    other.append();
    EXPECT_THROW(other.fieldByName("NPP").assign(d->fieldByName("KOMU")), EngineError);
    other.cancel();
}

TEST_F(DatasetTest, ClosedViewsAndExclusiveUse) {
    auto d = view();
    try {
        d->first();
        ADD_FAILURE() << "moved on a closed view";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Невозможно выполнить операцию над закрытой таблицей"));
    }
    EXPECT_THROW(d->fieldByName("KOMU").asString(), EngineError);
    EXPECT_THROW(d->recordCount(), EngineError);

    d->open();
    Dataset exclusive;
    exclusive.setFolder(dir.path());
    exclusive.setTableName("DayData.DBF");
    exclusive.setIndexName("NPP");
    exclusive.setExclusive(true);
    EXPECT_THROW(exclusive.open(), EngineError);  // this process has it open already
    d->first();
    d->remove();
    d->close();
    exclusive.open();
    EXPECT_EQ(exclusive.tableFormat(), TableFile::Format::DBase);
    exclusive.pack();
    EXPECT_EQ(exclusive.recordCount(), 3);
    EXPECT_EQ(exclusive.fieldByName("NPP").asInteger(), 1);
    EXPECT_THROW(d->open(), EngineError);  // held exclusively
    exclusive.close();
    d->open();
    EXPECT_EQ(d->recordCount(), 3);
}

TEST_F(DatasetTest, AChangeByAnotherProcessShowsAtFirst) {
    auto d = view();
    d->open();
    ASSERT_EQ(
        testing_support::runInChild([&] {
            auto other = view();
            other->open();
            other->append();
            other->fieldByName("KOMU").setAsString(QStringLiteral("Из другой программы"));
            other->fieldByName("PAY_KIND_N").setAsString(QStringLiteral("215.001.000.000.000"));
            other->post();
            other->close();
            return 0;
        }),
        0);
    EXPECT_EQ(d->recordCount(), 4);
    d->first();
    EXPECT_EQ(d->recordCount(), 5);
    d->last();
    EXPECT_EQ(d->fieldByName("KOMU").asString(), QStringLiteral("Из другой программы"));
}

}  // namespace

namespace {

ErrorKind kindOfOpenError(Dataset& d) {
    try {
        d.open();
    } catch (const EngineError& e) {
        return e.kind();
    }
    return ErrorKind::General;
}

// Callers heal a table that does not fit its view but must leave alone one they cannot
// reach, so the engine tells the two apart.
TEST_F(DatasetTest, OpenErrorsSayWhatKindOfProblemItIs) {
    auto extra = view();
    extra->addField({"EXTRA", FieldKind::Text, 10});
    EXPECT_EQ(kindOfOpenError(*extra), ErrorKind::StructureMismatch);
    auto noTag = view({}, QStringLiteral("KOMU"));
    EXPECT_EQ(kindOfOpenError(*noTag), ErrorKind::StructureMismatch);
    auto badFilter = view(QStringLiteral("[NOFIELD]='1'"));
    EXPECT_EQ(kindOfOpenError(*badFilter), ErrorKind::StructureMismatch);

    Dataset missing;
    missing.setFolder(dir.path());
    missing.setTableName("Nothing.dbf");
    EXPECT_EQ(kindOfOpenError(missing), ErrorKind::NotFound);

    {
        auto holder = view();
        holder->setExclusive(true);
        holder->open();
        auto other = view();
        EXPECT_EQ(kindOfOpenError(*other), ErrorKind::Busy);
    }

    // A missing or damaged index of sound data is rebuilt from the data at the open.
    const QByteArray goodIndex = readFile(dir.filePath("DayData.MDX"));
    for (const QByteArray& index : {QByteArray(), QByteArray(700, 'x')}) {
        QFile::remove(dir.filePath("DayData.MDX"));
        if (!index.isEmpty()) writeFile(dir.filePath("DayData.MDX"), index);
        auto indexed = view({}, QStringLiteral("NPP"));
        indexed->open();
        indexed->close();
        EXPECT_EQ(readFile(dir.filePath("DayData.MDX")).size(), goodIndex.size());
    }
    // Without the index file and without a field that announces the tag, it cannot be.
    QByteArray table = readFile(dir.filePath("DayData.DBF"));
    table[32 + 31] = 0;
    writeFile(dir.filePath("DayData.DBF"), table);
    QFile::remove(dir.filePath("DayData.MDX"));
    auto indexed = view({}, QStringLiteral("NPP"));
    EXPECT_EQ(kindOfOpenError(*indexed), ErrorKind::MissingCompanion);
    auto plain = view();
    plain->open();  // a view without an index still opens the table
    plain->close();

    writeFile(dir.filePath("DayData.DBF"), QByteArray("\x03\x00", 2));
    auto damagedTable = view();
    EXPECT_EQ(kindOfOpenError(*damagedTable), ErrorKind::Damaged);
}

}  // namespace

namespace {

TEST_F(DatasetTest, SwitchingTheFilterOffShowsEveryRecordAndGoesToTheFirst) {
    auto d = view(kExpenseFilter);
    int scrolls = 0;
    const auto counting = d->afterScroll.add([&](Dataset&) { ++scrolls; });
    d->open();
    d->last();
    scrolls = 0;
    d->setFiltered(false);
    EXPECT_EQ(d->recordCount(), 4);
    EXPECT_EQ(d->recNo(), 1);
    EXPECT_EQ(scrolls, 1);
    EXPECT_EQ(d->filter(), kExpenseFilter);
    d->setFiltered(true);
    EXPECT_EQ(d->recordCount(), 2);
    d->close();
    d->setFiltered(false);
    d->open();
    EXPECT_EQ(d->recordCount(), 4);
}

}  // namespace
