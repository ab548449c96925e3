#pragma once

#include <QChar>
#include <QString>
#include <QVariant>
#include <vector>

namespace engine {
class Field;
}

namespace gridmodel {

// The decimal separator of the program's locale (a comma in the Russian locale the program
// installs).
QChar decimalSeparator();

// A number in general form: fixed notation (never an exponent), up to fifteen significant
// digits, no trailing zeros, no grouping, the locale's decimal separator: "5", "1234,5",
// "100000000000000000000" for 1E20, "0,00001" for 1E-5.
QString generalNumberText(double value);
// Where a text goes. The screen and the printout show every digit of a number longer than its
// pattern grouped in threes ("1 234 567 890,50"); an export writes the pattern's own bytes
// ("1234 567 890,50"), which head office may read.
enum class TextTarget { Screen, Export };

// A number through a display pattern (formatWithPattern with the locale's separator), or in
// general form when the pattern is empty.
QString numberText(double value, const QString& format, TextTarget target = TextTarget::Screen);

// How the program shows a field's value, on screen, in print and in exports. Null is empty;
// numbers follow the format (the column's own when given, else the field's display format),
// else the general form; a text with an edit mask shows through the mask (formatMaskText);
// dates read dd.mm.yyyy, logicals as the field reads them.
QString displayText(const engine::Field& field, const QVariant& value,
                    const QString& columnFormat = {}, TextTarget target = TextTarget::Screen);
// The same for the field's current value.
QString displayText(const engine::Field& field, const QString& columnFormat = {},
                    TextTarget target = TextTarget::Screen);
// The text a control puts into its editor: the field's edit format for numbers, else the
// value as stored (a masked text without the mask's filling).
QString editText(const engine::Field& field, const QVariant& value);

// A field's edit mask, such as "!999/999/999/999/999 ;1;_": the one reading of masks for the
// screen's editors and for every text shown through a mask.
//
// The pattern runs to the first ";" that is not escaped. Its characters: 0 digit required,
// 9 digit allowed, # digit or sign allowed, L letter required, l letter allowed, A letter or
// digit required, a allowed, C any character required, c allowed (each one place); > upper
// case from here, < lower case, <> no case change; \ the next character is literal; ! a value
// given without literals lines up on the right; _ a literal blank; "/" the date separator and
// ":" the time separator. The program writes dates as dd.mm.yyyy, so "/" is a point: codes are
// typed with the points they are stored and checked with, whatever the desktop's settings.
// Anything else is literal. After the first ";" a "0" means literals are not stored with the
// value; after the second ";" comes the character the editor shows in empty places.
class EditMask {
public:
    EditMask() = default;
    static EditMask parse(const QString& fieldMask);

    // A mask without places (an empty text among them) changes nothing.
    bool isEmpty() const { return places_.empty() || inputMask_.isEmpty(); }
    // The mask in the form QLineEdit::setInputMask takes.
    const QString& inputMask() const { return inputMask_; }
    QChar blank() const { return blank_; }
    bool savesLiterals() const { return saveLiterals_; }

    // The text the mask shows for a stored value. With literals saved the value lines up with
    // the pattern place by place; either way every literal of the pattern stands at its place,
    // also where the value has ended, and a place the value does not fill shows a blank. So
    // the stored code "215.001.000.000.000" shows as "215.001.000.000.000 ".
    QString format(const QString& value) const;
    // The value to store for what the editor shows: empty when no place is filled; otherwise
    // empty places become blanks, literals are kept when the mask saves them, and blanks at
    // the end are dropped.
    QString valueOf(const QString& shown) const;
    // The text up to the last place filled without a gap: what a list is searched for.
    QString filledPrefix(const QString& shown) const;

private:
    struct Place {
        bool literal = false;
        QChar ch;          // the literal, or the mask character of a place
        int caseMode = 0;  // places: 1 upper, -1 lower, 0 as typed
    };

    std::vector<Place> places_;  // per shown character
    QString inputMask_;
    QChar blank_ = QLatin1Char('_');
    bool saveLiterals_ = true;
    bool rightAlign_ = false;
};

// The text an edit mask shows for a stored value (EditMask::format), the value itself when the
// mask is empty. The last mask read is kept, since an export shows one mask for every record.
QString formatMaskText(const QString& editMask, const QString& value);

}  // namespace gridmodel
