#include "OutputFixture.h"
#include "RtfWriter.h"

using namespace outputtest;
using output::ExportKind;

namespace {

const int kEdges[] = {2475, 4905, 8130, 9885, 11370};

// A row definition of the expenses grid: five cells with all four borders and one shade.
QString rowDefinition(int shade) {
    QString s = QStringLiteral("\\trowd\\trgaph40\n");
    for (int edge : kEdges)
        s += QStringLiteral(
                 "\\clbrdrl\\brdrs\\brdrcf0\n\\clbrdrt\\brdrs\\brdrcf0\n\\clbrdrb\\brdrs\\brdrcf0\n"
                 "\\clbrdrr\\brdrs\\brdrcf0\n\\clcbpat%1\\cellx%2\n")
                 .arg(shade)
                 .arg(edge);
    return s + QStringLiteral("{\\trrh0\n");
}

const QString kRowEnd = QStringLiteral("\\pard\\intbl\\row}\n");

QString cell(const char* alignment, const char* spacing, int font, int background,
             const QString& text) {
    return QStringLiteral("\\pard\\intbl{\\%1%2\\fs20\\b\\f%3\\cf3\\cb%4 %5\\cell}\n")
        .arg(QLatin1String(alignment), QLatin1String(spacing))
        .arg(font)
        .arg(background)
        .arg(text);
}

QString titleRow() {
    QString s = rowDefinition(2);
    for (const char* caption : {"Наименование поставщиков и подрядчиков (Кому)", "Статья затрат",
                                "За что", "Сумма", "Банк"})
        s += cell("qc", "\\sb55\\sa55", 0, 2, QString::fromUtf8(caption));
    return s + kRowEnd;
}

QString dataRow(const QString& komu, const QString& code, const QString& subject,
                const QString& sum, const QString& bank) {
    return rowDefinition(1) + cell("ql", "\\sb24\\sa24", 1, 1, komu) +
           cell("ql", "\\sb24\\sa24", 1, 1, code) + cell("ql", "\\sb24\\sa24", 1, 1, subject) +
           cell("qr", "\\sb24\\sa24", 1, 1, sum) + cell("qc", "\\sb24\\sa24", 1, 1, bank) + kRowEnd;
}

QString footerRow(const QString& sum) {
    return rowDefinition(4) + cell("ql", "\\sb24\\sa24", 0, 4, QString()) +
           cell("ql", "\\sb24\\sa24", 0, 4, QString()) +
           cell("ql", "\\sb24\\sa24", 0, 4, QStringLiteral("Итого за день")) +
           cell("qr", "\\sb24\\sa24", 0, 4, sum) + cell("ql", "\\sb24\\sa24", 0, 4, QString()) +
           kRowEnd;
}

const QString kHeader = QStringLiteral(
    "{\\rtf0\\ansi\\ansicpg1251\n"
    "{\\colortbl\\red0\\green0\\blue0;\\red255\\green255\\blue255;\\red240\\green240\\blue240;"
    "\\red0\\green0\\blue128;"
    "\\red255\\green255\\blue0;}\n"
    "{\\fonttbl\\f0\\fnil MS Sans Serif;\\f1\\fnil Courier New;}\n");

}  // namespace

class RtfExport : public OutputFixture {};

TEST_F(RtfExport, WholeDayIsOneTableWithColourAndFontTablesInFront) {
    addTwoExpenses();
    const std::string expected =
        crlf(kHeader + titleRow() +
             dataRow(QStringLiteral("ООО Ромашка"), shownCode(), QStringLiteral("Оплата по счёту"),
                     QStringLiteral(" 1 234,50"), QStringLiteral("Сбербанк")) +
             dataRow(QStringLiteral("ИП Петров"), shownCode(), QStringLiteral("Аванс"),
                     QStringLiteral("  5,50"), QStringLiteral("ВТБ")) +
             footerRow(QStringLiteral(" 1 240,00"))) +
        "}";
    EXPECT_EQ(exportBytes(ExportKind::Rtf), expected);
}

TEST_F(RtfExport, BeginsWithTheHeaderLineAndEndsWithABraceWithoutLineBreak) {
    const std::string doc = exportBytes(ExportKind::Rtf);
    EXPECT_EQ(doc.substr(0, 25), "{\\rtf0\\ansi\\ansicpg1251\r\n");
    const std::string end = "\\pard\\intbl\\row}\r\n}";
    EXPECT_EQ(doc.substr(doc.size() - end.size()), end);
}

