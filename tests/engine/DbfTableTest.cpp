#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QDate>
#include <QFileInfo>

#include "ChildProcess.h"
#include "Codec.h"
#include "EngineError.h"
#include "EngineTestUtil.h"
#include "FileIo.h"
#include "engine/DbfTable.h"
#include "engine/MdxIndex.h"

using namespace engine;
using namespace base;
using namespace enginetest;
using testing_support::runInChild;

namespace {

class DbfTableTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const QString& name = QStringLiteral("DayData.DBF")) const { return dir.filePath(name); }

    std::shared_ptr<DbfTable> makeDayData(bool exclusive = false) {
        DbfTable::create(path(), dayDataFields(), {{"NPP", "NPP"}});
        return DbfTable::open(path(), exclusive);
    }
    static Record payment(int npp, const QString& komu, double sum, const QString& code) {
        return {npp, komu, QStringLiteral("Оплата по счёту"), sum, QStringLiteral("Сбербанк"),
                QDate(2008, 10, 13), code, QVariant()};
    }
};

TEST_F(DbfTableTest, RoundTripsEveryKindWithCyrillicAndNulls) {
    const std::vector<FieldDef> fields = {{"NAME", FieldKind::Text, 20, 0},
                                          {"QTY", FieldKind::SmallInt, 4, 0},
                                          {"SUM", FieldKind::Float, 15, 2},
                                          {"DAY", FieldKind::Date, 8, 0},
                                          {"USED", FieldKind::Boolean, 1, 0}};
    DbfTable::create(path("t.dbf"), fields, {});
    {
        auto t = DbfTable::open(path("t.dbf"), false);
        t->appendRecord({QStringLiteral("Ёлка и ёжик ЪЬЭЮЯ"), -12, 1234567.891, QDate(2009, 2, 1), true});
        t->appendRecord({QVariant(), QVariant(), QVariant(), QVariant(), QVariant()});
        t->appendRecord({QStringLiteral("очень длинное название банка"), 9999, -0.5, QDate(1999, 12, 31), false});
    }
    auto t = DbfTable::open(path("t.dbf"), false);
    ASSERT_EQ(t->slotCount(), 3);
    EXPECT_EQ(t->value(0, 0).toString(), QStringLiteral("Ёлка и ёжик ЪЬЭЮЯ"));
    EXPECT_EQ(t->value(0, 1).toInt(), -12);
    EXPECT_DOUBLE_EQ(t->value(0, 2).toDouble(), 1234567.89);
    EXPECT_EQ(t->value(0, 3).toDate(), QDate(2009, 2, 1));
    EXPECT_TRUE(t->value(0, 4).toBool());
    for (int f = 0; f < 5; ++f) EXPECT_TRUE(t->value(1, f).isNull()) << f;
    EXPECT_EQ(t->value(2, 0).toString(), QStringLiteral("очень длинное назван"));  // clipped to 20
    EXPECT_DOUBLE_EQ(t->value(2, 2).toDouble(), -0.5);
    EXPECT_FALSE(t->value(2, 4).toBool());

    // The bytes of the file: Windows-1251 text, right-aligned numbers, the end mark.
    const QByteArray bytes = readFile(path("t.dbf"));
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0x03);
    EXPECT_EQ(static_cast<unsigned char>(bytes[29]), 0xC9);
    EXPECT_EQ(static_cast<unsigned char>(bytes[28]), 0x00);
    EXPECT_EQ(bytes.back(), '\x1A');
    EXPECT_TRUE(bytes.contains("     1234567.89"));
    EXPECT_TRUE(bytes.contains("          -0.50"));
    EXPECT_TRUE(bytes.contains(QByteArray::fromStdString(Codec::cp1251().encode(u"Ёлка"))));
}

