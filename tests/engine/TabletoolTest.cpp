#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include "EngineTestUtil.h"
#include "TableCheck.h"
#include "TableDump.h"
#include "EngineError.h"
#include "engine/MdxIndex.h"
#include "engine/ParadoxTable.h"
#include "engine/SyncScope.h"

using namespace enginetest;
using namespace engine;
using namespace base;

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
                             ",2,\"ООО \"\"Ромашка\"\", склад\",1500.50,2008-10-13\n"
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

std::string dumpOf(const QString& file) {
    std::string out;
    tabletool::dumpTable(file, [&](std::string_view block) { out.append(block); });
    return out;
}

// Overwrites bytes of a field of a record in a .DBF, as another program might have left them.
void patchField(const QString& path, int record, int fieldOffset, const QByteArray& text) {
    QByteArray bytes = readFile(path);
    const auto get16 = [&](int at) {
        return static_cast<unsigned char>(bytes[at]) |
               (static_cast<unsigned char>(bytes[at + 1]) << 8);
    };
    bytes.replace(get16(8) + record * get16(10) + fieldOffset, static_cast<int>(text.size()), text);
    writeFile(path, bytes);
}

TEST_F(TabletoolTest, DumpWritesEveryNumberAsStoredAndEveryOtherFieldAsItsValue) {
    const QString path = dir.filePath("Sums.DBF");
    // Field offsets in a record: S 1, N 16, W 20, F 40, I 50, D 59, L 67, T 68.
    DbfTable::create(path,
                     {{"S", FieldKind::Float, 15, 2},
                      {"N", FieldKind::SmallInt, 4, 0},
                      {"W", FieldKind::Float, 20, 4},
                      {"F", FieldKind::Float, 10, 3, 'F'},
                      {"I", FieldKind::Float, 9, 0},
                      {"D", FieldKind::Date, 8, 0},
                      {"L", FieldKind::Boolean, 1, 0},
                      {"T", FieldKind::Text, 30, 0}},
                     {});
    const QVariant blank;
    const std::vector<Record> rows = {
        {777.77, 1, 197472.27, 0.5, 123456789.0, QDate(2008, 10, 13), true,
         QStringLiteral("ООО \"Ромашка\", склад")},
        {-0.5, -999, -1234567.8901, -12.345, -1.0, blank, false, QStringLiteral("Горгаз")},
        {0.0, 0, 0.0001, 0.0, 0.0, QDate(1999, 12, 31), blank, blank},
        {blank, blank, blank, blank, blank, blank, blank, blank},
        {1e11, 9999, 12345678901234.5, 999999.999, 999999999.0, QDate(2000, 2, 29), true,
         QStringLiteral("x")},
        {blank, blank, blank, blank, blank, blank, blank, blank},
    };
    {
        auto t = DbfTable::open(path, true);
        for (const Record& r : rows) t->appendRecord(r);
        t->deleteRecord(1);
    }
    // What other writers leave: a zero date, and numbers left-aligned, without a leading
    // zero, with a decimal comma, overflowed, NUL-filled; a date that is none; leading blanks.
    patchField(path, 3, 59, "00000000");
    patchField(path, 5, 1, "12.5           ");
    patchField(path, 5, 16, ".5  ");
    patchField(path, 5, 20, "                 1,5");
    patchField(path, 5, 40, "**********");
    patchField(path, 5, 50, QByteArray(9, '\0'));
    patchField(path, 5, 59, "20080231");
    patchField(path, 5, 68, "  lead");

    EXPECT_EQ(dumpOf(path),
              "deleted,S,N,W,F,I,D,L,T\n"
              ",777.77,1,197472.2700,0.500,123456789,2008-10-13,T,\"ООО \"\"Ромашка\"\", склад\"\n"
              "*,-0.50,-999,-1234567.8901,-12.345,-1,,F,Горгаз\n"
              ",0.00,0,0.0001,0.000,0,1999-12-31,,\n"
              ",,,,,,,,\n"
              ",100000000000.00,9999,12345678901234.5000,999999.999,999999999,2000-02-29,T,x\n"
              ",12.5,.5,\"1,5\",**********,,20080231,,  lead\n");

    // A table that stops half-way: the records before the damage are written, then the error.
    patchField(path, 4, 0, "#");
    std::string partial;
    EXPECT_THROW(tabletool::dumpTable(path, [&](std::string_view b) { partial.append(b); }),
                 EngineError);
    EXPECT_EQ(QString::fromStdString(partial).count(QLatin1Char('\n')), 5) << partial;
}

