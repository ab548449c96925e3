#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstring>
#include <functional>
#include <random>

#include "ChildProcess.h"
#include "Codec.h"
#include "EngineError.h"
#include "EngineTestUtil.h"
#include "FileIo.h"
#include "FileLock.h"
#include "engine/ParadoxHeader.h"
#include "engine/ParadoxTable.h"
#include "engine/SyncScope.h"

extern "C" {
#include <paradox.h>
}

using base::Codec;
using base::EngineError;
using engine::FieldDef;
using engine::FieldKind;
using engine::ParadoxTable;
using engine::Record;
using enginetest::readFile;
using testing_support::runInChild;

namespace {

constexpr int kHeaderSize = 2048;  // what pxlib writes for tables with a few fields
constexpr int kBlockSize = 4096;

std::vector<FieldDef> allKinds() {
    return {{QStringLiteral("Name"), FieldKind::Text, 30, 0},
            {QStringLiteral("Count"), FieldKind::SmallInt, 0, 0},
            {QStringLiteral("Amount"), FieldKind::Float, 0, 0},
            {QStringLiteral("Day"), FieldKind::Date, 0, 0},
            {QStringLiteral("Used"), FieldKind::Boolean, 0, 0}};
}

// A table with a wide text field, so that few rows fill a block.
std::vector<FieldDef> wideFields() {
    return {{QStringLiteral("ListVal"), FieldKind::Text, 200, 0},
            {QStringLiteral("Num"), FieldKind::SmallInt, 0, 0}};
}
constexpr int kWideRowsPerBlock = (kBlockSize - 6) / 202;  // 20

// Replaces a file's content in place. Not truncating to zero first keeps ext4 from flushing
// the file to disk on every close, which makes the mutation loops below slow on a busy machine.
bool overwrite(const QString& path, const QByteArray& bytes) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const bool ok =
        ::pwrite(fd, bytes.constData(), static_cast<size_t>(bytes.size()), 0) == bytes.size() &&
        ::ftruncate(fd, bytes.size()) == 0;
    ::close(fd);
    return ok;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    ASSERT_TRUE(overwrite(path, bytes));
}

long long fileSize(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_size : -1;
}

// Reads a table with pxlib alone, as any other program would: Alpha values come back as their
// raw bytes, other values as numbers, blanks as invalid variants.
struct PxTable {
    bool opened = false;
    int codePage = 0;
    int blockKb = 0;
    std::vector<int> types;
    std::vector<std::vector<QVariant>> rows;
};

void ignorePxError(pxdoc_t*, int, const char*, void*) {}

PxTable readWithPxlib(const QString& path) {
    PxTable out;
    pxdoc_t* doc = PX_new3(ignorePxError, nullptr, nullptr, nullptr, nullptr);
    if (PX_open_file(doc, QFile::encodeName(path).constData()) < 0) {
        PX_delete(doc);
        return out;
    }
    out.opened = true;
    float value = 0;
    if (PX_get_value(doc, "codepage", &value) == 0) out.codePage = static_cast<int>(value);
    if (PX_get_value(doc, "maxtablesize", &value) == 0) out.blockKb = static_cast<int>(value);
    const int numFields = PX_get_num_fields(doc);
    pxfield_t* fields = PX_get_fields(doc);
    for (int i = 0; i < numFields; ++i) out.types.push_back(fields[i].px_ftype);
    std::vector<char> data(static_cast<size_t>(PX_get_recordsize(doc)));
    for (int r = 0; r < PX_get_num_records(doc); ++r) {
        std::vector<QVariant> row;
        if (!PX_get_record(doc, r, data.data())) {
            out.rows.push_back(row);
            continue;
        }
        int offset = 0;
        for (int i = 0; i < numFields; ++i) {
            char* p = data.data() + offset;
            const int len = fields[i].px_flen;
            offset += len;
            QVariant v;
            switch (fields[i].px_ftype) {
                case pxfAlpha: {
                    char* s = nullptr;
                    if (PX_get_data_alpha(doc, p, len, &s) > 0 && s) {
                        v = QByteArray(
                            s, static_cast<qsizetype>(::strnlen(s, static_cast<size_t>(len))));
                        doc->free(doc, s);
                    }
                    break;
                }
                case pxfShort: {
                    short s = 0;
                    if (PX_get_data_short(doc, p, len, &s) > 0) v = static_cast<int>(s);
                    break;
                }
                case pxfNumber: {
                    double d = 0;
                    if (PX_get_data_double(doc, p, len, &d) > 0) v = d;
                    break;
                }
                case pxfDate: {
                    // PX_get_data_long cannot tell a blank value on 64-bit systems.
                    long days = 0;
                    if (std::any_of(p, p + len, [](char c) { return c != 0; }) &&
                        PX_get_data_long(doc, p, len, &days) > 0) {
                        int y = 0, m = 0, dd = 0;
                        PX_SdnToGregorian(days + 1721425, &y, &m, &dd);
                        v = QDate(y, m, dd);
                    }
                    break;
                }
                case pxfLogical: {
                    char b = 0;
                    if (PX_get_data_byte(doc, p, len, &b) > 0) v = b != 0;
                    break;
                }
            }
            row.push_back(v);
        }
        out.rows.push_back(row);
    }
    PX_close(doc);
    PX_delete(doc);
    return out;
}

