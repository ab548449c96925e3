#include <gtest/gtest.h>

#include <QDir>

#include "ConstStore.h"
#include "DataViews.h"
#include "ProgramFolder.h"
#include "ScriptedDialogs.h"
#include "TableGroups.h"

using namespace store;
using namespace base;

namespace {

class ConstStoreTest : public ::testing::Test {
protected:
    testing_support::ProgramFolder folder;
    testing_support::ScriptedDialogs dialogs;
    DataViews views{folder.templateData(), folder.templateSprav(), folder.sprav()};
    TableGroups groups{views, dialogs};
    ConstStore consts{views.TableConst};

    void openReferences() {
        QDir().mkpath(folder.sprav());
        ASSERT_TRUE(groups.SwitchTableGroup(kReferenceGroupTag, folder.sprav(), true, true, folder.templateSprav()));
    }
};

TEST_F(ConstStoreTest, ReadingNeedsAnOpenTableAndAnExactKey) {
    QString value = QStringLiteral("unchanged");
    EXPECT_FALSE(consts.ReadConst(QStringLiteral("PlantName"), value));
    EXPECT_EQ(value, QStringLiteral("unchanged"));
    EXPECT_FALSE(consts.WriteConst(QStringLiteral("X"), QStringLiteral("1"), QStringLiteral("x")));

    openReferences();
    EXPECT_TRUE(consts.ReadConst(QStringLiteral("PlantName"), value));
    EXPECT_FALSE(value.isEmpty());
    EXPECT_FALSE(consts.ReadConst(QStringLiteral("plantname"), value));  // keys keep their case
    EXPECT_EQ(value, QString());
    EXPECT_FALSE(consts.ReadConst(QStringLiteral("Missing"), value));
}

TEST_F(ConstStoreTest, WritingCreatesOnceAndKeepsTheDisplayName) {
    openReferences();
    const int rows = views.TableConst.recordCount();
    ASSERT_TRUE(consts.WriteConst(QStringLiteral("ProgVer"), QStringLiteral("1.36"), QStringLiteral("Версия программы")));
    ASSERT_TRUE(consts.WriteConst(QStringLiteral("ProgVer"), QStringLiteral("1.37"), QStringLiteral("Другое имя")));
    EXPECT_EQ(views.TableConst.recordCount(), rows + 1);
    QString value;
    ASSERT_TRUE(consts.ReadConst(QStringLiteral("ProgVer"), value));
    EXPECT_EQ(value, QStringLiteral("1.37"));
    EXPECT_EQ(views.TableConst.fieldByName("ViewName").asString(), QStringLiteral("Версия программы"));

    // A value longer than the field keeps its first 130 characters.
    const QString longValue = QString(200, QChar(0x0416));
    ASSERT_TRUE(consts.WriteConst(QStringLiteral("ProgVer"), longValue, QString()));
    views.TableConst.close();
    views.TableConst.open();
    ASSERT_TRUE(consts.ReadConst(QStringLiteral("ProgVer"), value));
    EXPECT_EQ(value, longValue.left(130));
}

}  // namespace
