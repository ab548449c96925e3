#include "RowGuard.h"

#include "DataGrid.h"
#include "DatasetModel.h"

namespace widgets {

void RowGuard::setCurrentIndex(const QModelIndex& index,
                               QItemSelectionModel::SelectionFlags command) {
    if (grid_->syncing_ || grid_->moving_ || !index.isValid() ||
        index.row() == grid_->model_->datasetRow()) {
        QItemSelectionModel::setCurrentIndex(index, command);
        return;
    }
    const int column = index.column();
    const int reached = grid_->moveRecordTo(index.row());
    if (reached < 0) return;  // the record was refused: the cursor stays on its row
    QItemSelectionModel::setCurrentIndex(model()->index(reached, column), command);
}

}  // namespace widgets
