#pragma once

#include <QHeaderView>

namespace widgets {

// A header whose sections the grid paints itself over the style's empty header cell.
class OwnerDrawnHeader : public QHeaderView {
    Q_OBJECT
public:
    using QHeaderView::QHeaderView;

protected:
    void paintEmptySection(QPainter* painter, const QRect& rect, int logicalIndex) const;
};

}  // namespace widgets
