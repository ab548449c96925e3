#include "FieldText.h"

#include <QLocale>

#include "Money.h"
#include "engine/Field.h"

namespace widgets {

QChar decimalSeparator() {
    const QString point = QLocale().decimalPoint();
    return point.isEmpty() ? QLatin1Char('.') : point.front();
}

QString generalNumberText(double value) {
    QString text = QString::number(value, 'g', 15);
    if (text.contains(QLatin1Char('e'))) text = QString::number(value, 'f', 4);
    text.replace(QLatin1Char('.'), decimalSeparator());
    return text;
}

namespace {

QString numberText(double value, const QString& format) {
    if (!format.isEmpty()) return formatWithPattern(value, format, decimalSeparator());
    return generalNumberText(value);
}

}  // namespace

QString displayText(const engine::Field& field, const QVariant& value, const QString& format) {
    if (value.isNull()) return {};
    switch (field.kind()) {
        case engine::FieldKind::Float:
        case engine::FieldKind::SmallInt:
            return numberText(value.toDouble(), format.isEmpty() ? field.displayFormat() : format);
        default:
            return engine::Field::textOf(value);
    }
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

EditMask EditMask::parse(const QString& fieldMask) {
    EditMask m;
    if (fieldMask.isEmpty()) return m;
    const QStringList parts = fieldMask.split(QLatin1Char(';'));
    const QString body = parts.value(0);
    if (parts.size() > 1) m.saveLiterals_ = parts[1].trimmed() != QLatin1String("0");
    if (parts.size() > 2 && !parts[2].isEmpty()) m.blank_ = parts[2].front();

    // Characters that the line editor reads as mask characters must be escaped as literals.
    static const QString qtSpecial = QStringLiteral("AaNnXx90Dd#HhBb><![]{}\\");
    QString out;
    auto literal = [&](QChar c) {
        if (qtSpecial.contains(c)) out += QLatin1Char('\\');
        out += c;
        m.places_.push_back(false);
    };
    auto place = [&](QChar qtChar) {
        out += qtChar;
        m.places_.push_back(true);
    };
    for (qsizetype i = 0; i < body.size(); ++i) {
        const QChar c = body[i];
        switch (c.unicode()) {
            case '!':
                break;
            case '>':
                if (i + 1 < body.size() && body[i + 1] == QLatin1Char('<')) {
                    out += QLatin1Char('!');
                    ++i;
                } else {
                    out += QLatin1Char('>');
                }
                break;
            case '<':
                out += QLatin1Char('<');
                break;
            case '\\':
                if (i + 1 < body.size()) literal(body[++i]);
                break;
            case '0':
                place(QLatin1Char('9'));
                break;
            case '9':
                place(QLatin1Char('0'));
                break;
            case '#':
                place(QLatin1Char('#'));
                break;
            case 'L':
                place(QLatin1Char('A'));
                break;
            case 'l':
                place(QLatin1Char('a'));
                break;
            case 'A':
                place(QLatin1Char('N'));
                break;
            case 'a':
                place(QLatin1Char('n'));
                break;
            case 'C':
                place(QLatin1Char('X'));
                break;
            case 'c':
                place(QLatin1Char('x'));
                break;
            case '/':
                literal(QLatin1Char('.'));
                break;
            case '_':
                literal(QLatin1Char(' '));
                break;
            default:
                literal(c);
                break;
        }
    }
    if (m.places_.empty()) return EditMask();
    m.inputMask_ = out + QLatin1Char(';') + m.blank_;
    return m;
}

QString EditMask::valueOf(const QString& shown) const {
    if (isEmpty()) return shown;
    bool anyFilled = false;
    QString value;
    for (size_t i = 0; i < places_.size(); ++i) {
        const QChar c =
            i < static_cast<size_t>(shown.size()) ? shown[static_cast<qsizetype>(i)] : blank_;
        if (places_[i]) {
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
        if (places_[i]) {
            if (c == blank_ || c == QLatin1Char(' ')) break;
            lastFilled = static_cast<qsizetype>(i);
        }
        prefix += c;
    }
    // Literals right after the last filled place belong to the prefix ("002." after a group).
    qsizetype end = lastFilled + 1;
    while (end < prefix.size() && !places_[static_cast<size_t>(end)]) ++end;
    return lastFilled < 0 ? QString() : prefix.left(end);
}

}  // namespace widgets
