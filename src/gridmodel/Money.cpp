#include "Money.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace gridmodel {

TenThousandths TenThousandths::fromDouble(double value) {
    return TenThousandths(static_cast<int64_t>(std::nearbyint(value * 10000.0)));
}

namespace {

// The decimal digits of |value| rounded half away from zero to `decimals` places, without
// the point: "123456" for 1234.56 with two decimals. Goes through the shortest decimal text
// of the double so that 1.005 rounds to 1.01 as a person expects.
QString roundedDigits(double value, int decimals, bool* negative) {
    // The shortest text that reads back as the same double.
    char buf[512];
    const auto result = std::to_chars(buf, buf + sizeof buf - 1, std::fabs(value));
    *result.ptr = '\0';
    // Expand to plain fixed notation.
    QString text = QString::fromLatin1(buf);
    QString mantissa = text;
    int exponent = 0;
    const qsizetype e = text.indexOf(QLatin1Char('e'));
    if (e >= 0) {
        mantissa = text.left(e);
        exponent = text.mid(e + 1).toInt();
    }
    QString intPart = mantissa.section(QLatin1Char('.'), 0, 0);
    QString frac = mantissa.contains(QLatin1Char('.')) ? mantissa.section(QLatin1Char('.'), 1) : QString();
    QString digits = intPart + frac;
    qsizetype pointAt = intPart.size() + exponent;
    if (pointAt < 0) {
        digits = QString(-pointAt, QLatin1Char('0')) + digits;
        pointAt = 0;
    }
    if (digits.size() < pointAt) digits += QString(pointAt - digits.size(), QLatin1Char('0'));
    const qsizetype keep = pointAt + decimals;
    if (digits.size() < keep) digits += QString(keep - digits.size(), QLatin1Char('0'));
    const bool up = digits.size() > keep && digits[keep] >= QLatin1Char('5');
    digits.truncate(keep);
    if (up) {
        qsizetype i = keep - 1;
        for (; i >= 0; --i) {
            if (digits[i] == QLatin1Char('9')) {
                digits[i] = QLatin1Char('0');
            } else {
                digits[i] = QChar(digits[i].unicode() + 1);
                break;
            }
        }
        if (i < 0) digits.prepend(QLatin1Char('1'));
    }
    *negative = value < 0 && std::any_of(digits.cbegin(), digits.cend(), [](QChar c) {
                    return c >= QLatin1Char('1') && c <= QLatin1Char('9');
                });
    return digits;
}

bool isPlace(QChar c) {
    return c == QLatin1Char('0') || c == QLatin1Char('#');
}

// The integer digits in groups like the pattern's last group ("# ### ##0": blanks, threes);
// the digits as they are when the pattern has no separator.
QString groupedLikePattern(const QString& digits, const QString& intPattern) {
    qsizetype separatorAt = -1;
    for (qsizetype i = intPattern.size() - 1; i >= 0; --i) {
        if (!isPlace(intPattern[i])) {
            separatorAt = i;
            break;
        }
    }
    if (separatorAt < 0) return digits;
    qsizetype groupSize = 0;
    for (qsizetype i = separatorAt + 1; i < intPattern.size(); ++i)
        groupSize += isPlace(intPattern[i]) ? 1 : 0;
    if (groupSize == 0) return digits;
    QString out;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % groupSize == 0) out += intPattern[separatorAt];
        out += digits[i];
    }
    return out;
}

}  // namespace

QString formatWithPattern(double value, const QString& pattern, QChar decimalSeparator,
                          Overflow overflow) {
    if (!std::isfinite(value)) return QString::number(value);
    const qsizetype point = pattern.indexOf(QLatin1Char('.'));
    const QString intPattern = point >= 0 ? pattern.left(point) : pattern;
    const QString fracPattern = point >= 0 ? pattern.mid(point + 1) : QString();
    int decimals = 0;
    for (QChar c : fracPattern)
        if (c == QLatin1Char('0') || c == QLatin1Char('#')) ++decimals;

    bool negative = false;
    const QString digits = roundedDigits(value, decimals, &negative);
    QString intDigits = digits.left(digits.size() - decimals);
    const QString fracDigits = digits.right(decimals);
    // Leading zeros are not digits the number has.
    while (!intDigits.isEmpty() && intDigits[0] == QLatin1Char('0')) intDigits.remove(0, 1);

    // Integer part: fill the digit places from the right.
    QString out;
    qsizetype next = intDigits.size() - 1;
    for (qsizetype i = intPattern.size() - 1; i >= 0; --i) {
        const QChar p = intPattern[i];
        if (p == QLatin1Char('0') || p == QLatin1Char('#')) {
            if (next >= 0) out.prepend(intDigits[next--]);
            else if (p == QLatin1Char('0')) out.prepend(QLatin1Char('0'));
        } else {
            out.prepend(p);
        }
    }
    if (next >= 0) {
        if (overflow == Overflow::Grouped)
            out = groupedLikePattern(intDigits, intPattern);
        else
            out.prepend(intDigits.left(next + 1));
    }

    // Fraction part: fill from the left; a '#' drops trailing zeros.
    if (point >= 0) {
        QString frac;
        qsizetype d = 0;
        for (QChar p : fracPattern) {
            if (p == QLatin1Char('0') || p == QLatin1Char('#')) frac += fracDigits[d++];
            else frac += p;
        }
        qsizetype end = frac.size();
        for (qsizetype i = fracPattern.size() - 1; i >= 0 && fracPattern[i] == QLatin1Char('#'); --i)
            if (frac[i] == QLatin1Char('0')) end = i; else break;
        frac.truncate(end);
        if (!frac.isEmpty()) out += decimalSeparator + frac;
    }
    if (negative) out.prepend(QLatin1Char('-'));
    return out;
}

}  // namespace gridmodel
