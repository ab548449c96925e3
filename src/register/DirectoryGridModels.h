#pragma once

#include "GridModel.h"

namespace store {
class DataViews;
}

namespace reg {

// The column models of the directories window's grids.
gridmodel::GridModel otherConstantsGridModel(store::DataViews& views);  // DataGrid1
gridmodel::GridModel bankGridModel(store::DataViews& views);            // DataGrid2
gridmodel::GridModel supplierGridModel(store::DataViews& views);        // DataGrid3
gridmodel::GridModel payKindGridModel(store::DataViews& views);         // DataGrid4
gridmodel::GridModel plantNameGridModel(store::DataViews& views);       // DataGrid5
gridmodel::GridModel catalogueGridModel(store::DataViews& views);       // DataGrid6

}  // namespace reg
