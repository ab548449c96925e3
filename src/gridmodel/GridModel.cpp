#include "GridModel.h"

#include <cmath>

#include "engine/Field.h"

namespace gridmodel {

int FontSpec::pointSize(int pixelsPerInch) const {
    return static_cast<int>(std::lround(-static_cast<double>(height) * 72.0 / pixelsPerInch));
}

std::vector<const GridColumn*> GridModel::visibleColumns() const {
    std::vector<const GridColumn*> visible;
    for (const GridColumn& c : columns)
        if (c.visible) visible.push_back(&c);
    return visible;
}

const ColumnFooter& GridModel::footerFor(const GridColumn& column, int row) {
    if (row >= 0 && static_cast<size_t>(row) < column.footers.size()) return column.footers[static_cast<size_t>(row)];
    return column.footer;
}

QString GridModel::footerFormat(const ColumnFooter& footer, const engine::Field* field) {
    if (!footer.displayFormat.isEmpty() || !field) return footer.displayFormat;
    return field->displayFormat();
}

}  // namespace gridmodel
