#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPalette>
#include <QRegularExpression>
#include <QTextDocument>
#include <QTimer>
#include <algorithm>

#include "Colors.h"
#include "DayRegisterPrintout.h"
#include "EngineError.h"
#include "GridPrinter.h"
#include "OutputFixture.h"
#include "PageCapture.h"
#include "PrinterPreview.h"
#include "engine/TableRegistry.h"

using printtest::PageContent;

namespace {

// The day register's expenses printout on a private preview target (A4 at 600 pixels per
// inch, no printer installed), read back page by page.
class GridPrinterTest : public outputtest::OutputFixture {
protected:
    void SetUp() override {
        OutputFixture::SetUp();
        printer.setGrid(print::dayRegisterColumns(grid));
        print::setUpDayRegisterPrinter(printer, true);
        printer.SetSubstitutes(print::dayRegisterSubstitutes(QStringLiteral("Завод «Прибор»"), QStringLiteral("за 13.10.2008"),
                                                             QStringLiteral("Иванов И.И."), QStringLiteral("Петрова А.А.")));
    }

    // Appends expenses straight to the day's table (no checks, no numbering), then shows them.
    void addExpenses(int count, const QString& subject = QStringLiteral("Оплата по счёту")) {
        auto table = engine::TableRegistry::find(core.DayDir + "/DayData.DBF");
        ASSERT_TRUE(table);
        for (int i = 0; i < count; ++i)
            table->appendRecord({i + 1, QStringLiteral("Поставщик %1").arg(i + 1), subject, 100.0 + i,
                                 QStringLiteral("Сбербанк"), day, code, QVariant()});
        expenses().refresh();
    }

    void TearDown() override {
        print::TPrinterPreview::setPrinterSource({});
        OutputFixture::TearDown();
    }

    // The program's printer set up for this sheet, as the page setup or the print dialog does.
    static void useSheet(const print::PageMetrics& sheet) {
        print::TPrinterPreview::setPrinterSource({[sheet] { return sheet; }, [] { return false; }});
    }

    // The leftmost and the rightmost vertical line of a page: the grid's edges.
    static std::pair<double, double> gridEdges(const PageContent& page) {
        double minX = 1e9, maxX = 0;
        for (const QLineF& l : page.lines)
            if (std::abs(l.dx()) <= 1) {
                minX = std::min(minX, l.x1());
                maxX = std::max(maxX, l.x1());
            }
        return {minX, maxX};
    }

    std::vector<PageContent> layOut() {
        printer.PrintTo(preview);
        std::vector<PageContent> pages;
        for (int n = 1; n <= preview.pageCount(); ++n) pages.push_back(printtest::contentOf(preview.page(n)));
        return pages;
    }

    // The index of the first page that draws exactly this text, -1 when none does.
    static int pageOf(const std::vector<PageContent>& pages, const QString& text) {
        for (size_t i = 0; i < pages.size(); ++i)
            for (const PageContent::Text& t : pages[i].texts)
                if (t.text.trimmed() == text) return static_cast<int>(i);
        return -1;
    }

    static int countRecords(const std::vector<PageContent>& pages) {
        int n = 0;
        for (const PageContent& p : pages) n += p.count(QStringLiteral("Поставщик "));
        return n;
    }

