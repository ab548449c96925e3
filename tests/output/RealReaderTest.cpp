// Opt-in: opens the five exports of a day in LibreOffice (headless) and checks what a user
// would see there. Runs only with PLATORIS_READER_TESTS=1 and soffice on the PATH (the page
// picture of the rich text also needs pdftoppm); with PLATORIS_READER_KEEP=<folder> the exports
// and conversions are left in that folder.
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "OutputFixture.h"

using namespace outputtest;

namespace {

QString soffice() {
    return QStandardPaths::findExecutable(QStringLiteral("soffice"));
}

// Converts a file with LibreOffice, in the given locale if any; the converted file's text
// (UTF-8), or empty.
QString convert(const QString& file, const QString& filter, const QString& extension,
                const QString& outDir, const QString& profile, const QString& locale = {}) {
    QProcess p;
    if (!locale.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LC_ALL"), locale);
        environment.insert(QStringLiteral("LANG"), locale);
        p.setProcessEnvironment(environment);
    }
    p.start(soffice(), {QStringLiteral("-env:UserInstallation=file://") + profile,
                        QStringLiteral("--headless"), QStringLiteral("--convert-to"), filter,
                        QStringLiteral("--outdir"), outDir, file});
    if (!p.waitForFinished(180000)) return {};
    QFile out(
        QDir(outDir).filePath(QFileInfo(file).completeBaseName() + QLatin1Char('.') + extension));
    if (!out.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(out.readAll());
}

// The first page of a PDF as a picture at 72 pixels per inch, or a null image.
QImage firstPage(const QString& pdf) {
    const QString prefix = QFileInfo(pdf).absolutePath() + QStringLiteral("/page");
    QProcess p;
    p.start(QStandardPaths::findExecutable(QStringLiteral("pdftoppm")),
            {QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-f"), QStringLiteral("1"),
             QStringLiteral("-l"), QStringLiteral("1"), QStringLiteral("-singlefile"),
             QStringLiteral("-png"), pdf, prefix});
    if (!p.waitForFinished(60000)) return {};
    return QImage(prefix + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
}

}  // namespace

class RealReader : public OutputFixture {
protected:
    void SetUp() override {
        if (qEnvironmentVariable("PLATORIS_READER_TESTS") != QLatin1String("1"))
            GTEST_SKIP() << "opt-in: PLATORIS_READER_TESTS=1";
        if (soffice().isEmpty()) GTEST_SKIP() << "LibreOffice (soffice) is not installed";
        OutputFixture::SetUp();
        keep = qEnvironmentVariable("PLATORIS_READER_KEEP");
        dir = keep.isEmpty() ? temp.path() : keep;
        QDir().mkpath(dir);
        addExpense(QStringLiteral("ООО \"Уралсталь\" & Ко"), 1234567.891,
                   QStringLiteral("Оплата по счёту № 15 <металлопрокат>"),
                   QStringLiteral("Сбербанк"));
        addExpense(QStringLiteral("ИП Петров"), 5.5, QStringLiteral("Аванс {ремонт} C:\\Счета"),
                   QStringLiteral("ВТБ"));
        addExpense(QStringLiteral("АО Энергосбыт"), 98765.43,
                   QStringLiteral("Электроэнергия\tза октябрь"), QStringLiteral("Газпромбанк"));
        for (auto [kind, name] : {std::pair{output::ExportKind::Html, "day.htm"},
                                  {output::ExportKind::Rtf, "day.rtf"},
                                  {output::ExportKind::Xls, "day.xls"},
                                  {output::ExportKind::Xlsx, "day.xlsx"},
                                  {output::ExportKind::Text, "day.txt"}})
            output::SaveGridToExportFile(kind, grid, QDir(dir).filePath(QString::fromLatin1(name)),
                                         true);
        out = QDir(dir).filePath(QStringLiteral("converted"));
        QDir().mkpath(out);
    }

    // The day's texts; `quote` is how the reader writes a double quotation mark.
    void expectDay(const QString& text, const QString& quote = QStringLiteral("\"")) {
        EXPECT_TRUE(text.contains(QStringLiteral("ООО %1Уралсталь%1 & Ко").arg(quote)))
            << text.toStdString();
        for (const char* s :
             {"Наименование поставщиков и подрядчиков (Кому)", "Статья затрат", "За что", "Сумма",
              "Банк", "Оплата по счёту № 15 <металлопрокат>", "ИП Петров",
              "Аванс {ремонт} C:\\Счета", "АО Энергосбыт", "Газпромбанк", "Итого за день"})
            EXPECT_TRUE(text.contains(QString::fromUtf8(s))) << s << "\n" << text.toStdString();
        EXPECT_TRUE(text.contains(code)) << text.toStdString();
    }

    // A spreadsheet's values as CSV: the day's texts; numbers stay numbers (the sums as
    // stored, with two decimals), and so does the total.
    void expectSpreadsheetValues(const QString& csv) {
        ASSERT_FALSE(csv.isEmpty());
        expectDay(csv, QStringLiteral("\"\""));
        const QStringList rows = csv.trimmed().split(QLatin1Char('\n'));
        ASSERT_EQ(rows.size(), 5) << csv.toStdString();
        EXPECT_TRUE(rows[1].contains(QStringLiteral(";1234567.89;"))) << rows[1].toStdString();
        EXPECT_TRUE(rows[2].contains(QStringLiteral(";5.5;"))) << rows[2].toStdString();
        EXPECT_EQ(rows[4], QStringLiteral(";;\"Итого за день\";1333338.82;"));
    }

    QTemporaryDir temp, profile;
    QString keep, dir, out;
};

TEST_F(RealReader, SpreadsheetGivesRowsNumbersAndTotal) {
    const QString csv = convert(QDir(dir).filePath(QStringLiteral("day.xls")),
                                QStringLiteral("csv:Text - txt - csv (StarCalc):59,34,76,1"),
                                QStringLiteral("csv"), out, profile.path());
    expectSpreadsheetValues(csv);
}

TEST_F(RealReader, WorkbookGivesRowsNumbersAndTotal) {
    const QString book = QDir(dir).filePath(QStringLiteral("day.xlsx"));
    // The values themselves (not as shown): numbers stay numbers and the total adds up.
    const QString csv = convert(
        book, QStringLiteral("csv:Text - txt - csv (StarCalc):59,34,76,1,,0,true,true,false"),
        QStringLiteral("csv"), out + QStringLiteral("/xlsx"), profile.path());
    expectSpreadsheetValues(csv);
    // The total as a user in the Russian locale sees it: in thousands, two decimals.
    const QString shown = convert(
        book, QStringLiteral("csv:Text - txt - csv (StarCalc):59,34,76,1"), QStringLiteral("csv"),
        out + QStringLiteral("/xlsx-shown"), profile.path(), QStringLiteral("ru_RU.UTF-8"));
    EXPECT_TRUE(shown.contains(QStringLiteral(";\"Итого за день\";1\u00A0333\u00A0338,82;")))
        << shown.toStdString();
}

TEST_F(RealReader, RichTextGivesTheTableTexts) {
    const QString text = convert(QDir(dir).filePath(QStringLiteral("day.rtf")),
                                 QStringLiteral("txt:Text (encoded):UTF8"), QStringLiteral("txt"),
                                 out + QStringLiteral("/rtf"), profile.path());
    ASSERT_FALSE(text.isEmpty());
    expectDay(text);
    EXPECT_TRUE(text.contains(QStringLiteral("\n1 333 338,82\n"))) << text.toStdString();
}

TEST_F(RealReader, WebPageGivesTheTableTexts) {
    const QString text = convert(QDir(dir).filePath(QStringLiteral("day.htm")),
                                 QStringLiteral("txt:Text (encoded):UTF8"), QStringLiteral("txt"),
                                 out + QStringLiteral("/htm"), profile.path());
    ASSERT_FALSE(text.isEmpty());
    expectDay(text);
    EXPECT_TRUE(text.contains(QStringLiteral("\n1 333 338,82\n"))) << text.toStdString();
}

TEST_F(RealReader, RichTextShowsGreyTitlesWhiteRowsAndAYellowFooter) {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty())
        GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed";
    const QString pdfDir = out + QStringLiteral("/pdf");
    convert(QDir(dir).filePath(QStringLiteral("day.rtf")), QStringLiteral("pdf"),
            QStringLiteral("pdf"), pdfDir, profile.path());
    const QImage page = firstPage(pdfDir + QStringLiteral("/day.pdf"));
    ASSERT_FALSE(page.isNull());
    auto near = [](QRgb p, int r, int g, int b) {
        return std::abs(qRed(p) - r) <= 8 && std::abs(qGreen(p) - g) <= 8 &&
               std::abs(qBlue(p) - b) <= 8;
    };
    // Per line of pixels: how much of it is button-face grey, yellow, white and black.
    int black = 0, firstGrey = -1, lastGrey = -1, firstYellow = -1;
    std::vector<int> white(static_cast<size_t>(page.height()));
    for (int y = 0; y < page.height(); ++y) {
        int grey = 0, yellow = 0;
        for (int x = 0; x < page.width(); ++x) {
            const QRgb p = page.pixel(x, y);
            grey += near(p, 240, 240, 240);
            yellow += near(p, 255, 255, 0);
            white[static_cast<size_t>(y)] += near(p, 255, 255, 255);
            black += qRed(p) < 64 && qGreen(p) < 64 && qBlue(p) < 64;
        }
        if (grey > page.width() / 3) {
            if (firstGrey < 0) firstGrey = y;
            lastGrey = y;
        }
        if (yellow > page.width() / 3 && firstYellow < 0) firstYellow = y;
    }
    // Borders and nothing more are black; the cells are not.
    EXPECT_LT(black, page.width() * page.height() / 50);
    ASSERT_GE(firstGrey, 0) << "no grey title row";
    ASSERT_GT(firstYellow, lastGrey) << "no yellow footer below the titles";
    // Between the titles and the footer the three records stand on white.
    int whiteLines = 0;
    for (int y = lastGrey + 1; y < firstYellow; ++y)
        whiteLines += white[static_cast<size_t>(y)] > page.width() * 3 / 4;
    EXPECT_GT(whiteLines, (firstYellow - lastGrey) / 2);
}
