#include "DataGrid.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "DataGridInternals.h"
#include "DatasetModel.h"
#include "Dialogs.h"
#include "DisplayText.h"
#include "ErrorBoundary.h"
#include "FieldValidators.h"
#include "GridLook.h"
#include "EngineError.h"

namespace widgets {

namespace {

int storesInProgress = 0;

constexpr int kIndicatorWidth = 12;
constexpr int kTextMargin = 3;

QStringList titleLevels(const gridmodel::GridModel& grid, const gridmodel::GridColumn& column) {
    if (!grid.useMultiTitle) return {column.title.caption};
    return column.title.caption.split(QLatin1Char('|'));
}

// The height a title text needs in a column: wrapped to the column's width, or, written
// vertically, its length.
int titleTextHeight(const QFontMetrics& fm, int columnWidth, const QString& text, bool vertical) {
    if (vertical) return fm.horizontalAdvance(text) + 2 * kTextMargin + 4;
    const int width = std::max(8, columnWidth - 2 * kTextMargin);
    return fm.boundingRect(QRect(0, 0, width, 10000), Qt::TextWordWrap | Qt::AlignLeft, text)
               .height() +
           4;
}

// Draws a title text from the bottom of its cell upwards, centred across the column.
void drawVerticalTitle(QPainter* painter, const QRect& cell, const QString& text) {
    painter->save();
    painter->translate(cell.left(), cell.bottom() + 1);
    painter->rotate(-90);
    painter->drawText(QRect(kTextMargin, 0, cell.height() - 2 * kTextMargin, cell.width()),
                      int(Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine), text);
    painter->restore();
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// StoreInProgress

StoreInProgress::StoreInProgress() {
    ++storesInProgress;
}
StoreInProgress::~StoreInProgress() {
    --storesInProgress;
}
bool StoreInProgress::active() {
    return storesInProgress > 0;
}

// ---------------------------------------------------------------------------------------------
// DataGrid

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
            const gridmodel::GroupOperation operation = f.valueType == gridmodel::fvtSum ? gridmodel::goSum
                                                        : f.valueType == gridmodel::fvtAvg ? gridmodel::goAvg
                                                                                           : gridmodel::goCount;
            const gridmodel::SumItem* item = sumList_.find(operation, fieldName);
            if (!item) return {};
            if (operation == gridmodel::goCount)
                return gridmodel::generalNumberText(static_cast<double>(item->SumValue().count() / 10000));
            const engine::Field* field = grid_.dataSource ? grid_.dataSource->findField(fieldName) : nullptr;
            return gridmodel::numberText(item->SumValue().toDouble(), gridmodel::GridModel::footerFormat(f, field));
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

// ---------------------------------------------------------------------------------------------
// GridTable

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

// ---------------------------------------------------------------------------------------------
// RowGuard

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

// ---------------------------------------------------------------------------------------------
// GridTitles

void OwnerDrawnHeader::paintEmptySection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    QStyleOptionHeader option;
    initStyleOption(&option);
    option.rect = rect;
    option.section = logicalIndex;
    option.text.clear();
    painter->save();
    style()->drawControl(QStyle::CE_Header, &option, painter, this);
    painter->restore();
}

GridTitles::GridTitles(DataGrid* grid) : OwnerDrawnHeader(Qt::Horizontal), grid_(grid) {
    setSectionsMovable(false);
    setSectionsClickable(false);
    setHighlightSections(false);
    setSectionResizeMode(QHeaderView::Interactive);
    setMinimumSectionSize(8);
}

int GridTitles::columnWidth(int logicalIndex) const {
    // A column scrolled out of view keeps its height share: the titles do not jump.
    return isSectionHidden(logicalIndex)
               ? grid_->gridModel().columns[static_cast<size_t>(logicalIndex)].width
               : sectionSize(logicalIndex);
}

int GridTitles::levelHeight(int level) const {
    const gridmodel::GridModel& g = grid_->gridModel();
    int height = 0;
    for (size_t i = 0; i < g.columns.size(); ++i) {
        const gridmodel::GridColumn& c = g.columns[i];
        if (!c.visible) continue;
        const QStringList levels = titleLevels(g, c);
        if (levels.size() < 2 && level > 0) continue;
        const QString text =
            level == 0 && levels.size() < 2 ? c.title.caption : levels.value(level);
        const bool vertical = c.title.vertical && (levels.size() < 2 || level > 0);
        height =
            std::max(height, titleTextHeight(QFontMetrics(toQFont(c.title.font)),
                                             columnWidth(static_cast<int>(i)), text, vertical));
    }
    return height;
}

int GridTitles::titleHeight() const {
    const gridmodel::GridModel& g = grid_->gridModel();
    int single = 0, upper = 0, lower = 0;
    for (size_t i = 0; i < g.columns.size(); ++i) {
        const gridmodel::GridColumn& c = g.columns[i];
        if (!c.visible) continue;
        const QFontMetrics fm(toQFont(c.title.font));
        const int width = columnWidth(static_cast<int>(i));
        const QStringList levels = titleLevels(g, c);
        if (levels.size() < 2)
            single =
                std::max(single, titleTextHeight(fm, width, c.title.caption, c.title.vertical));
        else {
            upper = std::max(upper, titleTextHeight(fm, width, levels[0], false));
            lower = std::max(lower, titleTextHeight(fm, width, levels.mid(1).join(QLatin1Char(' ')),
                                                    c.title.vertical));
        }
    }
    const int minimum = QFontMetrics(toQFont(g.titleFont)).height() + 4;
    return std::max({minimum, single, upper + lower});
}

QSize GridTitles::sizeHint() const {
    QSize size = QHeaderView::sizeHint();
    size.setHeight(titleHeight());
    return size;
}

void GridTitles::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    if (!rect.isValid()) return;
    paintEmptySection(painter, rect, logicalIndex);

