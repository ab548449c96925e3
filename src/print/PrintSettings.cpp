#include "PrintSettings.h"

#include <cmath>

namespace print {

void GridPrintSettings::setUnits(PrintUnits units) {
    if (units == Units) return;
    const double factor = units == PrintUnits::Inches ? 0.3937 : 2.54;
    for (gridmodel::TenThousandths* m : {&Page.TopMargin, &Page.BottomMargin, &Page.LeftMargin, &Page.RightMargin})
        *m = gridmodel::TenThousandths::fromCount(std::llround(static_cast<double>(m->count()) * factor));
    Units = units;
}

}  // namespace print
