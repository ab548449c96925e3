#include <gtest/gtest.h>

#include "DayRegisterPrintout.h"
#include "ExportWriter.h"
#include "GridPrinter.h"
#include "OutputFixture.h"
#include "PageCapture.h"
#include "PrinterPreview.h"

namespace {

class BigSums : public outputtest::OutputFixture {};

// Sums past a billion: the printout groups every three digits as the screen does, while the
// exports keep the bytes head office reads.
TEST_F(BigSums, ThePrintoutGroupsEveryThreeDigitsAndTheExportsKeepTheirBytes) {
    addExpense(QStringLiteral("ТОО Береке"), 2504565364.15, QStringLiteral("Оборудование"),
               QStringLiteral("Сбербанк"));
    addExpense(QStringLiteral("АО Самрук"), 997495436478.15, QStringLiteral("Аренда"),
               QStringLiteral("Сбербанк"));

    const QStringList lines =
        outputtest::fromCp1251(exportBytes(output::ExportKind::Text)).split(QStringLiteral("\r\n"));
    ASSERT_GE(lines.size(), 4);
    EXPECT_EQ(lines[1].split(u'\t').value(3), QStringLiteral("2504 565 364,15"));
    EXPECT_EQ(lines[2].split(u'\t').value(3), QStringLiteral("997495 436 478,15"));
    EXPECT_EQ(lines[3].split(u'\t').value(3), QStringLiteral("1000000 001 842,30"));
    EXPECT_TRUE(outputtest::fromCp1251(exportBytes(output::ExportKind::Html))
                    .contains(QStringLiteral("1000000 001 842,30")));

    print::GridPrinter printer;
    print::TPrinterPreview preview;
    printer.setGrid(&grid);
    print::setUpDayRegisterPrinter(printer, true);
    printer.PrintTo(preview);
    ASSERT_EQ(preview.pageCount(), 1);
    const printtest::PageContent page = printtest::contentOf(preview.page(1));
    for (const QString& text :
         {QStringLiteral("2 504 565 364,15"), QStringLiteral("997 495 436 478,15"),
          QStringLiteral("1 000 000 001 842,30")})
        EXPECT_TRUE(page.has(text)) << text.toStdString() << " in " << page.all().toStdString();
    EXPECT_FALSE(page.has(QStringLiteral("1000000")));
}

}  // namespace