TEST_F(DbfTableTest, IndependentReaderSeesTheSameRecords) {
    if (!haveDbfread()) GTEST_SKIP() << "python3-dbfread is not installed";
    {
        auto t = makeDayData();
        t->appendRecord(payment(1, QStringLiteral("ООО \"Ромашка\""), 1500, QStringLiteral("215.001.000.000.000")));
        t->appendRecord(payment(2, QStringLiteral("Горводоканал"), 25.5, QStringLiteral("001.002.000.000.000")));
        t->deleteRecord(0);
    }
    const std::string script =
        "import sys; from dbfread import DBF\n"
        "t = DBF(sys.argv[1], encoding='cp1251')\n"
        "print(hex(t.header.dbversion), t.header.numrecords, hex(t.header.language_driver), t.header.mdx_flag)\n"
        "for r in t: print('live', r['NPP'], r['KOMU'], '%.2f' % r['PAY_SUM'], r['PAY_DATA'], r['PAY_KIND_N'])\n"
        "for r in t.deleted: print('deleted', r['NPP'], r['KOMU'])\n";
    int status = -1;
    const std::string out = runCapture("/usr/bin/python3 -c " + shellQuote(QString::fromStdString(script)) + " " +
                                           shellQuote(path()) + " 2>&1",
                                       &status);
    ASSERT_EQ(status, 0) << out;
    EXPECT_EQ(QString::fromStdString(out),
              QStringLiteral("0x3 2 0xc9 1\n"
                             "live 2 Горводоканал 25.50 2008-10-13 001.002.000.000.000\n"
                             "deleted 1 ООО \"Ромашка\"\n"));
}

TEST_F(DbfTableTest, AppendAfterReopenKeepsCountEndMarkAndSize) {
    {
        auto t = makeDayData();
        t->appendRecord(payment(1, QStringLiteral("А"), 1, QStringLiteral("215.001.000.000.000")));
    }
    {
        auto t = DbfTable::open(path(), false);
        ASSERT_EQ(t->slotCount(), 1);
        t->appendRecord(payment(2, QStringLiteral("Б"), 2, QStringLiteral("215.001.000.000.000")));
        t->appendRecord(payment(3, QStringLiteral("В"), 3, QStringLiteral("215.001.000.000.000")));
    }
    auto t = DbfTable::open(path(), false);
    ASSERT_EQ(t->slotCount(), 3);
    EXPECT_EQ(t->value(2, 1).toString(), QStringLiteral("В"));
    const QByteArray bytes = readFile(path());
    const int headerLength = static_cast<unsigned char>(bytes[8]) | (static_cast<unsigned char>(bytes[9]) << 8);
    const int recordLength = static_cast<unsigned char>(bytes[10]) | (static_cast<unsigned char>(bytes[11]) << 8);
    EXPECT_EQ(bytes.size(), headerLength + 3 * recordLength + 1);
    EXPECT_EQ(bytes[4], 3);
    EXPECT_EQ(bytes.back(), '\x1A');
}

TEST_F(DbfTableTest, DeleteHidesUntilPackAndPackRebuildsTheIndex) {
    auto t = makeDayData(true);
    for (int i = 0; i < 5; ++i)
        t->appendRecord(payment(5 - i, QStringLiteral("Получатель %1").arg(i), i, QStringLiteral("215.001.000.000.000")));
    t->deleteRecord(1);
    t->deleteRecord(3);
    EXPECT_EQ(t->slotCount(), 5);
    EXPECT_TRUE(t->isDeleted(1));
    const qint64 before = QFileInfo(path()).size();
    t->pack();
    EXPECT_EQ(t->slotCount(), 3);
    EXPECT_LT(QFileInfo(path()).size(), before);
    for (int s = 0; s < 3; ++s) EXPECT_FALSE(t->isDeleted(s));
    EXPECT_EQ(t->value(0, 0).toInt(), 5);
    EXPECT_EQ(t->value(1, 0).toInt(), 3);
    EXPECT_EQ(t->value(2, 0).toInt(), 1);
    // The .MDX written by the pack lists the live records in NPP order.
    const auto entries = MdxIndex::walk(path("DayData.MDX"), QStringLiteral("NPP"));
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].record, 3);
    EXPECT_EQ(entries[1].record, 2);
    EXPECT_EQ(entries[2].record, 1);
    // The table still works after the file was replaced.
    t->appendRecord(payment(9, QStringLiteral("После упаковки"), 9, QStringLiteral("215.001.000.000.000")));
    EXPECT_EQ(t->value(3, 1).toString(), QStringLiteral("После упаковки"));
}