TEST_F(RtfExport, EmptyDayHasTitlesAndFooterOnly) {
    // No data cell asks for the data font, so the font table names the title font alone.
    QString header = kHeader;
    header.replace(QStringLiteral("\\f1\\fnil Courier New;"), QString());
    EXPECT_EQ(exportBytes(ExportKind::Rtf),
              crlf(header + titleRow() + footerRow(QStringLiteral("  0,00"))) + "}");
}

TEST_F(RtfExport, ColourTableKeepsOrderOfFirstUseAndSharesEqualColours) {
    addTwoExpenses();
    output::ExportEnvironment env;
    env.colors.set(5, {10, 20, 30});  // a window background of its own gets its own entry
    env.colors.set(15, {0, 0, 0});    // a button face equal to black shares entry 0
    const std::string doc = exportBytes(ExportKind::Rtf, env);
    EXPECT_NE(
        doc.find(
            "{\\colortbl\\red0\\green0\\blue0;\\red255\\green255\\blue255;\\red0\\green0\\blue128;"
            "\\red10\\green20\\blue30;\\red255\\green255\\blue0;}\r\n"),
        std::string::npos);
    // Data cells: font colour navy (2), background the window's own entry (3).
    EXPECT_NE(doc.find("\\fs20\\b\\f1\\cf2\\cb3 "), std::string::npos);
    EXPECT_NE(doc.find("\\clcbpat0\\cellx2475"), std::string::npos);
}

TEST_F(RtfExport, FontTableNamesTitleFontFirstThenDataFont) {
    addTwoExpenses();
    const std::string doc = exportBytes(ExportKind::Rtf);
    EXPECT_NE(doc.find("\r\n{\\fonttbl\\f0\\fnil MS Sans Serif;\\f1\\fnil Courier New;}\r\n"),
              std::string::npos);
    EXPECT_NE(doc.find(cp1251(QStringLiteral(
                  "\\pard\\intbl{\\ql\\sb24\\sa24\\fs20\\b\\f1\\cf3\\cb1 ООО Ромашка\\cell}"))),
              std::string::npos);
}

TEST_F(RtfExport, BackslashAndBracesInTextsAreEscaped) {
    addExpense(QStringLiteral("Цех {1}"), 1, QStringLiteral("C:\\Счета"), QStringLiteral("Банк"));
    const QString doc = fromCp1251(exportBytes(ExportKind::Rtf));
    EXPECT_TRUE(doc.contains(QStringLiteral("\\cb1 Цех \\{1\\}\\cell}")));
    EXPECT_TRUE(doc.contains(QStringLiteral("\\cb1 C:\\\\Счета\\cell}")));
    int depth = 0;
    for (qsizetype i = 0; i < doc.size(); ++i) {
        if (doc[i] == QLatin1Char('\\')) {
            ++i;
        } else if (doc[i] == QLatin1Char('{')) {
            ++depth;
        } else if (doc[i] == QLatin1Char('}')) {
            ASSERT_GT(depth--, 0) << "a group closes that was never opened";
        }
    }
    EXPECT_EQ(depth, 0);
}

TEST_F(RtfExport, HiddenNumberColumnLeavesNoTrace) {
    addTwoExpenses();
    const QString doc = fromCp1251(exportBytes(ExportKind::Rtf));
    EXPECT_FALSE(doc.contains(QStringLiteral("№ п/п")));
    EXPECT_EQ(doc.count(QStringLiteral("\\cellx")), 5 * 4);
    EXPECT_EQ(doc.count(QStringLiteral("\\cell}")), 5 * 4);
}

TEST(RtfMeasures, CellEdgesAndTitleSpacing) {
    gridmodel::GridColumn a, b;
    a.width = 165;
    b.width = 162;
    EXPECT_EQ(output::RtfWriter::cellRightEdges({&a, &b}, 96), (std::vector<int>{2475, 4905}));
    // Each column is truncated on its own: 165 × 1440 ÷ 120 = 1980, 162 × 1440 ÷ 120 = 1944;
    // at 144 pixels per inch 1650 and 1620; at 100, 2376 and 2332 (2332.8 truncated).
    EXPECT_EQ(output::RtfWriter::cellRightEdges({&a, &b}, 120), (std::vector<int>{1980, 3924}));
    EXPECT_EQ(output::RtfWriter::cellRightEdges({&a, &b}, 100), (std::vector<int>{2376, 4708}));
    EXPECT_EQ(output::RtfWriter::titleSpacing(10, 96), 55);
    EXPECT_EQ(output::RtfWriter::titleSpacing(11, 96), 62);  // 5.5 ÷ 96 × 1440 − 20 = 62.5
    EXPECT_EQ(output::RtfWriter::titleSpacing(2, 96), -5);   // 15 − 20, truncated toward zero
    EXPECT_EQ(output::RtfWriter::titleSpacing(1, 96), -12);  // 7.5 − 20 = −12.5
}

