#pragma once

#include <QAbstractTableModel>
#include <QFont>
#include <functional>
#include <unordered_map>
#include <vector>

#include "GridModel.h"
#include "engine/Dataset.h"

namespace widgets {

// The table a data grid shows: the records of one engine view in the view's order, one
// column per grid column (hidden ones too, in the grid's order).
//
// The view's cursor is the grid's current row, and the view's record buffer is the edit
// cache of that row: while a record is edited or appended, its row shows what was typed
// and not yet posted. A record being appended is shown as a row below the last record (the
// new row); an empty view that may be appended to shows one blank row in which typing starts
// a new record. Other rows are read from the table without moving the cursor, each at most
// once until the view's records or the table change.
//
// The model follows the view through its data-change event; the view must outlive the model
// or be taken away from it first (setDataset(nullptr)).
class DatasetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit DatasetModel(QObject* parent = nullptr);
    ~DatasetModel() override;

    // The columns; the grid model must outlive this model (the grid owns both).
    void setGridModel(const gridmodel::GridModel* grid);
    void setDataset(engine::Dataset* view);
    engine::Dataset* dataset() const { return view_; }

    // Whether cells may be changed at all, and whether an empty view offers its blank row.
    void setEditable(bool editable);
    bool editable() const { return editable_; }
    void setOffersNewRow(bool offers);

    // The row of the view's current record: the new row while appending, 0 for the blank row of
    // an empty view, -1 when there is no such row (closed view, or empty without a blank row).
    int datasetRow() const;
    // The row below the stored records (a record being appended, or the blank row).
    bool isNewRow(int row) const;
    // The field a column shows in the open view, or null.
    engine::Field* fieldOf(int column) const;
    // The first column showing a field (letter case ignored), or -1.
    int columnOf(const QString& fieldName) const;

    // True while a value is being written into the record (setData is running).
    bool isWriting() const { return writing_; }
    // True when the last value given to setData could not be written (the error was passed on).
    bool lastWriteFailed() const { return writeFailed_; }
    // Stored records read from the table so far.
    long long recordReads() const { return reads_; }
    // The change stamp of the view when the model last followed it.
    uint64_t followedStamp() const { return followedStamp_; }

    // Where an error met while writing a value goes (the model itself shows nothing).
    void setErrorHandler(std::function<void(std::exception_ptr)> handler) {
        onError_ = std::move(handler);
    }

    // Follows the view now: rows, values, cursor (also run by the view's data-change event).
    void follow();
    // The user started typing into a cell of the current row: a browsed record goes into edit
    // state (the blank row of an empty view becomes a new record). False on error (passed on).
    bool startEditing();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

signals:
    // The view moved to another record, changed state, or its records changed (not merely a
    // field of the current record).
    void recordChanged();

private:
    void attach();
    void onDataChange(engine::Field* field);
    int computeRows() const;
    void bindFields();
    QVariant valueAt(int row, int column) const;
    const engine::Record* storedRow(int row) const;
    bool write(int row, int column, const QVariant& value, int role);

    const gridmodel::GridModel* grid_ = nullptr;
    engine::Dataset* view_ = nullptr;
    engine::Connection changeHook_;
    bool editable_ = true;
    bool offersNewRow_ = true;
    bool writing_ = false;
    bool writeFailed_ = false;
    int rows_ = 0;
    std::vector<engine::Field*> fields_;  // per column, in the open view
    std::vector<int> fieldIndex_;         // per column, the field's place in a stored row
    std::vector<QFont> fonts_;            // per column
    mutable std::unordered_map<int, engine::Record> cache_;
    mutable uint64_t cacheStamp_ = 0;
    mutable long long reads_ = 0;
    uint64_t followedStamp_ = 0;
    std::function<void(std::exception_ptr)> onError_;
};

}  // namespace widgets
