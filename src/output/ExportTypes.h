#pragma once

#include <QString>
#include <vector>

#include "GridModel.h"

namespace output {

// The columns an export writes: the grid's visible columns in column order.
using ExportColumns = std::vector<const gridmodel::GridColumn*>;

// What a data cell is written with: its text, a copy of the column's font, the column's
// background colour and alignment. One record per export, refilled for every cell.
struct TCellParams {
    QString text;
    gridmodel::FontSpec font;
    gridmodel::Color background;
    gridmodel::Align alignment = gridmodel::Align::Left;
};

}  // namespace output
