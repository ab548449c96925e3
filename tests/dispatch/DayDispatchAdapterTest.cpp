#include <QDirIterator>

#include "DispatchFixture.h"
#include "SevenZip.h"

using namespace dispatchtest;
using testing_support::readFile;
using testing_support::SevenZip;
using Boxes = std::vector<std::tuple<QString, QString, int>>;

namespace {

// Dispatch with the real adapter as RAR.EXE (writing a ZIP: the test PATH holds no rar).
class DispatchWithAdapter : public DispatchFixture {
protected:
    void SetUp() override {
        DispatchFixture::SetUp();
        ASSERT_FALSE(sevenZip.program().isEmpty())
            << "7z is missing: scripts/deps installs p7zip-full";
        installAdapter();
        addPayment(core.views.TableDataSourceDayData, "Поставщик 1", 100, expenseCode());
    }

    // Extracts the archive with the password and compares every entry with its file once
    // every table is closed: an archive taken while a table was open lacks what was only
    // written at the close.
    void expectArchiveHoldsTheDay() {
        core.views.closeAll();
        const auto entries = sevenZip.list(archive(), "KVal1736pq");
        ASSERT_EQ(entries.keys(),
                  QStringList({"Const.db", "DayData.DBF", "DayData.MDX", "StartMoney.dbf"}));
        for (const auto& e : entries) {
            EXPECT_TRUE(e.encrypted);
            EXPECT_TRUE(e.method.startsWith("AES-256")) << e.method.toStdString();
        }
        const QString out = folder.filePath("extracted");
        QDir(out).removeRecursively();
        ASSERT_TRUE(sevenZip.extract(archive(), "KVal1736pq", out));
        for (const QString name : {"DayData.DBF", "DayData.MDX", "StartMoney.dbf"})
            EXPECT_EQ(readFile(out + "/" + name), readFile(core.DayDir + "/" + name))
                << name.toStdString();
        EXPECT_EQ(readFile(out + "/Const.db"), readFile(core.SpravDir + "/Const.db"));
    }

    SevenZip sevenZip;
};

}  // namespace

TEST_F(DispatchWithAdapter, ArchiveOpensOnlyWithThePassword) {
    sendFolder = folder.filePath("send to $(touch x)");
    ASSERT_TRUE(QDir().mkpath(sendFolder));
    setConst("RodazPath", sendFolder);
    send();
    EXPECT_EQ(shownBoxes(), Boxes({kConfirmation, kQueued}));
    expectArchiveHoldsTheDay();
    EXPECT_NE(sevenZip.run({"t", "-pwrong", "--", archive()}), 0);
    EXPECT_FALSE(sevenZip.extract(archive(), "wrong", folder.filePath("wrong")));
    EXPECT_FALSE(QFileInfo::exists(folder.filePath("x")));
}

TEST_F(DispatchWithAdapter, SameDaySentTwiceHoldsTheLatestTables) {
    send();
    addPayment(core.views.TableDataSourceDayData, "Поставщик 2", 200, expenseCode());
    send();
    EXPECT_EQ(shownBoxes(), Boxes({kConfirmation, kQueued, kConfirmation, kQueued}));
    expectArchiveHoldsTheDay();
    // Nothing but the archive lies in the send folder for the transport to take.
    EXPECT_EQ(QDir(sendFolder).entryList(QDir::Files | QDir::Hidden),
              QStringList({"KZXR1013.RAR"}));
}
