#pragma once

#include "OwnerDrawnHeader.h"

namespace widgets {

class DataGrid;

// The column titles: wrapped over several lines or written vertically, in the title font and
// colour of each column, with a common upper title over neighbouring columns when titles are
// multi-level.
class GridTitles : public OwnerDrawnHeader {
    Q_OBJECT
public:
    explicit GridTitles(DataGrid* grid);
    QSize sizeHint() const override;
    int titleHeight() const;

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
    int levelHeight(int level) const;
    int columnWidth(int logicalIndex) const;
    DataGrid* grid_;
};

}  // namespace widgets
