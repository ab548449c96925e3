#include "OutputFixture.h"
#include "TextWriter.h"

using namespace outputtest;
using output::ExportKind;

namespace {
const QString kTitleLine = QStringLiteral(
    "Наименование поставщиков и подрядчиков (Кому)\tСтатья затрат\tЗа что\tСумма\tБанк");
}

class TextExport : public OutputFixture {};

TEST_F(TextExport, WholeDayIsTabSeparatedLinesOfTitlesRecordsAndFooter) {
    addTwoExpenses();
    const QString expected =
        kTitleLine + QStringLiteral("\r\n") + QStringLiteral("ООО Ромашка\t") + shownCode() +
        QStringLiteral("\tОплата по счёту\t 1 234,50\tСбербанк\r\n") +
        QStringLiteral("ИП Петров\t") + shownCode() + QStringLiteral("\tАванс\t  5,50\tВТБ\r\n") +
        QStringLiteral("\t\tИтого за день\t 1 240,00\t");
    EXPECT_EQ(exportBytes(ExportKind::Text), cp1251(expected));
}

TEST_F(TextExport, FooterLineEndsInATabAndTheFileWithoutLineBreak) {
    addTwoExpenses();
    const std::string text = exportBytes(ExportKind::Text);
    const std::string footer = cp1251(QStringLiteral("\r\n\t\tИтого за день\t 1 240,00\t"));
    ASSERT_GE(text.size(), footer.size());
    EXPECT_EQ(text.substr(text.size() - footer.size()), footer);
    EXPECT_EQ(text.substr(0, 2), cp1251(QStringLiteral("На")));  // no byte-order mark
}

TEST_F(TextExport, EmptyDayIsTitleLineAndFooterLine) {
    EXPECT_EQ(exportBytes(ExportKind::Text),
              cp1251(kTitleLine + QStringLiteral("\r\n\t\tИтого за день\t  0,00\t")));
}

TEST_F(TextExport, TabsAndLineBreaksInsideTextsBecomeBlanks) {
    addExpense(QStringLiteral("ООО\tРога"), 1, QStringLiteral("Строка 1\r\nстрока 2\nи 3"),
               QStringLiteral("Банк"));
    const QString text = fromCp1251(exportBytes(ExportKind::Text));
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[1], QStringLiteral("ООО Рога\t") + shownCode() +
                            QStringLiteral("\tСтрока 1  строка 2 и 3\t  1,00\tБанк"));
    for (const QString& line : lines) EXPECT_EQ(line.count(QLatin1Char('\t')), 4);
}

TEST_F(TextExport, HiddenNumberColumnLeavesNoTrace) {
    addTwoExpenses();
    const QString text = fromCp1251(exportBytes(ExportKind::Text));
    EXPECT_FALSE(text.contains(QStringLiteral("№ п/п")));
    for (const QString& line : text.split(QStringLiteral("\r\n")))
        EXPECT_EQ(line.count(QLatin1Char('\t')), 4);
    // The hidden numbers 1 and 2 stand nowhere at a line's start.
    EXPECT_TRUE(text.split(QStringLiteral("\r\n"))[1].startsWith(QStringLiteral("ООО Ромашка\t")));
}

TEST_F(TextExport, GridWithoutTitlesStartsWithTheFirstCell) {
    addTwoExpenses();
    grid.dgTitles = false;
    const QString text = fromCp1251(exportBytes(ExportKind::Text));
    EXPECT_TRUE(text.startsWith(QStringLiteral("ООО Ромашка\t")));
    EXPECT_EQ(text.count(QStringLiteral("\r\n")), 2);
}

TEST(TextWriterRules, CaptionsAreWrittenWholeAndCellTextsMended) {
    std::string bytes = "a\tb\rc\nd\t";
    output::TextWriter::blankSeparators(bytes);
    EXPECT_EQ(bytes, "a b c d ");
    bytes = cp1251(QStringLiteral("  Счёт  "));
    output::TextWriter::blankSeparators(bytes);
    EXPECT_EQ(bytes, cp1251(QStringLiteral("  Счёт  ")));
    gridmodel::GridModel g;
    gridmodel::GridColumn a, b;
    a.title.caption = QStringLiteral("Оплата|Сумма");
    b.title.caption = QString();
    g.columns = {a, b};
    g.useMultiTitle = true;
    output::TextWriter writer(output::ExportEnvironment::standard());
    writer.setGrid(g);
    output::MemoryStream s;
    writer.ExportToStream(s, true);
    EXPECT_EQ(s.bytes(), cp1251(QStringLiteral("Оплата|Сумма\t")));
}
