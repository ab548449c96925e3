#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "Money.h"

using namespace gridmodel;

namespace {

const QString kGridPattern = QStringLiteral("# ### ##0.00");
const QString kBalancePattern = QStringLiteral("## ### ##0.00");

TEST(MoneyFormat, GridPatternGroupsThousandsPadsWithBlanksAndPutsTheMinusInFront) {
    EXPECT_EQ(formatWithPattern(5.5, kGridPattern), QStringLiteral("  5,50"));
    EXPECT_EQ(formatWithPattern(1234.5, kGridPattern), QStringLiteral(" 1 234,50"));
    EXPECT_EQ(formatWithPattern(1234567.891, kGridPattern), QStringLiteral("1 234 567,89"));
    EXPECT_EQ(formatWithPattern(0, kGridPattern), QStringLiteral("  0,00"));
    EXPECT_EQ(formatWithPattern(-5.5, kGridPattern), QStringLiteral("-  5,50"));
    EXPECT_EQ(formatWithPattern(123456789.5, kGridPattern), QStringLiteral("123 456 789,50"));
    EXPECT_EQ(formatWithPattern(1234567890.5, kGridPattern), QStringLiteral("1234 567 890,50"));
}

TEST(MoneyFormat, NumbersLongerThanThePatternAreGroupedWholeForTheScreenOnly) {
    // value, pattern, on screen and in print, in exports (numbers that fit are the same)
    const std::vector<std::tuple<double, QString, QString, QString>> cases = {
        {1000000001842.30, kGridPattern, "1 000 000 001 842,30", "1000000 001 842,30"},
        {-2504565364.15, kGridPattern, "-2 504 565 364,15", "-2504 565 364,15"},
        {99999999999.995, kBalancePattern, "100 000 000 000,00", "100000 000 000,00"},
        {5.5, kGridPattern, "  5,50", "  5,50"},
        {12345678901.0, "######0.00", "12345678901,00", "12345678901,00"},
    };
    for (const auto& [value, pattern, grouped, ungrouped] : cases) {
        EXPECT_EQ(formatWithPattern(value, pattern, QLatin1Char(','), Overflow::Grouped), grouped);
        EXPECT_EQ(formatWithPattern(value, pattern), ungrouped);
    }
}

TEST(MoneyFormat, BalancePatternHasOneLeadingPlaceMore) {
    EXPECT_EQ(formatWithPattern(1300, kBalancePattern), QStringLiteral(" 1 300,00"));
    EXPECT_EQ(formatWithPattern(300, kBalancePattern), QStringLiteral("  300,00"));
    EXPECT_EQ(formatWithPattern(-250, kBalancePattern), QStringLiteral("-  250,00"));
    EXPECT_EQ(formatWithPattern(12345678.9, kBalancePattern), QStringLiteral("12 345 678,90"));
}

TEST(MoneyFormat, RoundsHalfAwayFromZeroOnTheDecimalText) {
    EXPECT_EQ(formatWithPattern(1.005, kGridPattern), QStringLiteral("  1,01"));
    EXPECT_EQ(formatWithPattern(0.125, kGridPattern), QStringLiteral("  0,13"));
    EXPECT_EQ(formatWithPattern(-0.004, kGridPattern), QStringLiteral("  0,00"));  // no "-0,00"
    EXPECT_EQ(formatWithPattern(999.995, kGridPattern), QStringLiteral(" 1 000,00"));
    EXPECT_EQ(formatWithPattern(1e-7, kGridPattern), QStringLiteral("  0,00"));
    EXPECT_EQ(formatWithPattern(1234.56, QStringLiteral("0")), QStringLiteral("1235"));
    EXPECT_EQ(formatWithPattern(5, QStringLiteral("######0.00"), QLatin1Char('.')),
              QStringLiteral("5.00"));
}

TEST(TenThousandths, SumsStayExact) {
    TenThousandths sum;
    for (int i = 0; i < 10; ++i) sum += TenThousandths::fromDouble(0.10);
    EXPECT_EQ(sum.count(), 10000);
    EXPECT_EQ(sum, TenThousandths::fromCount(10000));
    EXPECT_EQ(TenThousandths::fromDouble(0.00004).count(), 0);
    EXPECT_EQ(TenThousandths::fromDouble(0.00006).count(), 1);
    EXPECT_EQ(TenThousandths::fromDouble(1e12).count(), 10000000000000000LL);
    EXPECT_EQ(TenThousandths::fromDouble(-12.34567).count(), -123457);
    EXPECT_DOUBLE_EQ((TenThousandths::fromDouble(150) - TenThousandths::fromDouble(100)).toDouble(),
                     50.0);
}

}  // namespace
