#pragma once

#include <QString>
#include <cstdint>
#include <vector>

#include "DisplayText.h"
#include "ExportTypes.h"

namespace engine {
class Field;
}
namespace gridmodel {
class GridRows;
}

namespace output {

// Footer sums: signed counts of ten-thousandths, one per footer row and column, at
// column + row × columns; all zero when a run starts.
class TFooterValues {
public:
    void reset(int rows, int columns);
    int64_t& at(int row, int column) { return values_[index(row, column)]; }
    int64_t at(int row, int column) const { return values_[index(row, column)]; }
    int rows() const { return rows_; }
    int columns() const { return columns_; }

private:
    size_t index(int row, int column) const { return static_cast<size_t>(column + row * columns_); }
    std::vector<int64_t> values_;
    int rows_ = 0, columns_ = 0;
};

// The footer rows of one export or printout of a grid: which field each footer cell sums or
// counts, the running sums over the records walked, and the text each footer cell shows.
class GridFooters {
public:
    // Starts a run over the given columns of the grid: every sum zero. A field-value footer
    // takes the record the view stands on now. The texts are written for the target: an
    // export keeps the display format's own bytes, a printout groups long numbers as the screen.
    void start(const gridmodel::GridModel& grid, const ExportColumns& columns,
               gridmodel::TextTarget target = gridmodel::TextTarget::Screen);

    // Adds a record read by position: a sum footer adds its field's value (when not null) as
    // round-half-even(value × 10000 + sum), a count footer adds 10000. The field is the
    // footer's own or else the column's; a footer whose field the view lacks is skipped.
    void add(const gridmodel::GridRows& row);

    // The text of a sum or count footer from the run's sums, as the grid shows its footer: a
    // count in the general number form; a sum of a number field through the footer's format,
    // else its field's display format, else in the general form. Empty for other footers.
    QString sumText(int footerRow, int column) const;
    // The text any footer cell shows: a sum or count as sumText, a fixed text, an average, or
    // the value of the record the view stood on at the start.
    QString text(int footerRow, int column) const;

    engine::Field* fieldOf(int footerRow, int column) const;
    const TFooterValues& values() const { return values_; }
    int rows() const { return values_.rows(); }

private:
    const gridmodel::ColumnFooter& footer(int footerRow, int column) const;
    QString ownText(int footerRow, int column) const;

    ExportColumns columns_;
    gridmodel::TextTarget target_ = gridmodel::TextTarget::Screen;
    std::vector<engine::Field*> fields_;  // per footer row and column
    TFooterValues values_;
    // Averages and current-record values, which the grid shows itself in its footer.
    std::vector<double> averageSums_;
    std::vector<int> averageCounts_;
    std::vector<QString> fieldValueTexts_;
};

}  // namespace output