TEST_F(DbfTableTest, PackNeedsExclusiveUse) {
    auto t = makeDayData(false);
    EXPECT_THROW(t->pack(), EngineError);
}

TEST_F(DbfTableTest, IndexOrderComesFromTheDataNotFromAStaleIndexFile) {
    {
        auto t = makeDayData();
        t->appendRecord(payment(3, QStringLiteral("а"), 1, QStringLiteral("1")));
        t->appendRecord(payment(1, QStringLiteral("б"), 1, QStringLiteral("1")));
        t->appendRecord(payment(2, QStringLiteral("в"), 1, QStringLiteral("1")));
    }
    // Another program changes record 1's number without touching the index.
    QByteArray bytes = readFile(path());
    const int headerLength = static_cast<unsigned char>(bytes[8]) | (static_cast<unsigned char>(bytes[9]) << 8);
    bytes.replace(headerLength + 1, 4, "   9");
    writeFile(path(), bytes);
    auto t = DbfTable::open(path(), false);
    EXPECT_EQ(t->tagOrder(QStringLiteral("npp")), (std::vector<int>{1, 2, 0}));
    EXPECT_THROW(t->tagOrder(QStringLiteral("KOMU")), EngineError);
    t->writeRecord(2, payment(0, QStringLiteral("в"), 1, QStringLiteral("1")));
    t->flush();
    const auto entries = MdxIndex::walk(path("DayData.MDX"), QStringLiteral("NPP"));
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].record, 3);
    EXPECT_EQ(entries[1].record, 2);
    EXPECT_EQ(entries[2].record, 1);
}

TEST_F(DbfTableTest, AppendingManyRecordsWritesTheTableAnewWithAllOrNone) {
    auto shared = makeDayData(false);
    EXPECT_THROW(shared->appendRecordsAnew({payment(1, QStringLiteral("А"), 1, QStringLiteral("1"))}), EngineError);
    shared.reset();
    auto t = DbfTable::open(path(), true);
    t->appendRecord(payment(7, QStringLiteral("Первый"), 1.5, QStringLiteral("1")));
    t->deleteRecord(0);
    // A row that does not fit refuses the whole batch, and the file stays as it was.
    const QByteArray before = readFile(path());
    EXPECT_THROW(t->appendRecordsAnew({payment(2, QStringLiteral("Б"), 2, QStringLiteral("2")),
                                   payment(10000, QStringLiteral("В"), 3, QStringLiteral("3"))}),
                 EngineError);
    EXPECT_EQ(readFile(path()), before);
    EXPECT_EQ(t->slotCount(), 1);

    std::vector<Record> rows;
    for (int i = 0; i < 3; ++i) rows.push_back(payment(3 - i, QStringLiteral("Получатель %1").arg(i), i + 0.25, QStringLiteral("215")));
    t->appendRecordsAnew(rows);
    ASSERT_EQ(t->slotCount(), 4);
    EXPECT_TRUE(t->isDeleted(0));
    EXPECT_EQ(t->value(3, 1).toString(), QStringLiteral("Получатель 2"));
    EXPECT_EQ(t->rawField(2, 3), std::string_view("           1.25"));
    // The index written with them lists every record in key order; the file ends as dBase wants.
    std::vector<int> order;
    for (const auto& e : MdxIndex::walk(path("DayData.MDX"), QStringLiteral("NPP"))) order.push_back(e.record);
    EXPECT_EQ(order, (std::vector<int>{4, 3, 2, 1}));
    const QByteArray after = readFile(path());
    EXPECT_EQ(after.size(), 32 + 8 * 32 + 1 + 4 * 562 + 1);
    EXPECT_EQ(after.back(), '\x1A');
    // It goes on as a table like any other.
    t->appendRecord(payment(9, QStringLiteral("Потом"), 9, QStringLiteral("9")));
    t.reset();
    EXPECT_EQ(DbfTable::open(path(), false)->slotCount(), 5);
}

