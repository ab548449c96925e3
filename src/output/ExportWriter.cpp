#include "ExportWriter.h"

#include <array>
#include <cmath>
#include <stdexcept>

#include "DisplayText.h"
#include "engine/Codec.h"
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

ExportWriter::ExportWriter(const ExportEnvironment& environment) : environment_(environment) {}

ExportWriter::~ExportWriter() = default;

namespace {

// The code page as a table over all UTF-16 units, taken once from the codec.
const std::array<char, 65536>& cp1251Table() {
    static const std::array<char, 65536> table = [] {
        std::array<char, 65536> t{};
        const engine::Codec& codec = engine::Codec::cp1251();
        for (int u = 0; u < 65536; ++u)
            t[static_cast<size_t>(u)] = codec.encode(QString(QChar(char16_t(u))))[0];
        return t;
    }();
    return table;
}

}  // namespace

std::string& ExportWriter::encode(const QString& text) {
    const std::array<char, 65536>& table = cp1251Table();
    encoded_.resize(static_cast<size_t>(text.size()));
    const char16_t* in = reinterpret_cast<const char16_t*>(text.utf16());
    for (size_t i = 0; i < encoded_.size(); ++i) encoded_[i] = table[in[i]];
    return encoded_;
}

engine::Field* ExportWriter::FieldOf(const GridColumn& column) const {
    for (size_t i = 0; i < columns_.size(); ++i)
        if (columns_[i] == &column) return fields_[i];
    engine::Dataset* view = grid_ ? grid_->dataSource : nullptr;
    return view && !column.fieldName.isEmpty() ? view->findField(column.fieldName) : nullptr;
}

engine::Field* ExportWriter::FooterFieldOf(int footerRow, int columnIndex) const {
    if (footerRow < 0 || footerRow >= footerValues_.rows() || columnIndex < 0 ||
        columnIndex >= footerValues_.columns())
        return nullptr;
    return footerFields_[static_cast<size_t>(columnIndex + footerRow * footerValues_.columns())];
}

QString ExportWriter::DisplayText(const GridColumn& column) const {
    const engine::Field* field = FieldOf(column);
    return field ? gridmodel::displayText(*field, column.displayFormat) : QString();
}

void ExportWriter::prepare() {
    columns_ = grid_->visibleColumns();
    engine::Dataset* view = grid_->dataSource;
    auto find = [view](const QString& name) -> engine::Field* {
        return view && !name.isEmpty() ? view->findField(name) : nullptr;
    };
    fields_.clear();
    for (const GridColumn* c : columns_) fields_.push_back(find(c->fieldName));

    const int rows = grid_->footerRowCount;
    const int cols = static_cast<int>(columns_.size());
    footerValues_.reset(rows, cols);
    footerFields_.assign(static_cast<size_t>(footerValues_.rows() * cols), nullptr);
    averageSums_.assign(footerFields_.size(), 0.0);
    averageCounts_.assign(footerFields_.size(), 0);
    fieldValueTexts_.assign(footerFields_.size(), QString());
    for (int r = 0; r < footerValues_.rows(); ++r) {
        for (int j = 0; j < cols; ++j) {
            const GridColumn& column = *columns_[static_cast<size_t>(j)];
            const ColumnFooter& footer = GridModel::footerFor(column, r);
            const size_t k = static_cast<size_t>(j + r * cols);
            footerFields_[k] =
                find(footer.fieldName.isEmpty() ? column.fieldName : footer.fieldName);
            // A field-value footer shows the record the grid stands on, so take it now.
            if (footer.valueType == gridmodel::fvtFieldValue && footerFields_[k] && view &&
                !view->eof())
                fieldValueTexts_[k] = gridmodel::displayText(*footerFields_[k], footer.displayFormat);
        }
    }
}

void ExportWriter::ExportToStream(ExportStream& stream, bool wholeGrid) {
    if (!grid_) throw std::logic_error("an export writer was run without a grid");
    stream_ = &stream;
    engine::Dataset* view = grid_->dataSource;
    engine::Dataset::Bookmark remembered;
    if (view) {
        remembered = view->bookmark();
        view->disableControls();
    }
    auto restore = [&] {
        if (!view) return;
        try {
            if (view->bookmarkValid(remembered)) view->gotoBookmark(remembered);
        } catch (...) {
            view->enableControls();
            throw;
        }
        view->enableControls();
    };
    try {
        prepare();
        WritePrefix();
        if (grid_->dgTitles) WriteTitle(columns_);
        if (view && wholeGrid) {
            for (view->first(); !view->eof(); view->next()) {
                WriteRecord(columns_);
                CalcFooterValues();
            }
        } else if (view && !view->eof() && !view->isEmpty()) {
            WriteRecord(columns_);
            CalcFooterValues();
        }
        for (int r = 0; r < footerValues_.rows(); ++r) WriteFooter(columns_, r);
    } catch (...) {
        // The writer's failure is the one to report; a failure to return comes second.
        try {
            restore();
        } catch (...) {
        }
        throw;
    }
    restore();
    WriteSuffix();
}