QByteArray cp1251(const QString& s) {
    const std::string bytes = Codec::cp1251().encode(s);
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::vector<QString> texts(const ParadoxTable& t, int field = 0) {
    std::vector<QString> out;
    for (int i = 0; i < t.slotCount(); ++i)
        if (!t.isDeleted(i)) out.push_back(t.value(i, field).toString());
    return out;
}

class ParadoxTableTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString path(const QString& name = QStringLiteral("Table.db")) const {
        return dir.filePath(name);
    }

    // A table of wide rows holding "row 0" .. "row n-1".
    QString makeWideTable(int n, const QString& name = QStringLiteral("Wide.db")) {
        const QString p = path(name);
        ParadoxTable::create(p, wideFields());
        auto t = ParadoxTable::open(p, false);
        for (int i = 0; i < n; ++i) t->appendRecord({QStringLiteral("row %1").arg(i), i});
        return p;
    }

    QTemporaryDir dir;
};

// ---- creating and reading back -----------------------------------------------------------

TEST_F(ParadoxTableTest, CreateWritesAnEmptyNonKeyedTableInCodePage1251) {
    ParadoxTable::create(path(), allKinds());
    EXPECT_EQ(fileSize(path()), kHeaderSize);

    auto t = ParadoxTable::open(path(), false);
    EXPECT_EQ(t->format(), engine::TableFile::Format::Paradox);
    EXPECT_EQ(t->slotCount(), 0);
    EXPECT_FALSE(t->readOnly());
    ASSERT_EQ(t->fields().size(), 5u);
    const std::vector<FieldDef> expected = allKinds();
    const int widths[] = {30, 2, 8, 4, 1};
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(t->fields()[i].name, expected[i].name);
        EXPECT_EQ(t->fields()[i].kind, expected[i].kind);
        EXPECT_EQ(t->fields()[i].width, widths[i]);
    }
    EXPECT_EQ(t->fieldIndex(QStringLiteral("amount")), 2);

    const PxTable px = readWithPxlib(path());
    ASSERT_TRUE(px.opened);
    EXPECT_EQ(px.codePage, 1251);
    EXPECT_EQ(px.blockKb, 4);
    EXPECT_EQ(px.types, (std::vector<int>{pxfAlpha, pxfShort, pxfNumber, pxfDate, pxfLogical}));
    EXPECT_TRUE(px.rows.empty());
}

TEST_F(ParadoxTableTest, CreateRefusesAnExistingFileAndUnsoundFields) {
    ParadoxTable::create(path(), allKinds());
    const QByteArray before = readFile(path());
    EXPECT_THROW(ParadoxTable::create(path(), allKinds()), EngineError);
    EXPECT_EQ(readFile(path()), before);

    const std::vector<std::vector<FieldDef>> bad = {
        {},
        {{QStringLiteral("A"), FieldKind::Text, 0, 0}},
        {{QStringLiteral("A"), FieldKind::Text, 256, 0}},
        {{QStringLiteral(""), FieldKind::Text, 10, 0}},
        {{QStringLiteral("A"), FieldKind::Text, 10, 0},
         {QStringLiteral("a"), FieldKind::Boolean, 0, 0}},
        {{QStringLiteral("AVeryLongFieldNameOver25Ch"), FieldKind::Text, 10, 0}},
    };
    for (size_t i = 0; i < bad.size(); ++i) {
        const QString p = path(QStringLiteral("Bad%1.db").arg(i));
        EXPECT_THROW(ParadoxTable::create(p, bad[i]), EngineError) << i;
        EXPECT_FALSE(QFile::exists(p)) << i;
    }
}

TEST_F(ParadoxTableTest, EveryKindRoundTripsWithCyrillicTextAndBlanks) {
    ParadoxTable::create(path(), allKinds());
    const std::vector<Record> rows = {
        {QStringLiteral("Сбербанк России"), 17, 1234.56, QDate(2008, 10, 13), true},
        {QStringLiteral("ёЁ №«»—"), -32767, -0.01, QDate(1, 1, 1), false},
        {QVariant(), QVariant(), QVariant(), QVariant(), QVariant()},
        {QStringLiteral("zero"), 0, 0.0, QDate(9999, 12, 31), false},
        {QStringLiteral("max"), 32767, 1e300, QDate(1900, 2, 28), QVariant()},
    };
    {
        auto t = ParadoxTable::open(path(), false);
        for (size_t i = 0; i < rows.size(); ++i)
            EXPECT_EQ(t->appendRecord(rows[i]), static_cast<int>(i));
    }
    auto check = [&](const ParadoxTable& t) {
        ASSERT_EQ(t.slotCount(), static_cast<int>(rows.size()));
        for (size_t r = 0; r < rows.size(); ++r) {
            for (size_t f = 0; f < rows[r].size(); ++f) {
                const QVariant got = t.value(static_cast<int>(r), static_cast<int>(f));
                const QVariant& want = rows[r][f];
                if (!want.isValid()) {
                    EXPECT_FALSE(got.isValid()) << r << "/" << f;
                    continue;
                }
                ASSERT_TRUE(got.isValid()) << r << "/" << f;
                switch (t.fields()[f].kind) {
                    case FieldKind::Text:
                        EXPECT_EQ(got.toString(), want.toString());
                        break;
                    case FieldKind::SmallInt:
                        EXPECT_EQ(got.metaType().id(), QMetaType::Int);
                        EXPECT_EQ(got.toInt(), want.toInt());
                        break;
                    case FieldKind::Float:
                        EXPECT_EQ(got.metaType().id(), QMetaType::Double);
                        EXPECT_DOUBLE_EQ(got.toDouble(), want.toDouble());
                        break;
                    case FieldKind::Date:
                        EXPECT_EQ(got.toDate(), want.toDate());
                        break;
                    case FieldKind::Boolean:
                        EXPECT_EQ(got.metaType().id(), QMetaType::Bool);
                        EXPECT_EQ(got.toBool(), want.toBool());
                        break;
                }
            }
        }
    };
    auto reopened = ParadoxTable::open(path(), false);
    check(*reopened);

    // pxlib alone sees the same values, the texts as Windows-1251 bytes.
    const PxTable px = readWithPxlib(path());
    ASSERT_TRUE(px.opened);
    ASSERT_EQ(px.rows.size(), rows.size());
    for (size_t r = 0; r < rows.size(); ++r) {
        ASSERT_EQ(px.rows[r].size(), 5u);
        if (rows[r][0].isValid())
            EXPECT_EQ(px.rows[r][0].toByteArray(), cp1251(rows[r][0].toString())) << r;
        else
            EXPECT_FALSE(px.rows[r][0].isValid());
        for (size_t f = 1; f < 5; ++f) EXPECT_EQ(px.rows[r][f], rows[r][f]) << r << "/" << f;
    }
}

