#pragma once

#include <QFrame>
#include <QPointer>
#include <map>

#include "GridModel.h"
#include "PickListEdit.h"
#include "RunningSumList.h"
#include "StoreInProgress.h"

class QScrollBar;
class QTableView;

namespace base {
class Dialogs;
}

namespace widgets {

class DatasetModel;
class GridTable;
class GridFooter;

// What the user may do to the records of a grid.
struct GridOptions {
    bool editing = true;    // change the values of records
    bool appending = true;  // add a record below the last one (Down on the last row, Tab or Enter
                            // past its last cell, a click below it)
    bool inserting = true;  // Insert adds a record; the table keeps new records at its end, and
                            // the grid shows the new row there
    bool deleting = true;   // Ctrl+Delete deletes the current record
    bool confirmDelete = true;  // ... after asking (Ctrl+Delete only)
};

// A table of the records of one engine view, in the manner of a data-aware grid of a desktop
// register.
//
// The current row is the view's current record and is edited in place: a cell editor opens when
// the user types (the typed character replaces the cell), with F2 (keeping the text) or with a
// double click. Enter moves to the next cell as Tab does, also out of an open editor. What was
// typed is written into the record when the cell is left; the record is posted when the cursor
// leaves the row (or when the view is posted from elsewhere, for instance by Save). A post the
// view refuses shows its one message and keeps the cursor on the row with everything typed; Esc
// in an editor takes back that cell (and the record too when nothing else in it was typed), Esc
// outside an editor cancels the record. Tab and Enter go from cell to cell (past columns that
// cannot be typed into); Tab with no cell left to go to, and Ctrl+Tab at once, give the focus to
// the next control of the window, while Enter there stores the record of a grid that adds no
// rows. A new record can be added only below the last one; a new row left without typing
// anything is dropped. A menu or drop-down list opening over the grid does not leave it: the
// grid keeps its row, its cell and the open editor. Which of this the user may do is set by the
// options.
//
// The columns, titles, footers, fonts, colours, alignment and widths come from a GridModel,
// which stays the plain description of the grid that export and printing read (column widths
// the user changes by dragging are written back to it). Titles wrap over several lines; with
// multi-level titles "Upper|Lower" puts a common upper title over neighbouring columns; a title
// may be written vertically. Frozen leading columns stay in place when the grid is scrolled
// sideways, which it then does by whole columns. A footer
// row shows fixed texts and sums from the grid's own RunningSumList, formatted with the footer's
// or else the field's display format. A column may have a drop-down list, and a text field with
// an edit mask is typed through that mask.
//
// Errors of the view met while the user works (a locked file, a value that does not fit) are
// shown as the application-wide error report shows them, through the dialogs given; a refused
// post has told the user already and shows nothing more. Nothing leaves a Qt event handler.
class DataGrid : public QFrame {
    Q_OBJECT
public:
    explicit DataGrid(QWidget* parent = nullptr);
    ~DataGrid() override;

    // The description of the grid; the grid shows model.dataSource. Its name becomes the
    // grid's object name.
    void setGridModel(gridmodel::GridModel model);
    const gridmodel::GridModel& gridModel() const { return grid_; }
    // Shows or hides a column (in the grid model's order), on the screen and in the model that
    // export and printing read.
    void setColumnVisible(int column, bool visible);
    // Shows another view (the sum list follows it).
    void setDataSource(engine::Dataset* view);
    engine::Dataset* dataSource() const { return grid_.dataSource; }

    void setOptions(const GridOptions& options);
    const GridOptions& options() const { return options_; }

    // The drop-down list of the columns showing a field.
    void setPickList(const QString& fieldName, const ColumnPickList& list);
    const ColumnPickList* pickList(int column) const;

    // The grid's own sum list: one goSum item per summing footer. It is switched off until the
    // owner sets it Active.
    gridmodel::RunningSumList& sumList() { return sumList_; }

    void setDialogs(base::Dialogs* dialogs) { dialogs_ = dialogs; }
    base::Dialogs* dialogs() const { return dialogs_; }

    // The text of a footer cell: column in the grid model's order, footer row from 0.
    QString footerText(int column, int footerRow = 0) const;

    // Stores what the current row holds, as leaving it does: posts a changed record, drops an
    // untouched new one. False when the view refused it (the user has been told).
    bool postRecord();
    // Takes back what the current row holds (a new row disappears).
    void cancelRecord();
    // Gives the grid the focus with the cursor in the current record's first cell that can be
    // typed into: a record just added (by a navigator or the Insert key) is entered from its
    // start, whichever control had the focus before.
    void enterCurrentRecord();
    // Gives the focus to the next (or previous) control of the window outside the grid, as
    // Ctrl+Tab (Ctrl+Shift+Tab) does.
    void leaveByKeyboard(bool forward);

    // The parts, for the owner and for tests.
    QTableView* table() const;
    DatasetModel* model() const { return model_; }
    QWidget* footer() const;
    // The open cell editor, or null.
    QWidget* cellEditor() const;

    // With frozen columns: how many of the columns after them are scrolled out of view to the
    // left. The grid scrolls sideways by whole columns then.
    int scrolledColumns() const { return scrolledColumns_; }

signals:
    // The focus went from the grid to another control of the same window (not to a dialog,
    // another program, or a menu or drop-down list that gives it back when it closes).
    void exited();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    friend class GridTable;
    friend class RowGuard;
    friend class GridDelegate;

    void onFocusChanged(QWidget* old, QWidget* now);
    // The grid is left for another control: what the open editor holds goes into the record,
    // an untouched new row is dropped, and exited() is raised.
    void leaveGrid();
    void followRecord();
    void reportError(std::exception_ptr error);
    int moveRecordTo(int row);
    bool leaveRowForNew();
    bool appends() const;
    void deleteRecord();
    void insertRecord();
    void syncScrollBar();
    void onScrollBar(int value);
    // Frozen columns: the shown columns after the frozen ones, their scrolling, and bringing
    // one into view.
    std::vector<int> scrollableColumns() const;
    int frozenWidth() const;
    void scrollColumnsTo(int scrolled);
    void bringColumnIntoView(int column);
    int columnBeforeShown(int column) const;
    void updateRowHeight();
    engine::Dataset* openView() const;
    // A number is never cut: a column whose sum or cell is wider than the column grows to hold
    // it, on the screen and in the model that printing reads (columns only grow, by the user's
    // drag or by this).
    void fitFooterSums();
    void widenColumn(int column, int width);
    void widenColumnLater(int column, int width);

    gridmodel::GridModel grid_;
    GridOptions options_;
    std::map<QString, ColumnPickList> pickLists_;  // by upper-case field name
    gridmodel::RunningSumList sumList_;
    base::Dialogs* dialogs_ = nullptr;
    DatasetModel* model_ = nullptr;
    GridTable* table_ = nullptr;
    GridFooter* footer_ = nullptr;
    QScrollBar* hbar_ = nullptr;
    engine::Connection updateHook_;  // on the view's record updates
    engine::Connection sumsHook_;    // on the sum list's changes
    bool moving_ = false;            // the grid itself is moving the view's cursor
    bool syncing_ = false;           // the grid puts its current cell on the view's record
    bool refused_ = false;           // the last move was refused by the view
    bool lentToMenu_ = false;        // the focus went to a menu, which gives it back when it closes
    int scrolledColumns_ = 0;
    std::map<int, int> pendingWidths_;  // columns to widen once painting is over
};

}  // namespace widgets