TEST_F(DbfTableTest, NumbersThatDoNotFitAreRefusedAndNothingIsWritten) {
    auto t = makeDayData();
    t->appendRecord(payment(1, QStringLiteral("А"), 1, QStringLiteral("1")));
    const QByteArray before = readFile(path());
    EXPECT_THROW(t->appendRecord(payment(10000, QStringLiteral("Б"), 1, QStringLiteral("1"))), EngineError);
    EXPECT_THROW(t->writeRecord(0, payment(1, QStringLiteral("Б"), 1e14, QStringLiteral("1"))), EngineError);
    EXPECT_THROW(t->writeRecord(0, Record{QStringLiteral("not a number")}), EngineError);
    EXPECT_EQ(readFile(path()), before);
    EXPECT_EQ(t->slotCount(), 1);
}

TEST(DbfNumberFormat, RoundsHalfAwayFromZeroAndRightAligns) {
    EXPECT_EQ(formatDbfNumber(1500, 15, 2), "        1500.00");
    EXPECT_EQ(formatDbfNumber(-25.5, 15, 2), "         -25.50");
    EXPECT_EQ(formatDbfNumber(2, 4, 0), "   2");
    EXPECT_EQ(formatDbfNumber(1.005, 10, 2), "      1.01");
    EXPECT_EQ(formatDbfNumber(0.125, 10, 2), "      0.13");
    EXPECT_EQ(formatDbfNumber(-0.004, 10, 2), "      0.00");
    EXPECT_EQ(formatDbfNumber(9.999, 5, 2), "10.00");
    EXPECT_EQ(formatDbfNumber(99.999, 5, 2), "");
    EXPECT_EQ(formatDbfNumber(0.05, 4, 2), "0.05");
    EXPECT_EQ(formatDbfNumber(-1, 4, 0), "  -1");
    EXPECT_EQ(formatDbfNumber(12345, 4, 0), "");
}

TEST_F(DbfTableTest, ReadsFilesOfOtherWritersTolerantly) {
    const QString fixtures = QStringLiteral(TEST_DATA_DIR "/fixtures/npp");
    QFile::copy(fixtures + "/DAYDATA.DBF", path("DAYDATA.DBF"));
    QFile::copy(fixtures + "/DAYDATA.MDX", path("DAYDATA.MDX"));
    QFile::setPermissions(path("DAYDATA.DBF"), QFile::ReadOwner | QFile::WriteOwner);
    QByteArray original = readFile(path("DAYDATA.DBF"));
    {
        auto t = DbfTable::open(path("DAYDATA.DBF"), false);
        ASSERT_EQ(t->slotCount(), 5);
        EXPECT_TRUE(t->isDeleted(2));
        EXPECT_TRUE(t->value(3, t->fieldIndex("PAY_SUM")).isNull());
        EXPECT_TRUE(t->value(3, t->fieldIndex("PAY_DATA")).isNull());
        EXPECT_EQ(t->tagOrder("NPP"), (std::vector<int>{1, 3, 0, 4, 2}));
    }
    const int headerLength = static_cast<unsigned char>(original[8]) | (static_cast<unsigned char>(original[9]) << 8);
    const int recordLength = static_cast<unsigned char>(original[10]) | (static_cast<unsigned char>(original[11]) << 8);

    // No end mark.
    writeFile(path("DAYDATA.DBF"), original.left(original.size() - 1));
    EXPECT_EQ(DbfTable::open(path("DAYDATA.DBF"), false)->slotCount(), 5);
    // The header claims more records than the file holds: records were lost, and the file
    // is damaged rather than opened short.
    writeFile(path("DAYDATA.DBF"), original.left(headerLength + 3 * recordLength + 7));
    try {
        DbfTable::open(path("DAYDATA.DBF"), false);
        ADD_FAILURE() << "a file cut short opened";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.kind(), ErrorKind::Damaged);
    }
    // An append stopped after its count and before its record was let in (the record still
    // marked as the end of the file): the table is as before, and the next append takes the
    // place.
    QByteArray unfinished = original;
    unfinished.chop(1);
    unfinished.append(recordLength, ' ');
    unfinished[headerLength + 5 * recordLength] = 0x1A;
    unfinished.append(char(0x1A));
    unfinished[4] = 6;
    writeFile(path("DAYDATA.DBF"), unfinished);
    {
        auto t = DbfTable::open(path("DAYDATA.DBF"), false);
        EXPECT_EQ(t->slotCount(), 5);
        Record r(t->fields().size());
        r[0] = 7;
        t->appendRecord(r);
        EXPECT_EQ(t->slotCount(), 6);
    }
    const QByteArray healed = readFile(path("DAYDATA.DBF"));
    EXPECT_EQ(healed.size(), headerLength + 6 * recordLength + 1);
    EXPECT_EQ(healed[4], 6);
    EXPECT_EQ(healed[headerLength + 5 * recordLength], ' ');
    // The header claims fewer records than there are: never read past the count.
    QByteArray fewer = original;
    fewer[4] = 2;
    writeFile(path("DAYDATA.DBF"), fewer);
    EXPECT_EQ(DbfTable::open(path("DAYDATA.DBF"), false)->slotCount(), 2);
}

