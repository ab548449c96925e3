#pragma once

#include "engine/FieldDef.h"

class QObject;
class QValidator;

namespace widgets {

// What may be typed for a number: a minus, digits (grouped by blanks, as the display formats
// write them) and one decimal point or comma.
QValidator* newNumberValidator(QObject* parent);

// What a grid cell of a field kind takes: a number as above for floats, a whole number of up
// to five digits for small integers, digits and points for dates; null for texts and logicals.
QValidator* newCellValidator(engine::FieldKind kind, QObject* parent);

}  // namespace widgets
