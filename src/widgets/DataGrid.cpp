#include "DataGrid.h"

#include <QApplication>
#include <QMenuBar>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "DatasetModel.h"
#include "Dialogs.h"
#include "DisplayText.h"
#include "EngineError.h"
#include "ErrorBoundary.h"
#include "GridDelegate.h"
#include "GridFooter.h"
#include "GridLook.h"
#include "GridTable.h"
#include "GridTitles.h"
#include "RowGuard.h"
#include "RowIndicator.h"

namespace widgets {

DataGrid::DataGrid(QWidget* parent)
    : QFrame(parent), sumList_(gridmodel::RunningSumList::Attaching::Immediately) {
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
    sumList_.setActive(false);

    model_ = new DatasetModel(this);
    model_->setErrorHandler([this](std::exception_ptr error) { reportError(error); });

    table_ = new GridTable(this);
    table_->setHorizontalHeader(new GridTitles(this));
    table_->setVerticalHeader(new RowIndicator(this));
    table_->setModel(model_);
    QItemSelectionModel* defaultSelection = table_->selectionModel();
    table_->setSelectionModel(new RowGuard(this, model_));
    delete defaultSelection;
    table_->setItemDelegate(new GridDelegate(this));

    footer_ = new GridFooter(this);
    hbar_ = new QScrollBar(Qt::Horizontal, this);
    hbar_->setObjectName(QStringLiteral("HorizontalScrollBar"));
    hbar_->hide();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(frameWidth(), frameWidth(), frameWidth(), frameWidth());
    layout->setSpacing(0);
    layout->addWidget(table_, 1);
    layout->addWidget(footer_);
    layout->addWidget(hbar_);

    QScrollBar* inner = table_->horizontalScrollBar();
    connect(inner, &QScrollBar::rangeChanged, this, &DataGrid::syncScrollBar);
    connect(inner, &QScrollBar::valueChanged, this, [this](int value) {
        // With frozen columns the table itself never scrolls sideways.
        if (grid_.frozenCols > 0)
            table_->horizontalScrollBar()->setValue(0);
        else
            hbar_->setValue(value);
    });
    connect(hbar_, &QScrollBar::valueChanged, this, &DataGrid::onScrollBar);
    connect(table_->horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int logical, int, int size) {
                // Hiding a column gives it no width on the screen (the user cannot drag one down
                // to nothing); its width in the model stays for when it is shown or printed.
                if (logical >= 0 && static_cast<size_t>(logical) < grid_.columns.size() && size > 0)
                    grid_.columns[static_cast<size_t>(logical)].width = size;
                table_->horizontalHeader()->updateGeometry();
                table_->relayout();
                footer_->update();
            });
    connect(model_, &DatasetModel::recordChanged, this, &DataGrid::followRecord);
    connect(qApp, &QApplication::focusChanged, this, &DataGrid::onFocusChanged);
    sumsHook_ = sumList_.SumListChanged.add([this](gridmodel::RunningSumList&) {
        fitFooterSums();
        footer_->update();
    });
    setFocusProxy(table_);
}

DataGrid::~DataGrid() {
    disconnect(qApp, nullptr, this, nullptr);
    disconnect(model_, nullptr, this, nullptr);
    sumsHook_.disconnect();
    updateHook_.disconnect();
    sumList_.setDataSet(nullptr);
    model_->setDataset(nullptr);
}

void DataGrid::setGridModel(gridmodel::GridModel model) {
    engine::Dataset* view = model.dataSource;
    model.dataSource = grid_.dataSource;
    grid_ = std::move(model);
    setObjectName(grid_.name);

    table_->setFont(toQFont(grid_.font));
    QPalette palette = table_->palette();
    palette.setColor(QPalette::Text, toQColor(grid_.font.color, palette));
    table_->setPalette(palette);
    table_->setShowGrid(grid_.dgColLines || grid_.dgRowLines);
    table_->horizontalHeader()->setVisible(grid_.dgTitles);

    model_->setGridModel(&grid_);
    for (size_t i = 0; i < grid_.columns.size(); ++i) {
        const gridmodel::GridColumn& c = grid_.columns[i];
        table_->setColumnHidden(static_cast<int>(i), !c.visible);
        table_->setColumnWidth(static_cast<int>(i), c.width);
    }
    // Every summing footer owns an item of the grid's sum list.
    const int footerRows = std::max(1, grid_.footerRowCount);
    for (const gridmodel::GridColumn& c : grid_.columns)
        for (int r = 0; r < footerRows; ++r) {
            const gridmodel::ColumnFooter& f = gridmodel::GridModel::footerFor(c, r);
            gridmodel::GroupOperation operation = gridmodel::goSum;
            if (f.valueType == gridmodel::fvtAvg)
                operation = gridmodel::goAvg;
            else if (f.valueType == gridmodel::fvtCount)
                operation = gridmodel::goCount;
            else if (f.valueType != gridmodel::fvtSum)
                continue;
            const QString field = f.fieldName.isEmpty() ? c.fieldName : f.fieldName;
            if (!sumList_.find(operation, field)) sumList_.add(field, operation);
        }
    footer_->setVisible(grid_.footerRowCount > 0);
    footer_->setFixedHeight(footer_->sizeHint().height());
    updateRowHeight();
    setDataSource(view);
    scrolledColumns_ = 0;
    table_->horizontalHeader()->updateGeometry();
    table_->relayout();
    syncScrollBar();
}