TEST_F(DbfTableTest, DamagedFilesGiveAClearError) {
    {
        auto t = makeDayData();
        t->appendRecord(payment(1, QStringLiteral("А"), 1, QStringLiteral("1")));
    }
    const QByteArray good = readFile(path());
    auto expectDamaged = [&](const QByteArray& bytes, const char* what) {
        writeFile(path(), bytes);
        try {
            DbfTable::open(path(), false);
            ADD_FAILURE() << "opened a damaged file: " << what;
        } catch (const EngineError& e) {
            EXPECT_TRUE(e.message().contains(QStringLiteral("DayData.DBF"))) << e.what();
        }
    };
    expectDamaged(good.left(10), "truncated header");
    expectDamaged(good.left(40), "truncated descriptors");
    QByteArray b = good;
    b[0] = 0x04;
    expectDamaged(b, "dBase 7");
    b = good;
    b[8] = static_cast<char>(0xFF);
    b[9] = 0x7F;
    expectDamaged(b, "header length beyond the file");
    b = good;
    b[10] = 3;
    b[11] = 0;
    expectDamaged(b, "record length disagrees with the fields");
    b = good;
    b[32 + 11] = 'X';
    expectDamaged(b, "unknown field type");
    b = good;
    const int headerLength = static_cast<unsigned char>(good[8]) | (static_cast<unsigned char>(good[9]) << 8);
    b[headerLength] = 'Q';
    expectDamaged(b, "bad deletion flag");
    b = good;
    b[15] = 1;
    expectDamaged(b, "encrypted");
    // A damaged index file of sound data is rebuilt from the data.
    writeFile(path(), good);
    const QByteArray mdx = readFile(path("DayData.MDX"));
    writeFile(path("DayData.MDX"), mdx.left(100));
    EXPECT_EQ(DbfTable::open(path(), false)->tagOrder("NPP"), std::vector<int>{0});
    EXPECT_EQ(readFile(path("DayData.MDX")).size(), mdx.size());
}

TEST_F(DbfTableTest, ChangesOfAnotherProcessShowAfterReload) {
    auto t = makeDayData();
    t->appendRecord(payment(1, QStringLiteral("А"), 1, QStringLiteral("1")));
    EXPECT_FALSE(t->reloadIfChangedOnDisk());
    ASSERT_EQ(runInChild([&] {
                  auto other = DbfTable::open(path(), false);
                  other->writeRecord(
                      0, payment(1, QStringLiteral("Изменено"), 1, QStringLiteral("1")));
                  other->appendRecord(payment(2, QStringLiteral("Новая"), 2, QStringLiteral("1")));
                  return 0;
              }),
              0);
    EXPECT_TRUE(t->reloadIfChangedOnDisk());
    ASSERT_EQ(t->slotCount(), 2);
    EXPECT_EQ(t->value(0, 1).toString(), QStringLiteral("Изменено"));
    EXPECT_EQ(t->value(1, 1).toString(), QStringLiteral("Новая"));
}

