#pragma once

#include <QPointer>
#include <QTableView>

namespace widgets {

class DataGrid;

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

}  // namespace widgets