void DataGrid::setColumnVisible(int column, bool visible) {
    if (column < 0 || column >= static_cast<int>(grid_.columns.size())) return;
    grid_.columns[static_cast<size_t>(column)].visible = visible;
    table_->setColumnHidden(column, !visible);
    if (footer_) footer_->update();
}

void DataGrid::setDataSource(engine::Dataset* view) {
    updateHook_.disconnect();
    table_->discardEditor();
    grid_.dataSource = view;
    if (view) {
        // Before the record is posted or left, what the open cell editor holds goes into it.
        updateHook_ = view->onUpdateRecord.add([this](engine::Dataset&) {
            table_->flushEditor();
            if (model_->lastWriteFailed()) throw base::SilentAbort();
        });
    }
    sumList_.setDataSet(view);
    model_->setDataset(view);
    footer_->update();
}

void DataGrid::setOptions(const GridOptions& options) {
    options_ = options;
    model_->setEditable(options.editing);
    model_->setOffersNewRow(options.editing && (options.appending || options.inserting));
}

void DataGrid::setPickList(const QString& fieldName, const ColumnPickList& list) {
    pickLists_[fieldName.toUpper()] = list;
}

const ColumnPickList* DataGrid::pickList(int column) const {
    if (column < 0 || static_cast<size_t>(column) >= grid_.columns.size()) return nullptr;
    auto it = pickLists_.find(grid_.columns[static_cast<size_t>(column)].fieldName.toUpper());
    return it == pickLists_.end() || !it->second.entries ? nullptr : &it->second;
}

QTableView* DataGrid::table() const {
    return table_;
}
QWidget* DataGrid::footer() const {
    return footer_;
}
QWidget* DataGrid::cellEditor() const {
    return table_->openEditor();
}

void DataGrid::fitFooterSums() {
    for (size_t i = 0; i < grid_.columns.size(); ++i) {
        const gridmodel::GridColumn& c = grid_.columns[i];
        for (int r = 0; r < std::max(1, grid_.footerRowCount); ++r) {
            const gridmodel::ColumnFooter& f = gridmodel::GridModel::footerFor(c, r);
            if (f.valueType != gridmodel::fvtSum && f.valueType != gridmodel::fvtAvg) continue;
            const QString text = footerText(static_cast<int>(i), r);
            if (text.isEmpty()) continue;
            // The footer paints its text inside the cell's margins.
            widenColumn(static_cast<int>(i), QFontMetrics(toQFont(f.font)).horizontalAdvance(text) +
                                                 2 * kTextMargin + 8);
        }
    }
}

void DataGrid::widenColumn(int column, int width) {
    QHeaderView* header = table_->horizontalHeader();
    if (column < 0 || column >= header->count() || header->isSectionHidden(column)) return;
    if (width > header->sectionSize(column)) header->resizeSection(column, width);
}

void DataGrid::widenColumnLater(int column, int width) {
    const bool scheduled = !pendingWidths_.empty();
    int& pending = pendingWidths_[column];
    pending = std::max(pending, width);
    if (scheduled) return;
    QTimer::singleShot(0, this, [this] {
        const std::map<int, int> widths = std::move(pendingWidths_);
        pendingWidths_.clear();
        for (const auto& [column, width] : widths) widenColumn(column, width);
    });
}

engine::Dataset* DataGrid::openView() const {
    return grid_.dataSource && grid_.dataSource->isOpen() ? grid_.dataSource : nullptr;
}

void DataGrid::reportError(std::exception_ptr error) {
    base::reportError(dialogs_, error);
}

