// The workbook export read back with an independent reader, Python's openpyxl.
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <cmath>
#include <map>

#include "ChildProcess.h"
#include "OutputFixture.h"
#include "WorkbookCheck.h"
#include "XlsxWriter.h"
#include "engine/EngineError.h"

using namespace outputtest;
using output::ExportKind;

namespace {

// Debian's Python, which the Debian reader is installed for.
const QString kPython = QStringLiteral("/usr/bin/python3");

// What openpyxl reads from the first sheet of a workbook, as JSON.
const char* const kReadWorkbook = R"(
import datetime, json, sys
from openpyxl import load_workbook
wb = load_workbook(sys.argv[1])
ws = wb.worksheets[0]
cells = []
for row in ws.iter_rows():
    for c in row:
        v = c.value
        if isinstance(v, datetime.datetime): v = v.date().isoformat()
        cells.append([c.row, c.column, c.data_type, v, c.number_format])
print(json.dumps({"sheets": wb.sheetnames, "freeze": ws.freeze_panes,
                  "printTitles": ws.print_title_rows,
                  "titleHeight": ws.row_dimensions[1].height or 15,
                  "merged": sorted(str(r) for r in ws.merged_cells.ranges),
                  "widths": [ws.column_dimensions[k].width for k in "ABCDE"],
                  "cells": cells}, ensure_ascii=False))
)";

bool haveOpenpyxl() {
    return QProcess::execute(kPython, {QStringLiteral("-c"), QStringLiteral("import openpyxl")}) ==
           0;
}

struct Cell {
    QString type;  // s text, n number (or blank), d date
    QJsonValue value;
    QString format;
};

struct Workbook {
    QStringList sheets;
    QString freeze, printTitles;
    double titleHeight = 0;  // points
    QStringList merged;
    std::vector<double> widths;
    std::map<std::pair<int, int>, Cell> cells;  // by row and column, from 1

    const Cell& at(int row, int column) const {
        static const Cell none;
        const auto it = cells.find({row, column});
        return it == cells.end() ? none : it->second;
    }
    // The texts of a row's cells, "-" for a cell without a value.
    QStringList rowTexts(int row, int columns = 5) const {
        QStringList texts;
        for (int c = 1; c <= columns; ++c) {
            const QJsonValue v = at(row, c).value;
            texts << (v.isNull() || v.isUndefined() ? QStringLiteral("-")
                                                    : v.toVariant().toString());
        }
        return texts;
    }
};

Workbook readWorkbook(const QString& path) {
    QProcess p;
    p.start(kPython, {QStringLiteral("-c"), QString::fromUtf8(kReadWorkbook), path});
    p.waitForFinished(60000);
    const QByteArray out = p.readAllStandardOutput();
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const QJsonObject o = QJsonDocument::fromJson(out).object();
    Workbook w;
    for (const QJsonValue v : o[QStringLiteral("sheets")].toArray()) w.sheets << v.toString();
    w.freeze = o[QStringLiteral("freeze")].toString();
    w.printTitles = o[QStringLiteral("printTitles")].toString();
    w.titleHeight = o[QStringLiteral("titleHeight")].toDouble();
    for (const QJsonValue v : o[QStringLiteral("merged")].toArray()) w.merged << v.toString();
    for (const QJsonValue v : o[QStringLiteral("widths")].toArray())
        w.widths.push_back(v.toDouble());
    for (const QJsonValue v : o[QStringLiteral("cells")].toArray()) {
        const QJsonArray c = v.toArray();
        w.cells[{c[0].toInt(), c[1].toInt()}] = {c[2].toString(), c[3], c[4].toString()};
    }
    return w;
}

const QStringList kCaptions{QStringLiteral("Наименование поставщиков и подрядчиков (Кому)"),
                            QStringLiteral("Статья затрат"), QStringLiteral("За что"),
                            QStringLiteral("Сумма"), QStringLiteral("Банк")};

}  // namespace

