// Writes that fail half-way (a full disk), appends of two processes, and what interrupted
// writes leave beside a table.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>

#include "EngineTestUtil.h"
#include "engine/DbfTable.h"
#include "engine/EngineError.h"
#include "engine/MdxIndex.h"

using namespace engine;
using namespace enginetest;

namespace {

// Runs fn in a child process whose files cannot grow past limit bytes (writes beyond fail
// with EFBIG, as on a full disk); the child's exit code, or -1 when it did not exit.
int withFileSizeLimit(long long limit, const std::function<int()>& fn) {
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        struct rlimit r {};
        ::getrlimit(RLIMIT_FSIZE, &r);
        r.rlim_cur = static_cast<rlim_t>(limit);
        ::setrlimit(RLIMIT_FSIZE, &r);
        int rc = 0;
        try {
            rc = fn();
        } catch (...) {
            rc = 99;
        }
        ::_exit(rc);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<FieldDef> nameAndNumber() {
    return {{"KOMU", FieldKind::Text, 40, 0}, {"NPP", FieldKind::SmallInt, 4, 0}};
}

class DurabilityTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const QString& name = QStringLiteral("DayData.DBF")) const { return dir.filePath(name); }
};

TEST_F(DurabilityTest, AnIndexThatCannotBeWrittenLeavesTheOldOneWhole) {
    const QString mdx = path(QStringLiteral("DayData.MDX"));
    MdxIndex::TagData npp;
    npp.info = {QStringLiteral("NPP"), QStringLiteral("NPP"), 'N', 12};
    for (int i = 0; i < 2000; ++i) npp.fieldTexts.push_back(std::to_string(i));
    MdxIndex::write(mdx, QStringLiteral("DAYDATA"), {npp}, QDate(2008, 10, 13));
    const QByteArray before = readFile(mdx);
    npp.fieldTexts.push_back("2000");
    const int rc = withFileSizeLimit(before.size() / 2, [&] {
        try {
            MdxIndex::write(mdx, QStringLiteral("DAYDATA"), {npp}, QDate(2008, 10, 13));
            return 1;  // a write that could not have succeeded reported success
        } catch (const EngineError&) {
            return 0;
        }
    });
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(readFile(mdx), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"DayData.MDX"});
}

TEST_F(DurabilityTest, AnAppendThatFailsHalfWayLeavesFileAndMemoryAsTheyWere) {
    DbfTable::create(path(), nameAndNumber(), {});
    {
        auto t = DbfTable::open(path(), false);
        for (int i = 0; i < 3; ++i) t->appendRecord({QStringLiteral("Запись %1").arg(i), i});
    }
    const QByteArray before = readFile(path());
    const int rc = withFileSizeLimit(before.size() + 10, [&] {
        auto t = DbfTable::open(path(), false);
        try {
            t->appendRecord({QStringLiteral("Не поместится"), 9});
            return 1;
        } catch (const EngineError&) {
        }
        if (t->slotCount() != 3 || readFile(path()) != before) return 2;
        // Once there is room again the table goes on as if nothing had happened.
        struct rlimit r {};
        ::getrlimit(RLIMIT_FSIZE, &r);
        r.rlim_cur = r.rlim_max;
        ::setrlimit(RLIMIT_FSIZE, &r);
        t->appendRecord({QStringLiteral("Поместилась"), 4});
        return t->slotCount() == 4 ? 0 : 3;
    });
    EXPECT_EQ(rc, 0);
    auto t = DbfTable::open(path(), false);
    ASSERT_EQ(t->slotCount(), 4);
    EXPECT_EQ(t->value(3, 0).toString(), QStringLiteral("Поместилась"));
}

TEST_F(DurabilityTest, AppendsOfTwoProcessesKeepBothRecords) {
    DbfTable::create(path(), nameAndNumber(), {{"NPP", "NPP"}});
    auto mine = DbfTable::open(path(), false);
    mine->appendRecord({QStringLiteral("Первая"), 1});
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        int rc = 0;
        try {
            DbfTable::open(path(), false)->appendRecord({QStringLiteral("Чужая"), 2});
        } catch (...) {
            rc = 1;
        }
        ::_exit(rc);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_EQ(WEXITSTATUS(status), 0);
    // This process has not looked at the file since: its append still goes after the other's.
    mine->appendRecord({QStringLiteral("Третья"), 3});
    mine.reset();
    auto t = DbfTable::open(path(), false);
    ASSERT_EQ(t->slotCount(), 3);
    EXPECT_EQ(t->value(1, 0).toString(), QStringLiteral("Чужая"));
    EXPECT_EQ(t->value(2, 0).toString(), QStringLiteral("Третья"));
}

TEST_F(DurabilityTest, TemporariesOfInterruptedWritesAreClearedAndMatchNoMask) {
    DbfTable::create(path(), nameAndNumber(), {{"NPP", "NPP"}});
    const QStringList stale = {".DayData.DBF.Ab12Cd.tmp~", ".DayData.MDX.xY34zW.tmp~", "DayData.MDX.q1W2e3",
                               ".DayData.DBF.copy-Zz9Yy8"};
    for (const QString& name : stale) writeFile(path(name), "half");
    writeFile(path(QStringLiteral("DayData.TXT")), "a companion file of the user's");
    writeFile(path(QStringLiteral(".Other.DBF.Ab12Cd.tmp~")), "another table's, being written");
    // Nobody is writing the table when it is opened exclusively.
    DbfTable::open(path(), true).reset();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
              (QStringList{".Other.DBF.Ab12Cd.tmp~", "DayData.DBF", "DayData.MDX", "DayData.TXT"}));
}

}  // namespace
