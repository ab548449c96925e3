#include "DisplayText.h"

#include <cmath>
#include <vector>

#include "Money.h"
#include "engine/Field.h"

namespace output {

namespace {

struct MaskPlace {
    bool literal = false;
    QChar ch;          // the literal
    int caseMode = 0;  // places: 1 upper, -1 lower, 0 as given
};

struct ParsedMask {
    std::vector<MaskPlace> places;
    bool saveLiterals = true;
    bool rightAlign = false;
};

// Splits off the pattern at the first ';' that is not escaped.
ParsedMask parseMask(const QString& mask, QChar dateSeparator, QChar timeSeparator) {
    ParsedMask parsed;
    qsizetype end = mask.size();
    for (qsizetype i = 0; i < mask.size(); ++i) {
        if (mask[i] == QLatin1Char('\\')) {
            ++i;
        } else if (mask[i] == QLatin1Char(';')) {
            end = i;
            break;
        }
    }
    if (end < mask.size()) {
        const QString rest = mask.mid(end + 1);
        parsed.saveLiterals = !rest.startsWith(QLatin1Char('0'));
    }
    int caseMode = 0;
    for (qsizetype i = 0; i < end; ++i) {
        const QChar c = mask[i];
        switch (c.unicode()) {
            case '!':
                parsed.rightAlign = true;
                continue;
            case '>':
                caseMode = 1;
                continue;
            case '<':
                if (i + 1 < end && mask[i + 1] == QLatin1Char('>')) {
                    caseMode = 0;
                    ++i;
                } else {
                    caseMode = -1;
                }
                continue;
            case '\\':
                if (i + 1 < end) parsed.places.push_back({true, mask[++i], 0});
                continue;
            case '0':
            case '9':
            case '#':
            case 'L':
            case 'l':
            case 'A':
            case 'a':
            case 'C':
            case 'c':
                parsed.places.push_back({false, QChar(), caseMode});
                continue;
            case '/':
                parsed.places.push_back({true, dateSeparator, 0});
                continue;
            case ':':
                parsed.places.push_back({true, timeSeparator, 0});
                continue;
            default:
                parsed.places.push_back({true, c, 0});
        }
    }
    return parsed;
}

QChar cased(QChar c, int caseMode) {
    if (caseMode > 0) return c.toUpper();
    if (caseMode < 0) return c.toLower();
    return c;
}

}  // namespace

QString formatMaskText(const QString& editMask, const QString& value, QChar dateSeparator,
                       QChar timeSeparator) {
    // An export shows one mask for every record: parse it once.
    thread_local QString lastMask;
    thread_local QChar lastSeparators[2];
    thread_local ParsedMask parsed;
    if (editMask != lastMask || lastSeparators[0] != dateSeparator ||
        lastSeparators[1] != timeSeparator) {
        parsed = parseMask(editMask, dateSeparator, timeSeparator);
        lastMask = editMask;
        lastSeparators[0] = dateSeparator;
        lastSeparators[1] = timeSeparator;
    }
    const ParsedMask& mask = parsed;
    if (mask.places.empty()) return value;
    QString out;
    out.reserve(static_cast<qsizetype>(mask.places.size()));
    if (mask.saveLiterals) {
        qsizetype i = 0;
        for (const MaskPlace& p : mask.places) {
            if (p.literal)
                out += p.ch;
            else
                out += i < value.size() ? cased(value[i], p.caseMode) : QLatin1Char(' ');
            ++i;
        }
        return out;
    }
    qsizetype placeCount = 0;
    for (const MaskPlace& p : mask.places) placeCount += p.literal ? 0 : 1;
    QString chars = value.left(placeCount);
    if (chars.size() < placeCount) {
        const QString pad(placeCount - chars.size(), QLatin1Char(' '));
        chars = mask.rightAlign ? pad + chars : chars + pad;
    }
    qsizetype next = 0;
    for (const MaskPlace& p : mask.places)
        out += p.literal ? p.ch : cased(chars[next++], p.caseMode);
    return out;
}

QString generalFloatText(double value, int precision) {
    QString text = QString::number(value, 'g', precision);
    text.replace(QLatin1Char('.'), QLatin1Char(','));
    const qsizetype e = text.indexOf(QLatin1Char('e'));
    if (e >= 0) text = text.left(e) + QLatin1Char('E') + QString::number(text.mid(e + 1).toInt());
    return text;
}

QString fieldDisplayText(const engine::Field& field, const QString& columnDisplayFormat) {
    const QVariant value = field.value();
    if (value.isNull()) return {};
    const QString& format =
        columnDisplayFormat.isEmpty() ? field.displayFormat() : columnDisplayFormat;
    switch (field.kind()) {
        case engine::FieldKind::Float:
            return format.isEmpty() ? generalFloatText(value.toDouble())
                                    : widgets::formatWithPattern(value.toDouble(), format);
        case engine::FieldKind::SmallInt:
            return format.isEmpty() ? QString::number(value.toInt())
                                    : widgets::formatWithPattern(value.toInt(), format);
        case engine::FieldKind::Text: {
            const QString text = value.toString();
            return field.editMask().isEmpty() ? text : formatMaskText(field.editMask(), text);
        }
        case engine::FieldKind::Date:
        case engine::FieldKind::Boolean:
            break;
    }
    return engine::Field::textOf(value);
}

}  // namespace output
