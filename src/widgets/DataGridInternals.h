#pragma once

// The private pieces a DataGrid is made of: its table, row guard, headers, footer and cell
// editors. Only DataGrid.cpp uses them.

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTableView>

namespace widgets {

class DataGrid;
class DatasetModel;

// The table part: keys, row leaving and the editor's way in and out.
class GridTable : public QTableView {
    Q_OBJECT
public:
    explicit GridTable(DataGrid* grid);

    QWidget* openEditor() const { return editor_; }
    void editorOpened(QWidget* editor) { editor_ = editor; }
    // Writes what the open editor holds into the record and closes it.
    bool commitEditor();
    // Closes the open editor without writing what it holds.
    void discardEditor();
    // Writes what the open editor holds, leaving it open.
    void flushEditor();
    // Moves to the next or previous cell as Tab and Enter do; with leaveAtEnd, past the last
    // cell the focus goes on to the next control of the window.
    void moveToNextCell(bool forward, bool leaveAtEnd);
    // The open editor is being left with Tab (not Enter).
    void noteLeavingByTab() { leavingByTab_ = true; }
    void relayout() { updateGeometries(); }
    // The first column Tab and Enter stop at.
    int firstTabStop() const;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void mousePressEvent(QMouseEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void updateGeometries() override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;

private:
    int firstVisibleColumn() const;
    int lastVisibleColumn() const;
    bool isTabStop(int column) const;
    int lastTabStop() const;

    DataGrid* grid_;
    QPointer<QWidget> editor_;
    bool leavingByTab_ = false;
};

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

// A header whose sections the grid paints itself over the style's empty header cell.
class OwnerDrawnHeader : public QHeaderView {
    Q_OBJECT
public:
    using QHeaderView::QHeaderView;

protected:
    void paintEmptySection(QPainter* painter, const QRect& rect, int logicalIndex) const;
};

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

// The cell editors: a line editor with the column's drop-down list and the field's mask.
class GridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit GridDelegate(DataGrid* grid);
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
    bool eventFilter(QObject* editor, QEvent* event) override;

private:
    DataGrid* grid_;
};

}  // namespace widgets
