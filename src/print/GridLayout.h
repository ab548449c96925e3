#pragma once

#include <QFont>
#include <QLine>
#include <QString>
#include <QStringList>
#include <map>
#include <optional>
#include <vector>

#include "ExportTypes.h"
#include "GridFooters.h"
#include "GridRows.h"
#include "PageMacros.h"
#include "PrintSettings.h"

class QPainter;
class QPaintDevice;
class QTextDocument;

namespace engine {
class Field;
}
namespace output {
struct THeadTreeNode;
}

namespace print {

class TVirtualPrinter;

// One layout of a grid on a printer target, from the first page to the last. Lengths are
// device pixels of the target, or, when the page is scaled to fit the grid, logical units
// that the page's drawing maps onto them. With `counting` it only counts the pages.
class GridLayout {
public:
    GridLayout(const gridmodel::GridModel& grid, const GridPrintSettings& settings, TVirtualPrinter& target,
               PageMacros& macros, bool counting);

    // Lays the body out: the text before the grid, the rows in chunks of a page, the text after
    // it. Returns the number of pages.
    int run(QTextDocument& before, QTextDocument& after);

    // The geometry, for tests and the counting pass.
    struct Geometry {
        int left = 0, top = 0, right = 0, bottom = 0;  // inside the margins
        int bodyTop = 0, bodyBottom = 0;                // between header and footer
        int hp = 0, vp = 0, tvp = 0, lw = 0;
        double scale = 1;  // device pixels per logical unit
        int rowHeight = 0, titleHeight = 0, titleTextHeight = 0;
        std::vector<int> widths;  // per printed column
        std::vector<std::pair<int, int>> bands;  // first and last printed column of each band
    };
    const Geometry& geometry() const { return g_; }

private:
    struct Row {
        int footerRow = -1;  // -1: a record
        std::vector<QString> texts;
        int height = 0;
    };
    struct TitleCell {
        QString caption;
        QFont font;
        gridmodel::Color textColor, background;
        gridmodel::Align align = gridmodel::Align::Center;
        bool multiLevel = false;              // centred both ways and wrapped
        int firstColumn = 0, lastColumn = 0;  // printed columns below it
        int y = 0, height = 0;                // below the top of the titles
    };
    struct TitleNodeSize {
        int own = 0, below = 0;  // the node's own height; the tallest stack of its children
    };

    QFont fontOf(const gridmodel::FontSpec& spec) const;
    int textHeight(const QFont& font, const QString& text, int width, bool wrap) const;
    int textWidth(const QFont& font, const QString& text) const;

    void computeGeometry();
    void computeWidths();
    void fitToPage();
    void computeBands();
    int bandHeight(const PageBand& band) const;
    void computeTitles();
    int measureTitleNode(const output::THeadTreeNode& node);
    void placeTitleNode(const output::THeadTreeNode& node, int y, int available);

    void startPage(bool first);
    void drawPageBands();
    void drawBand(const PageBand& band, int top, int bottom, bool header);
    void printRichText(QTextDocument& document);

    // The rows of the next chunk from the sequence, as many as fit from `offset_`.
    std::vector<Row> packRows();
    Row nextRow();
    bool recordsDone() const { return nextRecord_ >= records_.count(); }
    bool sequenceDone() const;
    int rowHeightOf(const Row& row) const;
    void printChunk(const std::vector<Row>& rows, bool startOnThisPage);
    void drawTitles(int band, int top, std::vector<QLine>& lines);
    void drawCell(const QRect& rect, const QString& text, const QFont& font, const gridmodel::Color& textColor,
                  const gridmodel::Color& background, gridmodel::Align align, bool wrap, int insetX, int insetY,
                  bool center = false);
    void processEvents();

    const gridmodel::GridModel& grid_;
    const GridPrintSettings& settings_;
    TVirtualPrinter& target_;
    PageMacros& macros_;
    const bool counting_;
    QPaintDevice& device_;
    QPainter* painter_ = nullptr;

    output::ExportColumns columns_;
    output::GridFooters footers_;
    std::vector<QFont> cellFonts_, footerFonts_;
    std::vector<const engine::Field*> fields_;          // per printed column, null without one
    std::vector<int> cellLineHeights_, footerLineHeights_;  // one text line per printed column
    std::vector<QLine> borderLines_;
    std::vector<TitleCell> titleCells_;
    std::map<const output::THeadTreeNode*, TitleNodeSize> titleSizes_;
    std::optional<Row> pending_;  // taken from the sequence but left for the next chunk
    Geometry g_;
    int headerHeight_ = 0, footerHeight_ = 0;
    int offset_ = 0;  // below the top of the body
    int pages_ = 0;
    // The row sequence: the records from the first, read by position, then the footer rows.
    gridmodel::GridRows records_;
    int nextRecord_ = 0;
    int nextFooterRow_ = 0;
    double kx_ = 1, ky_ = 1;
    int pixelsX_ = 96, pixelsY_ = 96;
};

}  // namespace print
