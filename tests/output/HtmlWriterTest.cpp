#include "HtmlWriter.h"
#include "OutputFixture.h"

using namespace outputtest;
using output::ExportKind;

namespace {

const QString kTitleFont = QStringLiteral(
    "<FONT STYLE=\"font-family: MS Sans Serif; font-size: 10pt; color: #000080\"><B>");
const QString kDataFont =
    QStringLiteral("<FONT STYLE=\"font-family: Courier New; font-size: 10pt; color: #000080\"><B>");
const QString kEnd = QStringLiteral("</B></FONT></TD>");

const QString kHead = QStringLiteral(
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2//EN\">\n"
    "<HTML>\n"
    "<HEAD>\n"
    "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=windows-1251\">\n"
    "<TITLE>\n"
    "DataGrid1\n"
    "</TITLE>\n"
    "</HEAD>\n"
    "<BODY>\n"
    "<TABLE BORDER=1 CELLSPACING=0 CELLPADDING=2 BGCOLOR=#F0F0F0>\n"
    "\n");

QString titleRow() {
    return QStringLiteral("<TR>\n") + QStringLiteral("  <TD WIDTH=165 ALIGN=\"CENTER\">") +
           kTitleFont + QStringLiteral("Наименование поставщиков и подрядчиков (Кому)") + kEnd +
           "\n" + QStringLiteral("  <TD WIDTH=162 ALIGN=\"CENTER\">") + kTitleFont +
           QStringLiteral("Статья затрат") + kEnd + "\n" +
           QStringLiteral("  <TD WIDTH=215 ALIGN=\"CENTER\">") + kTitleFont +
           QStringLiteral("За что") + kEnd + "\n" +
           QStringLiteral("  <TD WIDTH=117 ALIGN=\"CENTER\">") + kTitleFont +
           QStringLiteral("Сумма") + kEnd + "\n" +
           QStringLiteral("  <TD WIDTH=99 ALIGN=\"CENTER\">") + kTitleFont +
           QStringLiteral("Банк") + kEnd + "\n" + QStringLiteral("</TR>\n");
}

QString dataRow(const QString& komu, const QString& code, const QString& subject,
                const QString& sum, const QString& bank) {
    return QStringLiteral("<TR>\n") +
           QStringLiteral("  <TD WIDTH=165 ALIGN=\"LEFT\" BGCOLOR=#FFFFFF>") + kDataFont + komu +
           kEnd + "\n" + QStringLiteral("  <TD WIDTH=162 ALIGN=\"LEFT\" BGCOLOR=#FFFFFF>") +
           kDataFont + code + kEnd + "\n" +
           QStringLiteral("  <TD WIDTH=215 ALIGN=\"LEFT\" BGCOLOR=#FFFFFF>") + kDataFont + subject +
           kEnd + "\n" + QStringLiteral("  <TD WIDTH=117 ALIGN=\"RIGHT\" BGCOLOR=#FFFFFF>") +
           kDataFont + sum + kEnd + "\n" +
           QStringLiteral("  <TD WIDTH=99 ALIGN=\"CENTER\" BGCOLOR=#FFFFFF>") + kDataFont + bank +
           kEnd + "\n" + QStringLiteral("</TR>\n");
}

QString footerRow(const QString& sum) {
    return QStringLiteral("<TR>\n") +
           QStringLiteral("  <TD WIDTH=165 ALIGN=\"LEFT\" BGCOLOR=#FFFF00>") + kTitleFont +
           QStringLiteral("&nbsp") + kEnd + "\n" +
           QStringLiteral("  <TD WIDTH=162 ALIGN=\"LEFT\" BGCOLOR=#FFFF00>") + kTitleFont +
           QStringLiteral("&nbsp") + kEnd + "\n" +
           QStringLiteral("  <TD WIDTH=215 ALIGN=\"LEFT\" BGCOLOR=#FFFF00>") + kTitleFont +
           QStringLiteral("Итого за день") + kEnd + "\n" +
           QStringLiteral("  <TD WIDTH=117 ALIGN=\"RIGHT\" BGCOLOR=#FFFF00>") + kTitleFont + sum +
           kEnd + "\n" + QStringLiteral("  <TD WIDTH=99 ALIGN=\"LEFT\" BGCOLOR=#FFFF00>") +
           kTitleFont + QStringLiteral("&nbsp") + kEnd + "\n" + QStringLiteral("</TR>\n");
}

const QString kTail = QStringLiteral("</TABLE>\n</BODY>\n</HTML>\n");

}  // namespace

