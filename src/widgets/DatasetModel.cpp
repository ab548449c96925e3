#include "DatasetModel.h"

#include <QBrush>
#include <QGuiApplication>

#include "DisplayText.h"
#include "GridLook.h"

namespace widgets {

namespace {
// Rows kept at most; scrolling through a long day forgets the oldest screens.
constexpr size_t kCacheRows = 4096;
}  // namespace

DatasetModel::DatasetModel(QObject* parent) : QAbstractTableModel(parent) {}

DatasetModel::~DatasetModel() = default;

void DatasetModel::setGridModel(const gridmodel::GridModel* grid) {
    beginResetModel();
    grid_ = grid;
    fonts_.clear();
    if (grid_)
        for (const gridmodel::GridColumn& c : grid_->columns) fonts_.push_back(toQFont(c.font));
    bindFields();
    rows_ = computeRows();
    cache_.clear();
    endResetModel();
}

void DatasetModel::setDataset(engine::Dataset* view) {
    if (view == view_) return;
    beginResetModel();
    changeHook_.disconnect();
    view_ = view;
    attach();
    bindFields();
    rows_ = computeRows();
    cache_.clear();
    endResetModel();
    emit recordChanged();
}

void DatasetModel::attach() {
    if (!view_) return;
    changeHook_ = view_->onDataChange.add(
        [this](engine::Dataset&, engine::Field* field) { onDataChange(field); });
}

void DatasetModel::setEditable(bool editable) {
    editable_ = editable;
    follow();
}

void DatasetModel::setOffersNewRow(bool offers) {
    offersNewRow_ = offers;
    follow();
}

int DatasetModel::computeRows() const {
    if (!view_ || !view_->isOpen()) return 0;
    const int n = view_->recordCount();
    if (view_->state() == engine::Dataset::State::Insert) return n + 1;
    if (n == 0 && offersNewRow_ && editable_ && !view_->isReadOnly()) return 1;
    return n;
}

int DatasetModel::datasetRow() const {
    if (!view_ || !view_->isOpen()) return -1;
    const int n = view_->recordCount();
    if (view_->state() == engine::Dataset::State::Insert) return n;
    if (n == 0) return rows_ > 0 ? 0 : -1;
    return view_->recNo() - 1;
}

bool DatasetModel::isNewRow(int row) const {
    return view_ && view_->isOpen() && row >= view_->recordCount() && row < rows_;
}

engine::Field* DatasetModel::fieldOf(int column) const {
    if (column < 0 || static_cast<size_t>(column) >= fields_.size()) return nullptr;
    return fields_[static_cast<size_t>(column)];
}

int DatasetModel::columnOf(const QString& fieldName) const {
    if (!grid_) return -1;
    for (size_t i = 0; i < grid_->columns.size(); ++i)
        if (grid_->columns[i].fieldName.compare(fieldName, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
}

void DatasetModel::bindFields() {
    fields_.clear();
    fieldIndex_.clear();
    if (!grid_) return;
    const bool open = view_ && view_->isOpen();
    for (const gridmodel::GridColumn& c : grid_->columns) {
        engine::Field* field = open ? view_->findField(c.fieldName) : nullptr;
        int index = -1;
        if (field) {
            const auto& all = view_->fields();
            for (size_t i = 0; i < all.size(); ++i)
                if (all[i].get() == field) index = static_cast<int>(i);
        }
        fields_.push_back(field);
        fieldIndex_.push_back(index);
    }
}

void DatasetModel::onDataChange(engine::Field* field) {
    if (field && view_ && view_->isOpen()) {
        const int row = datasetRow();
        if (row >= 0 && row < rows_ && columnCount() > 0)
            emit dataChanged(index(row, 0), index(row, columnCount() - 1));
        return;
    }
    follow();
}

void DatasetModel::follow() {
    bindFields();
    const int n = computeRows();
    if (n > rows_) {
        beginInsertRows(QModelIndex(), rows_, n - 1);
        rows_ = n;
        endInsertRows();
    } else if (n < rows_) {
        beginRemoveRows(QModelIndex(), n, rows_ - 1);
        rows_ = n;
        endRemoveRows();
    }
    followedStamp_ = view_ && view_->isOpen() ? view_->changeStamp() : 0;
    if (!view_ || !view_->isOpen()) cache_.clear();
    // The row marks carry no header data: the grid repaints them when the record changes
    // (a header change for every row would cost a walk over all rows at every post).
    if (rows_ > 0 && columnCount() > 0)
        emit dataChanged(index(0, 0), index(rows_ - 1, columnCount() - 1));
    emit recordChanged();
}

int DatasetModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int DatasetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() || !grid_ ? 0 : static_cast<int>(grid_->columns.size());
}

const engine::Record* DatasetModel::storedRow(int row) const {
    if (row < 0 || row >= view_->recordCount()) return nullptr;
    const uint64_t stamp = view_->changeStamp();
    if (stamp != cacheStamp_) {
        cache_.clear();
        cacheStamp_ = stamp;
    }
    auto it = cache_.find(row);
    if (it != cache_.end()) return &it->second;
    if (cache_.size() >= kCacheRows) cache_.clear();
    ++reads_;
    return &cache_.emplace(row, view_->recordAt(row + 1)).first->second;
}

QVariant DatasetModel::valueAt(int row, int column) const {
    engine::Field* field = fieldOf(column);
    if (!field) return {};
    if (row == datasetRow()) return field->value();
    const engine::Record* stored = storedRow(row);
    const int i = fieldIndex_[static_cast<size_t>(column)];
    if (!stored || i < 0 || static_cast<size_t>(i) >= stored->size()) return {};
    return (*stored)[static_cast<size_t>(i)];
}

QVariant DatasetModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !grid_ || index.row() >= rows_) return {};
    const gridmodel::GridColumn& column = grid_->columns[static_cast<size_t>(index.column())];
    try {
        switch (role) {
            case Qt::DisplayRole:
            case Qt::EditRole:
            case Qt::CheckStateRole: {
                if (!view_ || !view_->isOpen()) return {};
                engine::Field* field = fieldOf(index.column());
                if (!field) return {};
                const QVariant value = valueAt(index.row(), index.column());
                if (field->kind() == engine::FieldKind::Boolean) {
                    if (role != Qt::CheckStateRole) return {};
                    return (!value.isNull() && value.toBool()) ? Qt::Checked : Qt::Unchecked;
                }
                if (role == Qt::CheckStateRole) return {};
                if (role == Qt::EditRole) return gridmodel::editText(*field, value);
                // Blanks at the end draw nothing, but would count against the cell's width
                // (a masked code ends in one) and have a text that fits shown cut short.
                QString text = gridmodel::displayText(*field, value, column.displayFormat);
                while (text.endsWith(QLatin1Char(' '))) text.chop(1);
                return text;
            }
            case Qt::FontRole:
                return fonts_[static_cast<size_t>(index.column())];
            case Qt::ForegroundRole:
                return QBrush(toQColor(column.font.color, QGuiApplication::palette()));
            case Qt::BackgroundRole:
                if (column.color == gridmodel::clWindow || column.color == gridmodel::clNone) return {};
                return QBrush(toQColor(column.color, QGuiApplication::palette()));
            case Qt::TextAlignmentRole: {
                engine::Field* field = fieldOf(index.column());
                if (field && field->kind() == engine::FieldKind::Boolean)
                    return int(Qt::AlignCenter);
                return int(toQAlignment(column.alignment) | Qt::AlignVCenter);
            }
            default:
                return {};
        }
    } catch (...) {
        // A row that cannot be read shows empty; painting never ends in an error.
        return {};
    }
}

