#pragma once

#include <string>

#include "ExportWriter.h"

namespace output {

// The grid as tab-separated text: one line per title row, record and footer row, cells
// separated by a tab, lines by CR LF (none after the last line), texts in the 1251 code page
// without quoting or trimming. A tab, CR or LF inside a cell text is written as a blank, so
// that it cannot shift the file's columns or lines.
class TextWriter : public ExportWriter {
public:
    using ExportWriter::ExportWriter;

    void ExportToStream(ExportStream& stream, bool wholeGrid) override;

    // Makes every tab, CR and LF of a cell text's 1251 bytes a blank.
    static void blankSeparators(std::string& bytes);

protected:
    void WriteTitle(const ExportColumns& columns) override;
    void WriteRecord(const ExportColumns& columns) override;
    void WriteDataCell(const gridmodel::GridColumn& column, const TCellParams& cell) override;
    void WriteFooter(const ExportColumns& columns, int footerRow) override;
    void WriteFooterCell(int columnIndex, int footerRow, const gridmodel::GridColumn& column,
                         const gridmodel::FontSpec& font, const gridmodel::Color& color,
                         gridmodel::Align alignment, const QString& text) override;

    // A line separator unless this is the first line.
    void CheckFirstRec();
    // A cell separator unless this is the line's first cell.
    void CheckFirstCell();

private:
    void writeCell(const QString& text);

    bool firstLine_ = true;
    bool firstCell_ = true;
};

}  // namespace output