QString DataGrid::footerText(int column, int footerRow) const {
    if (column < 0 || static_cast<size_t>(column) >= grid_.columns.size()) return {};
    const gridmodel::GridColumn& c = grid_.columns[static_cast<size_t>(column)];
    const gridmodel::ColumnFooter& f = gridmodel::GridModel::footerFor(c, footerRow);
    const QString fieldName = f.fieldName.isEmpty() ? c.fieldName : f.fieldName;
    switch (f.valueType) {
        case gridmodel::fvtStaticText:
            return f.value;
        case gridmodel::fvtSum:
        case gridmodel::fvtAvg:
        case gridmodel::fvtCount: {
            const gridmodel::GroupOperation operation =
                f.valueType == gridmodel::fvtSum   ? gridmodel::goSum
                : f.valueType == gridmodel::fvtAvg ? gridmodel::goAvg
                                                   : gridmodel::goCount;
            const gridmodel::SumItem* item = sumList_.find(operation, fieldName);
            if (!item) return {};
            if (operation == gridmodel::goCount)
                return gridmodel::generalNumberText(
                    static_cast<double>(item->SumValue().count() / 10000));
            const engine::Field* field =
                grid_.dataSource ? grid_.dataSource->findField(fieldName) : nullptr;
            return gridmodel::numberText(item->SumValue().toDouble(),
                                         gridmodel::GridModel::footerFormat(f, field));
        }
        case gridmodel::fvtFieldValue: {
            engine::Dataset* view = openView();
            const engine::Field* field = view ? view->findField(fieldName) : nullptr;
            if (!field) return {};
            try {
                return gridmodel::displayText(*field);
            } catch (...) {
                return {};
            }
        }
        case gridmodel::fvtNon:
            break;
    }
    return {};
}

void DataGrid::onFocusChanged(QWidget* old, QWidget* now) {
    auto inside = [this](QWidget* w) { return w && (w == this || isAncestorOf(w)); };
    auto isMenu = [](QWidget* w) {
        return qobject_cast<QMenuBar*>(w) || w->window()->windowType() == Qt::Popup;
    };
    if (StoreInProgress::active()) return;
    if (lentToMenu_) {
        // While its menus are open the menu bar hands the focus on among them, and a command
        // chosen there may open a dialog; the grid is left only when the focus goes from them
        // to another control of the window.
        if (!now || isMenu(now) || now->window() != window()) return;
        lentToMenu_ = false;
        if (!inside(now)) leaveGrid();
        return;
    }
    if (!inside(old) || !now || inside(now)) return;
    // A menu or a drop-down opening over the grid is no exit: it gives the focus back when it
    // closes, and the grid keeps its row, its cell and what was typed.
    if (isMenu(now)) {
        lentToMenu_ = true;
        // The cell's list closes, so that the keys go to the menu (Esc back to the cell).
        if (auto* editor = qobject_cast<PickListEdit*>(table_->openEditor())) editor->closeUp();
        return;
    }
    // Nor is a message box or another program taking the focus: the user comes back.
    if (now->window() != window()) return;
    leaveGrid();
}

void DataGrid::leaveGrid() {
    if (!table_->commitEditor()) return;  // told; the editor keeps the text
    // A new row nobody typed into is dropped when the grid is left, as when the row is left.
    engine::Dataset* view = openView();
    if (view && view->state() == engine::Dataset::State::Insert && !view->modified())
        cancelRecord();
    emit exited();
}

void DataGrid::followRecord() {
    if (moving_) return;
    if (!model_->isWriting()) table_->discardEditor();
    table_->verticalHeader()->viewport()->update();
    footer_->update();
    const int row = model_->datasetRow();
    if (row < 0 || row >= model_->rowCount()) return;
    const QModelIndex current = table_->currentIndex();
    int column = current.isValid() ? current.column() : -1;
    if (column < 0 || table_->isColumnHidden(column))
        for (int c = 0; c < model_->columnCount(); ++c)
            if (!table_->isColumnHidden(c)) {
                column = c;
                break;
            }
    if (column < 0) return;
    if (!current.isValid() || current.row() != row || current.column() != column) {
        syncing_ = true;
        table_->selectionModel()->setCurrentIndex(model_->index(row, column),
                                                  QItemSelectionModel::NoUpdate);
        syncing_ = false;
    }
}

