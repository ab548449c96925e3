#pragma once

#include <QString>
#include <QVariant>
#include <optional>
#include <vector>

#include "GridModel.h"
#include "engine/FieldDef.h"

namespace output {

// The columns an export writes: the grid's visible columns in column order.
using ExportColumns = std::vector<const gridmodel::GridColumn*>;

// What a data cell is written with: its text, a copy of the column's font, the column's
// background colour and alignment, and for writers that store typed cells the record's value
// of the column's field (null when empty) with the field's kind (none without a field). The
// rows are read by position, so the view's current record is not the cell's: a writer takes
// the cell from here, never from the view. One record per export, refilled for every cell.
struct TCellParams {
    QString text;
    gridmodel::FontSpec font;
    gridmodel::Color background;
    gridmodel::Align alignment = gridmodel::Align::Left;
    QVariant value;
    std::optional<engine::FieldKind> kind;
};

}  // namespace output
