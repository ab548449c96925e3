#pragma once

#include "GridModel.h"

namespace store {
class DataViews;
}

namespace reg {

class RegisterCore;

// The column models of the day window's three grids: what the screen shows, what export
// writes and what printing lays out.
gridmodel::GridModel expenseGridModel(store::DataViews& views);      // DataGrid1
gridmodel::GridModel startMoneyGridModel(store::DataViews& views);   // DataGrid2
gridmodel::GridModel incomeGridModel(store::DataViews& views);       // DataGrid3

// The expenses grid as the export command writes it, named after the current day
// ("09.12.2026"): a workbook names its sheet so.
gridmodel::GridModel expenseExportGrid(RegisterCore& core);

}  // namespace reg
