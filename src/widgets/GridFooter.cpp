#include "GridFooter.h"

#include <QHeaderView>
#include <QPainter>
#include <QTableView>
#include <algorithm>

#include "DataGrid.h"
#include "GridLook.h"

namespace widgets {

GridFooter::GridFooter(DataGrid* grid) : QWidget(grid), grid_(grid) {
    setObjectName(QStringLiteral("Footer"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

int GridFooter::rowHeight() const {
    return QFontMetrics(toQFont(grid_->gridModel().footerFont)).height() + 5;
}

QSize GridFooter::sizeHint() const {
    return QSize(100, rowHeight() * std::max(1, grid_->gridModel().footerRowCount) + 1);
}

void GridFooter::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const gridmodel::GridModel& g = grid_->gridModel();
    // The button face, as the look library resolves it for the screen.
    painter.fillRect(rect(), look::systemColor(look::kButtonFace, palette()));
    QTableView* table = grid_->table();
    QHeaderView* header = table->horizontalHeader();
    const int left = table->viewport()->mapTo(grid_, QPoint(0, 0)).x() - x();
    const int rowHeight = this->rowHeight();
    const QColor lines = palette().color(QPalette::Mid);
    painter.setPen(lines);
    painter.drawLine(0, 0, width(), 0);
    painter.setClipRect(QRect(left, 0, width() - left, height()));
    for (int r = 0; r < std::max(1, g.footerRowCount); ++r) {
        for (size_t i = 0; i < g.columns.size(); ++i) {
            const int logical = static_cast<int>(i);
            if (header->isSectionHidden(logical)) continue;
            const gridmodel::GridColumn& c = g.columns[i];
            const gridmodel::ColumnFooter& f = gridmodel::GridModel::footerFor(c, r);
            const QRect cell(left + header->sectionViewportPosition(logical), 1 + r * rowHeight,
                             header->sectionSize(logical), rowHeight);
            const QColor fill = toQColor(f.color, palette());
            painter.fillRect(cell, fill.isValid() ? fill : palette().color(QPalette::Base));
            painter.setPen(lines);
            painter.drawLine(cell.topRight(), cell.bottomRight());
            painter.drawLine(cell.bottomLeft(), cell.bottomRight());
            const QString text = grid_->footerText(logical, r);
            if (text.isEmpty()) continue;
            painter.setFont(toQFont(f.font));
            painter.setPen(toQColor(f.font.color, palette()));
            painter.drawText(cell.adjusted(kTextMargin, 0, -kTextMargin - 1, 0),
                             toQAlignment(f.alignment) | Qt::AlignVCenter | Qt::TextSingleLine,
                             text);
        }
    }
}

}  // namespace widgets
