#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <stdexcept>

#include "RunningSumList.h"
#include "engine/DbfTable.h"
#include "EngineError.h"

using namespace engine;
using namespace base;
using gridmodel::RunningSumList;
using gridmodel::SumItem;

namespace {

const QString kExpenses = QStringLiteral("[PAY_KIND_N]<>'001*' AND [PAY_KIND_N]<>'100*'");
const QString kExpenseCode = QStringLiteral("215.001.000.000.000");
const QString kIncomeCode = QStringLiteral("001.001.000.000.000");

// A day table of four records (sums with four decimals, to reach the list's precision): expenses of
// 100.00, 70.00 and one without a sum, and an income of 500.00. The expense view shows 170.00, the
// whole table 670.00.
class RunningSumListTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    engine::Connections hooks;  // the tests' handlers

    void SetUp() override {
        const QString path = dir.filePath(QStringLiteral("DayData.DBF"));
        DbfTable::create(path,
                         {{"NPP", FieldKind::SmallInt, 4, 0},
                          {"KOMU", FieldKind::Text, 50, 0},
                          {"PAY_SUM", FieldKind::Float, 15, 4},
                          {"PAY_KIND_N", FieldKind::Text, 20, 0}},
                         {});
        auto table = DbfTable::open(path, false);
        table->appendRecord({1, QStringLiteral("Горгаз"), 100.0, kExpenseCode});
        table->appendRecord({2, QStringLiteral("Покупатель"), 500.0, kIncomeCode});
        table->appendRecord(
            {3, QStringLiteral("Поставщик"), 70.0, QStringLiteral("010.000.000.000.000")});
        table->appendRecord(
            {4, QStringLiteral("Банк"), QVariant(), QStringLiteral("215.002.000.000.000")});
    }

    std::unique_ptr<Dataset> view(const QString& filter = kExpenses) {
        auto d = std::make_unique<Dataset>(QStringLiteral("TableDayData"));
        d->setFolder(dir.path());
        d->setTableName(QStringLiteral("daydata.dbf"));  // names ignore case
        d->setFilter(filter);
        d->addField({"NPP", FieldKind::SmallInt});
        d->addField({"KOMU", FieldKind::Text, 50});
        d->addField({"PAY_SUM", FieldKind::Float});
        d->addField({"PAY_KIND_N", FieldKind::Text, 20});
        return d;
    }

    static int64_t total(const RunningSumList& list) {
        return list.SumCollection().front()->SumValue().count();
    }
    static void setSum(Dataset& v, QVariant value) { v.fieldByName("PAY_SUM").setValue(value); }
    // Appends and posts a record of the given sum and payment kind.
    static void appendPosted(Dataset& v, double sum, const QString& kind) {
        v.append();
        setSum(v, sum);
        v.fieldByName("PAY_KIND_N").setAsString(kind);
        v.post();
    }
    static bool seek(Dataset& v, int npp) { return v.locate("NPP", QString::number(npp)); }
};

// Counts a list's notifications and remembers the total each one saw.
struct Listener {
    int changed = 0, recalc = 0, afterRecalc = 0;
    std::vector<int64_t> seen;
    engine::Connections hooks;
    explicit Listener(RunningSumList& list) {
        auto see = [this](RunningSumList& l) {
            seen.push_back(l.SumCollection().front()->SumValue().count());
        };
        hooks += list.SumListChanged.add([this, see](RunningSumList& l) {
            ++changed;
            see(l);
        });
        hooks += list.OnRecalcAll.add([this, see](RunningSumList& l) {
            ++recalc;
            see(l);
        });
        hooks += list.OnAfterRecalcAll.add([this](RunningSumList&) { ++afterRecalc; });
    }
};

// The nine view events the list hooks, for checking that it leaves them as it found them.
std::vector<size_t> hookCounts(const Dataset& v) {
    return {v.afterEdit.size(),    v.afterInsert.size(), v.afterPost.size(),
            v.beforeDelete.size(), v.afterDelete.size(), v.afterScroll.size(),
            v.afterOpen.size(),    v.afterClose.size(),  v.afterCancel.size()};
}

