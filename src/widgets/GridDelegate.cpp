#include "GridDelegate.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>
#include <QTableView>

#include "DataGrid.h"
#include "DatasetModel.h"
#include "FieldValidators.h"
#include "GridLook.h"
#include "GridTable.h"
#include "PickListEdit.h"

namespace widgets {

GridDelegate::GridDelegate(DataGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

QWidget* GridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                    const QModelIndex& index) const {
    engine::Field* field = grid_->model()->fieldOf(index.column());
    if (!field || field->kind() == engine::FieldKind::Boolean) return nullptr;
    const gridmodel::GridColumn& column =
        grid_->gridModel().columns[static_cast<size_t>(index.column())];
    auto* editor = new PickListEdit(parent);
    editor->setObjectName(QStringLiteral("CellEditor"));
    editor->setFrame(false);
    editor->setFont(toQFont(column.font));
    QPalette palette = editor->palette();
    palette.setColor(QPalette::Text, toQColor(column.font.color, palette));
    editor->setPalette(palette);
    editor->setAlignment(toQAlignment(column.alignment) | Qt::AlignVCenter);
    const gridmodel::EditMask mask = field->kind() == engine::FieldKind::Text
                                         ? gridmodel::EditMask::parse(field->editMask())
                                         : gridmodel::EditMask();
    if (!mask.isEmpty())
        editor->setEditMask(mask);
    else
        guardFieldInput(editor, *field);  // refuses what the field cannot keep, with a note why
    if (const ColumnPickList* list = grid_->pickList(index.column())) editor->setPickList(*list);
    // As soon as the user types, the record is being edited (the row's mark shows it, and Save
    // stores the cell while it is still open).
    DataGrid* grid = grid_;
    connect(editor, &QLineEdit::textEdited, grid, [grid, editor] {
        if (grid->model()->startEditing()) {
            grid->table_->verticalHeader()->viewport()->update();
            return;
        }
        // The record cannot be edited (the failure was reported). The editor is still inside
        // its own key or paste handling here: it takes nothing more and is closed once that
        // has returned, never under its own feet.
        editor->setReadOnly(true);
        QPointer<QWidget> refused(editor);
        QMetaObject::invokeMethod(
            grid,
            [grid, refused] {
                if (refused && grid->table_->openEditor() == refused) grid->table_->discardEditor();
            },
            Qt::QueuedConnection);
    });
    grid_->table_->editorOpened(editor);
    return editor;
}

void GridDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    // The grid selects nothing: the current cell is shown highlighted while the grid has the
    // focus; otherwise the row mark alone shows the current record, so that only one cell of
    // the window stands out.
    QTableView* table = grid_->table();
    if (index == table->currentIndex() && table->hasFocus())
        option->state |= QStyle::State_Selected;
    else
        option->state &= ~QStyle::State_Selected;
}

void GridDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    auto* edit = qobject_cast<PickListEdit*>(editor);
    if (!edit || edit->isModified()) return;  // never overwrite what the user is typing
    edit->setValue(index.data(Qt::EditRole).toString());
}

void GridDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                const QModelIndex& index) const {
    if (auto* edit = qobject_cast<PickListEdit*>(editor))
        model->setData(index, edit->value(), Qt::EditRole);
}

void GridDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                        const QModelIndex&) const {
    editor->setGeometry(option.rect);
}

void GridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
    QStyledItemDelegate::paint(painter, option, index);
    // A number wider than its cell widens the column once painting is over: a sum is shown whole.
    const engine::Field* field = grid_->model()->fieldOf(index.column());
    if (!field ||
        (field->kind() != engine::FieldKind::Float && field->kind() != engine::FieldKind::SmallInt))
        return;
    const QString text = index.data(Qt::DisplayRole).toString();
    if (text.isEmpty()) return;
    const QVariant font = index.data(Qt::FontRole);
    const QFontMetrics metrics(font.isValid() ? qvariant_cast<QFont>(font) : option.font);
    // The style keeps a margin on both sides of a cell's text.
    const int margin = grid_->table()->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr,
                                                            grid_->table()) +
                       1;
    const int needed = metrics.horizontalAdvance(text) + 2 * margin + 6;
    if (needed > option.rect.width()) grid_->widenColumnLater(index.column(), needed);
}

bool GridDelegate::eventFilter(QObject* object, QEvent* event) {
    auto* editor = qobject_cast<QWidget*>(object);
    if (editor && event->type() == QEvent::FocusOut) {
        // A menu opening keeps the editor open with what was typed: the focus comes back.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::PopupFocusReason || reason == Qt::MenuBarFocusReason) return false;
    }
    if (editor && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            (mods == Qt::NoModifier || mods == Qt::ShiftModifier)) {
            // Enter leaves the cell as Tab does.
            emit commitData(editor);
            emit closeEditor(editor, mods == Qt::NoModifier
                                         ? QAbstractItemDelegate::EditNextItem
                                         : QAbstractItemDelegate::EditPreviousItem);
            return true;
        }
        if (key->key() == Qt::Key_Escape && mods == Qt::NoModifier) {
            emit closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
            return true;
        }
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            if (mods & Qt::ControlModifier) return false;  // the view's: leave the grid
            grid_->table_->noteLeavingByTab();
            emit commitData(editor);
            emit closeEditor(editor, key->key() == Qt::Key_Tab && !(mods & Qt::ShiftModifier)
                                         ? QAbstractItemDelegate::EditNextItem
                                         : QAbstractItemDelegate::EditPreviousItem);
            return true;
        }
    }
    return QStyledItemDelegate::eventFilter(object, event);
}

}  // namespace widgets
