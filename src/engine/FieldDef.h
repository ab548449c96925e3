#pragma once

#include <QString>
#include <QVariant>
#include <vector>

namespace engine {

// The kinds of value a field holds, whatever the file format.
//   Text     dBase C, Paradox Alpha
//   SmallInt dBase N with no decimals and width <= 4, Paradox Short
//   Float    other dBase N, dBase F, Paradox Number
//   Date     dBase D, Paradox Date
//   Boolean  dBase L, Paradox Logical
enum class FieldKind { Text, SmallInt, Float, Date, Boolean };

QString fieldKindName(FieldKind kind);

// One physical field of a table file.
struct FieldDef {
    QString name;
    FieldKind kind = FieldKind::Text;
    int width = 0;     // bytes in the record; characters for text
    int decimals = 0;  // dBase N/F only
    char nativeType = 0;  // dBase type letter ('N' or 'F' for floats); 0 = the usual one
};

// A record's values in field order. A null value is an invalid QVariant; otherwise
// QString (Text), int (SmallInt), double (Float), QDate (Date), bool (Boolean).
using Record = std::vector<QVariant>;

// A named index tag whose key is one field.
struct TagDef {
    QString name;        // upper case, at most 10 characters
    QString expression;  // the field name the key is made of
};

}  // namespace engine