    print::TPrinterPreview preview;
    print::GridPrinter printer;
    const double pageBottom = print::PageMetrics::defaultA4().pageHeight - 236;  // above the 1 cm margin
};

TEST_F(GridPrinterTest, AllSixColumnsAreScaledSoThatTheGridMeetsTheRightMargin) {
    addExpenses(3);
    const std::vector<PageContent> pages = layOut();
    ASSERT_EQ(pages.size(), 1u);
    // 4982 pixels of grid against 4488 between the margins: drawn at 0.9008, from the left
    // margin (236) to the right one (4960 - 236).
    const auto [minX, maxX] = gridEdges(pages[0]);
    EXPECT_NEAR(minX, 241.4, 2.0);
    EXPECT_NEAR(maxX, 4724, 2.0);
    for (const QString& title : {QStringLiteral("п/п"), QStringLiteral("Статья затрат"), QStringLiteral("За что"),
                                 QStringLiteral("Сумма"), QStringLiteral("Банк")})
        EXPECT_TRUE(pages[0].has(title)) << title.toStdString();
}

TEST_F(GridPrinterTest, LongDaysRepeatTheTitlesAndNumberThePages) {
    addExpenses(150);
    const std::vector<PageContent> pages = layOut();
    ASSERT_GE(pages.size(), 3u);
    EXPECT_EQ(countRecords(pages), 150);
    for (size_t i = 0; i < pages.size(); ++i) {
        const PageContent& p = pages[i];
        EXPECT_TRUE(p.has(QStringLiteral("-%1-").arg(i + 1))) << "page " << i + 1 << ": " << p.all().toStdString();
        if (p.count(QStringLiteral("Поставщик ")) > 0) {
            EXPECT_TRUE(p.has(QStringLiteral("За что"))) << "page " << i + 1;
        }
        for (const PageContent::Text& t : p.texts)
            if (t.text.startsWith(QLatin1String("Поставщик"))) {
                EXPECT_LT(t.at.y(), pageBottom) << "page " << i + 1;
            }
    }
    EXPECT_TRUE(pages.front().has(QStringLiteral("Реестр")));
    EXPECT_TRUE(pages.front().has(QStringLiteral("Завод «Прибор»")));
    EXPECT_EQ(pageOf(pages, QStringLiteral("Итого за день")), pageOf(pages, QStringLiteral("Поставщик 150")));
    EXPECT_TRUE(pages.back().has(QStringLiteral("Петрова А.А."))) << pages.back().all().toStdString();
    // The placeholders are back in the texts for the next printout.
    EXPECT_TRUE(printer.BeforeGridText().toPlainText().contains(QStringLiteral("[PlantName]")));
}

TEST_F(GridPrinterTest, TheFooterRowMayStandAloneUnderTheTitlesOfTheLastPage) {
    // As many records as fill page 1 exactly: the footer row goes to page 2, under the titles.
    std::vector<PageContent> pages;
    int records = 40;
    addExpenses(records);
    for (;; ++records) {
        pages = layOut();
        if (pageOf(pages, QStringLiteral("Итого за день")) > pageOf(pages, QStringLiteral("Поставщик %1").arg(records))) break;
        ASSERT_LT(records, 120) << "the footer never left the last record's page";
        addExpenses(1);
        auto table = engine::TableRegistry::find(core.DayDir + "/DayData.DBF");
        table->writeRecord(table->slotCount() - 1, {records + 1, QStringLiteral("Поставщик %1").arg(records + 1),
                                                   QStringLiteral("Оплата"), 1.0, QStringLiteral("Сбербанк"), day, code, QVariant()});
        expenses().refresh();
    }
    const PageContent& last = pages[static_cast<size_t>(pageOf(pages, QStringLiteral("Итого за день")))];
    EXPECT_EQ(last.count(QStringLiteral("Поставщик ")), 0);
    EXPECT_TRUE(last.has(QStringLiteral("За что")));
}

TEST_F(GridPrinterTest, AnEmptyDayPrintsTitlesAZeroTotalAndTheSignatures) {
    const std::vector<PageContent> pages = layOut();
    ASSERT_EQ(pages.size(), 1u);
    const PageContent& p = pages[0];
    for (const QString& text : {QStringLiteral("Реестр"), QStringLiteral("текущих платежей"), QStringLiteral("за 13.10.2008"),
                                QStringLiteral("Наименование"), QStringLiteral("Итого за день"), QStringLiteral("0,00"),
                                QStringLiteral("Директор"), QStringLiteral("Иванов И.И."), QStringLiteral("-1-")})
        EXPECT_TRUE(p.has(text)) << text.toStdString() << " in " << p.all().toStdString();
}

TEST_F(GridPrinterTest, PageMacrosAndTheirEscape) {
    addExpenses(120);
    printer.settings.PageFooter.CenterText = {QStringLiteral("&[page] из &[Pages] &&[Page]")};
    const std::vector<PageContent> pages = layOut();
    ASSERT_GE(pages.size(), 2u);
    const QString last = QString::number(pages.size());
    for (size_t i = 0; i < pages.size(); ++i)
        EXPECT_TRUE(pages[i].has(QStringLiteral("%1 из %2 &&[Page]").arg(i + 1).arg(last))) << pages[i].all().toStdString();
}

TEST_F(GridPrinterTest, WithoutFittingAWideGridPrintsInBandsWithTheRecordsRepeated) {
    addExpenses(5);
    printer.settings.Options = 0;
    const std::vector<PageContent> pages = layOut();
    ASSERT_EQ(pages.size(), 2u);  // two bands of one chunk
    EXPECT_EQ(pages[0].count(QStringLiteral("Поставщик ")), 5);
    EXPECT_TRUE(pages[0].has(QStringLiteral("п/п")));
    EXPECT_FALSE(pages[1].has(QStringLiteral("п/п")));
    EXPECT_EQ(pages[1].count(QStringLiteral("Сбербанк")), 5);
}

TEST_F(GridPrinterTest, SubstitutionsIgnoreCaseAndAreNotRepeated) {
    QTextDocument& before = printer.BeforeGridText();
    before.setPlainText(QStringLiteral("[plantname] / [PAYDATE]"));
    printer.SetSubstitutes({QStringLiteral("[PlantName]"), QStringLiteral("Цех [PayDate]"), QStringLiteral("[PayDate]"),
                            QStringLiteral("за 13.10.2008")});
    const std::vector<PageContent> pages = layOut();
    ASSERT_FALSE(pages.empty());
    EXPECT_TRUE(pages[0].has(QStringLiteral("Цех [PayDate] / за 13.10.2008"))) << pages[0].all().toStdString();
    EXPECT_EQ(before.toPlainText(), QStringLiteral("[plantname] / [PAYDATE]"));
}

TEST_F(GridPrinterTest, ARowTallerThanAPageIsCutAndTheLayoutGoesOn) {
    addExpenses(1, QString(4000, u'ж').replace(QRegularExpression(QStringLiteral("жжжж")), QStringLiteral("жжж ")));
    addExpenses(2);
    printer.settings.Options |= print::pghRowAutoStretch;
    const std::vector<PageContent> pages = layOut();
    EXPECT_LE(pages.size(), 4u);
    EXPECT_EQ(countRecords(pages), 3);
}

TEST_F(GridPrinterTest, StoppingEndsSilentlyWithTheViewNeverMoved) {
    addExpenses(300);
    expenses().setRecNo(7);
    int scrolls = 0;
    const auto counting = expenses().afterScroll.add([&](engine::Dataset&) { ++scrolls; });
    QTimer::singleShot(0, [&] { preview.Abort(); });
    EXPECT_THROW(printer.PrintTo(preview), base::SilentAbort);
    EXPECT_FALSE(preview.Printing());
    EXPECT_LT(preview.pageCount(), 6);
    EXPECT_EQ(scrolls, 0);
    EXPECT_EQ(expenses().recNo(), 7);
}

TEST_F(GridPrinterTest, ALandscapeSheetGetsALayoutOfItsOwn) {
    addExpenses(300);
    const size_t portrait = layOut().size();
    EXPECT_EQ(portrait, 6u);
    const print::PageMetrics sheet{7015, 4960, 7015, 4960, 600, 600};  // A4 landscape
    useSheet(sheet);
    const std::vector<PageContent> pages = layOut();
    EXPECT_EQ(preview.Metrics(), sheet);
    EXPECT_GT(pages.size(), portrait);  // fewer rows to a page
    EXPECT_EQ(countRecords(pages), 300);
    for (size_t i = 0; i < pages.size(); ++i) {
        const auto number = std::find_if(pages[i].texts.begin(), pages[i].texts.end(),
                                         [&](const PageContent::Text& t) {
                                             return t.text == QStringLiteral("-%1-").arg(i + 1);
                                         });
        ASSERT_NE(number, pages[i].texts.end()) << "page " << i + 1;
        EXPECT_LT(number->at.y(), sheet.pageHeight - 236) << "page " << i + 1;
        EXPECT_NEAR(number->at.x(), sheet.pageWidth / 2, 200);
    }
    // The wider sheet has room for the grid at its natural size (4976 pixels of columns), so
    // it is not scaled down as on the portrait sheet.
    const auto [minX, maxX] = gridEdges(pages[0]);
    EXPECT_NEAR(maxX - minX, 4976, 3);
    EXPECT_LE(maxX, sheet.pageWidth - 236);
}

TEST_F(GridPrinterTest, ALineAfterTheGridThatDoesNotFitStartsTheNextPage) {
    // However many records come before them, every line after the grid stands whole, and once,
    // above the page number's band (the page drawn at 4488 / 4982 of its size).
    QTextDocument& after = printer.AfterGridText();
    after.setDefaultFont(QFont(QStringLiteral("Courier New"), 14));
    QStringList lines;
    for (int i = 1; i <= 8; ++i) lines << QStringLiteral("Подпись %1").arg(i);
    after.setPlainText(lines.join(u'\n'));
    print::PagePicture reference(print::PageMetrics::defaultA4());
    const double scale = 4488.0 / 4982.0;
    addExpenses(38);
    for (int records = 38; records < 70; ++records) {
        const std::vector<PageContent> pages = layOut();
        QStringList printed;
        for (const PageContent& page : pages) {
            const auto number = std::find_if(page.texts.begin(), page.texts.end(),
                                             [](const PageContent::Text& t) { return t.text.startsWith(u'-'); });
            ASSERT_NE(number, page.texts.end());
            const double bandTop =
                pageBottom - (QFontMetricsF(number->font, &reference).height() + 30) * scale;
            for (const PageContent::Text& t : page.texts) {
                if (!t.text.startsWith(QStringLiteral("Подпись"))) continue;
                printed << t.text;
                EXPECT_LE(t.at.y() + QFontMetricsF(t.font, &reference).descent() * scale,
                          bandTop + 1)
                    << records << " records: " << t.text.toStdString();
            }
        }
        EXPECT_EQ(printed, lines) << records << " records";
        addExpenses(1);
    }
}

TEST_F(GridPrinterTest, ColouredTitlesHaveTheButtonFaceTheScreenAndTheExportShow) {
    // The running program's palette gives the button face to the screen, the export and the
    // printout alike; printing in colour paints the titles with it and the rows white.
    const QPalette saved = QGuiApplication::palette();
    QPalette palette = saved;
    palette.setColor(QPalette::Active, QPalette::Button, QColor(0xC0, 0xC1, 0xC2));
    QGuiApplication::setPalette(palette);
    printer.settings.Options |= print::pghColored;
    addExpenses(2);
    const std::vector<PageContent> pages = layOut();
    const output::Rgb exported = output::SystemColors::current().btnFace();
    printer.settings.Options &= ~print::pghColored;
    const std::vector<PageContent> plain = layOut();
    QGuiApplication::setPalette(saved);

    EXPECT_EQ(exported, (output::Rgb{0xC0, 0xC1, 0xC2}));
    ASSERT_FALSE(pages.empty());
    auto filled = [](const PageContent& page, const QColor& color) {
        return std::count_if(page.fills.begin(), page.fills.end(),
                             [&](const PageContent::Fill& f) { return f.color == color; });
    };
    EXPECT_GE(filled(pages[0], QColor(0xC0, 0xC1, 0xC2)), 6);  // a title over each column
    EXPECT_GE(filled(pages[0], QColor(Qt::white)), 2 * 6);     // the two rows
    EXPECT_EQ(filled(pages[0], QColor(212, 208, 200)), 0);
    ASSERT_FALSE(plain.empty());
    EXPECT_EQ(filled(plain[0], QColor(0xC0, 0xC1, 0xC2)), 0);  // without colour all is on white
}

}  // namespace