TEST_F(ParadoxTableTest, ValuesAreConvertedToTheFieldKind) {
    ParadoxTable::create(path(), allKinds());
    auto t = ParadoxTable::open(path(), false);
    const int slot = t->appendRecord(
        {42, QStringLiteral("12"), QStringLiteral("3.5"), QStringLiteral("2020-02-29"), 1});
    EXPECT_EQ(t->value(slot, 0), QVariant(QStringLiteral("42")));
    EXPECT_EQ(t->value(slot, 1), QVariant(12));
    EXPECT_EQ(t->value(slot, 2), QVariant(3.5));
    EXPECT_EQ(t->value(slot, 3), QVariant(QDate(2020, 2, 29)));
    EXPECT_EQ(t->value(slot, 4), QVariant(true));

    // A short record leaves the rest blank; an empty text is blank in any field.
    const int shortSlot = t->appendRecord({QString()});
    for (int f = 0; f < 5; ++f) EXPECT_FALSE(t->value(shortSlot, f).isValid()) << f;
    const int emptySlot =
        t->appendRecord({QStringLiteral(""), QStringLiteral(" "), QStringLiteral(""),
                         QStringLiteral(""), QStringLiteral("")});
    for (int f = 0; f < 5; ++f) EXPECT_FALSE(t->value(emptySlot, f).isValid()) << f;
    t->appendRecord({QStringLiteral("dates"), QVariant(), QVariant(), QDate(), 0});
    const int dateSlot = t->appendRecord({QStringLiteral("dates"), QVariant(), QVariant(),
                                          QDateTime(QDate(2001, 2, 3), QTime(4, 5))});
    EXPECT_EQ(t->value(dateSlot, 3), QVariant(QDate(2001, 2, 3)));
    EXPECT_FALSE(t->value(dateSlot - 1, 3).isValid());
    EXPECT_EQ(t->value(dateSlot - 1, 4), QVariant(false));  // false, not blank
    EXPECT_EQ(t->record(slot).size(), 5u);
}

// ---- refusing values ---------------------------------------------------------------------

TEST_F(ParadoxTableTest, ValuesThatDoNotFitAreRefusedAndNothingIsWritten) {
    ParadoxTable::create(path(), allKinds());
    auto t = ParadoxTable::open(path(), false);
    t->appendRecord({QStringLiteral("a"), 1, 1.0, QDate(2020, 1, 1), true});
    const QByteArray before = readFile(path());
    const uint64_t generation = t->generation();

    const std::vector<Record> refused = {
        {QStringLiteral("b"), 32768},
        {QStringLiteral("b"), -32768},
        {QStringLiteral("b"), 100000},
        {QStringLiteral("b"), QStringLiteral("abc")},
        {QStringLiteral("b"), 1, QStringLiteral("not a number")},
        {QStringLiteral("b"), 1, std::numeric_limits<double>::infinity()},
        {QStringLiteral("b"), 1, std::nan("")},
        {QStringLiteral("b"), 1, 1.0, QStringLiteral("yesterday")},
        {QStringLiteral("b"), 1, 1.0, QDate(), true, QStringLiteral("one field too many")},
    };
    for (size_t i = 0; i < refused.size(); ++i) {
        EXPECT_THROW(t->appendRecord(refused[i]), EngineError) << i;
        EXPECT_THROW(t->writeRecord(0, refused[i]), EngineError) << i;
    }
    try {
        t->writeRecord(0, {QStringLiteral("b"), 40000});
        ADD_FAILURE() << "no error";
    } catch (const EngineError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("Count"))) << e.what();
        EXPECT_TRUE(e.message().contains(QStringLiteral("40000"))) << e.what();
    }
    EXPECT_EQ(readFile(path()), before);
    EXPECT_EQ(t->slotCount(), 1);
    EXPECT_EQ(t->value(0, 0).toString(), QStringLiteral("a"));
    EXPECT_EQ(t->generation(), generation);

    // The limits themselves fit.
    t->writeRecord(0, {QStringLiteral("b"), 32767});
    EXPECT_EQ(t->value(0, 1).toInt(), 32767);
    t->writeRecord(0, {QStringLiteral("b"), -32767});
    EXPECT_EQ(t->value(0, 1).toInt(), -32767);
}

TEST_F(ParadoxTableTest, OverlongTextIsClippedToTheFieldWidth) {
    ParadoxTable::create(path(), allKinds());
    const QString longText = QString(QStringLiteral("Ж")).repeated(300);
    {
        auto t = ParadoxTable::open(path(), false);
        t->appendRecord({longText, 1});
        t->appendRecord({QStringLiteral("после"), 2});
        EXPECT_EQ(t->value(0, 0).toString(), longText.left(30));
        t->writeRecord(1, {longText + QStringLiteral("x"), 3});
        EXPECT_EQ(t->value(1, 0).toString(), longText.left(30));
    }
    auto t = ParadoxTable::open(path(), false);
    EXPECT_EQ(t->value(0, 0).toString(), longText.left(30));
    EXPECT_EQ(t->value(0, 1).toInt(), 1);  // the next field is intact
    EXPECT_EQ(t->value(1, 1).toInt(), 3);
    const PxTable px = readWithPxlib(path());
    ASSERT_EQ(px.rows.size(), 2u);
    EXPECT_EQ(px.rows[0][0].toByteArray(), cp1251(longText.left(30)));
}

