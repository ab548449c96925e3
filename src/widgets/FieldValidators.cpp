#include "FieldValidators.h"

#include <QRegularExpressionValidator>

namespace widgets {

namespace {

QValidator* newPatternValidator(const QString& pattern, QObject* parent) {
    return new QRegularExpressionValidator(QRegularExpression(pattern), parent);
}

}  // namespace

QValidator* newNumberValidator(QObject* parent) {
    return newPatternValidator(QStringLiteral("-?[0-9 \\x{00A0}]*([.,][0-9]*)?"), parent);
}

QValidator* newCellValidator(engine::FieldKind kind, QObject* parent) {
    switch (kind) {
        case engine::FieldKind::Float:
            return newNumberValidator(parent);
        case engine::FieldKind::SmallInt:
            return newPatternValidator(QStringLiteral("-?[0-9]{0,5}"), parent);
        case engine::FieldKind::Date:
            return newPatternValidator(QStringLiteral("[0-9.]{0,10}"), parent);
        case engine::FieldKind::Text:
        case engine::FieldKind::Boolean:
            break;
    }
    return nullptr;
}

}  // namespace widgets
