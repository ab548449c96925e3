#pragma once

#include <QString>

namespace engine {
class Field;
}

namespace output {

// The text an edit mask shows for a stored value. A mask is "pattern;save literals;blank"
// (for instance "!999/999/999/999/999 ;1;_"): '0', '9', '#', 'L', 'l', 'A', 'a', 'C', 'c' are
// character places, '>' and '<' switch following places to upper or lower case and "<>" ends
// that, '!' right-aligns a value given without literals, '\' makes the next character literal,
// '/' stands for the date separator and ':' for the time separator; every other character is
// a literal.
//
// When literals are saved with the value (";1", the default) the value lines up with the
// pattern place by place. Either way every literal of the pattern is written at its place,
// also where the value has ended, and a place the value does not fill shows a blank. So the
// stored cost-item code "215.001.000.000.000" shows under the code mask as
// "215.001.000.000.000 ": the mask's own separators, and its closing literal blank.
QString formatMaskText(const QString& editMask, const QString& value,
                       QChar dateSeparator = QLatin1Char('.'),
                       QChar timeSeparator = QLatin1Char(':'));

// A number in the general floating-point form: up to `precision` significant digits, no
// trailing zeros, the decimal comma ("5", "1234,5", "1E20" for large numbers as the general
// form writes them).
QString generalFloatText(double value, int precision = 15);

// The display text of a field: empty when null; a number through the display format (the
// column's when it has one, else the field's) with the money formatter, or in the general
// form without one; a text through the field's edit mask when it has one, else as stored;
// dates and logicals as the field reads them.
QString fieldDisplayText(const engine::Field& field, const QString& columnDisplayFormat = {});

}  // namespace output