// ---- order of rows, updates and deletes --------------------------------------------------

TEST_F(ParadoxTableTest, UpdateRewritesTheRowInPlace) {
    const QString p = makeWideTable(45);
    auto t = ParadoxTable::open(p, false);
    const long long size = fileSize(p);
    const QByteArray before = readFile(p);

    t->writeRecord(21, {QStringLiteral("изменено"), -5});
    EXPECT_EQ(t->value(21, 0).toString(), QStringLiteral("изменено"));
    EXPECT_EQ(fileSize(p), size);
    // Only the row itself and the header stamp changed.
    const QByteArray after = readFile(p);
    const int rowStart = kHeaderSize + kBlockSize + 6 + 1 * 202;  // block 2, second row
    int changedOutsideRow = 0;
    for (int i = 0x78; i < after.size(); ++i)
        if (after[i] != before[i] && (i < rowStart || i >= rowStart + 202)) ++changedOutsideRow;
    EXPECT_EQ(changedOutsideRow, 0);

    auto again = ParadoxTable::open(p, false);
    ASSERT_EQ(again->slotCount(), 45);
    EXPECT_EQ(again->value(21, 0).toString(), QStringLiteral("изменено"));
    EXPECT_EQ(again->value(21, 1).toInt(), -5);
    EXPECT_EQ(again->value(20, 0).toString(), QStringLiteral("row 20"));
    EXPECT_EQ(again->value(22, 0).toString(), QStringLiteral("row 22"));
    const PxTable px = readWithPxlib(p);
    ASSERT_EQ(px.rows.size(), 45u);
    EXPECT_EQ(px.rows[21][0].toByteArray(), cp1251(QStringLiteral("изменено")));
}

TEST_F(ParadoxTableTest, DeletedSlotsStayUntilTheFileIsLoadedAgain) {
    const QString p = makeWideTable(5);
    auto t = ParadoxTable::open(p, false);
    const uint64_t generation = t->generation();
    t->deleteRecord(1);
    EXPECT_GT(t->generation(), generation);
    EXPECT_EQ(t->slotCount(), 5);
    EXPECT_TRUE(t->isDeleted(1));
    EXPECT_FALSE(t->isDeleted(2));
    EXPECT_EQ(t->value(2, 0).toString(), QStringLiteral("row 2"));
    EXPECT_THROW(t->writeRecord(1, {QStringLiteral("x")}), EngineError);
    EXPECT_NO_THROW(t->deleteRecord(1));  // deleting again changes nothing
    EXPECT_THROW(t->value(5, 0), EngineError);
    EXPECT_THROW(t->isDeleted(-1), EngineError);
    EXPECT_THROW(t->value(0, 2), EngineError);
    // Our own change is no reason to reload.
    EXPECT_FALSE(t->reloadIfChangedOnDisk());
    EXPECT_EQ(t->slotCount(), 5);

    // The row is gone from the file at once.
    EXPECT_EQ(readWithPxlib(p).rows.size(), 4u);
    auto again = ParadoxTable::open(p, false);
    EXPECT_EQ(texts(*again),
              (std::vector<QString>{QStringLiteral("row 0"), QStringLiteral("row 2"),
                                    QStringLiteral("row 3"), QStringLiteral("row 4")}));
    EXPECT_EQ(again->slotCount(), 4);
}