class XlsxExport : public OutputFixture {
protected:
    void SetUp() override {
        if (!haveOpenpyxl()) GTEST_SKIP() << "python3-openpyxl is not installed";
        OutputFixture::SetUp();
        grid = reg::expenseExportGrid(core);
        path = temp.filePath(QStringLiteral("day.xlsx"));
    }
    Workbook exportAndRead() {
        output::SaveGridToExportFile(ExportKind::Xlsx, grid, path, true,
                                     output::ExportEnvironment::standard());
        return readWorkbook(path);
    }
    QTemporaryDir temp;
    QString path;
};

TEST_F(XlsxExport, DayReadsBackWithItsTypesFormatsWidthsAndTotal) {
    addTwoExpenses();
    addExpense(QStringLiteral("АО \"Энергосбыт\" & Ко"), 0.1, QStringLiteral("=СУММ(A1)"),
               QStringLiteral("ВТБ"));
    addExpense(QStringLiteral("ООО Вода"), 0.2, QStringLiteral("Вода"), QStringLiteral("ВТБ"));
    const Workbook w = exportAndRead();
    EXPECT_EQ(w.sheets, QStringList{QStringLiteral("13.10.2008")});
    EXPECT_EQ(w.rowTexts(1), kCaptions);
    EXPECT_EQ(w.rowTexts(2), (QStringList{QStringLiteral("ООО Ромашка"), shownCode(),
                                          QStringLiteral("Оплата по счёту"),
                                          QStringLiteral("1234.5"), QStringLiteral("Сбербанк")}));
    // A text that looks like a formula stays a text.
    EXPECT_EQ(w.rowTexts(4)[2], QStringLiteral("=СУММ(A1)"));
    EXPECT_EQ(w.rowTexts(6), (QStringList{QStringLiteral("-"), QStringLiteral("-"),
                                          QStringLiteral("Итого за день"), QStringLiteral("1240.3"),
                                          QStringLiteral("-")}));
    EXPECT_EQ(w.cells.count({7, 1}), 0u) << "nothing below the footer";
    double sum = 0;
    for (int row = 1; row <= 6; ++row) {
        for (int c = 1; c <= 5; ++c) {
            const Cell& cell = w.at(row, c);
            const bool number = c == 4 && row > 1;
            EXPECT_EQ(cell.type, number || cell.value.isNull() ? "n" : "s") << row << ":" << c;
            EXPECT_EQ(cell.format, number ? "#,##0.00" : "General") << row << ":" << c;
        }
        if (row > 1 && row < 6) sum += w.at(row, 4).value.toDouble();
    }
    // The footer is the sum of the records the sheet holds, to the cent and exactly.
    EXPECT_EQ(w.at(6, 4).value.toDouble(), 1240.3);
    EXPECT_NEAR(sum, w.at(6, 4).value.toDouble(), 1e-9);
    EXPECT_EQ(w.freeze, QStringLiteral("A2"));
    EXPECT_EQ(w.printTitles, QStringLiteral("$1:$1"));
    // The first caption wraps to three lines in its column, as on screen, and its row is as high.
    EXPECT_GE(w.titleHeight, 3 * 13);
    EXPECT_TRUE(w.merged.isEmpty());
    // Columns as wide as on screen (165, 162, 215, 117 and 99 pixels at 7 pixels a character).
    const int pixels[] = {165, 162, 215, 117, 99};
    for (size_t c = 0; c < 5; ++c) EXPECT_EQ(std::lround(w.widths[c] * 7), pixels[c]) << c;
}

TEST_F(XlsxExport, EmptyDayGivesTitlesAndAZeroTotal) {
    const Workbook w = exportAndRead();
    EXPECT_EQ(w.rowTexts(1), kCaptions);
    EXPECT_EQ(w.rowTexts(2), (QStringList{QStringLiteral("-"), QStringLiteral("-"),
                                          QStringLiteral("Итого за день"), QStringLiteral("0"),
                                          QStringLiteral("-")}));
    EXPECT_EQ(w.at(2, 4).type, QStringLiteral("n"));
}

