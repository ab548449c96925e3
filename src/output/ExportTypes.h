#pragma once

#include <QString>
#include <vector>

#include "GridModel.h"

namespace output {

// The columns an export writes: the grid's visible columns in column order.
using ExportColumns = std::vector<const widgets::GridColumn*>;

// What a data cell is written with: its text, a copy of the column's font, the column's
// background colour and alignment. One record per export, refilled for every cell.
struct TCellParams {
    QString text;
    widgets::FontSpec font;
    widgets::Color background;
    widgets::Align alignment = widgets::Align::Left;
};

}  // namespace output
