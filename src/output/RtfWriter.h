#pragma once

#include <memory>
#include <vector>

#include "ExportWriter.h"

namespace output {

// The grid as a rich-text document holding one table: cell widths from the column widths,
// single-line cell borders, a background shade per cell, and font size, style, face and
// colours on every cell text. The colour and font tables must precede the body but are known
// only once it is written, so the body goes to memory first and the file is put together at
// the end; a failure on the way leaves the file empty.
class RtfWriter : public ExportWriter {
public:
    using ExportWriter::ExportWriter;

    void ExportToStream(ExportStream& stream, bool wholeGrid) override;

    // A cell text with "\", "{" and "}" escaped, so that a text cannot break the document's
    // grouping. The bytes are those of the 1251 code page, in which these three are the ASCII
    // bytes alone.
    static void appendEscaped(std::string& out, std::string_view bytes);
    // The right edges of the exported columns' cells in twips: the running sum of
    // trunc(width × 1440 ÷ pixels per inch), exact for every width.
    static std::vector<int> cellRightEdges(const ExportColumns& columns, int pixelsPerInch);
    // Paragraph spacing before and after title cells of multi-level titles:
    // trunc(margin ÷ 2 ÷ pixels per inch × 1440 − 20), exact.
    static int titleSpacing(int vTitleMargin, int pixelsPerInch);

protected:
    void WritePrefix() override {}
    void WriteSuffix() override;
    void WriteTitle(const ExportColumns& columns) override;
    void WriteRecord(const ExportColumns& columns) override;
    void WriteDataCell(const gridmodel::GridColumn& column, const TCellParams& cell) override;
    void WriteFooter(const ExportColumns& columns, int footerRow) override;
    void WriteFooterCell(int columnIndex, int footerRow, const gridmodel::GridColumn& column,
                         const gridmodel::FontSpec& font, const gridmodel::Color& color,
                         gridmodel::Align alignment, const QString& text) override;

    void PutText(const gridmodel::FontSpec& font, const QString& text,
                 const gridmodel::Color& background);
    static const char* GetAlignment(gridmodel::Align alignment);
    int GetFontIndex(const QString& faceName);
    // Colours are told apart by their RGB values; no colour counts as white, the paper.
    int GetColorIndex(const gridmodel::Color& color);
    // Appends a cell's borders to a row definition: left, top, bottom, right, each it has.
    static void WriteCellBorder(std::string& row, bool left, bool top, bool right, bool bottom);
    gridmodel::Color GetDataCellColor(const gridmodel::GridColumn& column) const {
        return column.color;
    }
    gridmodel::Color GetFooterCellColor(const gridmodel::GridColumn& column, int footerRow) const;

private:
    struct RowCell {
        bool left = true, top = true, right = true, bottom = true;
        gridmodel::Color shade;
    };
    // "\trowd\trgaph40", then per cell its borders, shade and right edge, then "{\trrh0".
    std::string rowDefinition(const std::vector<RowCell>& cells);
    void writeCellStart(gridmodel::Align alignment, int spacing);
    int ordinarySpacing() const;

    // The control words before a cell text, made once per font and background of an export.
    struct TextStart {
        gridmodel::FontSpec font;
        gridmodel::Color background;
        std::string text;
    };
    const std::string& textStart(const gridmodel::FontSpec& font, const gridmodel::Color& background);

    std::vector<Rgb> colors_;
    std::vector<QString> fonts_;
    std::vector<int> edges_;
    std::vector<TextStart> textStarts_;
    std::string recordRowDefinition_;  // the same for every record
    std::string cell_;
};

}  // namespace output
