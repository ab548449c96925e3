#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "ArchiveListFile.h"
#include "TestFiles.h"

using namespace dispatch;
using testing_support::readFile;
using testing_support::writeFile;

TEST(ArchiveListFile, OemLinesEndedByCrLfReplacingTheOldFile) {
    QTemporaryDir tmp;
    const QString path = tmp.filePath("AddRAR.LST");
    writeFile(path, "an older and longer list file\r\n\r\n\r\n");
    ASSERT_TRUE(
        writeArchiveListFile(path, {"/Програма/Data/2008/10/13/*.*", "/Їжак/Sprav/const.*"}));
    // П р о г р а м а in code page 866; Ї is 0xF4.
    EXPECT_EQ(readFile(path), QByteArray("/\x8f\xe0\xae\xa3\xe0\xa0\xac\xa0/Data/2008/10/13/*.*\r\n"
                                         "/\xf4\xa6\xa0\xaa/Sprav/const.*\r\n"));
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"AddRAR.LST"}));
}

TEST(ArchiveListFile, AFailedWriteLeavesNoFile) {
    QTemporaryDir tmp;
    EXPECT_FALSE(writeArchiveListFile(tmp.filePath("missing/AddRAR.LST"), {"a"}));
    // A folder in the way of the name: nothing half-made stays behind.
    ASSERT_TRUE(QDir().mkpath(tmp.filePath("AddRAR.LST")));
    EXPECT_FALSE(writeArchiveListFile(tmp.filePath("AddRAR.LST"), {"a"}));
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}
