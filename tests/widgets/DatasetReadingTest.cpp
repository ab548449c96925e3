#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "engine/Dataset.h"
#include "engine/DbfTable.h"
#include "EngineError.h"

// What the data-aware controls need of a view besides its cursor: reading any visible record
// without moving, knowing when what was read is stale, and a word before a record is posted
// or left so that they can hand over what they hold.

using engine::Dataset;
using engine::FieldKind;

namespace {

class DatasetReadingTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    Dataset a{QStringLiteral("A")};
    Dataset b{QStringLiteral("B")};
    engine::Connections hooks;

    void SetUp() override {
        const QString path = dir.filePath(QStringLiteral("t.dbf"));
        engine::DbfTable::create(
            path, {{"NAME", FieldKind::Text, 20, 0}, {"SUM", FieldKind::Float, 12, 2}}, {});
        auto table = engine::DbfTable::open(path, false);
        table->appendRecord({QStringLiteral("first"), 1.0});
        table->appendRecord({QStringLiteral("second"), 2.0});
        table->appendRecord({QStringLiteral("third"), 3.0});
        for (Dataset* d : {&a, &b}) {
            d->setFolder(dir.path());
            d->setTableName(QStringLiteral("t.dbf"));
            d->setFilter(QStringLiteral("NAME <> 'second'"));
            d->open();
        }
        b.setFiltered(false);
    }
};

TEST_F(DatasetReadingTest, RecordAtReadsVisibleRecordsWithoutMovingOrNotifying) {
    int events = 0;
    hooks += a.onDataChange.add([&](Dataset&, engine::Field*) { ++events; });
    hooks += a.afterScroll.add([&](Dataset&) { ++events; });
    ASSERT_EQ(a.recordCount(), 2);
    const engine::Record third = a.recordAt(2);
    ASSERT_EQ(third.size(), 2u);
    EXPECT_EQ(third[0].toString(), QStringLiteral("third"));
    EXPECT_DOUBLE_EQ(third[1].toDouble(), 3.0);
    EXPECT_EQ(a.recNo(), 1);
    EXPECT_EQ(events, 0);
    EXPECT_THROW(a.recordAt(3), base::EngineError);
    EXPECT_THROW(a.recordAt(0), base::EngineError);
    // Bookmarks of records not current, good for going there later.
    const Dataset::Bookmark mark = a.bookmarkAt(2);
    EXPECT_TRUE(a.bookmarkValid(mark));
    EXPECT_FALSE(a.bookmarkAt(3).isValid());
    a.gotoBookmark(mark);
    EXPECT_EQ(a.fieldByName(QStringLiteral("NAME")).asString(), QStringLiteral("third"));
}

TEST_F(DatasetReadingTest, TheChangeStampMovesWithAnyChangeOfTheTable) {
    const uint64_t before = a.changeStamp();
    a.next();
    EXPECT_EQ(a.changeStamp(), before);  // moving changes nothing that was read
    // A post through another view of the table.
    b.setRecNo(3);
    b.edit();
    b.fieldByName(QStringLiteral("SUM")).setAsFloat(30);
    b.post();
    const uint64_t afterOtherPost = a.changeStamp();
    EXPECT_NE(afterOtherPost, before);
    EXPECT_DOUBLE_EQ(a.recordAt(2)[1].toDouble(), 30.0);
    // A record of this view leaving it.
    a.setRecNo(1);
    a.edit();
    a.fieldByName(QStringLiteral("NAME")).setAsString(QStringLiteral("second"));
    a.post();
    EXPECT_NE(a.changeStamp(), afterOtherPost);
    EXPECT_EQ(a.recordCount(), 1);
}

TEST_F(DatasetReadingTest, UpdateRecordComesBeforeEveryPostAndLeaveOfAnEditedRecord) {
    std::vector<QString> order;
    hooks += a.onUpdateRecord.add([&](Dataset& d) {
        order.push_back(QStringLiteral("update"));
        d.fieldByName(QStringLiteral("NAME")).setAsString(QStringLiteral("handed over"));
    });
    hooks += a.beforePost.add([&](Dataset&) { order.push_back(QStringLiteral("beforePost")); });
    a.next();  // browsing: nothing to hand over
    EXPECT_TRUE(order.empty());
    a.edit();
    a.prior();  // leaving the record posts what the handler handed over
    ASSERT_GE(order.size(), 2u);
    EXPECT_EQ(order[0], QStringLiteral("update"));
    EXPECT_EQ(order[1], QStringLiteral("beforePost"));
    EXPECT_EQ(a.recordAt(2)[0].toString(), QStringLiteral("handed over"));
    order.clear();
    a.append();
    a.post();
    EXPECT_EQ(order.front(), QStringLiteral("update"));
    EXPECT_EQ(a.recordCount(), 3);
    // A handler may stop the post: the record stays as it is.
    hooks += a.onUpdateRecord.add([](Dataset&) { throw base::SilentAbort(); });
    a.edit();
    EXPECT_THROW(a.post(), base::SilentAbort);
    EXPECT_EQ(a.state(), Dataset::State::Edit);
}

}  // namespace
