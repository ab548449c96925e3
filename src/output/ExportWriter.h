#pragma once

#include <QString>
#include <cstdint>
#include <string_view>
#include <vector>

#include "Colors.h"
#include "ExportStream.h"
#include "ExportTypes.h"
#include "GridFooters.h"
#include "GridRows.h"

namespace engine {
class Dataset;
class Field;
}  // namespace engine

namespace output {

// An export writer: walks the records of a grid's data view once, by position, and writes a
// prefix, the titles, one row per record, the footer rows and a suffix. The view is not moved:
// its current record and the controls that show it stay as they are. The writing operations
// of this base write nothing; each file format overrides those it needs. A writer serves one
// export.
class ExportWriter {
public:
    explicit ExportWriter(const ExportEnvironment& environment = ExportEnvironment::current());
    virtual ~ExportWriter();
    ExportWriter(const ExportWriter&) = delete;
    ExportWriter& operator=(const ExportWriter&) = delete;

    // The grid to export (not owned); it must outlive the export.
    void setGrid(const gridmodel::GridModel& grid) { grid_ = &grid; }
    const gridmodel::GridModel* grid() const { return grid_; }

    // Runs the export into a stream:
    //  1. stores an edit pending in the view (a refused one ends the export here);
    //  2. takes the visible columns and clears the footer sums;
    //  3. prefix; 4. titles when the grid shows them; 5. every record the view shows, in its
    //     order, each followed by CalcFooterValues; 6. every footer row; 7. suffix.
    // A failure in steps 2 to 6 goes on to the caller without the suffix. With wholeGrid
    // false only the view's current record is written. Needs a grid (setGrid).
    virtual void ExportToStream(ExportStream& stream, bool wholeGrid);
    // Stores an edit pending in the view, creates (or truncates) the file, exports into it and
    // closes it. A file that cannot be created raises an error before anything is written;
    // after a failure during the export the file keeps what was written so far. The workbook
    // writer makes its file its own way.
    virtual void ExportToFile(const QString& fileName, bool wholeGrid);

protected:
    virtual void WritePrefix() {}
    virtual void WriteSuffix() {}
    virtual void WriteTitle(const ExportColumns& /*columns*/) {}
    // Fills the cell parameters of the record being written for each column in turn and
    // calls WriteDataCell.
    virtual void WriteRecord(const ExportColumns& columns);
    virtual void WriteDataCell(const gridmodel::GridColumn& /*column*/, const TCellParams& /*cell*/) {
    }
    // Collects each column's footer text, font, colour and alignment and calls WriteFooterCell.
    virtual void WriteFooter(const ExportColumns& columns, int footerRow);
    virtual void WriteFooterCell(int /*columnIndex*/, int /*footerRow*/,
                                 const gridmodel::GridColumn& /*column*/,
                                 const gridmodel::FontSpec& /*font*/, const gridmodel::Color& /*color*/,
                                 gridmodel::Align /*alignment*/, const QString& /*text*/) {}

    // Adds the record being written to the footer sums (GridFooters::add).
    void CalcFooterValues() { footers_.add(rows_); }
    // The text of a sum or count footer from the export's own sums (GridFooters::sumText).
    QString GetFooterValue(int footerRow, int columnIndex) const {
        return footers_.sumText(footerRow, columnIndex);
    }

    // The field a footer sums or counts, or null.
    engine::Field* FooterFieldOf(int footerRow, int columnIndex) const {
        return footers_.fieldOf(footerRow, columnIndex);
    }

    // Output: bytes as they are, or a text in the 1251 code page; PutL ends the line with
    // CR LF.
    void Put(std::string_view bytes) { stream_->write(bytes); }
    void Put(const char* bytes) { Put(std::string_view(bytes)); }
    void Put(const QString& text) { Put(encode(text)); }
    template <class Text>
    void PutL(const Text& text) {
        Put(text);
        Put(kLineEnd);
    }
    static constexpr std::string_view kLineEnd = "\r\n";
    // A whole number in decimal digits, for the formats' markup.
    static std::string decimal(long long n) { return std::to_string(n); }
    // The 1251 bytes of a text (one per character, '?' for one the code page lacks), in a
    // buffer that the next call reuses.
    std::string& encode(const QString& text);

    std::optional<Rgb> resolve(const gridmodel::Color& color) const {
        return resolveColor(color, environment_.colors);
    }
    const ExportEnvironment& environment() const { return environment_; }
    const ExportColumns& exportedColumns() const { return columns_; }
    // The view's field of each exported column (null for a column without one).
    const std::vector<engine::Field*>& exportedFields() const { return fields_; }
    const TFooterValues& footerValues() const { return footers_.values(); }

private:
    void prepare();

    ExportEnvironment environment_;
    const gridmodel::GridModel* grid_ = nullptr;
    ExportStream* stream_ = nullptr;
    ExportColumns columns_;
    std::vector<engine::Field*> fields_;  // per exported column
    gridmodel::GridRows rows_{nullptr};   // the view's records, the one being written read
    GridFooters footers_;
    TCellParams cell_;
    std::string encoded_;
};

}  // namespace output