TEST_F(ParadoxTableTest, NewRowsGoToTheEndEvenAfterDeletesInTheMiddle) {
    const int n = 3 * kWideRowsPerBlock + 5;  // three full blocks and part of a fourth
    const QString p = makeWideTable(n);
    std::vector<QString> expected;
    for (int i = 0; i < n; ++i) expected.push_back(QStringLiteral("row %1").arg(i));
    {
        auto t = ParadoxTable::open(p, false);
        // Holes in the first block, and the whole second block emptied.
        for (int slot : {2, 5}) t->deleteRecord(slot);
        for (int slot = kWideRowsPerBlock; slot < 2 * kWideRowsPerBlock; ++slot)
            t->deleteRecord(slot);
        std::vector<QString> kept;
        for (int i = 0; i < n; ++i)
            if (i != 2 && i != 5 && (i < kWideRowsPerBlock || i >= 2 * kWideRowsPerBlock))
                kept.push_back(expected[static_cast<size_t>(i)]);
        expected = kept;
        // Appends in the same session land at the end.
        for (int i = 0; i < 3; ++i) {
            const QString text = QStringLiteral("new %1").arg(i);
            const int slot = t->appendRecord({text, 1000 + i});
            EXPECT_EQ(slot, n + i);
            expected.push_back(text);
        }
        EXPECT_EQ(texts(*t), expected);
    }
    // And after reopening, too.
    {
        auto t = ParadoxTable::open(p, false);
        EXPECT_EQ(texts(*t), expected);
        for (int i = 3; i < 30; ++i) {
            const QString text = QStringLiteral("new %1").arg(i);
            t->appendRecord({text, 1000 + i});
            expected.push_back(text);
        }
        EXPECT_EQ(texts(*t), expected);
    }
    auto t = ParadoxTable::open(p, false);
    EXPECT_EQ(texts(*t), expected);

    // Every block of the file holds rows: no block is lost or left empty.
    const long long blocks = (fileSize(p) - kHeaderSize) / kBlockSize;
    EXPECT_EQ((fileSize(p) - kHeaderSize) % kBlockSize, 0);
    const long long rows = static_cast<long long>(expected.size());
    EXPECT_GE(blocks * kWideRowsPerBlock, rows);
    EXPECT_LT((blocks - 1) * kWideRowsPerBlock, rows + kWideRowsPerBlock);

    // pxlib alone reads the same rows in the same order.
    const PxTable px = readWithPxlib(p);
    ASSERT_EQ(px.rows.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(px.rows[i][0].toByteArray(), cp1251(expected[i])) << i;
}

TEST_F(ParadoxTableTest, DeletingEveryRowLeavesAnEmptyUsableTable) {
    const int n = 2 * kWideRowsPerBlock + 3;
    const QString p = makeWideTable(n);
    {
        auto t = ParadoxTable::open(p, false);
        // From the front, so that the last block keeps moving into freed places.
        for (int i = 0; i < n; ++i) t->deleteRecord(i);
        EXPECT_EQ(fileSize(p), kHeaderSize);
        EXPECT_TRUE(texts(*t).empty());
        t->appendRecord({QStringLiteral("снова"), 1});
    }
    auto t = ParadoxTable::open(p, false);
    EXPECT_EQ(texts(*t), std::vector<QString>{QStringLiteral("снова")});
    EXPECT_EQ(readWithPxlib(p).rows.size(), 1u);
}

TEST_F(ParadoxTableTest, PackNeedsExclusiveUseAndRenumbersSlots) {
    const int n = 3 * kWideRowsPerBlock;
    const QString p = makeWideTable(n);
    {
        auto shared = ParadoxTable::open(p, false);
        EXPECT_THROW(shared->pack(), EngineError);
    }
    auto t = ParadoxTable::open(p, true);
    std::vector<QString> expected;
    for (int i = 0; i < n; ++i) {
        if (i % 3 == 0)
            t->deleteRecord(i);
        else
            expected.push_back(QStringLiteral("row %1").arg(i));
    }
    const uint64_t generation = t->generation();
    t->pack();
    EXPECT_GT(t->generation(), generation);
    EXPECT_EQ(t->slotCount(), static_cast<int>(expected.size()));
    for (int i = 0; i < t->slotCount(); ++i) EXPECT_FALSE(t->isDeleted(i));
    EXPECT_EQ(texts(*t), expected);
    const long long blocks =
        (static_cast<long long>(expected.size()) + kWideRowsPerBlock - 1) / kWideRowsPerBlock;
    EXPECT_EQ(fileSize(p), kHeaderSize + blocks * kBlockSize);

    const int slot = t->appendRecord({QStringLiteral("last"), 1});
    EXPECT_EQ(slot, static_cast<int>(expected.size()));
    expected.push_back(QStringLiteral("last"));
    t.reset();
    const PxTable px = readWithPxlib(p);
    ASSERT_EQ(px.rows.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(px.rows[i][0].toByteArray(), cp1251(expected[i]));
}

// ---- sharing between processes -----------------------------------------------------------

TEST_F(ParadoxTableTest, ExclusiveUseIsRefusedToOtherProcessesAndOpens) {
    ParadoxTable::create(path(), allKinds());
    const QString p = path();
    {
        auto shared = ParadoxTable::open(p, false);
        // Another process can share it, but not have it exclusively.
        EXPECT_EQ(runInChild([&] {
                      try {
                          ParadoxTable::open(p, true);
                          return 1;
                      } catch (const EngineError& e) {
                          return e.message().contains(QStringLiteral("занята")) ? 0 : 2;
                      }
                  }),
                  0);
        EXPECT_EQ(runInChild([&] {
                      const int fd = ::open(QFile::encodeName(p).constData(), O_RDWR);
                      return base::tryLockFile(fd, true) ? 1 : 0;
                  }),
                  0);
        EXPECT_EQ(
            runInChild([&] { return ParadoxTable::open(p, false)->slotCount() == 0 ? 0 : 1; }), 0);
        // So does a second open in this process.
        EXPECT_THROW(ParadoxTable::open(p, true), EngineError);
        EXPECT_NO_THROW(ParadoxTable::open(p, false));
    }

    // While another process has it exclusively, it cannot be opened at all.
    testing_support::HoldingChild holder(
        [&] { return std::shared_ptr<void>(ParadoxTable::open(p, true)); });
    ASSERT_TRUE(holder.held());
    EXPECT_THROW(ParadoxTable::open(p, false), EngineError);
    EXPECT_THROW(ParadoxTable::open(p, true), EngineError);
    EXPECT_EQ(holder.release(), 0);
    // Once it let go, the table opens again.
    EXPECT_NO_THROW(ParadoxTable::open(p, true));
}

TEST_F(ParadoxTableTest, ChangesByAnotherProcessArePickedUp) {
    const QString p = makeWideTable(3);
    auto t = ParadoxTable::open(p, false);
    EXPECT_FALSE(t->reloadIfChangedOnDisk());

    // The other process appends a row.
    ASSERT_EQ(runInChild([&] {
                  ParadoxTable::open(p, false)->appendRecord({QStringLiteral("чужая"), 7});
                  return 0;
              }),
              0);
    const uint64_t generation = t->generation();
    EXPECT_TRUE(t->reloadIfChangedOnDisk());
    EXPECT_GT(t->generation(), generation);
    EXPECT_EQ(texts(*t).back(), QStringLiteral("чужая"));
    EXPECT_FALSE(t->reloadIfChangedOnDisk());

    // A change that keeps the file size, right after one of ours, is noticed as well.
    for (int round = 0; round < 5; ++round) {
        t->writeRecord(0, {QStringLiteral("наша %1").arg(round), 1});
        ASSERT_EQ(runInChild([&] {
                      ParadoxTable::open(p, false)->writeRecord(
                          0, {QStringLiteral("их %1").arg(round), 2});
                      return 0;
                  }),
                  0);
        EXPECT_TRUE(t->reloadIfChangedOnDisk()) << round;
        EXPECT_EQ(t->value(0, 0).toString(), QStringLiteral("их %1").arg(round));
    }

    // A deletion renumbers the slots on reload.
    ASSERT_EQ(runInChild([&] {
                  ParadoxTable::open(p, false)->deleteRecord(0);
                  return 0;
              }),
              0);
    EXPECT_TRUE(t->reloadIfChangedOnDisk());
    EXPECT_EQ(t->slotCount(), 3);
    EXPECT_EQ(t->value(0, 0).toString(), QStringLiteral("row 1"));
}

TEST_F(ParadoxTableTest, AChangeOverRowsThatAnotherProcessChangedIsRefused) {
    const QString p = makeWideTable(3);
    auto t = ParadoxTable::open(p, false);
    ASSERT_EQ(runInChild([&] {
                  auto other = ParadoxTable::open(p, false);
                  other->deleteRecord(0);
                  return 0;
              }),
              0);
    // Slot 0 no longer is the row this process saw: the change is refused, the rows reread.
    EXPECT_THROW(t->writeRecord(0, {QStringLiteral("stale"), 1}), EngineError);
    EXPECT_EQ(texts(*t), (std::vector<QString>{QStringLiteral("row 1"), QStringLiteral("row 2")}));
    t->writeRecord(0, {QStringLiteral("fresh"), 1});

    // An append needs no slot: it goes on after reading the other process's rows.
    ASSERT_EQ(runInChild([&] {
                  ParadoxTable::open(p, false)->appendRecord({QStringLiteral("their"), 2});
                  return 0;
              }),
              0);
    EXPECT_EQ(t->appendRecord({QStringLiteral("ours"), 3}), 3);
    EXPECT_EQ(texts(*t), (std::vector<QString>{QStringLiteral("fresh"), QStringLiteral("row 2"),
                                               QStringLiteral("their"), QStringLiteral("ours")}));
    auto again = ParadoxTable::open(p, false);
    EXPECT_EQ(texts(*again), texts(*t));
}

// ---- files this system did not write -----------------------------------------------------

TEST_F(ParadoxTableTest, MissingAndReadOnlyFiles) {
    EXPECT_THROW(ParadoxTable::open(path(QStringLiteral("None.db")), false), EngineError);
    EXPECT_THROW(ParadoxTable::open(dir.path(), false), EngineError);
    ASSERT_EQ(::mkfifo(QFile::encodeName(path(QStringLiteral("Fifo.db"))).constData(), 0600), 0);
    EXPECT_THROW(ParadoxTable::open(path(QStringLiteral("Fifo.db")), false), EngineError);

    if (::geteuid() == 0) GTEST_SKIP() << "file permissions do not bind root";
    const QString p = makeWideTable(2);
    ASSERT_EQ(::chmod(QFile::encodeName(p).constData(), 0444), 0);
    auto t = ParadoxTable::open(p, false);
    EXPECT_TRUE(t->readOnly());
    EXPECT_EQ(t->slotCount(), 2);
    EXPECT_THROW(t->appendRecord({QStringLiteral("x")}), EngineError);
    EXPECT_THROW(t->writeRecord(0, {QStringLiteral("x")}), EngineError);
    EXPECT_THROW(t->deleteRecord(0), EngineError);
    EXPECT_THROW(ParadoxTable::open(p, true), EngineError);
}

TEST_F(ParadoxTableTest, KeyedTablesAndUnsupportedFieldTypes) {
    const QString p = makeWideTable(2);
    QByteArray bytes = readFile(p);

    QByteArray keyed = bytes;
    keyed[4] = 0;  // a keyed table: readable, but rows must not be appended at the end
    const QString keyedPath = path(QStringLiteral("Keyed.db"));
    writeFile(keyedPath, keyed);
    auto t = ParadoxTable::open(keyedPath, false);
    EXPECT_TRUE(t->readOnly());
    EXPECT_EQ(t->slotCount(), 2);
    EXPECT_THROW(t->appendRecord({QStringLiteral("x")}), EngineError);

    // Field 2 (Short) turned into Long: an error naming the field.
    QByteArray withLong = bytes;
    withLong[0x78 + 2] = pxfLong;
    withLong[0x78 + 3] = 4;
    withLong[0] = static_cast<char>(204);  // record size 200 + 4
    const QString longPath = path(QStringLiteral("Long.db"));
    writeFile(longPath, withLong);
    try {
        ParadoxTable::open(longPath, false);
        ADD_FAILURE() << "no error";
    } catch (const EngineError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("Num"))) << e.what();
    }
}