class HtmlExport : public OutputFixture {};

TEST_F(HtmlExport, WholeDayIsOneTableOfTitleRecordAndFooterRows) {
    addTwoExpenses();
    const std::string expected =
        crlf(kHead + titleRow() +
             dataRow(QStringLiteral("ООО Ромашка"), shownCode(), QStringLiteral("Оплата по счёту"),
                     QStringLiteral(" 1 234,50"), QStringLiteral("Сбербанк")) +
             dataRow(QStringLiteral("ИП Петров"), shownCode(), QStringLiteral("Аванс"),
                     QStringLiteral("  5,50"), QStringLiteral("ВТБ")) +
             footerRow(QStringLiteral(" 1 240,00")) + kTail);
    EXPECT_EQ(exportBytes(ExportKind::Html), expected);
}

TEST_F(HtmlExport, FirstTitleCellAndItsFontText) {
    const std::string page = exportBytes(ExportKind::Html);
    const std::string first = cp1251(QStringLiteral(
        "\r\n<TR>\r\n  <TD WIDTH=165 ALIGN=\"CENTER\"><FONT STYLE=\"font-family: MS Sans Serif; "
        "font-size: 10pt; color: "
        "#000080\"><B>Наименование поставщиков и подрядчиков (Кому)</B></FONT></TD>\r\n"));
    EXPECT_NE(page.find(first), std::string::npos);
}

TEST_F(HtmlExport, EmptyDayHasTitlesAndFooterOnly) {
    EXPECT_EQ(exportBytes(ExportKind::Html),
              crlf(kHead + titleRow() + footerRow(QStringLiteral("  0,00")) + kTail));
}

TEST_F(HtmlExport, TheWindowBackgroundFollowsTheSystemColours) {
    addExpense(QStringLiteral("А"), 1, QStringLiteral("Б"), QStringLiteral("В"));
    output::ExportEnvironment env;
    env.colors.set(5, {0x12, 0xAB, 0xFE});
    env.colors.set(15, {1, 2, 3});
    const QString page = fromCp1251(exportBytes(ExportKind::Html, env));
    EXPECT_TRUE(page.contains(QStringLiteral("BGCOLOR=#010203>\r\n\r\n<TR>")));
    EXPECT_EQ(page.count(QStringLiteral("BGCOLOR=#12ABFE>")), 5);
}

TEST(HtmlEscape, EntitiesWithoutSemicolonsAndEmptyTextAsNbsp) {
    auto escaped = [](const QString& text) {
        std::string out;
        output::HtmlWriter::appendEscaped(out, cp1251(text));
        return fromCp1251(out);
    };
    EXPECT_EQ(escaped(QStringLiteral("A&B <c> \"d\"")),
              QStringLiteral("A&ampB &ltc&gt &quotd&quot"));
    EXPECT_EQ(escaped(QStringLiteral("Счёт №1 & «ООО»")), QStringLiteral("Счёт №1 &amp «ООО»"));
    // An entity in the text is escaped again.
    EXPECT_EQ(escaped(QStringLiteral("&amp;")), QStringLiteral("&ampamp;"));
    EXPECT_EQ(escaped(QString()), QStringLiteral("&nbsp"));
    EXPECT_EQ(escaped(QStringLiteral(" ")), QStringLiteral(" "));
}

TEST_F(HtmlExport, CellTextsAreEscapedInsideTheirFontElement) {
    addExpense(QStringLiteral("ООО \"Сталь & Ко\""), 10, QStringLiteral("<счёт>"),
               QStringLiteral("Банк"));
    const QString page = fromCp1251(exportBytes(ExportKind::Html));
    EXPECT_TRUE(page.contains(kDataFont + QStringLiteral("ООО &quotСталь &amp Ко&quot") + kEnd));
    EXPECT_TRUE(page.contains(kDataFont + QStringLiteral("&ltсчёт&gt") + kEnd));
    EXPECT_FALSE(page.contains(QLatin1Char(';') + kEnd));
}

