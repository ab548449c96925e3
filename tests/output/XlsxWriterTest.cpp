// The workbook export read back with an independent reader, Python's openpyxl.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include "ChildProcess.h"
#include "OutputFixture.h"
#include "WorkbookCheck.h"
#include "EngineError.h"

using namespace outputtest;
using output::ExportKind;

namespace {

// Debian's Python, which the Debian reader is installed for.
const QString kPython = QStringLiteral("/usr/bin/python3");

// What openpyxl reads from the first sheet; each cell as "value|type|format", "-" for none.
const char* const kRead = R"(
import datetime, json, sys
from openpyxl import load_workbook
wb = load_workbook(sys.argv[1]); ws = wb.worksheets[0]
def cell(c):
    v = '-' if c.value is None else c.value
    if isinstance(v, datetime.datetime): v = v.date().isoformat()
    return '%s|%s|%s' % (v, c.data_type, c.number_format)
print(json.dumps({'sheets': wb.sheetnames, 'freeze': ws.freeze_panes,
  'printTitles': ws.print_title_rows, 'merged': sorted(str(r) for r in ws.merged_cells.ranges),
  'titleHeight': ws.row_dimensions[1].height or 15,
  'widths': [ws.column_dimensions[k].width for k in 'ABCDE'],
  'rows': [[cell(c) for c in r] for r in ws.iter_rows()]}, ensure_ascii=False))
)";

bool haveOpenpyxl() {
    return QProcess::execute(kPython, {QStringLiteral("-c"), QStringLiteral("import openpyxl")}) ==
           0;
}

QJsonObject readWorkbook(const QString& path) {
    QProcess p;
    p.start(kPython, {QStringLiteral("-c"), QString::fromUtf8(kRead), path});
    p.waitForFinished(60000);
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}

QStringList strings(const QJsonValue& array) {
    QStringList out;
    for (const QJsonValue v : array.toArray()) out << v.toString();
    return out;
}

// The cells of a row, counted from 1.
QStringList row(const QJsonObject& book, int r) {
    return strings(book[QStringLiteral("rows")].toArray()[r - 1]);
}

QString text(const char* s) {
    return QString::fromUtf8(s) + QStringLiteral("|s|General");
}
QString money(const char* value) {
    return QString::fromLatin1(value) + QStringLiteral("|n|#,##0.00");
}
const QString kNone = QStringLiteral("-|n|General");

}  // namespace

class XlsxExport : public OutputFixture {
protected:
    void SetUp() override {
        if (!haveOpenpyxl()) GTEST_SKIP() << "python3-openpyxl is not installed";
        OutputFixture::SetUp();
        grid = reg::expenseExportGrid(core);
        path = temp.filePath(QStringLiteral("day.xlsx"));
    }
    void exportDay() {
        output::SaveGridToExportFile(ExportKind::Xlsx, grid, path, true,
                                     output::ExportEnvironment::standard());
    }
    QTemporaryDir temp;
    QString path;
};

TEST_F(XlsxExport, DayReadsBackWithItsTypesFormatsWidthsAndTotal) {
    addTwoExpenses();
    addExpense(QStringLiteral("ООО Вода"), 0.1, QStringLiteral("=СУММ(A1)"), QStringLiteral("ВТБ"));
    addExpense(QStringLiteral("ООО Вода"), 0.2, QStringLiteral("Вода"), QStringLiteral("ВТБ"));
    exportDay();
    const QJsonObject w = readWorkbook(path);
    EXPECT_EQ(strings(w[QStringLiteral("sheets")]), QStringList{QStringLiteral("13.10.2008")});
    EXPECT_EQ(row(w, 1),
              (QStringList{text("Наименование поставщиков и подрядчиков (Кому)"),
                           text("Статья затрат"), text("За что"), text("Сумма"), text("Банк")}));
    EXPECT_EQ(row(w, 2), (QStringList{text("ООО Ромашка"), shownCode() + "|s|General",
                                      text("Оплата по счёту"), money("1234.5"), text("Сбербанк")}));
    // A text that looks like a formula stays a text.
    EXPECT_EQ(row(w, 4)[2], text("=СУММ(A1)"));
    // The footer: the sum of the records the sheet holds, exactly to the cent.
    EXPECT_EQ(row(w, 6),
              (QStringList{kNone, kNone, text("Итого за день"), money("1240.3"), kNone}));
    double sum = 0;
    for (int r = 2; r <= 5; ++r) sum += row(w, r)[3].section(QLatin1Char('|'), 0, 0).toDouble();
    EXPECT_NEAR(sum, 1240.3, 1e-9);
    EXPECT_EQ(w[QStringLiteral("rows")].toArray().size(), 6);
    EXPECT_EQ(w[QStringLiteral("freeze")].toString(), QStringLiteral("A2"));
    EXPECT_EQ(w[QStringLiteral("printTitles")].toString(), QStringLiteral("$1:$1"));
    // The first caption wraps to three lines in its column, as on screen; its row is as high.
    EXPECT_GE(w[QStringLiteral("titleHeight")].toDouble(), 3 * 13);
    // Columns as wide as on screen, at 7 pixels a character.
    const int pixels[] = {165, 162, 215, 117, 99};
    for (int c = 0; c < 5; ++c)
        EXPECT_EQ(qRound(w[QStringLiteral("widths")].toArray()[c].toDouble() * 7), pixels[c]) << c;
}