TEST(RtfWriterRules, MultiLevelTitleBordersOpenInsideSpannedCells) {
    gridmodel::GridModel g;
    g.useMultiTitle = true;
    g.fixedColor = gridmodel::clYellow;
    auto column = [](const char* caption) {
        gridmodel::GridColumn c;
        c.title.caption = QString::fromUtf8(caption);
        c.width = 96;  // 1440 twips each
        return c;
    };
    g.columns = {column("Кому"), column("Оплата|Сумма"), column("Оплата|Банк")};
    output::RtfWriter writer(output::ExportEnvironment::standard());
    writer.setGrid(g);
    output::MemoryStream s;
    writer.ExportToStream(s, true);
    const QString doc = fromCp1251(s.bytes());
    const QString L = QStringLiteral("\\clbrdrl\\brdrs\\brdrcf0\r\n"),
                  T = QStringLiteral("\\clbrdrt\\brdrs\\brdrcf0\r\n"),
                  B = QStringLiteral("\\clbrdrb\\brdrs\\brdrcf0\r\n"),
                  R = QStringLiteral("\\clbrdrr\\brdrs\\brdrcf0\r\n");
    // Level 1: "Кому" spans both levels (no bottom border), "Оплата" two columns (no border
    // between them); yellow fixed colour (3) as shade. Level 0: "Кому" continues (no top),
    // the leaves have all borders, in the titles' button face (2).
    const QString level1 =
        QStringLiteral("\\trowd\\trgaph40\r\n") + L + T + R +
        QStringLiteral("\\clcbpat3\\cellx1440\r\n") + L + T + B +
        QStringLiteral("\\clcbpat3\\cellx2880\r\n") + T + B + R +
        QStringLiteral("\\clcbpat3\\cellx4320\r\n{\\trrh0\r\n") +
        QStringLiteral(
            "\\pard\\intbl{\\qc\\sb55\\sa55\\fs16\\f0\\cf0\\cb3 Кому\\cell}\r\n"
            "\\pard\\intbl{\\qc\\sb55\\sa55\\fs16\\f0\\cf0\\cb3 Оплата\\cell}\r\n"
            "\\pard\\intbl{\\qc\\fs16\\f0\\cf0\\cb3 \\cell}\r\n"
            "\\pard\\intbl\\row}\r\n");
    const QString level0 = QStringLiteral("\\trowd\\trgaph40\r\n") + L + B + R +
                           QStringLiteral("\\clcbpat2\\cellx1440\r\n") + L + T + B + R +
                           QStringLiteral("\\clcbpat2\\cellx2880\r\n") + L + T + B + R +
                           QStringLiteral("\\clcbpat2\\cellx4320\r\n{\\trrh0\r\n") +
                           QStringLiteral(
                               "\\pard\\intbl{\\qc\\fs16\\f0\\cf0\\cb2 \\cell}\r\n"
                               "\\pard\\intbl{\\qc\\sb55\\sa55\\fs16\\f0\\cf0\\cb2 Сумма\\cell}\r\n"
                               "\\pard\\intbl{\\qc\\sb55\\sa55\\fs16\\f0\\cf0\\cb2 Банк\\cell}\r\n"
                               "\\pard\\intbl\\row}\r\n");
    EXPECT_TRUE(doc.contains(level1 + level0)) << doc.toStdString();
}

TEST(RtfWriterRules, PlainTitlesAndFlatSpacingAndStyleOrder) {
    gridmodel::GridModel g;
    g.flat = true;
    gridmodel::GridColumn c;
    c.width = 10;
    c.title.caption = QStringLiteral("A|B");
    c.title.alignment = gridmodel::Align::Right;
    c.title.font.bold = c.title.font.italic = c.title.font.underline = c.title.font.strikeOut =
        true;
    g.columns = {c};
    output::RtfWriter writer(output::ExportEnvironment::standard());
    writer.setGrid(g);
    output::MemoryStream s;
    writer.ExportToStream(s, true);
    EXPECT_NE(
        s.bytes().find(
            "\\pard\\intbl{\\qr\\sb12\\sa12\\fs16\\b\\i\\strike\\ul\\f0\\cf0\\cb2 A|B\\cell}\r\n"),
        std::string::npos);
}
