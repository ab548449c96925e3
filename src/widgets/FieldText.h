#pragma once

#include <QChar>
#include <QString>
#include <QVariant>
#include <vector>

namespace engine {
class Field;
}

namespace widgets {

// The decimal separator of the program's locale (a comma in the Russian locale).
QChar decimalSeparator();

// How a control shows a field's value. Numbers follow the format (the column's own when given,
// else the field's display format), else a general form with the locale's separator; dates
// read dd.mm.yyyy; a null value is empty.
QString displayText(const engine::Field& field, const QVariant& value, const QString& format = {});
// The text a control puts into its editor: the field's edit format for numbers, else as shown
// without grouping.
QString editText(const engine::Field& field, const QVariant& value);
// A number in general form: up to fifteen significant digits, no grouping.
QString generalNumberText(double value);

// A field's edit mask ("!999/999/999/999/999 ;1;_") turned into what a line editor takes, and
// the way back from what the editor shows to the value that is stored.
//
// Mask characters: 0 digit required, 9 digit allowed, # digit or sign allowed, L letter
// required, l letter allowed, A letter or digit required, a allowed, C any character
// required, c allowed, > upper case from here, < lower case, <> no case change, \ the next
// character is literal, ! where empty places go (ignored: they always stay blanks in their
// place), _ a literal blank, "/" the date separator and ":" the time separator; anything else
// is literal. The program writes dates as dd.mm.yyyy, so "/" is a point: codes are typed with
// the points they are stored and checked with, whatever the desktop's date settings. After the
// first ";" a "0" means literals are not stored; after the second ";" comes the character shown
// in empty places.
class EditMask {
public:
    EditMask() = default;
    static EditMask parse(const QString& fieldMask);

    bool isEmpty() const { return inputMask_.isEmpty(); }
    // The mask in the form QLineEdit::setInputMask takes.
    const QString& inputMask() const { return inputMask_; }
    QChar blank() const { return blank_; }
    bool savesLiterals() const { return saveLiterals_; }

    // The value to store for what the editor shows: empty when no place is filled; otherwise
    // empty places become blanks, literals are kept when the mask saves them, and blanks at
    // the end are dropped.
    QString valueOf(const QString& displayText) const;
    // The text up to the last place filled without a gap: what a list is searched for.
    QString filledPrefix(const QString& displayText) const;

private:
    QString inputMask_;
    QChar blank_ = QLatin1Char('_');
    bool saveLiterals_ = true;
    std::vector<bool> places_;  // per shown character: a place for input (true) or a literal
};

}  // namespace widgets
