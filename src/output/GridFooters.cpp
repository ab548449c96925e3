#include "GridFooters.h"

#include <algorithm>
#include <cmath>

#include "DisplayText.h"
#include "GridRows.h"
#include "engine/Dataset.h"

using gridmodel::ColumnFooter;
using gridmodel::GridColumn;
using gridmodel::GridModel;

namespace output {

void TFooterValues::reset(int rows, int columns) {
    rows_ = std::max(rows, 0);
    columns_ = std::max(columns, 0);
    values_.assign(static_cast<size_t>(rows_) * static_cast<size_t>(columns_), 0);
}

void GridFooters::start(const GridModel& grid, const ExportColumns& columns,
                        gridmodel::TextTarget target) {
    columns_ = columns;
    target_ = target;
    engine::Dataset* view = grid.dataSource;
    const int cols = static_cast<int>(columns_.size());
    values_.reset(grid.footerRowCount, cols);
    fields_.assign(static_cast<size_t>(values_.rows() * cols), nullptr);
    averageSums_.assign(fields_.size(), 0.0);
    averageCounts_.assign(fields_.size(), 0);
    fieldValueTexts_.assign(fields_.size(), QString());
    for (int r = 0; r < values_.rows(); ++r) {
        for (int j = 0; j < cols; ++j) {
            const GridColumn& column = *columns_[static_cast<size_t>(j)];
            const ColumnFooter& f = GridModel::footerFor(column, r);
            const QString name = f.fieldName.isEmpty() ? column.fieldName : f.fieldName;
            const size_t k = static_cast<size_t>(j + r * cols);
            fields_[k] = view && !name.isEmpty() ? view->findField(name) : nullptr;
            // A field-value footer shows the record the grid stands on, so take it now.
            if (f.valueType == gridmodel::fvtFieldValue && fields_[k] && view && !view->eof())
                fieldValueTexts_[k] = gridmodel::displayText(*fields_[k], f.displayFormat, target_);
        }
    }
}

const ColumnFooter& GridFooters::footer(int footerRow, int column) const {
    return GridModel::footerFor(*columns_[static_cast<size_t>(column)], footerRow);
}

engine::Field* GridFooters::fieldOf(int footerRow, int column) const {
    if (footerRow < 0 || footerRow >= values_.rows() || column < 0 || column >= values_.columns())
        return nullptr;
    return fields_[static_cast<size_t>(column + footerRow * values_.columns())];
}

void GridFooters::add(const gridmodel::GridRows& row) {
    const int cols = values_.columns();
    for (int r = 0; r < values_.rows(); ++r) {
        for (int j = 0; j < cols; ++j) {
            const size_t k = static_cast<size_t>(j + r * cols);
            const engine::Field* field = fields_[k];
            if (!field) continue;
            switch (footer(r, j).valueType) {
                case gridmodel::fvtSum: {
                    const QVariant value = row.value(field);
                    if (value.isNull()) break;
                    int64_t& sum = values_.at(r, j);
                    const long double exact =
                        static_cast<long double>(value.toDouble()) * 10000.0L + static_cast<long double>(sum);
                    sum = static_cast<int64_t>(std::nearbyint(exact));
                    break;
                }
                case gridmodel::fvtCount:
                    values_.at(r, j) += 10000;
                    break;
                case gridmodel::fvtAvg: {
                    const QVariant value = row.value(field);
                    if (value.isNull()) break;
                    averageSums_[k] += value.toDouble();
                    ++averageCounts_[k];
                    break;
                }
                default:
                    break;
            }
        }
    }
}

QString GridFooters::sumText(int footerRow, int column) const {
    if (footerRow < 0 || footerRow >= values_.rows() || column < 0 || column >= values_.columns())
        return {};
    const ColumnFooter& f = footer(footerRow, column);
    const int64_t sum = values_.at(footerRow, column);
    switch (f.valueType) {
        case gridmodel::fvtCount:
            return gridmodel::generalNumberText(static_cast<double>(sum / 10000));
        case gridmodel::fvtSum: {
            const engine::Field* field = fieldOf(footerRow, column);
            if (!field || (field->kind() != engine::FieldKind::SmallInt && field->kind() != engine::FieldKind::Float))
                return {};
            return gridmodel::numberText(static_cast<double>(sum) / 10000.0,
                                         GridModel::footerFormat(f, field), target_);
        }
        default:
            return {};
    }
}

QString GridFooters::ownText(int footerRow, int column) const {
    const ColumnFooter& f = footer(footerRow, column);
    const size_t k = static_cast<size_t>(column + footerRow * values_.columns());
    switch (f.valueType) {
        case gridmodel::fvtStaticText:
            return f.value;
        case gridmodel::fvtFieldValue:
            return k < fieldValueTexts_.size() ? fieldValueTexts_[k] : QString();
        case gridmodel::fvtAvg: {
            if (k >= averageCounts_.size() || averageCounts_[k] == 0 || !fields_[k]) return {};
            const double average = averageSums_[k] / averageCounts_[k];
            return gridmodel::numberText(average, GridModel::footerFormat(f, fields_[k]), target_);
        }
        default:
            return {};
    }
}

QString GridFooters::text(int footerRow, int column) const {
    const gridmodel::FooterValueType type = footer(footerRow, column).valueType;
    return type == gridmodel::fvtSum || type == gridmodel::fvtCount ? sumText(footerRow, column)
                                                                      : ownText(footerRow, column);
}

}  // namespace output
