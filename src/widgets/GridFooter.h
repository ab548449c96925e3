#pragma once

#include <QWidget>

namespace widgets {

class DataGrid;

// The footer rows below the table, cell for cell under the columns.
class GridFooter : public QWidget {
    Q_OBJECT
public:
    explicit GridFooter(DataGrid* grid);
    QSize sizeHint() const override;
    int rowHeight() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    DataGrid* grid_;
};

}  // namespace widgets
