#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "ExportWriter.h"

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace output {

// The grid as a workbook of today's spreadsheets (Office Open XML, .xlsx): one sheet named
// after the grid's caption (the day, "09.12.2026"), the title rows (a multi-level title as
// merged cells), one row per record and the footer rows. Sums are numbers shown in thousands
// with two decimals, so they add up in the spreadsheet; codes and names are the display texts;
// dates are dates. Columns are as wide as on screen, cells carry the grid's fonts, colours and
// alignment, and the title rows stay in place when the sheet scrolls.
class XlsxWriter : public ExportWriter {
public:
    using ExportWriter::ExportWriter;
    ~XlsxWriter() override;

    // The money format of the sheet's sums: thousands grouped, two decimals. A spreadsheet in
    // the Russian locale shows the code as "# ##0,00" and 1333338.82 as "1 333 338,82"; the
    // code "# ##0.00" itself would take its blank literally and show "1333 338,82".
    static constexpr const char* kMoneyFormat = "#,##0.00";

    // Makes the workbook in a temporary file and hands its bytes to the stream.
    void ExportToStream(ExportStream& stream, bool wholeGrid) override;
    // Makes the workbook under a hidden temporary name beside the file and renames it in only
    // when it is complete and on disk: a failure, a full disk or a kill leaves an earlier file
    // of that name as it was. A read-only file is refused as the other formats refuse it.
    void ExportToFile(const QString& fileName, bool wholeGrid) override;

protected:
    void WritePrefix() override;
    void WriteTitle(const ExportColumns& columns) override;
    void WriteDataCell(const gridmodel::GridColumn& column, const TCellParams& cell) override;
    void WriteFooterCell(int columnIndex, int footerRow, const gridmodel::GridColumn& column,
                         const gridmodel::FontSpec& font, const gridmodel::Color& color,
                         gridmodel::Align alignment, const QString& text) override;

private:
    // How a cell shows its value.
    enum class Shape { Text, Number, Money, Date };
    struct FormatKey {
        gridmodel::FontSpec font;
        gridmodel::Color background;
        gridmodel::Align alignment = gridmodel::Align::Left;
        Shape shape = Shape::Text;
        bool wrap = false;
        bool operator==(const FormatKey&) const = default;
    };
    // The formats of one exported column's data cells, by shape.
    struct ColumnFormats {
        lxw_format* text = nullptr;
        lxw_format* number = nullptr;
        lxw_format* date = nullptr;
    };

    // Writes the workbook into the file at path (created or truncated) through the skeleton
    // and reads it back; errors name the file as shownName.
    void writeWorkbook(const QString& path, const QString& shownName, bool wholeGrid);
    // The height in points of a title row for a text wrapped in a cell of the given width; 0
    // when the text fits on one line.
    double titleHeight(const QString& text, int widthPixels, const gridmodel::FontSpec& font) const;
    // Whether a title cell of the grid spans several rows.
    bool titleSpansRows() const;
    lxw_format* format(const FormatKey& key);
    // How numbers shown with a display format appear: money when it shows two decimals.
    static Shape numberShape(const QString& displayFormat);
    // The next column; after the last exported column the first of the next row.
    void advance();
    // Stops the export when the library refused a cell.
    void check(int error) const;

    lxw_workbook* book_ = nullptr;
    lxw_worksheet* sheet_ = nullptr;
    QString path_;
    std::vector<std::pair<FormatKey, lxw_format*>> formats_;
    std::vector<ColumnFormats> columnFormats_;
    uint32_t row_ = 0;
    uint16_t col_ = 0;
};

}  // namespace output