// A file another writer put in the table's place is followed, and the change goes into it under
// that file's change lock: at every write, nobody else can take the lock on the file by the name.
bool nameLockWasFree = false;
QString lockedName;
TEST_F(DbfTableTest, AChangeAfterTheFileWasReplacedIsWrittenUnderTheNewFilesLock) {
    auto t = makeDayData();
    t->appendRecord(payment(1, QStringLiteral("А"), 1, QStringLiteral("1")));
    const QString copy = path(QStringLiteral("COPY.DBF"));
    ASSERT_TRUE(QFile::copy(path(), copy));
    DbfTable::open(copy, false)->appendRecord(payment(2, QStringLiteral("Б"), 2, QStringLiteral("1")));
    ASSERT_EQ(::rename(QFile::encodeName(copy).constData(), QFile::encodeName(path()).constData()), 0);

    lockedName = path();
    nameLockWasFree = false;
    fileio::setWriteHook([] {
        const int fd = ::open(QFile::encodeName(lockedName).constData(), O_RDONLY | O_CLOEXEC);
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) nameLockWasFree = true;
        ::close(fd);
    });
    t->appendRecord(payment(3, QStringLiteral("В"), 3, QStringLiteral("1")));
    fileio::setWriteHook(nullptr);
    EXPECT_FALSE(nameLockWasFree);
    ASSERT_EQ(t->slotCount(), 3);
    t.reset();
    auto again = DbfTable::open(path(), false);
    ASSERT_EQ(again->slotCount(), 3);
    EXPECT_EQ(again->value(1, 1).toString(), QStringLiteral("Б"));
    EXPECT_EQ(again->value(2, 1).toString(), QStringLiteral("В"));
}

// Opens the table in a child process: whether that worked.
bool opensInChild(const QString& path, bool exclusive) {
    return runInChild([&] { return DbfTable::open(path, exclusive) ? 0 : 1; }) == 0;
}

TEST_F(DbfTableTest, ExclusiveUseIsRefusedWhileAnotherProcessHasTheFile) {
    DbfTable::create(path(), dayDataFields(), {{"NPP", "NPP"}});
    {
        auto shared = DbfTable::open(path(), false);
        EXPECT_FALSE(opensInChild(path(), true));
        EXPECT_TRUE(opensInChild(path(), false));
    }
    {
        auto exclusive = DbfTable::open(path(), true);
        EXPECT_FALSE(opensInChild(path(), false));
        EXPECT_FALSE(opensInChild(path(), true));
    }
    EXPECT_TRUE(opensInChild(path(), true));
}

TEST_F(DbfTableTest, CreateRefusesBadDefinitions) {
    EXPECT_THROW(DbfTable::create(path("a.dbf"), {{"TOO_LONG_NAME", FieldKind::Text, 5, 0}}, {}), EngineError);
    EXPECT_THROW(DbfTable::create(path("b.dbf"), {{"T", FieldKind::Text, 255, 0}}, {}), EngineError);
    EXPECT_THROW(DbfTable::create(path("c.dbf"), {{"N", FieldKind::SmallInt, 6, 0}}, {}), EngineError);
    EXPECT_THROW(DbfTable::create(path("d.dbf"), {{"N", FieldKind::Text, 6, 0}}, {{"TAG", "MISSING"}}), EngineError);
    EXPECT_FALSE(QFileInfo::exists(path("a.dbf")));
    EXPECT_FALSE(QFileInfo::exists(path("d.dbf")));
}

}  // namespace

namespace {

TEST(DbfTableIndex, WideNumericKeysKeepEveryDigit) {
    QTemporaryDir dir;
    const QString path = dir.filePath("SUMS.DBF");
    DbfTable::create(path, {{"PAY_SUM", FieldKind::Float, 15, 2}}, {{"PAY_SUM", "PAY_SUM"}});
    {
        auto t = DbfTable::open(path, false);
        for (double v : {1234.56, 1234.5, 99.99, -1234.57, 1234.55}) t->appendRecord({v});
    }
    const auto entries = MdxIndex::walk(dir.filePath("SUMS.MDX"), QStringLiteral("PAY_SUM"));
    std::vector<int> records;
    for (const auto& e : entries) records.push_back(e.record);
    EXPECT_EQ(records, (std::vector<int>{4, 3, 2, 5, 1}));
}

}  // namespace
