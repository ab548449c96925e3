#include <QTemporaryDir>
#include <cstring>

#include "OutputFixture.h"
#include "XlsWriter.h"
#include "engine/DbfTable.h"

using namespace outputtest;
using output::ExportKind;

namespace {

struct Record {
    uint16_t type = 0;
    std::string data;
};

uint16_t u16(const std::string& s, size_t at) {
    return static_cast<uint16_t>(static_cast<unsigned char>(s[at]) |
                                 (static_cast<unsigned char>(s[at + 1]) << 8));
}

std::vector<Record> records(const std::string& bytes) {
    std::vector<Record> out;
    size_t at = 0;
    while (at + 4 <= bytes.size()) {
        const uint16_t type = u16(bytes, at), length = u16(bytes, at + 2);
        out.push_back({type, bytes.substr(at + 4, length)});
        at += 4u + length;
    }
    EXPECT_EQ(at, bytes.size()) << "the stream ends inside a record";
    return out;
}

// One cell as a test reads it back: kind, row, column, and its value.
struct Cell {
    char kind = '?';  // L text, N number, I integer, B blank
    int row = -1, column = -1, format = -1;
    QString text;
    double number = 0;
};

std::vector<Cell> cells(const std::string& bytes) {
    std::vector<Cell> out;
    for (const Record& r : records(bytes)) {
        Cell c;
        if (r.type == 0x0204)
            c.kind = 'L';
        else if (r.type == 0x0203)
            c.kind = 'N';
        else if (r.type == 0x027E)
            c.kind = 'I';
        else if (r.type == 0x0201)
            c.kind = 'B';
        else
            continue;
        c.row = u16(r.data, 0);
        c.column = u16(r.data, 2);
        c.format = u16(r.data, 4);
        if (c.kind == 'L') {
            const uint16_t n = u16(r.data, 6);
            EXPECT_EQ(r.data.size(), 8u + n);
            c.text = fromCp1251(r.data.substr(8, n));
        } else if (c.kind == 'N') {
            EXPECT_EQ(r.data.size(), 14u);
            std::memcpy(&c.number, r.data.data() + 6, 8);
        } else if (c.kind == 'I') {
            EXPECT_EQ(r.data.size(), 10u);
            const uint32_t v = static_cast<uint32_t>(u16(r.data, 6)) |
                               (static_cast<uint32_t>(u16(r.data, 8)) << 16);
            EXPECT_EQ(v & 3u, 2u);
            c.number = static_cast<int32_t>(v) >> 2;
        } else {
            EXPECT_EQ(r.data.size(), 6u);
        }
        out.push_back(c);
    }
    return out;
}

std::string kindsOfRow(const std::vector<Cell>& all, int row) {
    std::string kinds;
    for (const Cell& c : all)
        if (c.row == row) kinds += c.kind;
    return kinds;
}

const std::string kBeginning("\x09\x08\x08\x00\x00\x00\x10\x00\x00\x00\x00\x00", 12);
const std::string kCodePage("\x42\x00\x02\x00\xE3\x04", 6);
const std::string kEnd("\x0A\x00\x00\x00", 4);

std::string le16(int v) {
    return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
}

std::string label(int row, int col, const QString& text) {
    const std::string b = cp1251(text);
    return le16(0x0204) + le16(static_cast<int>(b.size()) + 8) + le16(row) + le16(col) + le16(0) +
           le16(static_cast<int>(b.size())) + b;
}

std::string number(int row, int col, double v) {
    std::string d(8, '\0');
    std::memcpy(d.data(), &v, 8);
    return le16(0x0203) + le16(14) + le16(row) + le16(col) + le16(0) + d;
}

const char* const kCaptions[] = {"Наименование поставщиков и подрядчиков (Кому)", "Статья затрат",
                                 "За что", "Сумма", "Банк"};

std::string titleRow() {
    std::string s;
    for (int i = 0; i < 5; ++i) s += label(0, i, QString::fromUtf8(kCaptions[i]));
    return s;
}

}  // namespace

class XlsExport : public OutputFixture {};

TEST_F(XlsExport, WholeDayIsOneCellRecordPerCellWithNumbersKeptAsNumbers) {
    addTwoExpenses();
    const std::string expected =
        kBeginning + kCodePage + titleRow() + label(1, 0, QStringLiteral("ООО Ромашка")) +
        label(1, 1, shownCode()) + label(1, 2, QStringLiteral("Оплата по счёту")) +
        number(1, 3, 1234.5) + label(1, 4, QStringLiteral("Сбербанк")) +
        label(2, 0, QStringLiteral("ИП Петров")) + label(2, 1, shownCode()) +
        label(2, 2, QStringLiteral("Аванс")) + number(2, 3, 5.5) +
        label(2, 4, QStringLiteral("ВТБ")) + label(3, 0, QString()) + label(3, 1, QString()) +
        label(3, 2, QStringLiteral("Итого за день")) + number(3, 3, 1240) + label(3, 4, QString()) +
        kEnd;
    EXPECT_EQ(exportBytes(ExportKind::Xls), expected);
}

