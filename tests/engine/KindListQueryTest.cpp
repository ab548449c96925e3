#include <gtest/gtest.h>

#include "EngineTestUtil.h"
#include "EngineError.h"
#include "engine/KindListQuery.h"

using namespace engine;
using namespace base;

namespace {

const QStringList kCatalogueSelect = {QStringLiteral("select "), QStringLiteral("Level1, Level2, Level3, Level4, Level5,"),
                                      QStringLiteral("Name1, Name2, Name3, Name4, Name5"),
                                      QStringLiteral("from KindList.DBF")};

class KindListQueryTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    void SetUp() override {
        std::vector<FieldDef> fields;
        for (int i = 1; i <= 5; ++i) fields.push_back({QStringLiteral("LEVEL%1").arg(i), FieldKind::SmallInt, 3, 0});
        for (int i = 1; i <= 5; ++i) fields.push_back({QStringLiteral("NAME%1").arg(i), FieldKind::Text, 50, 0});
        DbfTable::create(dir.filePath("KINDLIST.DBF"), fields, {});
        auto t = DbfTable::open(dir.filePath("KINDLIST.DBF"), false);
        t->appendRecord({2, 0, 0, 0, 0, QStringLiteral("Расходы на материалы")});
        t->appendRecord({1, 0, 0, 0, 0, QStringLiteral("Поступления")});
        t->appendRecord({2, 1, 0, 0, 0, QStringLiteral("Удалённая")});
        t->appendRecord({2, 2, 0, 0, 0, QStringLiteral("Металл")});
        t->deleteRecord(2);
    }
};

TEST_F(KindListQueryTest, TheCatalogueSelectReadsLiveRecordsInFileOrder) {
    KindListQuery q(QStringLiteral("TableKindList"));
    q.setFolder(dir.path());
    q.setSql(kCatalogueSelect);
    for (int i = 1; i <= 5; ++i) q.addField({QStringLiteral("Level%1").arg(i), FieldKind::SmallInt});
    for (int i = 1; i <= 5; ++i) q.addField({QStringLiteral("Name%1").arg(i), FieldKind::Text});
    q.addField({QStringLiteral("CodeLine"), FieldKind::Text, 20, true});
    const auto codeLine = q.onCalcFields.add([](Dataset& d) {
        d.fieldByName("CodeLine").setAsString(QStringLiteral("%1.%2").arg(d.fieldByName("Level1").asInteger(), 3, 10, QLatin1Char('0'))
                                                  .arg(d.fieldByName("Level2").asInteger(), 3, 10, QLatin1Char('0')));
    });
    q.open();
    EXPECT_FALSE(q.isPlainTable());
    ASSERT_EQ(q.recordCount(), 3);
    EXPECT_EQ(q.fieldByName("Name1").asString(), QStringLiteral("Расходы на материалы"));
    EXPECT_EQ(q.fieldByName("CodeLine").asString(), QStringLiteral("002.000"));
    q.next();
    EXPECT_EQ(q.fieldByName("Level1").asInteger(), 1);
    q.next();
    EXPECT_EQ(q.fieldByName("CodeLine").asString(), QStringLiteral("002.002"));
    EXPECT_THROW(q.edit(), EngineError);
    EXPECT_THROW(q.append(), EngineError);
    EXPECT_THROW(q.remove(), EngineError);
}

TEST_F(KindListQueryTest, ASelectWithoutDeclaredFieldsShowsTheSelectedOnes) {
    KindListQuery q;
    q.setFolder(dir.path());
    q.setSql({QStringLiteral("SELECT Name1, Level1 FROM kindlist.dbf")});
    q.open();
    EXPECT_EQ(q.fieldNames(), (QStringList{QStringLiteral("LEVEL1"), QStringLiteral("NAME1")}));
}

TEST_F(KindListQueryTest, OtherShapesOfSelectAreRefused) {
    for (const char* bad : {"select * from KindList.DBF", "select Level1 from KindList.DBF where Level1 = 1",
                            "select Level1 from KindList.DBF, Other.DBF", "select from KindList.DBF",
                            "update KindList.DBF set Level1 = 1", "select Level1, from KindList.DBF",
                            "select Level1 from ../KindList.DBF", "select Level1 from Const.db",
                            "select Level1 Level2 from KindList.DBF"}) {
        EXPECT_THROW(KindListQuery::parseSelect(QString::fromLatin1(bad)), EngineError) << bad;
    }
    KindListQuery q;
    q.setFolder(dir.path());
    q.setSql({QStringLiteral("select Level1, Missing from KindList.DBF")});
    EXPECT_THROW(q.open(), EngineError);
    EXPECT_FALSE(q.isOpen());
}

}  // namespace
