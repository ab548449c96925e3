#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include "EngineTestUtil.h"

using namespace enginetest;

namespace {

class TabletoolTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    void put(const char* name, const char* text) { writeFile(dir.filePath(name), QByteArray(text)); }
    std::string tool(const QString& args, int* status) {
        return runCapture(std::string(TABLETOOL) + " " + args.toStdString() + " 2>&1", status);
    }
    QStringList filesIn() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::AllDirs | QDir::NoDotAndDotDot); }
};

TEST_F(TabletoolTest, CreatesDbaseAndParadoxTablesThatDumpBack) {
    put("day.schema", "# the day table\nNPP N 4\nKOMU C 50\nPAY_SUM N 15 2\nPAY_DATA D\ntag NPP NPP\n");
    put("day.csv", "NPP,KOMU,PAY_SUM,PAY_DATA\n2,\"ООО \"\"Ромашка\"\", склад\",1500.5,2008-10-13\n1,Горгаз,,\n");
    int status = -1;
    std::string out = tool(QStringLiteral("create %1 %2 %3").arg(dir.filePath("DayData.DBF"), dir.filePath("day.schema"), dir.filePath("day.csv")), &status);
    ASSERT_EQ(status, 0) << out;
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("DayData.MDX")));
    out = tool(QStringLiteral("dump %1").arg(dir.filePath("daydata.dbf")), &status);
    ASSERT_EQ(status, 0) << out;
    EXPECT_EQ(QString::fromStdString(out),
              QStringLiteral("deleted,NPP,KOMU,PAY_SUM,PAY_DATA\n"
                             ",2,\"ООО \"\"Ромашка\"\", склад\",1500.5,2008-10-13\n"
                             ",1,Горгаз,,\n"));

    put("bank.schema", "ListVal A 180\nUsed L\n");
    put("bank.csv", "ListVal,Used\nАльфа-Банк,T\nВТБ,F\n");
    out = tool(QStringLiteral("create %1 %2 %3").arg(dir.filePath("BankNames.db"), dir.filePath("bank.schema"), dir.filePath("bank.csv")), &status);
    ASSERT_EQ(status, 0) << out;
    out = tool(QStringLiteral("dump %1").arg(dir.filePath("BankNames.db")), &status);
    ASSERT_EQ(status, 0) << out;
    EXPECT_EQ(QString::fromStdString(out), QStringLiteral("deleted,ListVal,Used\n,Альфа-Банк,T\n,ВТБ,F\n"));
}

TEST_F(TabletoolTest, BadInputEndsWithOneLineAndLeavesNoFile) {
    put("bad-type.schema", "NPP X 4\n");
    put("ok.schema", "NPP N 4\nKOMU C 5\n");
    put("rows.csv", "NPP,KOMU\n1,Горгаз\n");      // text longer than 5
    put("big.csv", "NPP,KOMU\n12345,А\n");         // number longer than 4
    put("unknown.csv", "NPP,WHO\n1,А\n");          // column not in the schema
    put("short.csv", "NPP,KOMU\n1\n");             // a missing cell
    put("date.schema", "D D\n");
    put("date.csv", "D\n2008-02-31\n");
    struct Case {
        const char* schema;
        const char* csv;
    };
    for (const Case& c : {Case{"bad-type.schema", "rows.csv"}, Case{"ok.schema", "rows.csv"}, Case{"ok.schema", "big.csv"},
                          Case{"ok.schema", "unknown.csv"}, Case{"ok.schema", "short.csv"}, Case{"date.schema", "date.csv"},
                          Case{"missing.schema", "rows.csv"}}) {
        int status = 0;
        const std::string out = tool(QStringLiteral("create %1 %2 %3").arg(dir.filePath("T.DBF"), dir.filePath(c.schema), dir.filePath(c.csv)), &status);
        EXPECT_EQ(status, 1) << c.schema << " " << c.csv;
        EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
        EXPECT_EQ(out.rfind("tabletool: ", 0), 0u) << out;
        EXPECT_FALSE(QFileInfo::exists(dir.filePath("T.DBF"))) << c.schema << " " << c.csv;
    }
    // No scratch folders are left behind either.
    for (const QString& f : filesIn()) EXPECT_FALSE(f.startsWith(QLatin1String(".tabletool"))) << f.toStdString();

    // A damaged file to dump.
    put("Broken.DBF", "\x03garbage");
    int status = 0;
    const std::string out = tool(QStringLiteral("dump %1").arg(dir.filePath("Broken.DBF")), &status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(out.find("Broken.DBF"), std::string::npos) << out;
}

}  // namespace