// A table of many read blocks: every record comes out once and in order, and damage in a
// later block stops the dump right after the records before it.
TEST_F(TabletoolTest, DumpStreamsATableOfManyBlocks) {
    const QString path = dir.filePath("DayData.DBF");
    DbfTable::create(path, dayDataFields(), {});
    std::vector<Record> rows;
    for (int i = 0; i < 2000; ++i)
        rows.push_back({i % 9999, QStringLiteral("Получатель %1").arg(i), QVariant(), i + 0.5, QVariant(),
                        QVariant(), QVariant(), QVariant()});
    DbfTable::open(path, true)->appendRecordsAnew(rows);
    const auto rowsOf = [](const std::string& csv) {
        return QString::fromStdString(csv).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    };
    const QStringList all = rowsOf(dumpOf(path));
    ASSERT_EQ(all.size(), 2001);
    for (int i = 0; i < 2000; i += 111)
        EXPECT_EQ(all[i + 1], QStringLiteral(",%1,Получатель %1,,%1.50,,,,").arg(i));

    patchField(path, 1500, 0, "?");
    std::string partial;
    EXPECT_THROW(tabletool::dumpTable(path, [&](std::string_view b) { partial.append(b); }), EngineError);
    const QStringList before = rowsOf(partial);
    ASSERT_EQ(before.size(), 1501);
    EXPECT_EQ(before.back(), all[1500]);
}