Qt::ItemFlags DatasetModel::flags(const QModelIndex& index) const {
    if (!index.isValid() || !grid_) return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const gridmodel::GridColumn& column = grid_->columns[static_cast<size_t>(index.column())];
    engine::Field* field = fieldOf(index.column());
    if (editable_ && !column.readOnly && field && !field->isCalculated() && view_ &&
        !view_->isReadOnly())
        flags |= field->kind() == engine::FieldKind::Boolean ? Qt::ItemIsUserCheckable
                                                             : Qt::ItemIsEditable;
    return flags;
}

QVariant DatasetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && grid_ && section >= 0 &&
        static_cast<size_t>(section) < grid_->columns.size())
        return grid_->columns[static_cast<size_t>(section)].title.caption;
    return {};
}

bool DatasetModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || !view_ || !view_->isOpen()) return false;
    if (role != Qt::EditRole && role != Qt::CheckStateRole) return false;
    if (!(flags(index) & (Qt::ItemIsEditable | Qt::ItemIsUserCheckable))) return false;
    writing_ = true;
    writeFailed_ = false;
    bool written = false;
    try {
        written = write(index.row(), index.column(), value, role);
    } catch (...) {
        writing_ = false;
        writeFailed_ = true;
        if (onError_) onError_(std::current_exception());
        return false;
    }
    writing_ = false;
    return written;
}

bool DatasetModel::startEditing() {
    if (!view_ || !view_->isOpen() || view_->state() != engine::Dataset::State::Browse) return true;
    writing_ = true;
    try {
        if (view_->recordCount() == 0)
            view_->append();
        else
            view_->edit();
    } catch (...) {
        writing_ = false;
        if (onError_) onError_(std::current_exception());
        return false;
    }
    writing_ = false;
    return true;
}

bool DatasetModel::write(int row, int column, const QVariant& value, int role) {
    // Only the current record takes values: the grid moves the cursor before it edits a row.
    if (row != datasetRow()) return false;
    engine::Field* field = fieldOf(column);
    if (!field) return false;
    QVariant newValue;
    bool same = false;
    if (role == Qt::CheckStateRole) {
        const bool checked = value.toInt() == Qt::Checked;
        same = field->isNull() ? !checked : field->asBoolean() == checked;
        newValue = checked;
    } else {
        const QString text = value.toString();
        same = text == gridmodel::editText(*field, field->value());
        newValue = text;
    }
    // Leaving a cell without changing it leaves the record as it was.
    if (same) return true;
    if (view_->state() == engine::Dataset::State::Browse) {
        if (view_->recordCount() == 0)
            view_->append();
        else
            view_->edit();
    }
    field->setValue(newValue);
    return true;
}

}  // namespace widgets
