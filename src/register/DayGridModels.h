#pragma once

#include "GridModel.h"

namespace store {
class DataViews;
}

namespace reg {

// The column models of the day window's three grids: what the screen shows, what export
// writes and what printing lays out.
gridmodel::GridModel expenseGridModel(store::DataViews& views);      // DataGrid1
gridmodel::GridModel startMoneyGridModel(store::DataViews& views);   // DataGrid2
gridmodel::GridModel incomeGridModel(store::DataViews& views);       // DataGrid3

}  // namespace reg