// Recounts

TEST_F(RunningSumListTest, RecountSumsExactlyWhatTheViewShows) {
    auto v = view();
    v->open();
    RunningSumList list;
    list.add("PAY_SUM");
    list.setDataSet(v.get());
    EXPECT_EQ(total(list), 1700000);  // 100.00 + 70.00, the record without a sum counts 0

    v->last();
    list.RecalcAll();
    EXPECT_EQ(v->recNo(), 1) << "a recount leaves the view on its first record";

    // Ten records of 0.10 make exactly 1.0000, where adding the doubles would not.
    auto w = view(QStringLiteral("[KOMU]='X'"));
    w->open();
    for (int i = 0; i < 10; ++i) {
        w->append();
        w->fieldByName("KOMU").setAsString("X");
        setSum(*w, 0.1);
        w->post();
    }
    RunningSumList dimes;
    dimes.add("PAY_SUM");
    dimes.setDataSet(w.get());
    EXPECT_EQ(total(dimes), 10000);
}

TEST_F(RunningSumListTest, RecountNotifiesThreeTimesWithControlsSuspended) {
    auto v = view();
    v->open();
    RunningSumList list;
    list.add("PAY_SUM");
    list.setDataSet(v.get());
    Listener l(list);
    int dataChanges = 0;
    hooks += v->onDataChange.add([&](Dataset&, Field*) { ++dataChanges; });

    list.RecalcAll();
    // A handler bound to OnRecalcAll and SumListChanged sees 0, 0 and then the final value.
    EXPECT_EQ(l.seen, (std::vector<int64_t>{0, 0, 1700000}));
    EXPECT_EQ(l.afterRecalc, 1);
    EXPECT_FALSE(list.changing());
    EXPECT_FALSE(v->controlsDisabled());
    EXPECT_LE(dataChanges, 1) << "the scan's moves reach the controls as one change at most";

    // A listener that asks for a recount while one runs does not start another.
    hooks += list.OnRecalcAll.add([](RunningSumList& s) { s.RecalcAll(); });
    l.recalc = 0;
    list.RecalcAll();
    EXPECT_EQ(l.recalc, 1);
    EXPECT_EQ(l.seen.back(), 1700000);
}

TEST_F(RunningSumListTest, NothingToCountWithoutAnOpenAttachedView) {
    auto v = view();
    RunningSumList list;
    list.add("PAY_SUM");
    Listener l(list);
    list.RecalcAll();  // no view
    list.setDataSet(v.get());
    list.RecalcAll();  // view closed
    EXPECT_EQ(l.recalc, 0);
    EXPECT_EQ(total(list), 0);
    EXPECT_TRUE(list.attached());
}

// Incremental updates

TEST_F(RunningSumListTest, PostsAndDeletesUpdateTheTotalWithoutAScan) {
    auto v = view();
    v->open();
    RunningSumList list;
    list.add("PAY_SUM");
    list.setDataSet(v.get());
    Listener l(list);
    int scrolls = 0;
    hooks += v->afterScroll.add([&](Dataset&) { ++scrolls; });

    ASSERT_TRUE(seek(*v, 1));
    scrolls = 0;
    v->edit();
    setSum(*v, 150.0);
    v->post();
    EXPECT_EQ(total(list), 1700000 + 500000);  // exactly 50.00 more
    EXPECT_EQ(l.recalc, 0);
    EXPECT_EQ(scrolls, 0);
    EXPECT_EQ(l.changed, 1);

    appendPosted(*v, 25.5, kExpenseCode);
    EXPECT_EQ(total(list), 2200000 + 255000);

    v->append();  // no sum: counts as 0
    v->fieldByName("PAY_KIND_N").setAsString(kExpenseCode);
    v->post();
    EXPECT_EQ(total(list), 2455000);

    // Moving away from an edited record stores it, and the list sees that post too.
    ASSERT_TRUE(seek(*v, 3));
    v->edit();
    setSum(*v, 80.0);
    v->next();
    EXPECT_EQ(total(list), 2455000 + 100000);

    ASSERT_TRUE(seek(*v, 1));
    v->remove();
    EXPECT_EQ(total(list), 2555000 - 1500000);
    ASSERT_TRUE(seek(*v, 4));
    v->remove();  // a record without a sum
    EXPECT_EQ(total(list), 1055000);
    EXPECT_EQ(l.recalc, 0);

    list.RecalcAll();
    EXPECT_EQ(total(list), 1055000) << "the running total agrees with a recount";

    // A recount stores a pending edit by moving to the first record, and counts it once.
    ASSERT_TRUE(seek(*v, 3));
    v->edit();
    setSum(*v, 90.0);
    list.RecalcAll();
    EXPECT_EQ(total(list), 1155000);
}