// ---- damaged files -----------------------------------------------------------------------

// A small valid table: three fields, a few rows in one block.
QByteArray smallTable(const QString& p) {
    ParadoxTable::create(p, {{QStringLiteral("Name"), FieldKind::Text, 12, 0},
                             {QStringLiteral("N"), FieldKind::SmallInt, 0, 0},
                             {QStringLiteral("D"), FieldKind::Date, 0, 0}});
    auto t = ParadoxTable::open(p, false);
    for (int i = 0; i < 5; ++i)
        t->appendRecord({QStringLiteral("строка %1").arg(i), i, QDate(2024, 1, i + 1)});
    t.reset();
    return readFile(p);
}

// Opens a table and uses it; true when it opened, false on an EngineError. Anything else
// (another exception, a crash, a hang) is a fault.
bool openAndUse(const QString& p) {
    try {
        auto t = ParadoxTable::open(p, false);
        for (int i = 0; i < t->slotCount(); ++i)
            for (int f = 0; f < static_cast<int>(t->fields().size()); ++f) t->value(i, f);
        if (!t->readOnly()) {
            t->appendRecord({});
            if (t->slotCount() > 1) t->deleteRecord(0);
        }
        t.reset();
        ParadoxTable::open(p, false);
        return true;
    } catch (const EngineError&) {
        return false;
    }
}