TEST_F(XlsxExport, AFullDiskOrAKillLeavesTheEarlierFileByteForByte) {
    addTwoExpenses();
    const std::string earlier = "an earlier workbook of this name\n";
    auto writeEarlier = [&] {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(earlier.data(), static_cast<qint64>(earlier.size()));
    };
    writeEarlier();
    auto exportInChild = [&](long long limit) {
        return testing_support::withFileSizeLimit(limit, [&] {
            output::SaveGridToExportFile(ExportKind::Xlsx, grid, path, true,
                                         output::ExportEnvironment::standard());
            return 0;
        });
    };
    ASSERT_EQ(exportInChild(0), 0);
    const std::string whole = readFile(path);
    ASSERT_GT(whole.size(), 1000u);
    // Every limit below the workbook's size stops the export somewhere: in the library's own
    // temporaries or in the workbook itself. (The size varies by a few bytes with the time
    // stamp inside.)
    writeEarlier();
    for (long long limit = 1; limit < static_cast<long long>(whole.size()) - 16; limit += 97) {
        EXPECT_EQ(exportInChild(limit), 99) << limit;
        ASSERT_TRUE(readFile(path) == earlier)
            << limit << " " << whole.size() << " " << readFile(path).size();
    }
    EXPECT_EQ(QDir(temp.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("day.xlsx")});
    // A temporary that an export killed halfway left is cleared by the next one.
    QFile stale(temp.filePath(QStringLiteral(".day.xlsx.Ab12Cd.tmp~")));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();
    ASSERT_EQ(exportInChild(0), 0);
    EXPECT_EQ(output::workbookProblem(path), QString());
    EXPECT_EQ(QDir(temp.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("day.xlsx")});
}

TEST_F(XlsxExport, AReadOnlyFileOrAMissingFolderIsRefusedBeforeAnythingIsWritten) {
    const std::string earlier = "kept";
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(earlier.data());
    }
    QFile::setPermissions(path, QFile::ReadOwner);
    if (::geteuid() != 0) {
        EXPECT_THROW(exportAndRead(), engine::EngineError);
        EXPECT_EQ(readFile(path), earlier);
    }
    EXPECT_THROW(output::SaveGridToExportFile(ExportKind::Xlsx, grid,
                                              temp.filePath(QStringLiteral("нет/day.xlsx")), true),
                 engine::EngineError);
    EXPECT_EQ(QDir(temp.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("day.xlsx")});
    EXPECT_FALSE(expenses().controlsDisabled());
}

namespace {

// The rows below the two title rows of the test below. The record: an integer, a date shown
// as a date, a number of the field's own precision, a cell without a field, the logical as the
// grid shows it.
void expectRecordsOfAllKinds(const Workbook& w) {
    EXPECT_EQ(w.freeze, QStringLiteral("A3"));
    EXPECT_EQ(w.rowTexts(3).mid(0, 4),
              (QStringList{QStringLiteral("-7"), QStringLiteral("2026-12-09"),
                           QStringLiteral("2.125"), QStringLiteral("-")}));
    EXPECT_EQ(w.at(3, 1).type, QStringLiteral("n"));
    EXPECT_EQ(w.at(3, 2).type, QStringLiteral("d"));
    EXPECT_EQ(w.at(3, 2).format, QStringLiteral("dd.mm.yyyy"));
    EXPECT_EQ(w.at(3, 3).format, QStringLiteral("General"));
    EXPECT_EQ(w.at(3, 5).type, QStringLiteral("s"));
    // Null fields are empty cells, not zeros.
    EXPECT_EQ(w.rowTexts(4), (QStringList{"-", "-", "-", "-", "-"}));
    // The footer: the count and the sum as numbers.
    EXPECT_EQ(w.rowTexts(5),
              (QStringList{QStringLiteral("2"), QStringLiteral("-"), QStringLiteral("2.125"),
                           QStringLiteral("-"), QStringLiteral("-")}));
    EXPECT_EQ(w.at(5, 1).type, QStringLiteral("n"));
}

}  // namespace

