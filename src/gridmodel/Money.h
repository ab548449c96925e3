#pragma once

#include <QChar>
#include <QString>
#include <cstdint>

namespace gridmodel {

// An amount held as a signed count of ten-thousandths, so that running and footer sums stay
// exact: ten times 0.10 is exactly 1.0000.
class TenThousandths {
public:
    constexpr TenThousandths() = default;
    static constexpr TenThousandths fromCount(int64_t count) { return TenThousandths(count); }
    // Converts a double, rounding to the nearest count (ties to even).
    static TenThousandths fromDouble(double value);

    constexpr int64_t count() const { return count_; }
    double toDouble() const { return static_cast<double>(count_) / 10000.0; }

    constexpr TenThousandths operator+(TenThousandths o) const { return TenThousandths(count_ + o.count_); }
    constexpr TenThousandths operator-(TenThousandths o) const { return TenThousandths(count_ - o.count_); }
    TenThousandths& operator+=(TenThousandths o) { count_ += o.count_; return *this; }
    TenThousandths& operator-=(TenThousandths o) { count_ -= o.count_; return *this; }
    constexpr bool operator==(const TenThousandths&) const = default;

private:
    constexpr explicit TenThousandths(int64_t count) : count_(count) {}
    int64_t count_ = 0;
};

// How the digits of a number longer than its pattern are written.
enum class Overflow {
    // In front of the pattern's first place, as they are: 1234567890.5 through "# ### ##0.00"
    // is "1234 567 890,50". The exports write this, and head office may read it.
    Ungrouped,
    // The whole integer part grouped in threes with the pattern's own separator: "1 234 567
    // 890,50". The screen and the printout show this.
    Grouped,
};

// Formats a number with a display pattern such as "# ### ##0.00": a '0' place always shows a
// digit, a '#' place only where the number has one, every other character of the pattern is
// written at its place (also left of the first digit, so short numbers carry leading blanks),
// the point becomes decimalSeparator, the number is rounded half away from zero to the
// pattern's decimals, and a minus sign goes in front of everything. Digits that do not fit
// the pattern's places stand in front of the first place, as `overflow` says.
QString formatWithPattern(double value, const QString& pattern,
                          QChar decimalSeparator = QLatin1Char(','),
                          Overflow overflow = Overflow::Ungrouped);

}  // namespace gridmodel