    const gridmodel::GridModel& g = grid_->gridModel();
    if (logicalIndex < 0 || static_cast<size_t>(logicalIndex) >= g.columns.size()) return;
    const gridmodel::GridColumn& c = g.columns[static_cast<size_t>(logicalIndex)];
    const QStringList levels = titleLevels(g, c);
    const int wrapping = Qt::TextWordWrap | Qt::AlignVCenter;
    painter->save();
    painter->setFont(toQFont(c.title.font));
    painter->setPen(toQColor(c.title.font.color, palette()));
    painter->setClipRect(rect);
    if (levels.size() < 2) {
        if (c.title.vertical)
            drawVerticalTitle(painter, rect, c.title.caption);
        else
            painter->drawText(rect.adjusted(kTextMargin, 1, -kTextMargin, -1),
                              int(toQAlignment(c.title.alignment)) | wrapping, c.title.caption);
    } else {
        // The upper title spans the neighbouring columns that share it; each section paints its
        // share of the common cell.
        const int band = levelHeight(0);
        auto upperOf = [&](int i) {
            const gridmodel::GridColumn& other = g.columns[static_cast<size_t>(i)];
            const QStringList l = titleLevels(g, other);
            return l.size() < 2 || isSectionHidden(i) ? QString() : l[0];
        };
        int first = logicalIndex, last = logicalIndex;
        for (int i = logicalIndex - 1; i >= 0; --i) {
            if (isSectionHidden(i)) continue;
            if (upperOf(i) != levels[0]) break;
            first = i;
        }
        for (int i = logicalIndex + 1; i < static_cast<int>(g.columns.size()); ++i) {
            if (isSectionHidden(i)) continue;
            if (upperOf(i) != levels[0]) break;
            last = i;
        }
        const int left = sectionViewportPosition(first);
        const int right = sectionViewportPosition(last) + sectionSize(last);
        const QRect upper(left, rect.top(), right - left, band);
        painter->fillRect(QRect(rect.left(), rect.top(), rect.width(), band - 1),
                          palette().button());
        painter->drawText(upper.adjusted(kTextMargin, 1, -kTextMargin, -1),
                          int(Qt::AlignHCenter) | wrapping, levels[0]);
        painter->setPen(palette().color(QPalette::Mid));
        painter->drawLine(rect.left(), rect.top() + band - 1, rect.right(), rect.top() + band - 1);
        if (logicalIndex == last)
            painter->drawLine(rect.right(), rect.top(), rect.right(), rect.top() + band - 1);
        painter->setPen(toQColor(c.title.font.color, palette()));
        const QRect lowerRect(rect.left(), rect.top() + band, rect.width(), rect.height() - band);
        const QString lowerText = levels.mid(1).join(QLatin1Char(' '));
        if (c.title.vertical)
            drawVerticalTitle(painter, lowerRect, lowerText);
        else
            painter->drawText(lowerRect.adjusted(kTextMargin, 1, -kTextMargin, -1),
                              int(toQAlignment(c.title.alignment)) | wrapping, lowerText);
    }
    painter->restore();
}

// ---------------------------------------------------------------------------------------------
// RowIndicator

RowIndicator::RowIndicator(DataGrid* grid) : OwnerDrawnHeader(Qt::Vertical), grid_(grid) {
    setSectionResizeMode(QHeaderView::Fixed);
    setSectionsClickable(false);
    setHighlightSections(false);
    setFixedWidth(kIndicatorWidth);
}

QSize RowIndicator::sizeHint() const {
    return QSize(kIndicatorWidth, QHeaderView::sizeHint().height());
}

void RowIndicator::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    if (!rect.isValid()) return;
    paintEmptySection(painter, rect, logicalIndex);
    if (logicalIndex != grid_->model()->datasetRow()) return;
    const engine::Dataset* view = grid_->dataSource();
    const auto state = view ? view->state() : engine::Dataset::State::Inactive;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QColor ink = palette().color(QPalette::ButtonText);
    const QPointF c = QRectF(rect).center();
    if (state == engine::Dataset::State::Insert) {
        painter->setPen(QPen(ink, 1.5));
        for (int i = 0; i < 3; ++i) {
            painter->save();
            painter->translate(c);
            painter->rotate(60.0 * i);
            painter->drawLine(QPointF(0, -3.5), QPointF(0, 3.5));
            painter->restore();
        }
    } else if (state == engine::Dataset::State::Edit) {
        painter->setPen(QPen(ink, 1.5));
        painter->drawLine(QPointF(c.x(), c.y() - 5), QPointF(c.x(), c.y() + 5));
        painter->drawLine(QPointF(c.x() - 2, c.y() - 5), QPointF(c.x() + 2, c.y() - 5));
        painter->drawLine(QPointF(c.x() - 2, c.y() + 5), QPointF(c.x() + 2, c.y() + 5));
    } else {
        painter->setPen(Qt::NoPen);
        painter->setBrush(ink);
        const QPointF points[] = {
            {c.x() - 2.5, c.y() - 4.0}, {c.x() + 2.5, c.y()}, {c.x() - 2.5, c.y() + 4.0}};
        painter->drawPolygon(points, 3);
    }
    painter->restore();
}

