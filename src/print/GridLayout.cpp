#include "GridLayout.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QTextDocument>
#include <algorithm>
#include <cmath>
#include <functional>

#include "EngineError.h"
#include "LookColors.h"
#include "LookFonts.h"
#include "RichTextPages.h"
#include "TitleTree.h"
#include "VirtualPrinter.h"
#include "engine/Dataset.h"

using gridmodel::Align;
using gridmodel::GridColumn;
using gridmodel::GridModel;

namespace print {

namespace {

constexpr int kScreenDpi = 96;  // the grid's widths and fonts are screen pixels at this resolution

// Rounds to the nearest integer, halves to the even neighbour.
int roundHalfEven(double v) {
    return static_cast<int>(std::nearbyint(v));
}

int mulDiv(long long a, long long b, long long c) {
    return c == 0 ? 0 : static_cast<int>((a * b + (a * b >= 0 ? c / 2 : -c / 2)) / c);
}

// A grid colour on paper: a system colour (the button face of the titles and footers, say) is
// the one the look library resolves for the screen and export too.
QColor colorOf(const gridmodel::Color& c, const QColor& fallback) {
    const QColor color = look::toQColor(c);
    return color.isValid() ? color : fallback;
}

Qt::Alignment alignmentOf(Align a) {
    switch (a) {
        case Align::Left: return Qt::AlignLeft;
        case Align::Right: return Qt::AlignRight;
        case Align::Center: return Qt::AlignHCenter;
    }
    return Qt::AlignLeft;
}

}  // namespace

GridLayout::GridLayout(const GridModel& grid, const GridPrintSettings& settings,
                       TVirtualPrinter& target, PageMacros& macros, bool counting)
    : grid_(grid),
      settings_(settings),
      target_(target),
      macros_(macros),
      counting_(counting),
      device_(target.Handle()),
      records_(grid.dataSource) {
    columns_ = grid_.visibleColumns();
    footers_.start(grid_, columns_);
    for (const GridColumn* c : columns_) {
        cellFonts_.push_back(fontOf(c->font));
        footerFonts_.push_back(fontOf(GridModel::footerFor(*c, 0).font));
        cellLineHeights_.push_back(QFontMetrics(cellFonts_.back(), &device_).height());
        footerLineHeights_.push_back(QFontMetrics(footerFonts_.back(), &device_).height());
        fields_.push_back(grid_.dataSource && !c->fieldName.isEmpty() ? grid_.dataSource->findField(c->fieldName) : nullptr);
    }
    computeGeometry();
}

QFont GridLayout::fontOf(const gridmodel::FontSpec& spec) const {
    return look::printedFont(spec, settings_.PrintFontName);
}

int GridLayout::textHeight(const QFont& font, const QString& text, int width, bool wrap) const {
    const QFontMetrics fm(font, &device_);
    if (!wrap) return fm.height();
    const QRect box = fm.boundingRect(QRect(0, 0, std::max(width, 1), 1 << 24), Qt::TextWordWrap,
                                      text.isEmpty() ? QStringLiteral(" ") : text);
    return std::max(box.height(), fm.height());
}

int GridLayout::textWidth(const QFont& font, const QString& text) const {
    return QFontMetrics(font, &device_).horizontalAdvance(text);
}

// ---- geometry --------------------------------------------------------------------------------

void GridLayout::computeGeometry() {
    const PageMetrics m = target_.Metrics();
    pixelsX_ = m.dpiX > 0 ? m.dpiX : 600;
    pixelsY_ = m.dpiY > 0 ? m.dpiY : 600;
    const double u = settings_.Units == PrintUnits::Metric ? 2.54 : 1.0;
    const int offX = (m.fullPageWidth - m.pageWidth) / 2;
    const int offY = (m.fullPageHeight - m.pageHeight) / 2;
    g_.left = roundHalfEven(pixelsX_ * settings_.Page.LeftMargin.toDouble() / u) - offX;
    g_.top = roundHalfEven(pixelsY_ * settings_.Page.TopMargin.toDouble() / u) - offY;
    g_.right = m.pageWidth + offX - roundHalfEven(pixelsX_ * settings_.Page.RightMargin.toDouble() / u);
    g_.bottom = m.pageHeight + offY - roundHalfEven(pixelsY_ * settings_.Page.BottomMargin.toDouble() / u);
    kx_ = static_cast<double>(std::max(kScreenDpi, pixelsX_)) / std::min(kScreenDpi, pixelsX_);
    ky_ = static_cast<double>(std::max(kScreenDpi, pixelsY_)) / std::min(kScreenDpi, pixelsY_);
    g_.hp = roundHalfEven(2 * kx_);
    g_.vp = grid_.flat ? roundHalfEven(ky_) : roundHalfEven(2 * ky_);
    g_.tvp = grid_.flat ? roundHalfEven(ky_ / 2) : roundHalfEven(ky_);
    g_.lw = (pixelsX_ + pixelsY_) / 200;

    computeWidths();
    fitToPage();
    computeBands();

    headerHeight_ = bandHeight(settings_.PageHeader);
    footerHeight_ = bandHeight(settings_.PageFooter);
    g_.bodyTop = g_.top + headerHeight_;
    g_.bodyBottom = g_.bottom - footerHeight_;

    g_.rowHeight = QFontMetrics(fontOf(grid_.font), &device_).height() + 2 * g_.vp;
    computeTitles();
    const QString title = settings_.Title.join(u'\n');
    int gridWidth = g_.lw;
    for (int w : g_.widths) gridWidth += w;
    g_.titleTextHeight = title.isEmpty() ? 0 : textHeight(fontOf(grid_.titleFont), title, gridWidth, true);
}

void GridLayout::computeWidths() {
    g_.widths.clear();
    for (const GridColumn* c : columns_) g_.widths.push_back(roundHalfEven((c->width + 1) * kx_));
    if (!settings_.has(pghOptimalColWidths)) return;

    // Each column as wide as the widest of its title, cells and footers.
    output::GridFooters sums;
    sums.start(grid_, columns_);
    for (size_t i = 0; i < columns_.size(); ++i)
        g_.widths[i] = std::max(10, textWidth(fontOf(columns_[i]->title.font), columns_[i]->title.caption) + 2 * g_.hp);
    gridmodel::GridRows rows(grid_.dataSource);
    for (int row = 0; row < rows.count(); ++row) {
        rows.read(row);
        for (size_t i = 0; i < columns_.size(); ++i) {
            if (!fields_[i]) continue;
            const QString text = rows.text(fields_[i], columns_[i]->displayFormat);
            g_.widths[i] = std::max(g_.widths[i], textWidth(cellFonts_[i], text) + 2 * g_.hp);
        }
        sums.add(rows);
    }
    for (int r = 0; r < sums.rows(); ++r)
        for (size_t i = 0; i < columns_.size(); ++i)
            g_.widths[i] = std::max(g_.widths[i], textWidth(footerFonts_[i], sums.text(r, static_cast<int>(i))) + 2 * g_.hp);
}

void GridLayout::fitToPage() {
    if (!settings_.has(pghFitGridToPageWidth)) return;
    long long sum = 0;
    for (int w : g_.widths) sum += w;
    const int available = g_.right - g_.left;
    if (settings_.has(pghFitingByColWidths)) {
        if (available >= sum || sum == 0) return;
        long long newSum = 0;
        for (int& w : g_.widths) {
            w = static_cast<int>(static_cast<long long>(w) * available / sum);
            newSum += w;
        }
        if (newSum > available && !g_.widths.empty()) g_.widths.back() -= static_cast<int>(newSum - available);
        return;
    }
    const long long t = g_.lw + sum;
    if (t <= available) return;  // a narrower grid is not enlarged
    g_.scale = static_cast<double>(available) / static_cast<double>(t);
    g_.left = mulDiv(g_.left, t, available);
    g_.top = mulDiv(g_.top, t, available);
    g_.right = mulDiv(g_.right, t, available);
    g_.bottom = mulDiv(g_.bottom, t, available);
}

void GridLayout::computeBands() {
    g_.bands.clear();
    const int start = g_.left + g_.lw;
    int x = start;
    int first = 0;
    for (int i = 0; i < static_cast<int>(g_.widths.size()); ++i) {
        if (x + g_.widths[static_cast<size_t>(i)] > g_.right && i > first) {
            g_.bands.push_back({first, i - 1});
            first = i;
            x = start;
        }
        // A single column wider than the page is cut to the page.
        if (x == start) g_.widths[static_cast<size_t>(i)] = std::min(g_.widths[static_cast<size_t>(i)], g_.right - start);
        x += g_.widths[static_cast<size_t>(i)];
    }
    if (!g_.widths.empty()) g_.bands.push_back({first, static_cast<int>(g_.widths.size()) - 1});
}

int GridLayout::bandHeight(const PageBand& band) const {
    if (!band.hasText()) return 0;
    const QFont font = fontOf(band.Font);
    int tallest = 0;
    for (const QStringList* text : {&band.LeftText, &band.CenterText, &band.RightText})
        if (!text->isEmpty()) tallest = std::max(tallest, textHeight(font, macros_.apply(text->join(u'\n')), 1 << 20, true));
    int height = tallest + pixelsY_ / 20;
    if (band.LineType != BandLine::pcltNon) height += pixelsY_ / 20;
    if (band.LineType == BandLine::pcltDoubleLine) height += pixelsY_ / 30;
    return height;
}

// ---- titles --------------------------------------------------------------------------------

void GridLayout::computeTitles() {
    titleCells_.clear();
    g_.titleHeight = 0;
    if (!grid_.dgTitles || columns_.empty()) return;
    if (!grid_.useMultiTitle) {
        int height = 0;
        for (const GridColumn* c : columns_) height = std::max(height, QFontMetrics(fontOf(c->title.font), &device_).height());
        g_.titleHeight = height + 2 * g_.vp;
        for (int i = 0; i < static_cast<int>(columns_.size()); ++i) {
            const gridmodel::ColumnTitle& t = columns_[static_cast<size_t>(i)]->title;
            titleCells_.push_back({t.caption, fontOf(t.font), t.font.color, t.color, t.alignment, false, i, i, 0, g_.titleHeight});
        }
        return;
    }
    const output::TitleTree tree(grid_);
    titleSizes_.clear();
    for (const auto& child : tree.top().children) g_.titleHeight = std::max(g_.titleHeight, measureTitleNode(*child));
    for (const auto& child : tree.top().children) placeTitleNode(*child, 0, g_.titleHeight);
}

// The printed columns below a node, as a range (empty: first > last).
static std::pair<int, int> printedRange(const output::THeadTreeNode& node, const output::ExportColumns& columns) {
    std::pair<int, int> range{1 << 30, -1};
    std::function<void(const output::THeadTreeNode&)> walk = [&](const output::THeadTreeNode& n) {
        if (n.column) {
            const auto it = std::find(columns.begin(), columns.end(), n.column);
            if (it != columns.end()) {
                const int i = static_cast<int>(it - columns.begin());
                range.first = std::min(range.first, i);
                range.second = std::max(range.second, i);
            }
        }
        for (const auto& c : n.children) walk(*c);
    };
    walk(node);
    return range;
}

// A node's caption is measured wrapped in the width of the printed columns below it, plus
// the grid's title margin; the height of a stack down to a leaf is the sum of its levels.
int GridLayout::measureTitleNode(const output::THeadTreeNode& node) {
    const auto [first, last] = printedRange(node, columns_);
    if (first > last) return 0;
    int width = 0;
    for (int i = first; i <= last; ++i) width += g_.widths[static_cast<size_t>(i)];
    const QFont font = fontOf(node.column ? node.column->title.font : grid_.titleFont);
    const QString caption = node.text.isEmpty() ? QStringLiteral(" ") : node.text;
    TitleNodeSize size;
    size.own = textHeight(font, caption, width - roundHalfEven(4 * kx_), true) + roundHalfEven(grid_.vTitleMargin * ky_);
    for (const auto& child : node.children) size.below = std::max(size.below, measureTitleNode(*child));
    titleSizes_[&node] = size;
    return size.own + size.below;
}

// Among siblings every node's own cell is stretched so that all their stacks end together.
void GridLayout::placeTitleNode(const output::THeadTreeNode& node, int y, int available) {
    const auto [first, last] = printedRange(node, columns_);
    if (first > last) return;
    const TitleNodeSize size = titleSizes_[&node];
    const int own = available - size.below;
    const GridColumn* column = node.column;
    titleCells_.push_back({node.text, fontOf(column ? column->title.font : grid_.titleFont),
                           column ? column->title.font.color : grid_.titleFont.color,
                           column ? column->title.color : grid_.fixedColor, Align::Center, true, first, last, y, own});
    for (const auto& child : node.children) placeTitleNode(*child, y + own, size.below);
}

// ---- pages ----------------------------------------------------------------------------------

void GridLayout::startPage(bool first) {
    ++pages_;
    if (counting_) return;
    if (!first) target_.NewPage();
    macros_.page = target_.PageNumber();
    painter_ = &target_.Canvas();
    painter_->resetTransform();
    if (g_.scale != 1) painter_->scale(g_.scale, g_.scale);
    painter_->setBackgroundMode(Qt::TransparentMode);
    painter_->setBrush(Qt::NoBrush);
    painter_->setFont(fontOf(grid_.font));
    drawPageBands();
}

void GridLayout::drawPageBands() {
    drawBand(settings_.PageHeader, g_.top, g_.top + headerHeight_, true);
    drawBand(settings_.PageFooter, g_.bottom - footerHeight_, g_.bottom, false);
}

// The three texts of a header (at the top of its band) or a footer (at the bottom of its
// band, just above the bottom margin), and its lines towards the body.
void GridLayout::drawBand(const PageBand& band, int top, int bottom, bool header) {
    if (bottom <= top) return;
    const int single = pixelsY_ / 20, extra = pixelsY_ / 30;
    painter_->save();
    painter_->setFont(fontOf(band.Font));
    painter_->setPen(colorOf(band.Font.color, Qt::black));
    const QRect area(g_.left, top, g_.right - g_.left, bottom - top);
    const Qt::Alignment vertical = header ? Qt::AlignTop : Qt::AlignBottom;
    const std::pair<const QStringList*, Qt::Alignment> texts[] = {
        {&band.LeftText, Qt::AlignLeft}, {&band.CenterText, Qt::AlignHCenter}, {&band.RightText, Qt::AlignRight}};
    for (const auto& [text, align] : texts)
        if (!text->isEmpty()) painter_->drawText(area, align | vertical, macros_.apply(text->join(u'\n')));
    if (band.LineType != BandLine::pcltNon) {
        painter_->setPen(QPen(Qt::black, g_.lw));
        const int y = header ? bottom - single : top + single;
        painter_->drawLine(g_.left, y, g_.right, y);
        if (band.LineType == BandLine::pcltDoubleLine) {
            const int y2 = header ? y - extra : y + extra;
            painter_->drawLine(g_.left, y2, g_.right, y2);
        }
    }
    painter_->restore();
}

// A rich text from the offset on, continued at the top of the body of new pages.
void GridLayout::printRichText(QTextDocument& document) {
    if (document.isEmpty()) return;
    document.documentLayout()->setPaintDevice(&device_);
    RichTextPages pages(document, g_.right - g_.left);
    for (;;) {
        const QRectF area(g_.left, g_.bodyTop + offset_, g_.right - g_.left, g_.bodyBottom - g_.bodyTop - offset_);
        const bool atTop = offset_ == 0;
        const qreal used = counting_ ? pages.skipNext(area.height(), atTop)
                                     : pages.drawNext(*painter_, area, atTop);
        offset_ += static_cast<int>(std::ceil(used));
        if (pages.done()) return;
        startPage(false);
        offset_ = 0;
    }
}

// ---- rows ----------------------------------------------------------------------------------

bool GridLayout::sequenceDone() const {
    return recordsDone() && nextFooterRow_ >= grid_.footerRowCount;
}

GridLayout::Row GridLayout::nextRow() {
    Row row;
    if (!recordsDone()) {
        records_.read(nextRecord_++);
        for (size_t i = 0; i < columns_.size(); ++i)
            row.texts.push_back(records_.text(fields_[i], columns_[i]->displayFormat));
        footers_.add(records_);
    } else {
        row.footerRow = nextFooterRow_++;
        for (int i = 0; i < static_cast<int>(columns_.size()); ++i) row.texts.push_back(footers_.text(row.footerRow, i));
    }
    row.height = rowHeightOf(row);
    return row;
}

int GridLayout::rowHeightOf(const Row& row) const {
    const bool wrap = settings_.has(pghRowAutoStretch);
    int height = g_.rowHeight;
    for (size_t i = 0; i < row.texts.size(); ++i) {
        const bool record = row.footerRow < 0;
        const int cell = wrap ? textHeight(record ? cellFonts_[i] : footerFonts_[i], row.texts[i], g_.widths[i] - 2 * g_.hp, true)
                              : (record ? cellLineHeights_[i] : footerLineHeights_[i]);
        height = std::max(height, cell + 2 * g_.vp);
    }
    return height;
}

std::vector<GridLayout::Row> GridLayout::packRows() {
    std::vector<Row> rows;
    int y = g_.bodyTop + g_.titleHeight + g_.titleTextHeight + offset_;
    while (pending_ || !sequenceDone()) {
        if (!pending_) pending_ = nextRow();
        if (y + pending_->height > g_.bodyBottom) {
            // A row taller than a whole page is printed cut at the bottom of one.
            if (!rows.empty() || offset_ > 0) break;
            pending_->height = std::max(1, g_.bodyBottom - y);
        }
        y += pending_->height;
        rows.push_back(std::move(*pending_));
        pending_.reset();
    }
    return rows;
}

void GridLayout::printChunk(const std::vector<Row>& rows, bool startOnThisPage) {
    const int rowsTop = g_.bodyTop + g_.titleHeight + g_.titleTextHeight + offset_;
    int lastBottom = rowsTop;
    for (size_t band = 0; band < g_.bands.size(); ++band) {
        if (!(startOnThisPage && band == 0)) {
            startPage(false);
        }
        if (target_.Aborted()) throw base::SilentAbort();
        if (counting_) continue;
        const auto [first, last] = g_.bands[band];
        borderLines_.clear();
        if (g_.titleTextHeight > 0) {
            int width = 0;
            for (int i = first; i <= last; ++i) width += g_.widths[static_cast<size_t>(i)];
            painter_->setFont(fontOf(grid_.titleFont));
            painter_->setPen(colorOf(grid_.titleFont.color, Qt::black));
            painter_->drawText(QRect(g_.left + g_.lw, rowsTop - g_.titleHeight - g_.titleTextHeight, width, g_.titleTextHeight),
                               Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, settings_.Title.join(u'\n'));
        }
        drawTitles(static_cast<int>(band), rowsTop - g_.titleHeight, borderLines_);
        int y = rowsTop;
        const bool wrap = settings_.has(pghRowAutoStretch);
        for (const Row& row : rows) {
            int x = g_.left + g_.lw;
            for (int i = first; i <= last; ++i) {
                const size_t k = static_cast<size_t>(i);
                const GridColumn& c = *columns_[k];
                const QRect rect(x, y, g_.widths[k], row.height);
                if (row.footerRow < 0) {
                    drawCell(rect, row.texts[k], cellFonts_[k], c.font.color, c.color, c.alignment, wrap, g_.hp, g_.vp);
                } else {
                    const gridmodel::ColumnFooter& f = GridModel::footerFor(c, row.footerRow);
                    drawCell(rect, row.texts[k], footerFonts_[k], f.font.color, f.color, f.alignment, wrap, g_.hp, g_.vp);
                }
                if (i == first) borderLines_.emplace_back(rect.topLeft(), rect.bottomLeft() + QPoint(0, 1));
                borderLines_.emplace_back(rect.topRight() + QPoint(1, 0), rect.bottomRight() + QPoint(1, 1));
                borderLines_.emplace_back(rect.bottomLeft() + QPoint(0, 1), rect.bottomRight() + QPoint(1, 1));
                x += g_.widths[k];
                processEvents();
            }
            y += row.height;
        }
        painter_->setPen(QPen(Qt::black, g_.lw));
        painter_->drawLines(borderLines_.data(), static_cast<int>(borderLines_.size()));
        lastBottom = y;
    }
    if (counting_) {
        int y = rowsTop;
        for (const Row& row : rows) y += row.height;
        lastBottom = y;
    }
    offset_ = lastBottom + g_.lw - g_.bodyTop;
}

void GridLayout::drawTitles(int band, int top, std::vector<QLine>& lines) {
    const auto [first, last] = g_.bands[static_cast<size_t>(band)];
    std::vector<int> xs(g_.widths.size() + 1, 0);
    xs[static_cast<size_t>(first)] = g_.left + g_.lw;
    for (int i = first; i <= last; ++i) xs[static_cast<size_t>(i) + 1] = xs[static_cast<size_t>(i)] + g_.widths[static_cast<size_t>(i)];
    for (const TitleCell& cell : titleCells_) {
        const int from = std::max(cell.firstColumn, first), to = std::min(cell.lastColumn, last);
        if (from > to) continue;
        const QRect rect(xs[static_cast<size_t>(from)], top + cell.y, xs[static_cast<size_t>(to) + 1] - xs[static_cast<size_t>(from)],
                         cell.height);
        drawCell(rect, cell.caption, cell.font, cell.textColor, cell.background, cell.align, cell.multiLevel, g_.hp,
                 cell.multiLevel ? g_.tvp : g_.vp, cell.multiLevel);
        if (from == first) lines.emplace_back(rect.topLeft(), rect.bottomLeft() + QPoint(0, 1));
        lines.emplace_back(rect.topLeft(), rect.topRight() + QPoint(1, 0));
        lines.emplace_back(rect.topRight() + QPoint(1, 0), rect.bottomRight() + QPoint(1, 1));
        lines.emplace_back(rect.bottomLeft() + QPoint(0, 1), rect.bottomRight() + QPoint(1, 1));
    }
}

void GridLayout::drawCell(const QRect& rect, const QString& text, const QFont& font, const gridmodel::Color& textColor,
                          const gridmodel::Color& background, Align align, bool wrap, int insetX, int insetY, bool center) {
    if (settings_.has(pghColored)) painter_->fillRect(rect, colorOf(background, Qt::white));
    if (text.isEmpty()) return;
    painter_->setFont(font);
    painter_->setPen(colorOf(textColor, Qt::black));
    const QRect inner = rect.adjusted(insetX, insetY, -insetX, -insetY);
    Qt::Alignment flags = alignmentOf(align) | (center || !wrap ? Qt::AlignVCenter : Qt::AlignTop);
    const int wrapping = wrap ? Qt::TextWordWrap : Qt::TextSingleLine;
    painter_->save();
    painter_->setClipRect(inner, Qt::IntersectClip);  // what does not fit is cut at the cell's edge
    painter_->drawText(inner, static_cast<int>(flags) | wrapping, text);
    painter_->restore();
}

void GridLayout::processEvents() {
    // The preview can be paged and stopped while later pages are still laid out.
    QCoreApplication::processEvents();
}

// ---- the run -------------------------------------------------------------------------------

int GridLayout::run(QTextDocument& before, QTextDocument& after) {
    nextRecord_ = 0;
    nextFooterRow_ = 0;
    pending_.reset();
    offset_ = 0;
    pages_ = 0;
    startPage(true);

    printRichText(before);
    if (offset_ >= g_.bodyBottom - (g_.bodyTop + g_.titleHeight + g_.titleTextHeight)) {
        startPage(false);
        offset_ = 0;
    }
    bool startOnThisPage = true;
    while (!sequenceDone() || pending_) {
        std::vector<Row> rows = packRows();
        if (rows.empty()) {
            // Not even one row below what is on this page: the rows begin on the next.
            startPage(false);
            offset_ = 0;
            startOnThisPage = true;
            continue;
        }
        printChunk(rows, startOnThisPage);
        startOnThisPage = false;
        if (sequenceDone() && !pending_) break;
        offset_ = 0;
    }
    printRichText(after);
    return pages_;
}

}  // namespace print
