#pragma once

#include <QItemSelectionModel>

namespace widgets {

class DataGrid;

// Keeps the current cell on its row while the view refuses to let the record go.
class RowGuard : public QItemSelectionModel {
    Q_OBJECT
public:
    RowGuard(DataGrid* grid, QAbstractItemModel* model) : QItemSelectionModel(model), grid_(grid) {}
    void setCurrentIndex(const QModelIndex& index,
                         QItemSelectionModel::SelectionFlags command) override;

private:
    DataGrid* grid_;
};

}  // namespace widgets