TEST_F(RunningSumListTest, CancelledEditsAndInsertsChangeNothing) {
    auto v = view();
    v->open();
    RunningSumList list;
    list.add("PAY_SUM");
    list.setDataSet(v.get());
    Listener l(list);

    ASSERT_TRUE(seek(*v, 1));
    v->edit();
    setSum(*v, 999.0);
    v->cancel();
    v->append();
    setSum(*v, 5.0);
    v->cancel();
    v->append();
    setSum(*v, 5.0);
    v->remove();  // removing an unposted insert cancels it
    EXPECT_EQ(total(list), 1700000);
    EXPECT_EQ(l.changed, 0);

    // A later post is measured from its own edit, not from a cancelled one.
    ASSERT_TRUE(seek(*v, 3));
    v->edit();
    setSum(*v, 71.0);
    v->post();
    EXPECT_EQ(total(list), 1710000);
}

TEST_F(RunningSumListTest, RecordsLeavingOrMissingTheViewAreNotCounted) {
    auto v = view();
    auto other = view(QString());
    v->open();
    other->open();
    RunningSumList list;
    list.add("PAY_SUM");
    list.setDataSet(v.get());

    // An edit that turns the expense into an income takes it out of the view; the view
    // then stands on another record, whose value must not be taken for the posted one.
    ASSERT_TRUE(seek(*v, 1));
    v->edit();
    setSum(*v, 120.0);
    v->fieldByName("PAY_KIND_N").setAsString(kIncomeCode);
    v->post();
    EXPECT_EQ(total(list), 700000);

    // An income inserted through the expense view is stored but not shown.
    appendPosted(*v, 40.0, kIncomeCode);
    EXPECT_EQ(total(list), 700000);

    // Posts through another view of the table are not seen, even when this view's next post
    // re-reads the table and so lands on other records.
    ASSERT_TRUE(seek(*other, 3));
    other->edit();
    setSum(*other, 1.0);
    other->post();
    appendPosted(*other, 9.0, kExpenseCode);
    appendPosted(*v, 40.0, kIncomeCode);
    EXPECT_EQ(total(list), 700000);
    ASSERT_TRUE(seek(*other, 4));
    other->edit();
    setSum(*other, 2.0);
    other->post();
    appendPosted(*v, 3.0, kExpenseCode);
    EXPECT_EQ(total(list), 730000);

    list.RecalcAll();
    EXPECT_EQ(total(list), 150000);  // 1.00 + 2.00 + 9.00 + 3.00
}

