#include "DisplayText.h"

#include <QLocale>

#include "Money.h"
#include "engine/Field.h"

namespace gridmodel {

QChar decimalSeparator() {
    const QString point = QLocale().decimalPoint();
    return point.isEmpty() ? QLatin1Char('.') : point.front();
}

QString generalNumberText(double value) {
    QString text = QString::number(value, 'g', 15);
    const qsizetype e = text.indexOf(QLatin1Char('e'));
    if (e >= 0) {
        // Written out in full: the digits of the general form, the point moved by the exponent.
        const int exponent = text.mid(e + 1).toInt();
        QString mantissa = text.left(e);
        const bool negative = mantissa.startsWith(QLatin1Char('-'));
        if (negative) mantissa.remove(0, 1);
        const qsizetype point = mantissa.indexOf(QLatin1Char('.'));
        QString digits = mantissa;
        digits.remove(QLatin1Char('.'));
        qsizetype pointAt = (point < 0 ? mantissa.size() : point) + exponent;
        if (pointAt <= 0) {
            digits = QStringLiteral("0.") + QString(-pointAt, QLatin1Char('0')) + digits;
        } else if (pointAt >= digits.size()) {
            digits += QString(pointAt - digits.size(), QLatin1Char('0'));
        } else {
            digits.insert(pointAt, QLatin1Char('.'));
        }
        text = negative ? QLatin1Char('-') + digits : digits;
    }
    text.replace(QLatin1Char('.'), decimalSeparator());
    return text;
}

QString numberText(double value, const QString& format, TextTarget target) {
    return format.isEmpty() ? generalNumberText(value)
                            : formatWithPattern(value, format, decimalSeparator(),
                                                target == TextTarget::Screen ? Overflow::Grouped
                                                                             : Overflow::Ungrouped);
}

QString displayText(const engine::Field& field, const QVariant& value, const QString& columnFormat,
                    TextTarget target) {
    if (value.isNull()) return {};
    switch (field.kind()) {
        case engine::FieldKind::Float:
        case engine::FieldKind::SmallInt:
            return numberText(value.toDouble(),
                              columnFormat.isEmpty() ? field.displayFormat() : columnFormat,
                              target);
        case engine::FieldKind::Text:
            return formatMaskText(field.editMask(), value.toString());
        case engine::FieldKind::Date:
        case engine::FieldKind::Boolean:
            break;
    }
    return engine::Field::textOf(value);
}

QString displayText(const engine::Field& field, const QString& columnFormat, TextTarget target) {
    return displayText(field, field.value(), columnFormat, target);
}

QString editText(const engine::Field& field, const QVariant& value) {
    if (value.isNull()) return {};
    switch (field.kind()) {
        case engine::FieldKind::Float:
        case engine::FieldKind::SmallInt:
            return numberText(value.toDouble(), field.editFormat());
        default:
            return engine::Field::textOf(value);
    }
}

// EditMask

EditMask EditMask::parse(const QString& fieldMask) {
    EditMask m;
    // The pattern ends at the first ';' that is not escaped.
    qsizetype end = fieldMask.size();
    for (qsizetype i = 0; i < fieldMask.size(); ++i) {
        if (fieldMask[i] == QLatin1Char('\\')) {
            ++i;
        } else if (fieldMask[i] == QLatin1Char(';')) {
            end = i;
            break;
        }
    }
    if (end < fieldMask.size()) {
        const QStringList options = fieldMask.mid(end + 1).split(QLatin1Char(';'));
        m.saveLiterals_ = !options.value(0).trimmed().startsWith(QLatin1Char('0'));
        if (options.size() > 1 && !options[1].isEmpty()) m.blank_ = options[1].front();
    }

    int caseMode = 0;
    for (qsizetype i = 0; i < end; ++i) {
        const QChar c = fieldMask[i];
        switch (c.unicode()) {
            case '!':
                m.rightAlign_ = true;
                break;
            case '>':
                caseMode = 1;
                break;
            case '<':
                if (i + 1 < end && fieldMask[i + 1] == QLatin1Char('>')) {
                    caseMode = 0;
                    ++i;
                } else {
                    caseMode = -1;
                }
                break;
            case '\\':
                if (i + 1 < end) m.places_.push_back({true, fieldMask[++i], 0});
                break;
            case '0':
            case '9':
            case '#':
            case 'L':
            case 'l':
            case 'A':
            case 'a':
            case 'C':
            case 'c':
                m.places_.push_back({false, c, caseMode});
                break;
            case '/':
                m.places_.push_back({true, QLatin1Char('.'), 0});
                break;
            case '_':
                m.places_.push_back({true, QLatin1Char(' '), 0});
                break;
            default:
                m.places_.push_back({true, c, 0});
                break;
        }
    }

    // The line editor's form: its own place characters, its case switches where the case
    // changes, and its mask characters escaped where they stand as literals.
    static const QString qtSpecial = QStringLiteral("AaNnXx90Dd#HhBb><![]{}\\");
    QString out;
    int qtCase = 0;
    bool anyPlace = false;
    for (const Place& p : m.places_) {
        if (p.literal) {
            if (qtSpecial.contains(p.ch)) out += QLatin1Char('\\');
            out += p.ch;
            continue;
        }
        anyPlace = true;
        if (p.caseMode != qtCase) {
            out += p.caseMode > 0 ? QLatin1Char('>') : p.caseMode < 0 ? QLatin1Char('<') : QLatin1Char('!');
            qtCase = p.caseMode;
        }
        switch (p.ch.unicode()) {
            case '0': out += QLatin1Char('9'); break;
            case '9': out += QLatin1Char('0'); break;
            case 'L': out += QLatin1Char('A'); break;
            case 'l': out += QLatin1Char('a'); break;
            case 'A': out += QLatin1Char('N'); break;
            case 'a': out += QLatin1Char('n'); break;
            case 'C': out += QLatin1Char('X'); break;
            case 'c': out += QLatin1Char('x'); break;
            default: out += p.ch; break;  // '#'
        }
    }
    if (anyPlace) m.inputMask_ = out + QLatin1Char(';') + m.blank_;
    return m;
}

namespace {

QChar cased(QChar c, int caseMode) {
    if (caseMode > 0) return c.toUpper();
    if (caseMode < 0) return c.toLower();
    return c;
}

}  // namespace

QString EditMask::format(const QString& value) const {
    if (places_.empty()) return value;
    QString out;
    out.reserve(static_cast<qsizetype>(places_.size()));
    if (saveLiterals_) {
        qsizetype i = 0;
        for (const Place& p : places_) {
            if (p.literal)
                out += p.ch;
            else
                out += i < value.size() ? cased(value[i], p.caseMode) : QLatin1Char(' ');
            ++i;
        }
        return out;
    }
    qsizetype placeCount = 0;
    for (const Place& p : places_) placeCount += p.literal ? 0 : 1;
    QString chars = value.left(placeCount);
    if (chars.size() < placeCount) {
        const QString pad(placeCount - chars.size(), QLatin1Char(' '));
        chars = rightAlign_ ? pad + chars : chars + pad;
    }
    qsizetype next = 0;
    for (const Place& p : places_) out += p.literal ? p.ch : cased(chars[next++], p.caseMode);
    return out;
}

QString EditMask::valueOf(const QString& shown) const {
    if (isEmpty()) return shown;
    bool anyFilled = false;
    QString value;
    for (size_t i = 0; i < places_.size(); ++i) {
        const QChar c =
            i < static_cast<size_t>(shown.size()) ? shown[static_cast<qsizetype>(i)] : blank_;
        if (!places_[i].literal) {
            const bool filled = c != blank_ && c != QLatin1Char(' ');
            anyFilled = anyFilled || filled;
            value += filled ? c : QLatin1Char(' ');
        } else if (saveLiterals_) {
            value += c;
        }
    }
    if (!anyFilled) return {};
    while (!value.isEmpty() && value.back() == QLatin1Char(' ')) value.chop(1);
    return value;
}

QString EditMask::filledPrefix(const QString& shown) const {
    if (isEmpty()) return shown;
    QString prefix;
    qsizetype lastFilled = -1;
    for (size_t i = 0; i < places_.size() && i < static_cast<size_t>(shown.size()); ++i) {
        const QChar c = shown[static_cast<qsizetype>(i)];
        if (!places_[i].literal) {
            if (c == blank_ || c == QLatin1Char(' ')) break;
            lastFilled = static_cast<qsizetype>(i);
        }
        prefix += c;
    }
    // Literals right after the last filled place belong to the prefix ("002." after a group).
    qsizetype end = lastFilled + 1;
    while (end < prefix.size() && places_[static_cast<size_t>(end)].literal) ++end;
    return lastFilled < 0 ? QString() : prefix.left(end);
}

QString formatMaskText(const QString& editMask, const QString& value) {
    if (editMask.isEmpty()) return value;
    thread_local QString lastMask;
    thread_local EditMask parsed;
    if (editMask != lastMask) {
        parsed = EditMask::parse(editMask);
        lastMask = editMask;
    }
    return parsed.format(value);
}

}  // namespace gridmodel
