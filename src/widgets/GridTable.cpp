#include "GridTable.h"

#include <QKeyEvent>

#include "DataGrid.h"
#include "DatasetModel.h"
#include "GridFooter.h"

namespace widgets {

GridTable::GridTable(DataGrid* grid) : QTableView(grid), grid_(grid) {
    setObjectName(QStringLiteral("Table"));
    setFrameShape(QFrame::NoFrame);
    setSelectionMode(QAbstractItemView::NoSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    setTabKeyNavigation(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setAutoScroll(true);
}

int GridTable::firstVisibleColumn() const {
    for (int c = 0; c < model()->columnCount(); ++c)
        if (!isColumnHidden(c)) return c;
    return -1;
}

int GridTable::lastVisibleColumn() const {
    for (int c = model()->columnCount() - 1; c >= 0; --c)
        if (!isColumnHidden(c)) return c;
    return -1;
}

bool GridTable::isTabStop(int column) const {
    // Tab and Enter go from one cell the user can type into to the next; where no column can
    // be typed into, through every shown column.
    if (column < 0 || isColumnHidden(column)) return false;
    auto typable = [this](int c) {
        return !isColumnHidden(c) && (model()->flags(model()->index(0, c)) &
                                      (Qt::ItemIsEditable | Qt::ItemIsUserCheckable));
    };
    if (typable(column) || model()->rowCount() == 0) return true;
    for (int c = 0; c < model()->columnCount(); ++c)
        if (typable(c)) return false;
    return true;
}

int GridTable::firstTabStop() const {
    for (int c = 0; c < model()->columnCount(); ++c)
        if (isTabStop(c)) return c;
    return firstVisibleColumn();
}

int GridTable::lastTabStop() const {
    for (int c = model()->columnCount() - 1; c >= 0; --c)
        if (isTabStop(c)) return c;
    return lastVisibleColumn();
}

bool GridTable::commitEditor() {
    QWidget* editor = openEditor();
    if (!editor || editor->isHidden()) {
        editor_ = nullptr;
        return true;
    }
    commitData(editor);
    if (grid_->model_->lastWriteFailed()) return false;  // told; the editor keeps the text
    editor_ = nullptr;
    QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
    return true;
}

void GridTable::discardEditor() {
    QWidget* editor = openEditor();
    editor_ = nullptr;
    if (editor && !editor->isHidden())
        QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void GridTable::flushEditor() {
    QWidget* editor = openEditor();
    if (editor && !editor->isHidden()) commitData(editor);
}

void GridTable::moveToNextCell(bool forward, bool leaveAtEnd) {
    grid_->refused_ = false;
    const QModelIndex next = moveCursor(forward ? MoveNext : MovePrevious, Qt::NoModifier);
    if (next.isValid() && next != currentIndex()) {
        selectionModel()->setCurrentIndex(next, QItemSelectionModel::NoUpdate);
        return;
    }
    // Tab with no cell left to go to goes on to the next control; a refused record keeps the
    // cursor where it is. Enter there, in a grid that adds no rows, stores the record, so that
    // what was typed counts at once (in the footer sums, say).
    if (grid_->refused_) return;
    if (leaveAtEnd)
        grid_->leaveByKeyboard(forward);
    else if (!grid_->appends())
        grid_->postRecord();
}

void GridTable::scrollTo(const QModelIndex& index, ScrollHint hint) {
    if (index.isValid()) grid_->bringColumnIntoView(index.column());
    QTableView::scrollTo(index, hint);
}

bool GridTable::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    // Cells are edited only on the current record's row.
    if (index.isValid() && index.row() != grid_->model_->datasetRow()) return false;
    return QTableView::edit(index, trigger, event);
}

void GridTable::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (mods == Qt::NoModifier || mods == Qt::ShiftModifier) {
                moveToNextCell(mods == Qt::NoModifier, false);
                event->accept();
                return;
            }
            break;
        case Qt::Key_Escape:
            if (const engine::Dataset* view = grid_->openView(); view && view->isEditing())
                grid_->cancelRecord();
            event->accept();
            return;
        case Qt::Key_Down:
        case Qt::Key_F4:
            // Alt+Down or F4 on a cell with a list opens the cell with its list dropped down.
            if ((event->key() == Qt::Key_Down && mods == Qt::AltModifier) ||
                (event->key() == Qt::Key_F4 && mods == Qt::NoModifier)) {
                if (grid_->pickList(currentIndex().column()) &&
                    edit(currentIndex(), EditKeyPressed, event)) {
                    if (auto* editor = qobject_cast<PickListEdit*>(openEditor()))
                        editor->dropDown();
                }
                event->accept();
                return;
            }
            break;
        case Qt::Key_Tab:
        case Qt::Key_Backtab: {
            // Tab moves between cells and, past the last one it can reach, to the next control;
            // Ctrl+Tab leaves the grid at once (where no MDI area takes it for its windows).
            const bool forward = event->key() == Qt::Key_Tab && !(mods & Qt::ShiftModifier);
            if (mods & Qt::ControlModifier)
                grid_->leaveByKeyboard(forward);
            else
                moveToNextCell(forward, true);
            event->accept();
            return;
        }
        case Qt::Key_Insert:
            if (mods == Qt::NoModifier) {
                grid_->insertRecord();
                event->accept();
                return;
            }
            break;
        case Qt::Key_Delete:
            if (mods == Qt::ControlModifier) {
                grid_->deleteRecord();
                event->accept();
                return;
            }
            break;
        default:
            break;
    }
    QTableView::keyPressEvent(event);
}

QModelIndex GridTable::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    const QModelIndex current = currentIndex();
    DatasetModel* m = grid_->model_;
    if (!current.isValid() || m->rowCount() == 0) return QTableView::moveCursor(action, modifiers);
    const int lastRow = m->rowCount() - 1;
    auto newRowIndex = [&](int column) -> QModelIndex {
        if (current.row() == lastRow && grid_->leaveRowForNew())
            return m->index(m->datasetRow(), column);
        return current;
    };
    switch (action) {
        case MoveDown:
            if (current.row() == lastRow) return newRowIndex(current.column());
            break;
        case MoveLeft:
            // Left of the first column shown after the frozen ones: the column scrolled away.
            if (const int column = grid_->columnBeforeShown(current.column()); column >= 0)
                return m->index(current.row(), column);
            break;
        case MoveNext: {
            for (int c = current.column() + 1; c < m->columnCount(); ++c)
                if (isTabStop(c)) return m->index(current.row(), c);
            if (current.row() < lastRow) return m->index(current.row() + 1, firstTabStop());
            return newRowIndex(firstTabStop());
        }
        case MovePrevious: {
            for (int c = current.column() - 1; c >= 0; --c)
                if (isTabStop(c)) return m->index(current.row(), c);
            if (current.row() > 0) return m->index(current.row() - 1, lastTabStop());
            return current;
        }
        default:
            break;
    }
    return QTableView::moveCursor(action, modifiers);
}

