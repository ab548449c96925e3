#include "GridTitles.h"

#include <QPainter>
#include <algorithm>

#include "DataGrid.h"
#include "GridLook.h"

namespace widgets {

namespace {

QStringList titleLevels(const gridmodel::GridModel& grid, const gridmodel::GridColumn& column) {
    if (!grid.useMultiTitle) return {column.title.caption};
    return column.title.caption.split(QLatin1Char('|'));
}

// The height a title text needs in a column: wrapped to the column's width, or, written
// vertically, its length.
int titleTextHeight(const QFontMetrics& fm, int columnWidth, const QString& text, bool vertical) {
    if (vertical) return fm.horizontalAdvance(text) + 2 * kTextMargin + 4;
    const int width = std::max(8, columnWidth - 2 * kTextMargin);
    return fm.boundingRect(QRect(0, 0, width, 10000), Qt::TextWordWrap | Qt::AlignLeft, text)
               .height() +
           4;
}

// Draws a title text from the bottom of its cell upwards, centred across the column.
void drawVerticalTitle(QPainter* painter, const QRect& cell, const QString& text) {
    painter->save();
    painter->translate(cell.left(), cell.bottom() + 1);
    painter->rotate(-90);
    painter->drawText(QRect(kTextMargin, 0, cell.height() - 2 * kTextMargin, cell.width()),
                      int(Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine), text);
    painter->restore();
}

}  // namespace

GridTitles::GridTitles(DataGrid* grid) : OwnerDrawnHeader(Qt::Horizontal), grid_(grid) {
    setSectionsMovable(false);
    setSectionsClickable(false);
    setHighlightSections(false);
    setSectionResizeMode(QHeaderView::Interactive);
    setMinimumSectionSize(8);
}

int GridTitles::columnWidth(int logicalIndex) const {
    // A column scrolled out of view keeps its height share: the titles do not jump.
    return isSectionHidden(logicalIndex)
               ? grid_->gridModel().columns[static_cast<size_t>(logicalIndex)].width
               : sectionSize(logicalIndex);
}

int GridTitles::levelHeight(int level) const {
    const gridmodel::GridModel& g = grid_->gridModel();
    int height = 0;
    for (size_t i = 0; i < g.columns.size(); ++i) {
        const gridmodel::GridColumn& c = g.columns[i];
        if (!c.visible) continue;
        const QStringList levels = titleLevels(g, c);
        if (levels.size() < 2 && level > 0) continue;
        const QString text =
            level == 0 && levels.size() < 2 ? c.title.caption : levels.value(level);
        const bool vertical = c.title.vertical && (levels.size() < 2 || level > 0);
        height =
            std::max(height, titleTextHeight(QFontMetrics(toQFont(c.title.font)),
                                             columnWidth(static_cast<int>(i)), text, vertical));
    }
    return height;
}

int GridTitles::titleHeight() const {
    const gridmodel::GridModel& g = grid_->gridModel();
    int single = 0, upper = 0, lower = 0;
    for (size_t i = 0; i < g.columns.size(); ++i) {
        const gridmodel::GridColumn& c = g.columns[i];
        if (!c.visible) continue;
        const QFontMetrics fm(toQFont(c.title.font));
        const int width = columnWidth(static_cast<int>(i));
        const QStringList levels = titleLevels(g, c);
        if (levels.size() < 2)
            single =
                std::max(single, titleTextHeight(fm, width, c.title.caption, c.title.vertical));
        else {
            upper = std::max(upper, titleTextHeight(fm, width, levels[0], false));
            lower = std::max(lower, titleTextHeight(fm, width, levels.mid(1).join(QLatin1Char(' ')),
                                                    c.title.vertical));
        }
    }
    const int minimum = QFontMetrics(toQFont(g.titleFont)).height() + 4;
    return std::max({minimum, single, upper + lower});
}

QSize GridTitles::sizeHint() const {
    QSize size = QHeaderView::sizeHint();
    size.setHeight(titleHeight());
    return size;
}

void GridTitles::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    if (!rect.isValid()) return;
    paintEmptySection(painter, rect, logicalIndex);

    const gridmodel::GridModel& g = grid_->gridModel();
    if (logicalIndex < 0 || static_cast<size_t>(logicalIndex) >= g.columns.size()) return;
    const gridmodel::GridColumn& c = g.columns[static_cast<size_t>(logicalIndex)];
    const QStringList levels = titleLevels(g, c);
    const int wrapping = Qt::TextWordWrap | Qt::AlignVCenter;
    painter->save();
    painter->setFont(toQFont(c.title.font));
    painter->setPen(toQColor(c.title.font.color, palette()));
    painter->setClipRect(rect);
    if (levels.size() < 2) {
        if (c.title.vertical)
            drawVerticalTitle(painter, rect, c.title.caption);
        else
            painter->drawText(rect.adjusted(kTextMargin, 1, -kTextMargin, -1),
                              int(toQAlignment(c.title.alignment)) | wrapping, c.title.caption);
    } else {
        // The upper title spans the neighbouring columns that share it; each section paints its
        // share of the common cell.
        const int band = levelHeight(0);
        auto upperOf = [&](int i) {
            const gridmodel::GridColumn& other = g.columns[static_cast<size_t>(i)];
            const QStringList l = titleLevels(g, other);
            return l.size() < 2 || isSectionHidden(i) ? QString() : l[0];
        };
        int first = logicalIndex, last = logicalIndex;
        for (int i = logicalIndex - 1; i >= 0; --i) {
            if (isSectionHidden(i)) continue;
            if (upperOf(i) != levels[0]) break;
            first = i;
        }
        for (int i = logicalIndex + 1; i < static_cast<int>(g.columns.size()); ++i) {
            if (isSectionHidden(i)) continue;
            if (upperOf(i) != levels[0]) break;
            last = i;
        }
        const int left = sectionViewportPosition(first);
        const int right = sectionViewportPosition(last) + sectionSize(last);
        const QRect upper(left, rect.top(), right - left, band);
        // The button face, as the look library resolves it for the screen.
        painter->fillRect(QRect(rect.left(), rect.top(), rect.width(), band - 1),
                          look::systemColor(look::kButtonFace, palette()));
        painter->drawText(upper.adjusted(kTextMargin, 1, -kTextMargin, -1),
                          int(Qt::AlignHCenter) | wrapping, levels[0]);
        painter->setPen(palette().color(QPalette::Mid));
        painter->drawLine(rect.left(), rect.top() + band - 1, rect.right(), rect.top() + band - 1);
        if (logicalIndex == last)
            painter->drawLine(rect.right(), rect.top(), rect.right(), rect.top() + band - 1);
        painter->setPen(toQColor(c.title.font.color, palette()));
        const QRect lowerRect(rect.left(), rect.top() + band, rect.width(), rect.height() - band);
        const QString lowerText = levels.mid(1).join(QLatin1Char(' '));
        if (c.title.vertical)
            drawVerticalTitle(painter, lowerRect, lowerText);
        else
            painter->drawText(lowerRect.adjusted(kTextMargin, 1, -kTextMargin, -1),
                              int(toQAlignment(c.title.alignment)) | wrapping, lowerText);
    }
    painter->restore();
}

}  // namespace widgets
