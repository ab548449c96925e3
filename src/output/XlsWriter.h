#pragma once

#include <cstdint>

#include "ExportWriter.h"

namespace output {

// The grid as a minimal BIFF worksheet stream: a beginning-of-file record, the code page, one
// record per cell and an end-of-file record; no dimensions, fonts, formats or widths. Numbers
// stay numbers, so a spreadsheet can recalculate the sums. All values little-endian; rows and
// columns counted from 0.
class XlsWriter : public ExportWriter {
public:
    using ExportWriter::ExportWriter;

    void ExportToStream(ExportStream& stream, bool wholeGrid) override;

    uint16_t row() const { return row_; }
    uint16_t column() const { return col_; }

protected:
    void WritePrefix() override;
    void WriteSuffix() override;
    void WriteTitle(const ExportColumns& columns) override;
    void WriteDataCell(const gridmodel::GridColumn& column, const TCellParams& cell) override;
    void WriteFooterCell(int columnIndex, int footerRow, const gridmodel::GridColumn& column,
                         const gridmodel::FontSpec& font, const gridmodel::Color& color,
                         gridmodel::Align alignment, const QString& text) override;

    // Each writes one record at the current row and column, then advances.
    void WriteBlankCell();
    void WriteFloatCell(double value);
    // An integer record for values of 30 bits; a number record for any other.
    void WriteIntegerCell(int64_t value);
    void WriteStringCell(const QString& text);
    // The next column; after the last exported column the first of the next row.
    void IncColRow();

private:
    uint16_t row_ = 0, col_ = 0;
};

}  // namespace output
