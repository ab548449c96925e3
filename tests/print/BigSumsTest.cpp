#include <gtest/gtest.h>

#include "DayRegisterPrintout.h"
#include "GridPrinter.h"
#include "OutputFixture.h"
#include "PageCapture.h"
#include "PrinterPreview.h"

namespace {

class BigSums : public outputtest::OutputFixture {};

// Sums past a billion: the printout groups every three digits as the screen does, while the
// exports keep the bytes head office reads.
TEST_F(BigSums, ThePrintoutGroupsEveryThreeDigitsAndTheExportsKeepTheirBytes) {
    addExpense(QStringLiteral("ТОО Береке"), 2504565364.15, QStringLiteral("Станки"),
               QStringLiteral("Сбербанк"));
    addExpense(QStringLiteral("АО Самрук"), 997495436478.15, QStringLiteral("Аренда"),
               QStringLiteral("Сбербанк"));
    QStringList sums;
    for (const QString& line :
         outputtest::fromCp1251(exportBytes(output::ExportKind::Text)).split(u'\n').mid(1, 3))
        sums << line.section(u'\t', 3, 3);
    EXPECT_EQ(sums, (QStringList{"2504 565 364,15", "997495 436 478,15", "1000000 001 842,30"}));

    print::GridPrinter printer;
    print::TPrinterPreview preview;
    printer.setGrid(print::dayRegisterColumns(grid));
    print::setUpDayRegisterPrinter(printer, true);
    printer.PrintTo(preview);
    const printtest::PageContent page = printtest::contentOf(preview.page(1));
    for (const char* text : {"2 504 565 364,15", "997 495 436 478,15", "1 000 000 001 842,30"})
        EXPECT_TRUE(page.has(QString::fromUtf8(text)))
            << text << " in " << page.all().toStdString();
}

}  // namespace