void GridTable::mousePressEvent(QMouseEvent* event) {
    // A click below the last row of a grid that adds records starts a new one there, in its
    // first cell, so that what is typed next goes into a new row and not over the last record.
    const QPoint pos = event->position().toPoint();
    DatasetModel* m = grid_->model_;
    const int lastRow = m->rowCount() - 1;
    if (event->button() != Qt::LeftButton || lastRow < 0 || indexAt(pos).isValid() ||
        pos.y() < rowViewportPosition(lastRow) + rowHeight(lastRow) || !grid_->appends()) {
        QTableView::mousePressEvent(event);
        return;
    }
    event->accept();
    setFocus(Qt::MouseFocusReason);
    if (grid_->moveRecordTo(lastRow) != lastRow) return;  // refused: the record stays
    if (!m->isNewRow(lastRow) && !grid_->leaveRowForNew()) return;
    selectionModel()->setCurrentIndex(m->index(m->datasetRow(), firstTabStop()),
                                      QItemSelectionModel::NoUpdate);
}

void GridTable::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    if (editor == editor_) editor_ = nullptr;
    switch (hint) {
        case QAbstractItemDelegate::EditNextItem:
        case QAbstractItemDelegate::EditPreviousItem: {
            // Tab out of the editor goes on like Tab on the cell; Enter stays in the grid.
            const bool byTab = leavingByTab_;
            leavingByTab_ = false;
            QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
            moveToNextCell(hint == QAbstractItemDelegate::EditNextItem, byTab);
            return;
        }
        case QAbstractItemDelegate::RevertModelCache: {
            QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
            // Esc takes back the cell; a record in which nothing else was typed goes with it.
            engine::Dataset* view = grid_->openView();
            if (view && view->isEditing() && !view->modified()) grid_->cancelRecord();
            return;
        }
        default:
            QTableView::closeEditor(editor, hint);
    }
}

void GridTable::focusInEvent(QFocusEvent* event) {
    QTableView::focusInEvent(event);
    // Coming in by the keyboard onto a cell that cannot be typed into (a bank name beside its
    // balance), the cursor goes on to the first one in the row that can.
    const QModelIndex current = currentIndex();
    const bool byKeyboard =
        event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
    if (byKeyboard && current.isValid() && !isTabStop(current.column())) {
        const int column =
            event->reason() == Qt::BacktabFocusReason ? lastTabStop() : firstTabStop();
        if (column >= 0)
            selectionModel()->setCurrentIndex(model()->index(current.row(), column),
                                              QItemSelectionModel::NoUpdate);
    }
    viewport()->update();
}

void GridTable::focusOutEvent(QFocusEvent* event) {
    QTableView::focusOutEvent(event);
    viewport()->update();
}

void GridTable::scrollContentsBy(int dx, int dy) {
    QTableView::scrollContentsBy(dx, dy);
    if (dx != 0 && grid_->footer_) grid_->footer_->update();
}

void GridTable::updateGeometries() {
    QTableView::updateGeometries();
    if (grid_->footer_) grid_->footer_->update();
}

}  // namespace widgets