TEST_F(XlsExport, FirstTwelveAndLastFourBytesAndTheCodePage) {
    addTwoExpenses();
    const std::string bytes = exportBytes(ExportKind::Xls);
    ASSERT_GE(bytes.size(), 22u);
    EXPECT_EQ(bytes.substr(0, 12), kBeginning);
    EXPECT_EQ(bytes.substr(12, 6), kCodePage);
    EXPECT_EQ(bytes.substr(bytes.size() - 4), kEnd);
}

TEST_F(XlsExport, CellKindsOfEachRow) {
    addTwoExpenses();
    const std::vector<Cell> all = cells(exportBytes(ExportKind::Xls));
    EXPECT_EQ(kindsOfRow(all, 0), "LLLLL");
    EXPECT_EQ(kindsOfRow(all, 1), "LLLNL");
    EXPECT_EQ(kindsOfRow(all, 2), "LLLNL");
    EXPECT_EQ(kindsOfRow(all, 3), "LLLNL");
    EXPECT_EQ(kindsOfRow(all, 4), "");
    for (int i = 0; i < 5; ++i) EXPECT_EQ(all[static_cast<size_t>(i)].column, i);
    EXPECT_EQ(all[8].number, 1234.5);  // the value, not the formatted text
    EXPECT_EQ(all[16].text, QString());
    EXPECT_EQ(all[17].text, QStringLiteral("Итого за день"));
    EXPECT_EQ(all[18].number, 1240.0);
}

TEST_F(XlsExport, EmptyDayHasTitleRowAndFooterRowWithZero) {
    const std::vector<Cell> all = cells(exportBytes(ExportKind::Xls));
    EXPECT_EQ(kindsOfRow(all, 0), "LLLLL");
    EXPECT_EQ(kindsOfRow(all, 1), "LLLNL");
    ASSERT_EQ(all.size(), 10u);
    EXPECT_EQ(all[8].number, 0.0);
    EXPECT_EQ(all[8].row, 1);
}

TEST_F(XlsExport, NullSumAndBlankTextAreEmptyCells) {
    addTwoExpenses();
    // A record with a null sum and an empty bank, written past the register's checks as
    // another program may leave one. A blank text field reads as null, like a null number.
    engine::Dataset raw;
    raw.setFolder(core.DayDir);
    raw.setTableName(QStringLiteral("DayData.DBF"));
    raw.open();
    raw.append();
    raw.fieldByName("NPP").setAsInteger(3);
    raw.fieldByName("KOMU").setAsString(QStringLiteral("Без суммы"));
    raw.fieldByName("SUBJECT").setAsString(QStringLiteral("-"));
    raw.fieldByName("PAY_KIND_N").setAsString(code);
    raw.post();
    expenses().first();
    ASSERT_EQ(expenses().recordCount(), 3);
    const std::vector<Cell> all = cells(exportBytes(ExportKind::Xls));
    EXPECT_EQ(kindsOfRow(all, 3), "LLLBB");
    const Cell& blank = all[18];
    EXPECT_EQ(blank.kind, 'B');
    EXPECT_EQ(blank.format, 0x17);
    EXPECT_EQ(blank.row, 3);
    EXPECT_EQ(blank.column, 3);
    EXPECT_EQ(all[23].number, 1240.0);  // the null sum adds nothing
    EXPECT_EQ(all[24].kind, 'L');       // an empty footer is a text of length 0
    EXPECT_EQ(all[24].text, QString());
}

TEST(XlsWriterRules, IntegersAndColumnsWithoutFieldAndWrapping) {
    // A view of one small-integer field, a text field and a column without field.
    QTemporaryDir dir;
    const auto view = tableView(dir.path(),
                                {{QStringLiteral("N"), engine::FieldKind::SmallInt, 4, 0},
                                 {QStringLiteral("S"), engine::FieldKind::Text, 10, 0}},
                                {{-7, QStringLiteral("x")}, {QVariant(), QVariant()}});
    gridmodel::GridModel g;
    g.dataSource = view.get();
    gridmodel::GridColumn n, s, none;
    n.fieldName = QStringLiteral("N");
    n.title.caption = QStringLiteral("N");
    n.footer.valueType = gridmodel::fvtCount;
    s.fieldName = QStringLiteral("S");
    none.fieldName = QStringLiteral("MISSING");
    g.columns = {n, s, none};
    g.footerRowCount = 1;
    output::XlsWriter writer(output::ExportEnvironment::standard());
    writer.setGrid(g);
    output::MemoryStream out;
    writer.ExportToStream(out, true);
    const std::vector<Cell> all = cells(out.bytes());
    EXPECT_EQ(kindsOfRow(all, 1), "ILB");
    EXPECT_EQ(all[3].number, -7);
    EXPECT_EQ(kindsOfRow(all, 2), "BBB");
    EXPECT_EQ(kindsOfRow(all, 3), "NLL");
    EXPECT_EQ(all[9].number, 2.0);  // the count footer
    EXPECT_EQ(writer.row(), 4);
    EXPECT_EQ(writer.column(), 0);
}
