#include "RowIndicator.h"

#include <QPainter>

#include "DataGrid.h"
#include "DatasetModel.h"

namespace widgets {

namespace {

constexpr int kIndicatorWidth = 12;

}  // namespace

RowIndicator::RowIndicator(DataGrid* grid) : OwnerDrawnHeader(Qt::Vertical), grid_(grid) {
    setSectionResizeMode(QHeaderView::Fixed);
    setSectionsClickable(false);
    setHighlightSections(false);
    setFixedWidth(kIndicatorWidth);
}

QSize RowIndicator::sizeHint() const {
    return QSize(kIndicatorWidth, QHeaderView::sizeHint().height());
}

void RowIndicator::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    if (!rect.isValid()) return;
    paintEmptySection(painter, rect, logicalIndex);
    if (logicalIndex != grid_->model()->datasetRow()) return;
    const engine::Dataset* view = grid_->dataSource();
    const auto state = view ? view->state() : engine::Dataset::State::Inactive;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QColor ink = palette().color(QPalette::ButtonText);
    const QPointF c = QRectF(rect).center();
    if (state == engine::Dataset::State::Insert) {
        painter->setPen(QPen(ink, 1.5));
        for (int i = 0; i < 3; ++i) {
            painter->save();
            painter->translate(c);
            painter->rotate(60.0 * i);
            painter->drawLine(QPointF(0, -3.5), QPointF(0, 3.5));
            painter->restore();
        }
    } else if (state == engine::Dataset::State::Edit) {
        painter->setPen(QPen(ink, 1.5));
        painter->drawLine(QPointF(c.x(), c.y() - 5), QPointF(c.x(), c.y() + 5));
        painter->drawLine(QPointF(c.x() - 2, c.y() - 5), QPointF(c.x() + 2, c.y() - 5));
        painter->drawLine(QPointF(c.x() - 2, c.y() + 5), QPointF(c.x() + 2, c.y() + 5));
    } else {
        painter->setPen(Qt::NoPen);
        painter->setBrush(ink);
        const QPointF points[] = {
            {c.x() - 2.5, c.y() - 4.0}, {c.x() + 2.5, c.y()}, {c.x() - 2.5, c.y() + 4.0}};
        painter->drawPolygon(points, 3);
    }
    painter->restore();
}

}  // namespace widgets