TEST_F(XlsxExport, AFullDiskLeavesTheEarlierFileByteForByteAndABadNameIsRefused) {
    addTwoExpenses();
    const std::string earlier = "an earlier workbook of this name\n";
    auto writeEarlier = [&] {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(earlier.data(), static_cast<qint64>(earlier.size()));
    };
    auto exportInChild = [&](long long limit) {
        return testing_support::withFileSizeLimit(limit, [&] {
            exportDay();
            return 0;
        });
    };
    ASSERT_EQ(exportInChild(0), 0);
    const long long size = static_cast<long long>(readFile(path).size());
    // Every limit below the workbook's size (which varies by a few bytes with the time stamp
    // inside) stops the export: in the library's temporaries, whose failed writes it does not
    // see itself, or in the workbook.
    writeEarlier();
    for (long long limit = 1; limit < size - 16; limit += 97) {
        EXPECT_EQ(exportInChild(limit), 99) << limit;
        ASSERT_TRUE(readFile(path) == earlier) << limit;
    }
    // What a killed export left beside the file goes with the next one.
    QFile stale(temp.filePath(QStringLiteral(".day.xlsx.Ab12Cd.tmp~")));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();
    ASSERT_EQ(exportInChild(0), 0);
    EXPECT_EQ(output::workbookProblem(path), QString());
    // A read-only file (not for root, who may write it) and a missing folder are refused.
    writeEarlier();
    QFile::setPermissions(path, QFile::ReadOwner);
    if (::geteuid() != 0) {
        EXPECT_THROW(exportDay(), base::EngineError);
    }
    path = temp.filePath(QStringLiteral("нет/day.xlsx"));
    EXPECT_THROW(exportDay(), base::EngineError);
    EXPECT_EQ(QDir(temp.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("day.xlsx")});
    EXPECT_EQ(readFile(temp.filePath(QStringLiteral("day.xlsx"))), earlier);
    EXPECT_FALSE(expenses().controlsDisabled());
}

TEST(XlsxWriterRules, MultiLevelTitlesAreMergedAndEachFieldKindKeepsItsType) {
    if (!haveOpenpyxl()) GTEST_SKIP() << "python3-openpyxl is not installed";
    QTemporaryDir dir;
    using engine::FieldKind;
    const auto view = tableView(dir.path(),
                                {{QStringLiteral("N"), FieldKind::SmallInt, 4, 0},
                                 {QStringLiteral("D"), FieldKind::Date, 8, 0},
                                 {QStringLiteral("F"), FieldKind::Float, 12, 3},
                                 {QStringLiteral("L"), FieldKind::Boolean, 1, 0}},
                                {{-7, QDate(2026, 12, 9), 2.125, true}, {{}, {}, {}, {}}});
    gridmodel::GridModel g;
    g.dataSource = view.get();
    g.useMultiTitle = true;
    g.footerRowCount = 1;
    auto column = [](const char* field, const char* caption, gridmodel::FooterValueType footer) {
        gridmodel::GridColumn c;
        c.fieldName = QString::fromLatin1(field);
        c.title.caption = QString::fromUtf8(caption);
        c.footer.valueType = footer;
        return c;
    };
    // "Оплата" over two columns (a hidden third splits nothing), "Прочее" over a column
    // without a field and the logical one.
    g.columns = {column("N", "", gridmodel::fvtCount),
                 column("D", "Оплата|Дата", gridmodel::fvtNon),
                 column("F", "Оплата|Сумма", gridmodel::fvtSum),
                 column("N", "Оплата|Скрыт", gridmodel::fvtNon),
                 column("MISSING", "Прочее|Нет", gridmodel::fvtNon),
                 column("L", "Прочее|Да", gridmodel::fvtNon)};
    g.columns[3].visible = false;
    const QString path = dir.filePath(QStringLiteral("t.xlsx"));
    // The first title over both title rows (the rows are then held until the end), or on two
    // levels of its own (the rows go to the file as they are done).
    for (const QString& first : {QStringLiteral("Код"), QStringLiteral("Ключ|Код")}) {
        SCOPED_TRACE(first.toStdString());
        g.columns[0].title.caption = first;
        output::SaveGridToExportFile(ExportKind::Xlsx, g, path, true,
                                     output::ExportEnvironment::standard());
        const QJsonObject w = readWorkbook(path);
        const bool spansRows = !first.contains(QLatin1Char('|'));
        QStringList merged{QStringLiteral("B1:C1"), QStringLiteral("D1:E1")};
        if (spansRows) merged.prepend(QStringLiteral("A1:A2"));
        EXPECT_EQ(strings(w[QStringLiteral("merged")]), merged);
        EXPECT_EQ(row(w, 1), (QStringList{text(spansRows ? "Код" : "Ключ"), text("Оплата"), kNone,
                                          text("Прочее"), kNone}));
        EXPECT_EQ(row(w, 2)[0], spansRows ? kNone : text("Код"));
        EXPECT_EQ(row(w, 2).mid(1),
                  (QStringList{text("Дата"), text("Сумма"), text("Нет"), text("Да")}));
        EXPECT_EQ(w[QStringLiteral("freeze")].toString(), QStringLiteral("A3"));
        // An integer, a date shown as a date, a number of the field's own precision, a cell
        // without a field, the logical as the grid shows it; nulls are empty, not zeros; the
        // count and the sum are numbers.
        EXPECT_EQ(row(w, 3).mid(0, 4), (QStringList{QStringLiteral("-7|n|General"),
                                                    QStringLiteral("2026-12-09|d|dd.mm.yyyy"),
                                                    QStringLiteral("2.125|n|General"), kNone}));
        EXPECT_TRUE(row(w, 3)[4].endsWith(QStringLiteral("|s|General")));
        EXPECT_EQ(row(w, 4), (QStringList{kNone, kNone, kNone, kNone, kNone}));
        EXPECT_EQ(row(w, 5), (QStringList{QStringLiteral("2|n|General"), kNone,
                                          QStringLiteral("2.125|n|General"), kNone, kNone}));
    }
}