TEST_F(HtmlExport, HiddenNumberColumnLeavesNoTrace) {
    addTwoExpenses();
    const QString page = fromCp1251(exportBytes(ExportKind::Html));
    EXPECT_FALSE(page.contains(QStringLiteral("№ п/п")));
    EXPECT_FALSE(page.contains(QStringLiteral("WIDTH=32 ")));
    EXPECT_EQ(page.count(QStringLiteral("<TD ")), 5 * 4);
}

// A grid made for the rules the expenses grid does not reach: no multi-level titles, other
// borders and padding, every font style, no colour.
TEST(HtmlWriterRules, PlainTitlesBordersStylesAndNoColour) {
    gridmodel::GridModel g;
    g.name = QStringLiteral("Grid");
    g.flat = true;
    g.ctl3D = false;
    g.fixedColor = gridmodel::clNone;
    gridmodel::GridColumn c;
    c.width = 40;
    c.title.caption = QStringLiteral("A|B");
    c.title.alignment = gridmodel::Align::Right;
    c.title.font.name = QStringLiteral("Arial");
    c.title.font.height = -16;
    c.title.font.color = gridmodel::clBlue;
    c.title.font.bold = c.title.font.italic = c.title.font.underline = c.title.font.strikeOut =
        true;
    g.columns = {c};
    output::HtmlWriter writer(output::ExportEnvironment::standard());
    writer.setGrid(g);
    output::MemoryStream s;
    writer.ExportToStream(s, true);
    const QString page = fromCp1251(s.bytes());
    EXPECT_TRUE(page.contains(
        QStringLiteral("<TABLE BORDER=0 CELLSPACING=1 CELLPADDING=1 BGCOLOR=#000000>\r\n\r\n")));
    EXPECT_TRUE(page.contains(
        QStringLiteral("<TR>\r\n  <TD WIDTH=40 ALIGN=\"RIGHT\"><FONT STYLE=\"font-family: Arial; "
                       "font-size: 12pt; color: #0000FF\">"
                       "<B><I><U><STRIKE>A|B</B></I></U></STRIKE></FONT></TD>\r\n</TR>\r\n")));

    g.dgColLines = g.dgRowLines = false;
    output::HtmlWriter second(output::ExportEnvironment::standard());
    second.setGrid(g);
    output::MemoryStream s2;
    second.ExportToStream(s2, true);
    EXPECT_NE(s2.bytes().find("<TABLE BORDER=0 CELLSPACING=0 CELLPADDING=1 "), std::string::npos);
}

TEST(HtmlWriterRules, MultiLevelTitlesSpanColumnsAndRows) {
    gridmodel::GridModel g;
    g.name = QStringLiteral("Grid");
    g.useMultiTitle = true;
    g.titleFont.name = QStringLiteral("Top");
    auto column = [](const char* caption, int width) {
        gridmodel::GridColumn c;
        c.title.caption = QString::fromUtf8(caption);
        c.title.font.name = QStringLiteral("Leaf");
        c.width = width;
        return c;
    };
    g.columns = {column("Кому", 10), column("Оплата|Сумма", 20), column("Оплата|Банк", 30)};
    g.dgTitles = true;
    output::HtmlWriter writer(output::ExportEnvironment::standard());
    writer.setGrid(g);
    output::MemoryStream s;
    writer.ExportToStream(s, true);
    const QString page = fromCp1251(s.bytes());
    const QString top =
        QStringLiteral("<FONT STYLE=\"font-family: Top; font-size: 8pt; color: #000000\">");
    const QString leaf =
        QStringLiteral("<FONT STYLE=\"font-family: Leaf; font-size: 8pt; color: #000000\">");
    EXPECT_TRUE(page.contains(QStringLiteral("<TR>\r\n"
                                             "  <TD ALIGN=\"CENTER\" ROWSPAN = \"2\">") +
                              top +
                              QStringLiteral("Кому</FONT></TD>\r\n"
                                             "  <TD ALIGN=\"CENTER\" COLSPAN = \"2\">") +
                              top +
                              QStringLiteral("Оплата</FONT></TD>\r\n"
                                             "</TR>\r\n"
                                             "<TR>\r\n"
                                             "  <TD WIDTH=20 ALIGN=\"CENTER\">") +
                              leaf +
                              QStringLiteral("Сумма</FONT></TD>\r\n"
                                             "  <TD WIDTH=30 ALIGN=\"CENTER\">") +
                              leaf +
                              QStringLiteral("Банк</FONT></TD>\r\n"
                                             "</TR>\r\n")))
        << page.toStdString();
}
