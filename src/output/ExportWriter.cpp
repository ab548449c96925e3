#include "ExportWriter.h"

#include <array>
#include <cmath>
#include <stdexcept>

#include "Codec.h"
#include "engine/Dataset.h"
#include "engine/Field.h"

using gridmodel::ColumnFooter;
using gridmodel::GridColumn;
using gridmodel::GridModel;

namespace output {

ExportWriter::ExportWriter(const ExportEnvironment& environment) : environment_(environment) {}

ExportWriter::~ExportWriter() = default;

namespace {

// The code page as a table over all UTF-16 units, taken once from the codec.
const std::array<char, 65536>& cp1251Table() {
    static const std::array<char, 65536> table = [] {
        std::array<char, 65536> t{};
        const base::Codec& codec = base::Codec::cp1251();
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

void ExportWriter::prepare() {
    columns_ = grid_->visibleColumns();
    engine::Dataset* view = grid_->dataSource;
    auto find = [view](const QString& name) -> engine::Field* {
        return view && !name.isEmpty() ? view->findField(name) : nullptr;
    };
    fields_.clear();
    for (const GridColumn* c : columns_) fields_.push_back(find(c->fieldName));

    footers_.start(*grid_, columns_, gridmodel::TextTarget::Export);
}

void ExportWriter::ExportToStream(ExportStream& stream, bool wholeGrid) {
    if (!grid_) throw std::logic_error("an export writer was run without a grid");
    stream_ = &stream;
    engine::Dataset* view = grid_->dataSource;
    if (view) gridmodel::GridRows::storePendingEdit(*view);
    rows_ = gridmodel::GridRows(view);
    prepare();
    WritePrefix();
    if (grid_->dgTitles) WriteTitle(columns_);
    if (wholeGrid) {
        for (int row = 0; row < rows_.count(); ++row) {
            rows_.read(row);
            WriteRecord(columns_);
            CalcFooterValues();
        }
    } else if (rows_.count() > 0 && view->recNo() > 0) {
        rows_.readCurrent();
        WriteRecord(columns_);
        CalcFooterValues();
    }
    for (int r = 0; r < footers_.rows(); ++r) WriteFooter(columns_, r);
    WriteSuffix();
}

void ExportWriter::ExportToFile(const QString& fileName, bool wholeGrid) {
    // A refused post ends the export before the file is created or truncated.
    if (grid_ && grid_->dataSource) gridmodel::GridRows::storePendingEdit(*grid_->dataSource);
    FileStream file(fileName);
    ExportToStream(file, wholeGrid);
    file.close();
}

void ExportWriter::WriteRecord(const ExportColumns& columns) {
    for (size_t i = 0; i < columns.size(); ++i) {
        const GridColumn& column = *columns[i];
        const engine::Field* field = fields_[i];
        cell_.font = column.font;
        cell_.background = column.color;
        cell_.alignment = column.alignment;
        cell_.text = rows_.text(field, column.displayFormat, gridmodel::TextTarget::Export);
        cell_.value = rows_.value(field);
        cell_.kind = field ? std::optional<engine::FieldKind>(field->kind()) : std::nullopt;
        WriteDataCell(column, cell_);
    }
}

void ExportWriter::WriteFooter(const ExportColumns& columns, int footerRow) {
    for (size_t j = 0; j < columns.size(); ++j) {
        const GridColumn& column = *columns[j];
        const ColumnFooter& footer = GridModel::footerFor(column, footerRow);
        const int index = static_cast<int>(j);
        const QString text = footers_.text(footerRow, index);
        WriteFooterCell(index, footerRow, column, footer.font, footer.color, footer.alignment,
                        text);
    }
}

}  // namespace output