TEST_F(RunningSumListTest, DeleteCountsOnlyWhenTheRecordIsGone) {
    auto v = view();
    v->open();
    RunningSumList list;
    list.add("PAY_SUM");
    list.setDataSet(v.get());
    Listener l(list);

    // A record deleted in the middle of an edit goes with the value it was counted with.
    ASSERT_TRUE(seek(*v, 1));
    v->edit();
    setSum(*v, 999.0);
    v->remove();
    EXPECT_EQ(total(list), 700000);
    EXPECT_EQ(l.changed, 1);

    // A delete refused by a handler installed after the list leaves the total alone.
    hooks += v->beforeDelete.add([](Dataset&) { throw EngineError(QStringLiteral("refused")); });
    ASSERT_TRUE(seek(*v, 3));
    EXPECT_THROW(v->remove(), EngineError);
    EXPECT_EQ(v->recordCount(), 2);
    EXPECT_EQ(total(list), 700000);
    EXPECT_EQ(l.changed, 1);
}

// Open, close and filter

TEST_F(RunningSumListTest, CloseClearsAndOpenRecounts) {
    auto v = view();
    v->open();
    RunningSumList list;
    list.add("PAY_SUM");
    list.setDataSet(v.get());
    Listener l(list);

    v->close();
    EXPECT_EQ(total(list), 0);
    EXPECT_EQ(l.changed, 2);
    EXPECT_FALSE(list.changing());
    v->open();
    EXPECT_EQ(l.recalc, 1);
    EXPECT_EQ(total(list), 1700000);
}

TEST_F(RunningSumListTest, FilterChangesRecountAtTheNextMove) {
    auto v = view();
    v->open();
    RunningSumList list;
    list.add("PAY_SUM");
    list.setDataSet(v.get());
    Listener l(list);

    v->next();
    v->first();
    EXPECT_EQ(l.recalc, 0) << "ordinary scrolling does not recount";

    v->setFiltered(false);
    EXPECT_EQ(l.recalc, 1);
    EXPECT_EQ(total(list), 6700000);  // every record of the table
    v->setFiltered(true);
    EXPECT_EQ(l.recalc, 2);
    EXPECT_EQ(total(list), 1700000);

    v->setFilter(QStringLiteral("[NPP]='3'"));
    EXPECT_EQ(l.recalc, 3);
    EXPECT_EQ(total(list), 700000);
    v->next();
    EXPECT_EQ(l.recalc, 3);
}

// Attaching and detaching

TEST_F(RunningSumListTest, EarlierHandlersRunAroundTheListInTheirOrder) {
    auto v = view();
    RunningSumList list;
    std::vector<std::string> log;
    auto note = [&log](const char* what) {
        return [&log, what](Dataset&) { log.push_back(what); };
    };
    // An earlier after-insert handler that stores the new record at once with a default sum:
    // the list already knows of the insert and counts it.
    hooks += v->afterInsert.add([&log](Dataset& d) {
        log.push_back("insert");
        setSum(d, 7.0);
        d.fieldByName("PAY_KIND_N").setAsString(kExpenseCode);
        d.post();
    });
    hooks += v->afterPost.add(note("post"));
    hooks += v->beforeDelete.add(note("before delete"));
    hooks += v->afterDelete.add(note("delete"));
    // The scan's own moves are left out of the log.
    hooks += v->afterScroll.add([&](Dataset&) {
        if (!list.changing()) log.push_back("scroll");
    });
    hooks += v->afterOpen.add(note("open"));
    hooks += v->afterClose.add(note("close"));
    hooks += v->afterCancel.add(note("cancel"));
    // An earlier after-edit handler that clears the sum: the list has read the value
    // before it, so the edit is still measured from 100.00.
    hooks += v->afterEdit.add([&log](Dataset& d) {
        log.push_back("edit");
        setSum(d, QVariant());
    });

    list.add("PAY_SUM");
    list.setDataSet(v.get());
    hooks += list.SumListChanged.add([&log](RunningSumList&) { log.push_back("sums"); });
    hooks += list.OnRecalcAll.add([&log](RunningSumList&) { log.push_back("recount"); });

    v->open();
    EXPECT_EQ(log, (std::vector<std::string>{"sums", "recount", "sums", "open", "scroll"}));
    log.clear();
    v->edit();
    setSum(*v, 150.0);
    v->post();
    EXPECT_EQ(total(list), 2200000);
    v->append();
    EXPECT_EQ(total(list), 2270000);
    v->edit();
    v->cancel();
    v->remove();  // the new record
    EXPECT_EQ(total(list), 2200000);
    v->setFiltered(false);
    v->close();
    EXPECT_EQ(log, (std::vector<std::string>{
                       "edit", "sums", "post",                       // the list's work first
                       "insert", "sums", "post",                     // the list's work first
                       "edit", "cancel",                             //
                       "before delete", "sums", "delete", "scroll",  // taken once deleted
                       "scroll", "sums", "recount", "sums",          // earlier scroll handler first
                       "sums", "sums", "close"}));                   // the list's work first
}

