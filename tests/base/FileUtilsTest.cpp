#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QTemporaryDir>

#include "FileUtils.h"
#include "ScriptedDialogs.h"
#include "TestFiles.h"

using namespace base;
using namespace testing_support;

namespace {

class CopyFilesByMaskTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(QDir().mkpath(src) && QDir().mkpath(dst)); }
    QStringList targetFiles() const {
        return QDir(dst).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                   QDir::Name);
    }
    QTemporaryDir tmp;
    QString src = tmp.filePath("src"), dst = tmp.filePath("dst");
    ScriptedDialogs dialogs;
};

}  // namespace

TEST(FileMask, WindowsWildcardRulesIgnoringCase) {
    for (auto [name, mask] : {std::pair{"DayData.DBF", "daydata.*"},
                              {"DayData", "DayData.*"},
                              {"README", "*.*"},
                              {"x.tar.dbf", "*.DBF"},
                              {"Старт.DBF", "СТАРТ.dbf"},
                              {"ab.txt", "a?.txt"},
                              {"a.txt", "a?.txt"}})
        EXPECT_TRUE(matchesFileMask(name, mask)) << name << " " << mask;
    for (auto [name, mask] : {std::pair{"DayData2.DBF", "DayData.*"},
                              {"XDayData.DBF", "DayData.*"},
                              {"x.dbf.bak", "*.dbf"},
                              {"abc.txt", "a?.txt"},
                              {"ac", "a?c"},
                              {"x", ""}})
        EXPECT_FALSE(matchesFileMask(name, mask)) << name << " " << mask;
}

TEST_F(CopyFilesByMaskTest, EmptyFolderTextOrNoMatchCopiesNothingSilently) {
    writeFile(src + "/Other.DBF", "x");
    EXPECT_FALSE(CopyFilesByMask(dialogs, "", dst, "*.*"));
    EXPECT_FALSE(CopyFilesByMask(dialogs, src, "", "*.*"));
    EXPECT_TRUE(CopyFilesByMask(dialogs, src, dst, "DayData.*"));
    EXPECT_TRUE(CopyFilesByMask(dialogs, tmp.filePath("no-such-folder"), dst, "*.*"));
    EXPECT_TRUE(targetFiles().isEmpty());
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(CopyFilesByMaskTest, CopiesMatchingFilesOnlyIgnoringCase) {
    writeFile(src + "/DAYDATA.DBF", "table");
    writeFile(src + "/daydata.Mdx", "index");
    writeFile(src + "/.DayData.hidden", "hidden");
    writeFile(src + "/DayData2.DBF", "other");
    ASSERT_TRUE(QDir(src).mkdir("DayData.dir"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(src + "/DayData.fifo").constData(), 0600), 0);

    EXPECT_TRUE(CopyFilesByMask(dialogs, src, dst, "*DayData.*"));  // no folder, no pipe
    EXPECT_EQ(targetFiles(), QStringList({".DayData.hidden", "DAYDATA.DBF", "daydata.Mdx"}));
    EXPECT_EQ(readFile(dst + "/DAYDATA.DBF"), "table");
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(CopyFilesByMaskTest, OverwritesEarlierCopiesAndCaseVariantsWithWritableFiles) {
    writeFile(src + "/StartMoney.dbf", "new");
    writeFile(dst + "/STARTMONEY.DBF", "old and much longer content");
    ASSERT_TRUE(CopyFilesByMask(dialogs, src, dst, "startmoney.*"));
    EXPECT_EQ(targetFiles(), QStringList({"STARTMONEY.DBF"}));  // replaced, not joined
    EXPECT_EQ(readFile(dst + "/STARTMONEY.DBF"), "new");

    writeFile(src + "/StartMoney.dbf", "newer");
    ASSERT_TRUE(
        QFile::setPermissions(src + "/StartMoney.dbf", QFile::ReadOwner | QFile::ReadGroup));
    ASSERT_TRUE(CopyFilesByMask(dialogs, src, dst, "startmoney.*"));
    EXPECT_EQ(readFile(dst + "/STARTMONEY.DBF"), "newer");
    EXPECT_EQ(QFile::permissions(dst + "/STARTMONEY.DBF"), QFile::ReadOwner | QFile::WriteOwner |
                                                               QFile::ReadUser | QFile::WriteUser |
                                                               QFile::ReadGroup);
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(CopyFilesByMaskTest, FailedCopyShowsOneBoxAndKeepsEarlierCopies) {
    for (const char* name : {"A.DBF", "B.DBF", "C.DBF"}) writeFile(src + "/" + name, name);
    ASSERT_TRUE(QDir(dst).mkdir("B.DBF"));  // a folder in the way

    EXPECT_FALSE(CopyFilesByMask(dialogs, src, dst, "*.dbf"));
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    // The reason follows the message.
    EXPECT_EQ(dialogs.boxes[0].text,
              "Ошибка при копировании файлов.\n\rПричина: на месте файла находится каталог.");
    EXPECT_EQ(dialogs.boxes[0].caption, "Ошибка");
    EXPECT_EQ(dialogs.boxes[0].style, MB_ICONHAND);
    EXPECT_TRUE(dialogs.boxes[0].ownedByApplication);
    // A stays copied, C is never reached, no temporary file is left behind.
    EXPECT_EQ(targetFiles(), QStringList({"A.DBF", "B.DBF"}));

    writeFile(tmp.filePath("plain"), "");  // a target no one can write, root included
    EXPECT_FALSE(CopyFilesByMask(dialogs, src, tmp.filePath("plain/sub"), "A.*"));
    EXPECT_EQ(dialogs.boxes.size(), 2u);
}