int DataGrid::moveRecordTo(int row) {
    engine::Dataset* view = openView();
    if (!view) return row;
    if (StoreInProgress::active()) return -1;
    if (!table_->commitEditor()) return -1;
    const int from = model_->datasetRow();
    if (row == from) return row;
    moving_ = true;
    StoreInProgress storing;
    base::runGuarded(dialogs_, [&] {
        const engine::Dataset::Bookmark target = view->bookmarkAt(row + 1);
        view->checkBrowseMode();  // posts a changed record, drops an untouched one; may refuse
        if (view->bookmarkValid(target))
            view->gotoBookmark(target);
        else if (view->recordCount() > 0)
            view->setRecNo(std::min(row + 1, view->recordCount()));
    });
    moving_ = false;
    // Refused: the record is still being edited and the cursor stays on its row.
    if (view->isEditing() && model_->datasetRow() == from) {
        refused_ = true;
        followRecord();
        return -1;
    }
    followRecord();
    return model_->datasetRow();
}

bool DataGrid::appends() const {
    engine::Dataset* view = openView();
    return view && options_.editing && options_.appending && !view->isReadOnly();
}

bool DataGrid::leaveRowForNew() {
    engine::Dataset* view = openView();
    if (!appends()) return false;
    if (!table_->commitEditor()) return false;
    // Below a new row nobody typed into there is nothing to add.
    if (view->state() == engine::Dataset::State::Insert && !view->modified()) return false;
    if (StoreInProgress::active()) {
        refused_ = true;
        return false;
    }
    moving_ = true;
    bool posted = false;
    StoreInProgress storing;
    base::runGuarded(dialogs_, [&] {
        view->checkBrowseMode();
        posted = true;
        view->append();
    });
    moving_ = false;
    if (!posted) {
        refused_ = true;
        return false;  // the refused record is still the one being appended
    }
    return view->state() == engine::Dataset::State::Insert;
}

bool DataGrid::postRecord() {
    if (!table_->commitEditor()) return false;
    engine::Dataset* view = openView();
    if (!view || !view->isEditing()) return true;
    if (StoreInProgress::active()) return false;
    StoreInProgress storing;
    base::runGuarded(dialogs_, [&] { view->checkBrowseMode(); });
    return !view->isEditing();
}

void DataGrid::cancelRecord() {
    table_->discardEditor();
    engine::Dataset* view = openView();
    if (view && view->isEditing()) base::runGuarded(dialogs_, [&] { view->cancel(); });
}

void DataGrid::insertRecord() {
    engine::Dataset* view = openView();
    if (!view || !options_.editing || !options_.inserting || view->isReadOnly()) return;
    if (!postRecord()) return;
    if (base::runGuarded(dialogs_, [&] { view->insert(); })) enterCurrentRecord();
}

void DataGrid::enterCurrentRecord() {
    const int row = model_->datasetRow();
    if (row < 0 || row >= model_->rowCount()) return;
    table_->setFocus(Qt::OtherFocusReason);
    const int column = table_->firstTabStop();
    if (column < 0) return;
    syncing_ = true;
    table_->selectionModel()->setCurrentIndex(model_->index(row, column),
                                              QItemSelectionModel::NoUpdate);
    syncing_ = false;
    table_->scrollTo(model_->index(row, column));
}

void DataGrid::deleteRecord() {
    engine::Dataset* view = openView();
    if (!view || !options_.editing || !options_.deleting || view->isReadOnly()) return;
    if (view->recordCount() == 0 && view->state() != engine::Dataset::State::Insert) return;
    if (options_.confirmDelete && dialogs_ &&
        dialogs_->messageBox(QStringLiteral("Удалить запись?"), QStringLiteral("Внимание"),
                             base::MB_YESNO | base::MB_ICONQUESTION) != base::IDYES)
        return;
    table_->discardEditor();
    base::runGuarded(dialogs_, [&] { view->remove(); });
}

void DataGrid::leaveByKeyboard(bool forward) {
    // The next control of the grid's own window: in an MDI window, not one of the windows
    // beside it, whose controls share the focus chain of the main window.
    QWidget* own = window();
    for (QWidget* p = parentWidget(); p; p = p->parentWidget())
        if (p->windowType() == Qt::SubWindow) {
            own = p;
            break;
        }
    QWidget* w = table_;
    for (int guard = 0; guard < 10000; ++guard) {
        w = forward ? w->nextInFocusChain() : w->previousInFocusChain();
        if (!w || w == table_) return;
        if (w == this || isAncestorOf(w)) continue;
        if (w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus) &&
            own->isAncestorOf(w)) {
            w->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return;
        }
    }
}

void DataGrid::showEvent(QShowEvent* event) {
    QFrame::showEvent(event);
    // Records stored through other views of the table since this grid last looked (a record
    // whose code moved it to this page, say) show when the grid comes into view, and so does
    // their part in the footer sums.
    engine::Dataset* view = openView();
    if (!view || view->state() != engine::Dataset::State::Browse) return;
    if (view->changeStamp() == model_->followedStamp()) return;
    base::runGuarded(dialogs_, [&] {
        view->refresh();
        if (sumList_.Active()) sumList_.RecalcAll();
    });
}