TEST_F(RunningSumListTest, DetachingPutsTheViewBackAsItWas) {
    auto v = view();
    hooks += v->afterScroll.add([](Dataset&) {});
    const auto before = hookCounts(*v);
    v->open();
    {
        RunningSumList list;
        list.add("PAY_SUM");
        list.setDataSet(v.get());
        Listener l(list);
        EXPECT_TRUE(list.attached());
        for (size_t i = 0; i < before.size(); ++i) EXPECT_EQ(hookCounts(*v)[i], before[i] + 1);

        list.setActive(false);
        EXPECT_EQ(hookCounts(*v), before);
        EXPECT_EQ(total(list), 0);
        ASSERT_EQ(l.changed, 1);
        EXPECT_EQ(l.seen.back(), 0);
        v->edit();
        setSum(*v, 1.0);
        v->post();
        EXPECT_EQ(total(list), 0);
        list.RecalcAll();
        EXPECT_EQ(total(list), 0);

        list.setActive(true);
        EXPECT_EQ(total(list), 710000);
        EXPECT_EQ(l.recalc, 1);
    }
    EXPECT_EQ(hookCounts(*v), before) << "the destructor detaches";
}

TEST_F(RunningSumListTest, AnotherViewTakesTheHooksAlong) {
    auto expenses = view();
    auto all = view(QString());
    expenses->open();
    all->open();
    const auto bare = hookCounts(*expenses);
    RunningSumList list;
    list.add("PAY_SUM");
    list.setDataSet(expenses.get());
    list.setDataSet(all.get());
    EXPECT_EQ(hookCounts(*expenses), bare);
    EXPECT_EQ(list.DataSet(), all.get());
    EXPECT_EQ(total(list), 6700000);
    list.setDataSet(nullptr);
    EXPECT_EQ(total(list), 0);
    EXPECT_EQ(hookCounts(*all), bare);
}

TEST_F(RunningSumListTest, AListWaitingForItsOwnerAttachesAtLoaded) {
    auto v = view();
    v->open();
    RunningSumList list(RunningSumList::Attaching::WhenLoaded);
    list.add("PAY_SUM");
    list.setDataSet(v.get());
    EXPECT_FALSE(list.attached());
    // The owner installs its handler now; it still counts as one found by the list.
    std::vector<std::string> log;
    hooks += v->afterScroll.add([&](Dataset&) {
        if (!list.changing()) log.push_back("owner");
    });
    hooks += list.OnRecalcAll.add([&log](RunningSumList&) { log.push_back("recount"); });
    list.Loaded();
    EXPECT_TRUE(list.attached());
    EXPECT_EQ(total(list), 1700000);
    log.clear();
    v->setFiltered(false);
    EXPECT_EQ(log, (std::vector<std::string>{"owner", "recount"}));

    RunningSumList inactive(RunningSumList::Attaching::WhenLoaded);
    inactive.setActive(false);
    inactive.setDataSet(v.get());
    inactive.Loaded();
    EXPECT_FALSE(inactive.attached());
}

