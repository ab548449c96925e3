// Writes that fail half-way (a full disk), appends of two processes, and what interrupted
// writes leave beside a table.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>

#include "ChildProcess.h"
#include "EngineError.h"
#include "EngineTestUtil.h"
#include "engine/DbfTable.h"
#include "engine/MdxIndex.h"
#include "engine/ParadoxTable.h"

using namespace engine;
using namespace base;
using namespace enginetest;

namespace {

using testing_support::runInChild;
using testing_support::withFileSizeLimit;

std::vector<FieldDef> nameAndNumber() {
    return {{"KOMU", FieldKind::Text, 40, 0}, {"NPP", FieldKind::SmallInt, 4, 0}};
}

class DurabilityTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const QString& name = QStringLiteral("DayData.DBF")) const {
        return dir.filePath(name);
    }
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
    ASSERT_EQ(runInChild([&] {
                  DbfTable::open(path(), false)->appendRecord({QStringLiteral("Чужая"), 2});
                  return 0;
              }),
              0);
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
    const QStringList stale = {".DayData.DBF.Ab12Cd.tmp~", ".DayData.MDX.xY34zW.tmp~",
                               "DayData.MDX.q1W2e3", ".DayData.DBF.copy-Zz9Yy8"};
    for (const QString& name : stale) writeFile(path(name), "half");
    writeFile(path(QStringLiteral("DayData.TXT")), "a companion file of the user's");
    writeFile(path(QStringLiteral(".Other.DBF.Ab12Cd.tmp~")), "another table's, being written");
    // Nobody is writing the table when it is opened exclusively.
    DbfTable::open(path(), true).reset();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
              (QStringList{".Other.DBF.Ab12Cd.tmp~", "DayData.DBF", "DayData.MDX", "DayData.TXT"}));
}

}  // namespace

namespace {

// Two processes append to a Paradox list while a third deletes its first rows again and again
// (each delete writes the table anew and renames it into place): no appended row is lost.
TEST(ConcurrentWriters, AppendsSurviveDeletesThatReplaceTheFile) {
    QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                          ? QStringLiteral("/dev/shm/platoris-race-XXXXXX")
                          : QDir::tempPath() + QStringLiteral("/platoris-race-XXXXXX"));
    const QString path = dir.filePath(QStringLiteral("List.db"));
    ParadoxTable::create(path, {{QStringLiteral("Name"), FieldKind::Text, 40, 0}});
    {
        auto t = ParadoxTable::open(path, false);
        for (int i = 0; i < 300; ++i) t->appendRecord({QStringLiteral("seed%1").arg(i)});
    }
    constexpr int kAppends = 200;
    int start[2];
    ASSERT_EQ(::pipe(start), 0);
    auto child = [&](const std::function<void(TableFile&)>& work) {
        return testing_support::ChildProcess([&] {
            ::close(start[1]);
            try {
                auto t = ParadoxTable::open(path, false);
                char go;
                [[maybe_unused]] ssize_t n = ::read(start[0], &go, 1);  // all begin together
                work(*t);
            } catch (const std::exception& e) {
                std::fprintf(stderr, "%s\n", e.what());
                return 1;
            }
            return 0;
        });
    };
    std::vector<testing_support::ChildProcess> children;
    for (const char* who : {"a", "b"})
        children.push_back(child([&](TableFile& t) {
            for (int i = 0; i < kAppends; ++i) {
                t.appendRecord({QStringLiteral("%1%2").arg(QLatin1String(who)).arg(i)});
                ::usleep(200);
            }
        }));
    children.push_back(child([&](TableFile& t) {
        for (int deleted = 0; deleted < 100;) {
            t.reloadIfChangedOnDisk();
            try {
                for (int s = 0; s < t.slotCount(); ++s)
                    if (!t.isDeleted(s) &&
                        t.value(s, 0).toString().startsWith(QLatin1String("seed"))) {
                        t.deleteRecord(s);
                        ++deleted;
                        ::usleep(500);
                        break;
                    }
            } catch (const EngineError&) {
                // Another process changed the table since it was read: read it again.
            }
        }
    }));
    ::close(start[0]);
    ::close(start[1]);  // the children's reads return: go
    for (auto& c : children) EXPECT_EQ(c.wait(), 0);
    auto t = ParadoxTable::open(path, false);
    QStringList names;
    for (int s = 0; s < t->slotCount(); ++s) names << t->value(s, 0).toString();
    EXPECT_EQ(names.size(), 300 - 100 + 2 * kAppends);
    for (const char* who : {"a", "b"}) {
        QStringList mine;
        for (const QString& n : names)
            if (n.startsWith(QLatin1String(who))) mine << n;
        QStringList expected;
        for (int i = 0; i < kAppends; ++i)
            expected << QStringLiteral("%1%2").arg(QLatin1String(who)).arg(i);
        EXPECT_EQ(mine, expected);  // all there, in the order they were added
    }
}

}  // namespace