void DataGrid::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    if (grid_.frozenCols > 0) syncScrollBar();
}

std::vector<int> DataGrid::scrollableColumns() const {
    std::vector<int> columns;
    for (size_t i = static_cast<size_t>(std::max(grid_.frozenCols, 0)); i < grid_.columns.size();
         ++i)
        if (grid_.columns[i].visible) columns.push_back(static_cast<int>(i));
    return columns;
}

int DataGrid::frozenWidth() const {
    int width = 0;
    for (size_t i = 0; i < grid_.columns.size() && static_cast<int>(i) < grid_.frozenCols; ++i)
        if (grid_.columns[i].visible) width += grid_.columns[i].width;
    return width;
}

void DataGrid::scrollColumnsTo(int scrolled) {
    const std::vector<int> columns = scrollableColumns();
    scrolledColumns_ = std::clamp(scrolled, 0, std::max(0, static_cast<int>(columns.size()) - 1));
    for (size_t i = 0; i < columns.size(); ++i)
        table_->setColumnHidden(columns[i], static_cast<int>(i) < scrolledColumns_);
    table_->horizontalScrollBar()->setValue(0);
    table_->horizontalHeader()->viewport()->update();
    footer_->update();
}

void DataGrid::onScrollBar(int value) {
    if (grid_.frozenCols > 0) {
        if (value != scrolledColumns_) scrollColumnsTo(value);
    } else {
        table_->horizontalScrollBar()->setValue(value);
    }
}

void DataGrid::bringColumnIntoView(int column) {
    if (grid_.frozenCols <= 0) return;
    const std::vector<int> columns = scrollableColumns();
    const auto it = std::find(columns.begin(), columns.end(), column);
    if (it == columns.end()) return;
    const int position = static_cast<int>(it - columns.begin());
    int scrolled = std::min(scrolledColumns_, position);
    const int room = table_->viewport()->width() - frozenWidth();
    auto widthUpTo = [&](int from) {
        int width = 0;
        for (int i = from; i <= position; ++i)
            width += grid_.columns[static_cast<size_t>(columns[static_cast<size_t>(i)])].width;
        return width;
    };
    while (scrolled < position && widthUpTo(scrolled) > room) ++scrolled;
    if (scrolled == scrolledColumns_) return;
    if (scrolled > hbar_->maximum()) hbar_->setMaximum(scrolled);
    hbar_->setValue(scrolled);
}

int DataGrid::columnBeforeShown(int column) const {
    if (grid_.frozenCols <= 0 || scrolledColumns_ <= 0) return -1;
    const std::vector<int> columns = scrollableColumns();
    if (columns.empty() || columns[static_cast<size_t>(scrolledColumns_)] != column) return -1;
    return columns[static_cast<size_t>(scrolledColumns_ - 1)];
}

void DataGrid::syncScrollBar() {
    if (grid_.frozenCols > 0) {
        // Whole columns: the bar goes as far as needed to bring the last column into view.
        const std::vector<int> columns = scrollableColumns();
        const int room = table_->viewport()->width() - frozenWidth();
        int maximum = std::max(0, static_cast<int>(columns.size()) - 1);
        int rest = 0;
        for (int i = static_cast<int>(columns.size()) - 1; i >= 0; --i) {
            rest += grid_.columns[static_cast<size_t>(columns[static_cast<size_t>(i)])].width;
            if (rest > room) break;
            maximum = i;
        }
        const QSignalBlocker quiet(hbar_);
        hbar_->setRange(0, maximum);
        hbar_->setPageStep(1);
        hbar_->setSingleStep(1);
        hbar_->setValue(std::min(scrolledColumns_, maximum));
        hbar_->setVisible(maximum > 0);
        if (scrolledColumns_ > maximum) scrollColumnsTo(maximum);
        return;
    }
    QScrollBar* inner = table_->horizontalScrollBar();
    hbar_->setRange(inner->minimum(), inner->maximum());
    hbar_->setPageStep(inner->pageStep());
    hbar_->setSingleStep(inner->singleStep());
    hbar_->setValue(inner->value());
    hbar_->setVisible(inner->maximum() > inner->minimum());
}

void DataGrid::updateRowHeight() {
    const int height = QFontMetrics(toQFont(grid_.font)).height() + 4;
    QHeaderView* rows = table_->verticalHeader();
    rows->setMinimumSectionSize(height);
    rows->setDefaultSectionSize(height);
}

}  // namespace widgets
