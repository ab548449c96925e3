#pragma once

#include <string>
#include <vector>

#include "ExportWriter.h"

namespace output {

// The grid as a web page with one table. Every cell carries its width, alignment, background
// and font as attributes, so the page looks like the grid on screen. Texts are in the 1251
// code page, which the page's head declares; lines end in CR LF.
class HtmlWriter : public ExportWriter {
public:
    using ExportWriter::ExportWriter;

    // Cell text with "&", "<", ">" and '"' written as "&amp", "&lt", "&gt" and "&quot" (without
    // semicolons, which browsers read all the same); an empty text is "&nbsp". The bytes are
    // those of the 1251 code page, in which these four are the ASCII bytes alone.
    static void appendEscaped(std::string& out, std::string_view bytes);

protected:
    void WritePrefix() override;
    void WriteSuffix() override;
    void WriteTitle(const ExportColumns& columns) override;
    void WriteRecord(const ExportColumns& columns) override;
    void WriteDataCell(const gridmodel::GridColumn& column, const TCellParams& cell) override;
    void WriteFooter(const ExportColumns& columns, int footerRow) override;
    void WriteFooterCell(int columnIndex, int footerRow, const gridmodel::GridColumn& column,
                         const gridmodel::FontSpec& font, const gridmodel::Color& color,
                         gridmodel::Align alignment, const QString& text) override;

    // The font element around the escaped text.
    void PutText(const gridmodel::FontSpec& font, const QString& text);
    // RRGGBB; no colour gives "000000".
    std::string GetColor(const gridmodel::Color& color) const;
    static const char* GetAlignment(gridmodel::Align alignment);

private:
    // The font element's opening and closing markup, made once per font of an export.
    struct FontMarkup {
        gridmodel::FontSpec font;
        std::string open, close;
    };
    const FontMarkup& markupOf(const gridmodel::FontSpec& font);
    // "  <TD WIDTH=w ALIGN="a" BGCOLOR=#c>", made once per kind of cell.
    struct CellStart {
        int width;
        gridmodel::Align alignment;
        gridmodel::Color background;
        std::string text;
    };
    const std::string& cellStart(int width, gridmodel::Align alignment,
                                 const gridmodel::Color& background);

    std::vector<FontMarkup> fonts_;
    std::string escaped_;
    std::vector<CellStart> cellStarts_;
};

}  // namespace output
