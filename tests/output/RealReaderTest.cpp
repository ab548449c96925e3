// Opt-in: opens the four exports of a day in LibreOffice (headless) and checks what a user
// would see there. Runs only with PLATORIS_READER_TESTS=1 and soffice on the PATH; with
// PLATORIS_READER_KEEP=<folder> the exports and conversions are left in that folder.
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "OutputFixture.h"

using namespace outputtest;

namespace {

QString soffice() {
    return QStandardPaths::findExecutable(QStringLiteral("soffice"));
}

// Converts a file with LibreOffice; the converted file's text (UTF-8), or empty.
QString convert(const QString& file, const QString& filter, const QString& extension,
                const QString& outDir, const QString& profile) {
    QProcess p;
    p.start(soffice(), {QStringLiteral("-env:UserInstallation=file://") + profile,
                        QStringLiteral("--headless"), QStringLiteral("--convert-to"), filter,
                        QStringLiteral("--outdir"), outDir, file});
    if (!p.waitForFinished(180000)) return {};
    QFile out(
        QDir(outDir).filePath(QFileInfo(file).completeBaseName() + QLatin1Char('.') + extension));
    if (!out.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(out.readAll());
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

    QTemporaryDir temp, profile;
    QString keep, dir, out;
};

TEST_F(RealReader, SpreadsheetGivesRowsNumbersAndTotal) {
    const QString csv = convert(QDir(dir).filePath(QStringLiteral("day.xls")),
                                QStringLiteral("csv:Text - txt - csv (StarCalc):59,34,76,1"),
                                QStringLiteral("csv"), out, profile.path());
    ASSERT_FALSE(csv.isEmpty());
    expectDay(csv, QStringLiteral("\"\""));
    const QStringList rows = csv.trimmed().split(QLatin1Char('\n'));
    ASSERT_EQ(rows.size(), 5) << csv.toStdString();
    // Numbers stay numbers (the sums as stored, with two decimals), and so does the total.
    EXPECT_TRUE(rows[1].contains(QStringLiteral(";1234567.89;"))) << rows[1].toStdString();
    EXPECT_TRUE(rows[2].contains(QStringLiteral(";5.5;"))) << rows[2].toStdString();
    EXPECT_EQ(rows[4], QStringLiteral(";;\"Итого за день\";1333338.82;"));
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
