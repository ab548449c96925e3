#pragma once

#include <QString>
#include <QVariant>
#include <vector>

#include "DisplayText.h"
#include "engine/Dataset.h"

namespace engine {
class Field;
}

namespace gridmodel {

// The records a view shows, read by their position in the view's order without moving the
// view: what export, printing and the running sums walk. The view's current record, its state
// and the controls that show it stay as they are.
//
// A record is read as it is stored; a calculated field reads null, and so does a field the
// view lacks. A record being edited in the view is read as stored: the walkers store it first
// (storePendingEdit), as moving to the first record would have done.
class GridRows {
public:
    // The view may be null or closed: then there are no rows.
    explicit GridRows(engine::Dataset* view);

    // Posts an edit or insert pending in the view (or cancels one without changes), so that
    // every record is read with what the user typed. A refused post ends here with its error.
    static void storePendingEdit(engine::Dataset& view);

    // The records the view shows now (it may change while a long walk lets events through).
    int count() const;
    // Reads the record at `row`, counted from 0 in the view's order.
    void read(int row);
    // The view's current record as the row read (null when there is none).
    void readCurrent();

    // A field's value in the row read.
    QVariant value(const engine::Field* field) const;
    // How the program shows that value (displayText), with the column's own format when given.
    QString text(const engine::Field* field, const QString& columnFormat = {},
                 TextTarget target = TextTarget::Screen) const;

private:
    engine::Dataset* view_;
    engine::Record record_;
    std::vector<const engine::Field*> order_;  // the view's fields in record order
};

}  // namespace gridmodel