TEST_F(ParadoxTableTest, TruncatedFilesAreReportedAsDamaged) {
    const QByteArray good = smallTable(path(QStringLiteral("Good.db")));
    ASSERT_EQ(good.size(), kHeaderSize + kBlockSize);
    const QString p = path();
    for (int size : {0, 1, 10, 0x57, 0x58, 0x77, 0x78, 0x100, 0x190, kHeaderSize - 1, kHeaderSize,
                     kHeaderSize + 6, kHeaderSize + kBlockSize - 1}) {
        writeFile(p, good.left(size));
        try {
            ParadoxTable::open(p, false);
            ADD_FAILURE() << "a file cut at " << size << " bytes opened";
        } catch (const EngineError& e) {
            EXPECT_TRUE(e.message().startsWith(QStringLiteral("Повреждён файл таблицы")))
                << e.what();
        }
    }
}

TEST_F(ParadoxTableTest, DamagedHeadersAndBlockChainsAreReported) {
    const QByteArray good = smallTable(path(QStringLiteral("Good.db")));
    const QString p = path();
    struct Damage {
        const char* what;
        int offset;
        std::vector<unsigned char> bytes;
        int offset2 = -1;  // a second patch, where the damage needs two
        std::vector<unsigned char> bytes2 = {};
    };
    const std::vector<Damage> damages = {
        {"file type of a primary index", 0x04, {1}},
        {"unknown file type", 0x04, {9}},
        {"block size 0", 0x05, {0}},
        {"block size 33 KiB", 0x05, {33}},
        {"version 2", 0x39, {2}},
        {"version 13", 0x39, {13}},
        {"record size 0", 0x00, {0, 0}},
        {"record size off by one", 0x00, {19, 0}},
        {"header size past the file", 0x02, {0xFF, 0xFF}},
        {"header size too small", 0x02, {0x10, 0}},
        {"password", 0x25, {0x12, 0x34, 0x56, 0x78}},
        {"password in data header", 0x5C, {1, 0, 0, 0}},
        {"no fields", 0x21, {0, 0}},
        {"more fields than the header holds", 0x21, {0xFF, 0}},
        {"unknown field type", 0x78, {0x30}},
        {"short of 3 bytes", 0x7A, {3, 3}},
        {"too many records", 0x06, {0xFF, 0, 0, 0}},
        {"negative record count", 0x06, {0, 0, 0, 0x80}},
        {"more blocks than the file", 0x0C, {2, 0}},
        {"first block past the file", 0x0E, {7, 0}},
        // The count asks for a sixth row, which the chain must then give.
        {"chain loops", kHeaderSize, {1, 0}, 0x06, {6}},
        {"chain leaves the file", kHeaderSize, {9, 0}, 0x06, {6}},
        {"chain ends before the count", 0x06, {6}},
        {"block data size not a record multiple", kHeaderSize + 4, {5, 0}},
        {"block data size past the block", kHeaderSize + 4, {0xF0, 0x7F}},
    };
    for (const Damage& d : damages) {
        QByteArray bytes = good;
        for (size_t i = 0; i < d.bytes.size(); ++i)
            bytes[d.offset + static_cast<int>(i)] = static_cast<char>(d.bytes[i]);
        for (size_t i = 0; i < d.bytes2.size(); ++i)
            bytes[d.offset2 + static_cast<int>(i)] = static_cast<char>(d.bytes2[i]);
        writeFile(p, bytes);
        try {
            ParadoxTable::open(p, false);
            ADD_FAILURE() << d.what << ": opened";
        } catch (const EngineError& e) {
            EXPECT_TRUE(e.message().startsWith(QStringLiteral("Повреждён файл таблицы")))
                << d.what << ": " << e.what();
        }
    }
    // The names are unterminated up to the end of the header.
    QByteArray unterminated = good;
    for (int i = 0x18D; i < kHeaderSize; ++i) unterminated[i] = 'A';
    writeFile(p, unterminated);
    EXPECT_THROW(ParadoxTable::open(p, false), EngineError);
}

