#pragma once

#include "OwnerDrawnHeader.h"

namespace widgets {

class DataGrid;

// The narrow column left of the rows that marks the current record: a triangle while browsing,
// a bar while it is edited, a star for a new record.
class RowIndicator : public OwnerDrawnHeader {
    Q_OBJECT
public:
    RowIndicator(DataGrid* grid);
    QSize sizeHint() const override;

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
    DataGrid* grid_;
};

}  // namespace widgets