// A day table with an index whose every record is sound; each case damages a copy.
TEST_F(TabletoolTest, CheckPassesSoundTablesAndNamesEveryKindOfDamage) {
    const QString good = dir.filePath("good");
    QDir().mkpath(good);
    SyncScope bulk(SyncScope::Bulk);
    DbfTable::create(good + "/DayData.DBF", dayDataFields(),
                     {{"NPP", "NPP"}, {"KOMU", "KOMU"}, {"PAY_DATA", "PAY_DATA"}});
    {
        auto t = DbfTable::open(good + "/DayData.DBF", true);
        for (int i = 0; i < 300; ++i)
            t->appendRecord({(i * 7) % 300 + 1, QStringLiteral("Получатель %1").arg(i % 37),
                             QString(), i * 10.5 - 700, QString(),
                             i % 5 ? QVariant(QDate(2008, 10, 1 + i % 28)) : QVariant(), QString(),
                             QString()});
        t->deleteRecord(17);
    }
    ParadoxTable::create(good + "/List.db",
                         {{"ListVal", FieldKind::Text, 40, 0}, {"Sum", FieldKind::Float, 8, 0}});
    {
        auto t = ParadoxTable::open(good + "/List.db", true);
        for (int i = 0; i < 500; ++i)
            t->appendRecord({QStringLiteral("Строка %1").arg(i), i * 0.25});
    }
    const QByteArray dbf = readFile(good + "/DayData.DBF");
    const QByteArray mdx = readFile(good + "/DayData.MDX");
    const QByteArray db = readFile(good + "/List.db");
    ASSERT_FALSE(dbf.isEmpty() || mdx.isEmpty() || db.isEmpty());
    EXPECT_TRUE(tabletool::checkTable(good + "/daydata.dbf")
                    .contains(QStringLiteral("записей 300 (удалённых 1)")));
    EXPECT_TRUE(tabletool::checkTable(good + "/List.db").contains(QStringLiteral("записей 500")));

    const int headerLength = 32 + 8 * 32 + 1, recordLength = 562;
    const auto withByte = [](QByteArray b, int at, char c) {
        b[at] = c;
        return b;
    };
    // A record the index does not know (appended after the index was written) and one whose
    // key field changed behind the index.
    QByteArray appended = dbf.left(dbf.size() - 1) + dbf.mid(headerLength, recordLength) + "\x1A";
    appended[4] = static_cast<char>(static_cast<unsigned char>(appended[4]) + 1);
    QByteArray edited = dbf;
    edited.replace(headerLength + 5 * recordLength + 5, 10, "Ivanov    ");
    // Index keys in the wrong order: two leaf entries swapped in the first leaf of NPP.
    const std::vector<MdxIndex::Entry> npp = MdxIndex::walk(good + "/DayData.MDX", "NPP");
    QByteArray swapped = mdx;
    {
        const QByteArray first = QByteArray::fromStdString(npp[0].key),
                         second = QByteArray::fromStdString(npp[1].key);
        const qsizetype a = swapped.indexOf(first), b = swapped.indexOf(second, a + 1);
        ASSERT_TRUE(a > 0 && b > a);
        // The record numbers move with the keys, so every record is still named once.
        const QByteArray ea = swapped.mid(a - 4, 16), eb = swapped.mid(b - 4, 16);
        swapped.replace(a - 4, 16, eb);
        swapped.replace(b - 4, 16, ea);
    }
    struct Case {
        const char* what;
        QByteArray dbf, mdx, db;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {"short file", dbf.left(20), mdx, db, "файл слишком короткий"},
        {"version", withByte(dbf, 0, 0x04), mdx, db, "неизвестная версия"},
        {"encrypted", withByte(dbf, 15, 1), mdx, db, "зашифрована"},
        {"header length", withByte(withByte(dbf, 8, 0x10), 9, 0), mdx, db, "длина заголовка"},
        {"record length", withByte(dbf, 10, 0x33), mdx, db, "длина записи"},
        {"field type", withByte(dbf, 32 + 11, 'X'), mdx, db, "неподдерживаемого типа"},
        {"lost records", dbf.left(headerLength + 250 * recordLength), mdx, db,
         "в заголовке 300 записей, в файле 250"},
        {"deletion flag", withByte(dbf, headerLength + 41 * recordLength, '#'), mdx, db,
         "признак удаления записи 42"},
        {"index missing", dbf, QByteArray(), db, "Отсутствует индексный файл"},
        {"index damaged", dbf, mdx.left(1000), db, "Повреждён индексный файл"},
        {"record not indexed", appended, mdx, db, "ключей 300, записей в таблице 301"},
        {"stale key", edited, mdx, db, "ключ записи 6 не совпадает с её полем KOMU"},
        {"keys out of order", dbf, swapped, db, "не по порядку"},
        {"paradox header", dbf, mdx, withByte(db, 4, 0x7F), "List.db"},
        {"paradox rows lost", dbf, mdx, db.left(db.size() - 4096), "List.db"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString work = dir.filePath(QString::fromLatin1(c.what).replace(' ', '_'));
        QDir().mkpath(work);
        writeFile(work + "/DayData.DBF", c.dbf);
        if (!c.mdx.isEmpty()) writeFile(work + "/DayData.MDX", c.mdx);
        writeFile(work + "/List.db", c.db);
        QString reason;
        try {
            tabletool::checkTable(
                work + (QByteArray(c.reason).startsWith("List") ? "/List.db" : "/DayData.DBF"));
        } catch (const EngineError& e) {
            reason = e.message();
        }
        EXPECT_TRUE(reason.contains(QString::fromUtf8(c.reason))) << reason.toStdString();
        // The check mends nothing: a missing index stays missing, the files stay as they were.
        EXPECT_EQ(readFile(work + "/DayData.DBF"), c.dbf);
        EXPECT_EQ(QFileInfo::exists(work + "/DayData.MDX"), !c.mdx.isEmpty());
        EXPECT_EQ(readFile(work + "/DayData.MDX"), c.mdx);
    }

    // An append stopped before its record was let in leaves a sound table: the tool says so
    // with 0, and a damaged one with 1 and the reason on one line.
    const QString stopped = dir.filePath("stopped");
    QDir().mkpath(stopped);
    QByteArray half = dbf.left(dbf.size() - 1) + dbf.mid(headerLength, recordLength) + "\x1A";
    half[4] = static_cast<char>(static_cast<unsigned char>(half[4]) + 1);
    half[headerLength + 300 * recordLength] = 0x1A;
    writeFile(stopped + "/DayData.DBF", half);
    writeFile(stopped + "/DayData.MDX", mdx);
    int status = -1;
    std::string out = tool(QStringLiteral("check %1").arg(stopped + "/DayData.DBF"), &status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find("записей 300"), std::string::npos) << out;
    out = tool(QStringLiteral("check %1").arg(dir.filePath("deletion_flag/DayData.DBF")), &status);
    EXPECT_EQ(status, 1) << out;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
}

// Creating a table syncs it once at its end, not once per row.
TEST_F(TabletoolTest, CreateSyncsTheTableOnce) {
    std::string csv = "NPP,KOMU,PAY_SUM\n";
    for (int i = 0; i < 1000; ++i)
        csv.append(std::to_string(i))
            .append(",Получатель ")
            .append(std::to_string(i))
            .append(",")
            .append(std::to_string(i))
            .append(".25\n");
    put("day.schema", "NPP N 4\nKOMU C 50\nPAY_SUM N 15 2\ntag NPP NPP\n");
    put("day.csv", csv.c_str());
    int status = -1;
    const std::string out = runCapture(
        std::string("strace -f -qq -y -e trace=fsync,fdatasync -o ") +
            shellQuote(dir.filePath("syncs")) + " " + std::string(TABLETOOL) + " create " +
            shellQuote(dir.filePath("DayData.DBF")) + " " + shellQuote(dir.filePath("day.schema")) +
            " " + shellQuote(dir.filePath("day.csv")) + " 2>&1",
        &status);
    ASSERT_EQ(status, 0) << out;
    const QStringList syncs = QString::fromUtf8(readFile(dir.filePath("syncs")))
                                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_FALSE(syncs.isEmpty()) << "strace recorded nothing";
    // The table and its index are each written whole beside their names and synced once.
    EXPECT_EQ(syncs.filter(QStringLiteral("DayData.DBF.")).size(), 1)
        << syncs.join('\n').toStdString();
    EXPECT_EQ(syncs.filter(QStringLiteral("DayData.MDX.")).size(), 1)
        << syncs.join('\n').toStdString();
    EXPECT_LT(syncs.size(), 8) << syncs.join('\n').toStdString();
    EXPECT_EQ(dumpOf(dir.filePath("DayData.DBF"))
                  .rfind("deleted,NPP,KOMU,PAY_SUM\n,0,Получатель 0,0.25\n,1,", 0),
              0u);
    EXPECT_NO_THROW(tabletool::checkTable(dir.filePath("DayData.DBF")));
}

}  // namespace