TEST(XlsxWriterRules, MultiLevelTitlesAreMergedAndEachFieldKindKeepsItsType) {
    if (!haveOpenpyxl()) GTEST_SKIP() << "python3-openpyxl is not installed";
    QTemporaryDir dir;
    const auto view = tableView(dir.path(),
                                {{QStringLiteral("N"), engine::FieldKind::SmallInt, 4, 0},
                                 {QStringLiteral("D"), engine::FieldKind::Date, 8, 0},
                                 {QStringLiteral("S"), engine::FieldKind::Text, 10, 0},
                                 {QStringLiteral("F"), engine::FieldKind::Float, 12, 3},
                                 {QStringLiteral("L"), engine::FieldKind::Boolean, 1, 0}},
                                {{-7, QDate(2026, 12, 9), QStringLiteral("x"), 2.125, true},
                                 {QVariant(), QVariant(), QVariant(), QVariant(), QVariant()}});
    gridmodel::GridModel g;
    g.dataSource = view.get();
    g.useMultiTitle = true;
    g.footerRowCount = 1;
    // "Оплата" over two columns, "Прочее" over a column whose field is missing and the
    // logical field.
    auto column = [](const char* field, const char* caption) {
        gridmodel::GridColumn c;
        c.fieldName = QString::fromLatin1(field);
        c.title.caption = QString::fromUtf8(caption);
        return c;
    };
    gridmodel::GridColumn n = column("N", "");
    n.footer.valueType = gridmodel::fvtCount;
    gridmodel::GridColumn f = column("F", "Оплата|Сумма");
    f.footer.valueType = gridmodel::fvtSum;
    g.columns = {n,
                 column("D", "Оплата|Дата"),
                 f,
                 column("S", "Оплата|Текст"),
                 column("MISSING", "Прочее|Нет"),
                 column("L", "Прочее|Да")};
    g.columns[3].visible = false;  // a hidden column splits nothing and leaves no trace
    const QString path = dir.filePath(QStringLiteral("t.xlsx"));
    // The first title over both title rows (the sheet's rows are held until the end), or on
    // two levels of its own (the rows go to the file as they are done).
    for (const QString& first : {QStringLiteral("Код"), QStringLiteral("Ключ|Код")}) {
        SCOPED_TRACE(first.toStdString());
        g.columns[0].title.caption = first;
        output::SaveGridToExportFile(ExportKind::Xlsx, g, path, true,
                                     output::ExportEnvironment::standard());
        const Workbook w = readWorkbook(path);
        const bool spansRows = !first.contains(QLatin1Char('|'));
        QStringList merged{QStringLiteral("B1:C1"), QStringLiteral("D1:E1")};
        if (spansRows) merged.prepend(QStringLiteral("A1:A2"));
        EXPECT_EQ(w.merged, merged);
        EXPECT_EQ(w.rowTexts(1),
                  (QStringList{spansRows ? QStringLiteral("Код") : QStringLiteral("Ключ"),
                               QStringLiteral("Оплата"), QStringLiteral("-"),
                               QStringLiteral("Прочее"), QStringLiteral("-")}));
        EXPECT_EQ(w.rowTexts(2),
                  (QStringList{spansRows ? QStringLiteral("-") : QStringLiteral("Код"),
                               QStringLiteral("Дата"), QStringLiteral("Сумма"),
                               QStringLiteral("Нет"), QStringLiteral("Да")}));
        expectRecordsOfAllKinds(w);
    }
}