TEST_F(RunningSumListTest, ViewAndListMayGoInEitherOrder) {
    auto v = view();
    v->open();
    auto list = std::make_unique<RunningSumList>();
    list->add("PAY_SUM");
    list->setDataSet(v.get());
    v.reset();
    EXPECT_EQ(list->DataSet(), nullptr);
    EXPECT_FALSE(list->attached());
    list->RecalcAll();
    EXPECT_EQ(total(*list), 0);
    list.reset();

    // A list destroyed by an earlier handler of the event that is running.
    v = view();
    v->open();
    list = std::make_unique<RunningSumList>();
    list->add("PAY_SUM");
    bool armed = false;
    hooks += v->afterScroll.addFront([&](Dataset&) {
        if (armed) list.reset();
    });
    list->setDataSet(v.get());
    armed = true;
    EXPECT_NO_THROW(v->setFiltered(false));
    EXPECT_EQ(list, nullptr);
}

// Failures

TEST_F(RunningSumListTest, AFailedRecountStillEndsCleanly) {
    auto v = view();
    v->open();
    RunningSumList list;
    list.add("PAY_SUM");
    list.setDataSet(v.get());
    Listener l(list);
    bool changingAtLastNotice = true;
    hooks += list.SumListChanged.add([&](RunningSumList& s) { changingAtLastNotice = s.changing(); });

    // The records are read without moving the view: no handler of the view runs per record.
    int scrolls = 0;
    Connection counting = v->afterScroll.add([&](Dataset&) { ++scrolls; });
    list.RecalcAll();
    EXPECT_EQ(scrolls, 1) << "only the move to the first record at the end";
    counting.disconnect();

    // A pending edit whose post fails: nothing is counted.
    ASSERT_TRUE(seek(*v, 3));
    v->edit();
    setSum(*v, 90.0);
    Connection refusing =
        v->beforePost.add([](Dataset&) { throw EngineError(QStringLiteral("refused")); });
    EXPECT_THROW(list.RecalcAll(), EngineError);
    EXPECT_FALSE(list.changing());
    EXPECT_FALSE(changingAtLastNotice);
    EXPECT_EQ(l.seen.back(), 0) << "what was counted before the error";
    refusing.disconnect();
    v->cancel();

    // The move to the first record at the end fails: the records were counted.
    Connection failing =
        v->afterScroll.addFront([](Dataset&) { throw EngineError(QStringLiteral("damaged")); });
    EXPECT_THROW(list.RecalcAll(), EngineError);
    EXPECT_FALSE(list.changing());
    EXPECT_FALSE(changingAtLastNotice);
    EXPECT_EQ(l.seen.back(), 1700000);
    failing.disconnect();

    // A failing OnRecalcAll handler.
    v = view();
    v->open();
    list.setDataSet(v.get());
    hooks += list.OnRecalcAll.add([](RunningSumList&) { throw std::runtime_error("listener"); });
    EXPECT_THROW(list.RecalcAll(), std::runtime_error);
    EXPECT_FALSE(list.changing());
    EXPECT_FALSE(changingAtLastNotice);
}

TEST_F(RunningSumListTest, AnItemWithAnUnknownFieldFailsTheRecount) {
    auto v = view();
    v->open();
    RunningSumList list;
    list.add("NO_SUCH_FIELD");
    EXPECT_THROW(list.setDataSet(v.get()), EngineError);
    EXPECT_FALSE(list.changing());
}

// Other operations and lookup

