#include "OutputFixture.h"

using namespace outputtest;

class ExportedSums : public OutputFixture {};

TEST_F(ExportedSums, CellsAndFooterCarryTheFormattedSums) {
    for (double sum : {5.5, 1234.5, 1234567.891, -5.5})
        addExpense(QStringLiteral("А"), sum, QStringLiteral("Б"), QStringLiteral("В"));
    const QStringList lines =
        fromCp1251(exportBytes(output::ExportKind::Text)).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 6);
    QStringList sums;
    for (const QString& line : lines.mid(1)) sums << line.split(QLatin1Char('\t'))[3];
    EXPECT_EQ(sums, (QStringList{QStringLiteral("  5,50"), QStringLiteral(" 1 234,50"),
                                 QStringLiteral("1 234 567,89"), QStringLiteral("-  5,50"),
                                 QStringLiteral("1 235 802,39")}));
}