void ExportWriter::ExportToFile(const QString& fileName, bool wholeGrid) {
    FileStream file(fileName);
    ExportToStream(file, wholeGrid);
    file.close();
}

void ExportWriter::WriteRecord(const ExportColumns& columns) {
    for (const GridColumn* column : columns) {
        cell_.font = column->font;
        cell_.background = column->color;
        cell_.alignment = column->alignment;
        cell_.text = DisplayText(*column);
        WriteDataCell(*column, cell_);
    }
}

QString ExportWriter::ownFooterText(int footerRow, int columnIndex) const {
    const GridColumn& column = *columns_[static_cast<size_t>(columnIndex)];
    const ColumnFooter& footer = GridModel::footerFor(column, footerRow);
    const size_t k = static_cast<size_t>(columnIndex + footerRow * footerValues_.columns());
    switch (footer.valueType) {
        case gridmodel::fvtStaticText:
            return footer.value;
        case gridmodel::fvtFieldValue:
            return k < fieldValueTexts_.size() ? fieldValueTexts_[k] : QString();
        case gridmodel::fvtAvg: {
            if (k >= averageCounts_.size() || averageCounts_[k] == 0 || !footerFields_[k])
                return {};
            const double average = averageSums_[k] / averageCounts_[k];
            return gridmodel::numberText(average, GridModel::footerFormat(footer, footerFields_[k]));
        }
        default:
            return {};
    }
}

void ExportWriter::WriteFooter(const ExportColumns& columns, int footerRow) {
    for (size_t j = 0; j < columns.size(); ++j) {
        const GridColumn& column = *columns[j];
        const ColumnFooter& footer = GridModel::footerFor(column, footerRow);
        const int index = static_cast<int>(j);
        const QString text =
            footer.valueType == gridmodel::fvtSum || footer.valueType == gridmodel::fvtCount
                ? GetFooterValue(footerRow, index)
                : ownFooterText(footerRow, index);
        WriteFooterCell(index, footerRow, column, footer.font, footer.color, footer.alignment,
                        text);
    }
}

void ExportWriter::CalcFooterValues() {
    const int cols = footerValues_.columns();
    for (int r = 0; r < footerValues_.rows(); ++r) {
        for (int j = 0; j < cols; ++j) {
            const size_t k = static_cast<size_t>(j + r * cols);
            const engine::Field* field = footerFields_[k];
            if (!field) continue;
            switch (GridModel::footerFor(*columns_[static_cast<size_t>(j)], r).valueType) {
                case gridmodel::fvtSum: {
                    const QVariant value = field->value();
                    if (value.isNull()) break;
                    int64_t& sum = footerValues_.at(r, j);
                    const long double exact =
                        static_cast<long double>(value.toDouble()) * 10000.0L +
                        static_cast<long double>(sum);
                    sum = static_cast<int64_t>(std::nearbyint(exact));
                    break;
                }
                case gridmodel::fvtCount:
                    footerValues_.at(r, j) += 10000;
                    break;
                case gridmodel::fvtAvg: {
                    const QVariant value = field->value();
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

QString ExportWriter::GetFooterValue(int footerRow, int columnIndex) const {
    if (footerRow < 0 || footerRow >= footerValues_.rows() || columnIndex < 0 ||
        columnIndex >= footerValues_.columns())
        return {};
    const GridColumn& column = *columns_[static_cast<size_t>(columnIndex)];
    const ColumnFooter& footer = GridModel::footerFor(column, footerRow);
    const int64_t sum = footerValues_.at(footerRow, columnIndex);
    switch (footer.valueType) {
        case gridmodel::fvtCount:
            return gridmodel::generalNumberText(static_cast<double>(sum / 10000));
        case gridmodel::fvtSum: {
            const engine::Field* field = FooterFieldOf(footerRow, columnIndex);
            if (!field || (field->kind() != engine::FieldKind::SmallInt &&
                           field->kind() != engine::FieldKind::Float))
                return {};
            return gridmodel::numberText(static_cast<double>(sum) / 10000.0,
                                         GridModel::footerFormat(footer, field));
        }
        default:
            return {};
    }
}

}  // namespace output
