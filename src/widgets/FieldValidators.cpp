#include "FieldValidators.h"

#include <QLineEdit>
#include <QRegularExpression>

#include "InputHint.h"
#include "Codec.h"
#include "engine/Dataset.h"

namespace widgets {

namespace {

const QRegularExpression& numberPattern() {
    static const QRegularExpression re(QStringLiteral("^(-?)([0-9 \\x{00A0}]*)(?:[.,]([0-9]*))?$"));
    return re;
}

QString charactersRefusal(const base::Codec& codec, const QString& text) {
    constexpr int kNamed = 5;
    QStringList missing = codec.missingCharacters(text, kNamed + 1);
    if (missing.isEmpty()) return {};
    const bool more = missing.size() > kNamed;
    if (more) missing.removeLast();
    const bool one = missing.size() == 1;
    return QStringLiteral("%1 %2%3 нельзя ввести: в кодировке %4, в которой хранятся данные, %5.")
        .arg(one ? QStringLiteral("Знак") : QStringLiteral("Знаки"),
             base::describeCharacters(missing), more ? QStringLiteral(" и другие") : QString(),
             codec.displayName(),
             one ? QStringLiteral("такого знака нет") : QStringLiteral("таких знаков нет"));
}

QString numberRefusal(const FieldInputLimits& limits, const QString& text) {
    const QRegularExpressionMatch m = numberPattern().match(text);
    if (!m.hasMatch())
        return QStringLiteral("В число вводятся только цифры, минус и одна запятая.");
    if (limits.decimals >= 0 && m.captured(3).size() > limits.decimals)
        return limits.decimals == 0
                   ? QStringLiteral("Вводится целое число: знаков после запятой в поле нет.")
                   : QStringLiteral("После запятой не более %1 цифр: точнее поле не хранит.")
                         .arg(limits.decimals);
    if (limits.integerDigits >= 0) {
        QString digits = m.captured(2);
        digits.remove(QLatin1Char(' '));
        digits.remove(QChar(0x00A0));
        while (digits.size() > 1 && digits.front() == QLatin1Char('0')) digits.remove(0, 1);
        const int room = limits.integerDigits - (m.captured(1).isEmpty() ? 0 : 1);
        if (digits.size() > room)
            return QStringLiteral("Число не помещается в поле: до запятой не более %1 цифр.")
                .arg(room);
    }
    return {};
}

}  // namespace

FieldInputLimits inputLimitsOf(const engine::Field& field) {
    FieldInputLimits limits;
    limits.kind = field.kind();
    const engine::FieldDef* def = field.fileDef();
    switch (field.kind()) {
        case engine::FieldKind::Text: {
            limits.maxChars = field.size();
            if (def && def->width > 0 && (limits.maxChars <= 0 || def->width < limits.maxChars))
                limits.maxChars = def->width;
            if (def) limits.codec = &field.dataset().textCodec();
            break;
        }
        case engine::FieldKind::Float:
            // Only a dBase number has a width and decimals; a Paradox number is a double.
            if (def && def->width > 0 &&
                field.dataset().tableFormat() == engine::TableFile::Format::DBase) {
                limits.decimals = def->decimals;
                limits.integerDigits = def->width - (def->decimals > 0 ? def->decimals + 1 : 0);
            }
            break;
        default:
            break;
    }
    return limits;
}

QString inputRefusal(const FieldInputLimits& limits, const QString& text) {
    switch (limits.kind) {
        case engine::FieldKind::Text:
            if (limits.codec) {
                const QString refusal = charactersRefusal(*limits.codec, text);
                if (!refusal.isEmpty()) return refusal;
            }
            if (limits.maxChars > 0 && text.size() > limits.maxChars)
                return QStringLiteral(
                           "Не помещается: в поле не более %1 знаков, а в тексте было бы %2.")
                    .arg(limits.maxChars)
                    .arg(text.size());
            return {};
        case engine::FieldKind::Float:
            return numberRefusal(limits, text);
        case engine::FieldKind::SmallInt:
            if (!QRegularExpression(QStringLiteral("^-?[0-9]{0,5}$")).match(text).hasMatch())
                return QStringLiteral("Вводится целое число, не более пяти цифр.");
            return {};
        case engine::FieldKind::Date:
            if (!QRegularExpression(QStringLiteral("^[0-9.]{0,10}$")).match(text).hasMatch())
                return QStringLiteral("Дата вводится цифрами с точками: дд.мм.гггг.");
            return {};
        case engine::FieldKind::Boolean:
            break;
    }
    return {};
}

FieldInputValidator::FieldInputValidator(const FieldInputLimits& limits, QLineEdit* editor)
    : QValidator(editor), limits_(limits), editor_(editor) {}

QValidator::State FieldInputValidator::validate(QString& input, int& pos) const {
    if (limits_.kind == engine::FieldKind::Text) {
        const QString composed = input.normalized(QString::NormalizationForm_C);
        if (composed != input) {
            pos = static_cast<int>(std::max<qsizetype>(0, pos - (input.size() - composed.size())));
            input = composed;
        }
    }
    const QString refusal = inputRefusal(limits_, input);
    if (refusal.isEmpty()) return Acceptable;
    InputHint::show(editor_, refusal);
    return Invalid;
}

void guardFieldInput(QLineEdit* editor, const engine::Field& field) {
    const FieldInputLimits limits = inputLimitsOf(field);
    if (auto* guard =
            qobject_cast<FieldInputValidator*>(const_cast<QValidator*>(editor->validator())))
        guard->setLimits(limits);
    else
        editor->setValidator(new FieldInputValidator(limits, editor));
}

}  // namespace widgets