// ---------------------------------------------------------------------------------------------
// GridFooter

GridFooter::GridFooter(DataGrid* grid) : QWidget(grid), grid_(grid) {
    setObjectName(QStringLiteral("Footer"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

int GridFooter::rowHeight() const {
    return QFontMetrics(toQFont(grid_->gridModel().footerFont)).height() + 5;
}

QSize GridFooter::sizeHint() const {
    return QSize(100, rowHeight() * std::max(1, grid_->gridModel().footerRowCount) + 1);
}

void GridFooter::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const gridmodel::GridModel& g = grid_->gridModel();
    painter.fillRect(rect(), palette().button());
    QTableView* table = grid_->table();
    QHeaderView* header = table->horizontalHeader();
    const int left = table->viewport()->mapTo(grid_, QPoint(0, 0)).x() - x();
    const int rowHeight = this->rowHeight();
    const QColor lines = palette().color(QPalette::Mid);
    painter.setPen(lines);
    painter.drawLine(0, 0, width(), 0);
    painter.setClipRect(QRect(left, 0, width() - left, height()));
    for (int r = 0; r < std::max(1, g.footerRowCount); ++r) {
        for (size_t i = 0; i < g.columns.size(); ++i) {
            const int logical = static_cast<int>(i);
            if (header->isSectionHidden(logical)) continue;
            const gridmodel::GridColumn& c = g.columns[i];
            const gridmodel::ColumnFooter& f = gridmodel::GridModel::footerFor(c, r);
            const QRect cell(left + header->sectionViewportPosition(logical), 1 + r * rowHeight,
                             header->sectionSize(logical), rowHeight);
            const QColor fill = toQColor(f.color, palette());
            painter.fillRect(cell, fill.isValid() ? fill : palette().color(QPalette::Base));
            painter.setPen(lines);
            painter.drawLine(cell.topRight(), cell.bottomRight());
            painter.drawLine(cell.bottomLeft(), cell.bottomRight());
            const QString text = grid_->footerText(logical, r);
            if (text.isEmpty()) continue;
            painter.setFont(toQFont(f.font));
            painter.setPen(toQColor(f.font.color, palette()));
            painter.drawText(cell.adjusted(kTextMargin, 0, -kTextMargin - 1, 0),
                             toQAlignment(f.alignment) | Qt::AlignVCenter | Qt::TextSingleLine,
                             text);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// GridDelegate

GridDelegate::GridDelegate(DataGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

QWidget* GridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                    const QModelIndex& index) const {
    engine::Field* field = grid_->model()->fieldOf(index.column());
    if (!field || field->kind() == engine::FieldKind::Boolean) return nullptr;
    const gridmodel::GridColumn& column = grid_->gridModel().columns[static_cast<size_t>(index.column())];
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