TEST_F(ParadoxTableTest, HeaderParserReadsASoundHeaderAndTakesAnyBytes) {
    using engine::paradox::HeaderInfo;
    using engine::paradox::parseHeader;
    const QByteArray good = smallTable(path());
    const std::string header(good.constData(), kHeaderSize);
    HeaderInfo h;
    ASSERT_EQ(parseHeader(header, good.size(), h), QString());
    EXPECT_EQ(h.numRecords, 5);
    EXPECT_EQ(h.recordSize, 12 + 2 + 4);
    EXPECT_EQ(h.headerSize, kHeaderSize);
    ASSERT_EQ(h.fields.size(), 3u);
    EXPECT_EQ(h.fields[0].name, "Name");
    EXPECT_EQ(h.fields[2].name, "D");
    EXPECT_EQ(h.fields[1].length, 2);
    // Short of the blocks, cut inside the field names, empty, or of no size at all.
    for (const auto& [bytes, size] :
         std::vector<std::pair<std::string, long long>>{{header, kHeaderSize + 100},
                                                        {header.substr(0, 0x100), good.size()},
                                                        {std::string(), 0},
                                                        {header, -1}}) {
        HeaderInfo damaged;
        EXPECT_FALSE(parseHeader(bytes, size, damaged).isEmpty()) << bytes.size() << " " << size;
    }

    std::mt19937 random(1251);
    for (int round = 0; round < 20000; ++round) {
        std::string bytes;
        if (round % 2 == 0) {
            bytes.resize(random() % 600);
            for (char& c : bytes) c = static_cast<char>(random());
        } else {
            bytes = header.substr(0, random() % (header.size() + 1));
            for (int k = 0; k < 1 + static_cast<int>(random() % 6); ++k)
                if (!bytes.empty()) bytes[random() % bytes.size()] = static_cast<char>(random());
        }
        const long long size = static_cast<long long>(random() % 20000) - 100;
        HeaderInfo any;
        parseHeader(bytes, size, any);  // must return, whatever it says
    }
}

TEST_F(ParadoxTableTest, EveryMutationOfASmallTableOpensOrFailsCleanly) {
    const QByteArray good = smallTable(path(QStringLiteral("Good.db")));
    const QString p = path();
    const QString progress = path(QStringLiteral("progress.txt"));
    // Runs in a child process so that a crash or a hang is a failure with the mutation named.
    const int rc = runInChild(
        [&] {
            base::fileio::setSyncing(false);  // thousands of throwaway files, none about durability
            auto note = [&](const QString& text) { overwrite(progress, text.toUtf8()); };
            // Every byte of the header and of the first data block's head, and a record.
            std::vector<int> offsets;
            for (int i = 0; i < kHeaderSize + 40; ++i) offsets.push_back(i);
            for (int i = 0; i < static_cast<int>(offsets.size()); ++i) {
                const int at = offsets[static_cast<size_t>(i)];
                const unsigned char original = static_cast<unsigned char>(good[at]);
                for (unsigned char value :
                     {static_cast<unsigned char>(original ^ 0xFF), static_cast<unsigned char>(0),
                      static_cast<unsigned char>(0xFF), static_cast<unsigned char>(original + 1),
                      static_cast<unsigned char>(original - 1), static_cast<unsigned char>(0x80)}) {
                    if (value == original) continue;
                    note(QStringLiteral("byte %1 set to %2").arg(at).arg(value));
                    QByteArray bytes = good;
                    bytes[at] = static_cast<char>(value);
                    if (!overwrite(p, bytes)) return 10;
                    openAndUse(p);
                }
            }
            // Several bytes at once, and cut files.
            std::mt19937 random(866);
            for (int round = 0; round < 3000; ++round) {
                QByteArray bytes = good;
                const int count = 2 + static_cast<int>(random() % 6);
                QString text = QStringLiteral("random round %1:").arg(round);
                for (int k = 0; k < count; ++k) {
                    const int at = (random() % 4 == 0) ? static_cast<int>(random() % bytes.size())
                                                       : static_cast<int>(random() % 0x1A0);
                    bytes[at] = static_cast<char>(random());
                    text += QStringLiteral(" %1").arg(at);
                }
                if (round % 5 == 0) bytes.truncate(static_cast<qsizetype>(random() % bytes.size()));
                note(text);
                if (!overwrite(p, bytes)) return 10;
                openAndUse(p);
            }
            return 0;
        },
        0, 240);
    EXPECT_EQ(rc, 0) << "last mutation: " << readFile(progress).toStdString()
                     << (rc == -1    ? " (hang)"
                         : rc >= 128 ? " (crash)"
                                     : "");
}

// ---- size --------------------------------------------------------------------------------

// How fast this goes is measured by bench/engine_bench (BM_OpenParadox10k, BM_ScanParadox10k).
TEST_F(ParadoxTableTest, TenThousandRowsAppendReopenAndScan) {
    const QString p = path(QStringLiteral("Big.db"));
    ParadoxTable::create(p, allKinds());
    {
        auto t = ParadoxTable::open(p, false);
        engine::SyncScope bulk(engine::SyncScope::Bulk);
        for (int i = 0; i < 10000; ++i)
            t->appendRecord({QStringLiteral("Поставщик %1").arg(i), i % 30000, i * 0.25,
                             QDate(2024, 1, 1).addDays(i % 365), i % 2 == 0});
        EXPECT_EQ(t->slotCount(), 10000);
    }
    auto t = ParadoxTable::open(p, false);
    ASSERT_EQ(t->slotCount(), 10000);

    int found = -1;
    const QString wanted = QStringLiteral("Поставщик 9999");
    for (int round = 0; round < 10; ++round)
        for (int i = 0; i < t->slotCount(); ++i)
            if (t->value(i, 0).toString() == wanted) found = i;
    EXPECT_EQ(found, 9999);

    for (int i : {0, 4999, 9999}) {
        EXPECT_EQ(t->value(i, 0).toString(), QStringLiteral("Поставщик %1").arg(i));
        EXPECT_EQ(t->value(i, 1).toInt(), i);
        EXPECT_DOUBLE_EQ(t->value(i, 2).toDouble(), i * 0.25);
        EXPECT_EQ(t->value(i, 3).toDate(), QDate(2024, 1, 1).addDays(i % 365));
        EXPECT_EQ(t->value(i, 4).toBool(), i % 2 == 0);
    }
    t.reset();
    const PxTable px = readWithPxlib(p);
    ASSERT_EQ(px.rows.size(), 10000u);
    EXPECT_EQ(px.rows[9999][0].toByteArray(), cp1251(wanted));
}

}  // namespace