TEST_F(RunningSumListTest, AveragesAndCountsFollowTheRecords) {
    auto v = view();
    v->open();
    RunningSumList list;
    SumItem& avg = list.add("PAY_SUM", gridmodel::goAvg);
    SumItem& valued = list.add("PAY_SUM", gridmodel::goCount);
    SumItem& records = list.add(QString(), gridmodel::goCount);
    list.setDataSet(v.get());
    EXPECT_EQ(avg.SumValue().count(), 850000);  // (100 + 70) / 2: the empty one is left out
    EXPECT_EQ(valued.SumValue().count(), 20000);
    EXPECT_EQ(records.SumValue().count(), 30000);

    appendPosted(*v, 30.0, kExpenseCode);
    EXPECT_EQ(avg.SumValue().count(), 666667);  // 200 / 3 rounded to four decimals
    EXPECT_EQ(records.SumValue().count(), 40000);

    ASSERT_TRUE(seek(*v, 4));
    v->edit();
    setSum(*v, 0.0001);
    v->post();
    EXPECT_EQ(valued.SumValue().count(), 40000);
    ASSERT_TRUE(seek(*v, 1));
    v->remove();
    EXPECT_EQ(records.SumValue().count(), 30000);
    EXPECT_EQ(avg.SumValue().count(), 333334);  // 100.0001 / 3 = 33.33336...

    // Halves of the last place round to even, below zero too.
    auto w = view(QStringLiteral("[KOMU]='A*'"));
    w->open();
    auto averageOf = [&](const QString& tag, std::vector<double> values) {
        for (double value : values) {
            w->append();
            w->fieldByName("KOMU").setAsString(tag);
            setSum(*w, value);
            w->post();
        }
        w->setFilter(QStringLiteral("[KOMU]='%1'").arg(tag));
        RunningSumList one;
        one.add("PAY_SUM", gridmodel::goAvg);
        one.setDataSet(w.get());
        return one.SumCollection().front()->SumValue().count();
    };
    EXPECT_EQ(averageOf("A1", {0.0001, 0.0002}), 2);
    EXPECT_EQ(averageOf("A2", {0.0001, 0.0004}), 2);
    EXPECT_EQ(averageOf("A3", {-0.0001, -0.0002}), -2);
    EXPECT_EQ(averageOf("A4", {-0.0001, -0.0004}), -2);
    EXPECT_EQ(averageOf("A5", {0.0001, 0.0001, 0.0002}), 1);
}

TEST_F(RunningSumListTest, AnExternalRecountTakesTheHandlersValues) {
    auto v = view();
    v->open();
    RunningSumList list;
    list.ExternalRecalc = true;
    SumItem& sum = list.add("PAY_SUM");
    SumItem& avg = list.add("PAY_SUM", gridmodel::goAvg);
    hooks += list.OnRecalcAll.add([&](RunningSumList&) {
        sum.setSumValue(gridmodel::TenThousandths::fromCount(12345678));
        avg.setSumValue(gridmodel::TenThousandths::fromCount(5));
    });
    Listener l(list);
    int scrolls = 0;
    hooks += v->afterScroll.add([&](Dataset&) { ++scrolls; });
    v->last();
    scrolls = 0;
    list.setDataSet(v.get());
    EXPECT_EQ(scrolls, 0) << "no scan";
    EXPECT_EQ(l.afterRecalc, 0);
    EXPECT_EQ(sum.SumValue().count(), 12345678);

    ASSERT_TRUE(seek(*v, 1));
    v->edit();
    setSum(*v, 101.0);
    v->post();
    EXPECT_EQ(sum.SumValue().count(), 12355678);  // the sum follows from the given value
    EXPECT_EQ(avg.SumValue().count(), 5);         // the average keeps it until a recount
}

TEST_F(RunningSumListTest, FindsItemsByOperationAndFieldIgnoringCase) {
    RunningSumList list;
    SumItem& sum = list.add("PAY_SUM");
    SumItem& avg = list.add("PAY_SUM", gridmodel::goAvg);
    EXPECT_EQ(list.find(gridmodel::goSum, "pay_sum"), &sum);
    EXPECT_EQ(list.find(gridmodel::goAvg, "Pay_Sum"), &avg);
    EXPECT_EQ(list.find(gridmodel::goCount, "PAY_SUM"), nullptr);
    EXPECT_EQ(list.find(gridmodel::goSum, "START_SUM"), nullptr);
    EXPECT_TRUE(list.Active());
    EXPECT_FALSE(list.ExternalRecalc);
    EXPECT_FALSE(list.VirtualRecords);
}

}  // namespace
