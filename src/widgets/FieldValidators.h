#pragma once

#include <QString>
#include <QValidator>

#include "engine/FieldDef.h"

class QLineEdit;

namespace base {
class Codec;
}
namespace engine {
class Field;
}

namespace widgets {

// What a field takes, from its definition in the view and in the table file.
struct FieldInputLimits {
    engine::FieldKind kind = engine::FieldKind::Text;
    int maxChars = 0;        // texts: the narrower of the view's and the file's widths; 0 = any
    int decimals = -1;       // numbers: digits after the point the file keeps; -1 = any
    int integerDigits = -1;  // numbers: digits before the point that fit; -1 = any
    const base::Codec* codec = nullptr;  // texts: the table's code page
};

FieldInputLimits inputLimitsOf(const engine::Field& field);

// Why a text cannot stand in an editor of the field, in words for the user; empty when it can.
// Texts: every character in the table's code page, no more characters than the field holds.
// Numbers: a minus, digits (grouped by blanks, as the display formats write them), one decimal
// point or comma, no more decimals and integer digits than the field keeps. Small integers: up
// to five digits; dates: digits and points.
QString inputRefusal(const FieldInputLimits& limits, const QString& text);

// Keeps what the field cannot take out of a line editor, typed or pasted alike, and says why
// under the editor (InputHint). A text pasted in another Unicode form is taken in the composed
// one, so that a letter with a separate accent mark is the code page's letter.
class FieldInputValidator : public QValidator {
    Q_OBJECT
public:
    FieldInputValidator(const FieldInputLimits& limits, QLineEdit* editor);
    void setLimits(const FieldInputLimits& limits) { limits_ = limits; }
    const FieldInputLimits& limits() const { return limits_; }
    State validate(QString& input, int& pos) const override;

private:
    FieldInputLimits limits_;
    QLineEdit* editor_;
};

// Puts a FieldInputValidator for the field on the editor (or gives the one there the field's
// limits).
void guardFieldInput(QLineEdit* editor, const engine::Field& field);

}  // namespace widgets
