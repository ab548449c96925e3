#include <gtest/gtest.h>

#include "ArchiveCommand.h"
#include "ProcessUtils.h"

using namespace dispatch;

TEST(ArchivePath, PrefixXrMonthDayWithoutTheYear) {
    EXPECT_EQ(archivePathOf("/srv/send", "KZ", QDate(2008, 3, 15)), "/srv/send/KZXR0315.RAR");
    EXPECT_EQ(archivePathOf("/srv/send/", "KZ", QDate(1999, 3, 15)), "/srv/send/KZXR0315.RAR");
    EXPECT_EQ(archivePathOf("/srv/send", "AB", QDate(2008, 1, 5)), "/srv/send/ABXR0105.RAR");
}

TEST(ArchiverCommandLine, LiteralOptionsAndAnArchivePathThatSplitsBackWhole) {
    EXPECT_EQ(archiverCommandLine("/srv/send/KZXR0315.RAR"),
              "RAR.EXE a -s -dh -ep1 -y -m5 -pKVal1736pq /srv/send/KZXR0315.RAR @AddRAR.LST");
    EXPECT_EQ(archiverCommandLine("/a b/KZXR0315.RAR"),
              "RAR.EXE a -s -dh -ep1 -y -m5 -pKVal1736pq \"/a b/KZXR0315.RAR\" @AddRAR.LST");

    for (const QString path : {"/srv/send/KZXR0315.RAR", "/a b/c\td/KZXR0315.RAR", "/x \"y\"/KZ",
                               "/q\\\"/KZ", "/tail \\\\", "/$(touch x); `y` & z|w", "/a\\\\ b\\"}) {
        const QStringList args = base::splitWindowsCommandLine(archiverCommandLine(path));
        ASSERT_EQ(args.size(), 10) << path.toStdString();
        EXPECT_EQ(args[8], path);
        EXPECT_EQ(args[9], "@AddRAR.LST");
    }
}
