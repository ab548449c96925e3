#pragma once

#include <QString>

#include "engine/Dataset.h"

namespace store {

// Named constants: rows of Const.db (ConstName, ViewName, ConstVal), reached through the
// view over all its rows. Keys compare exactly, letter case included. Nothing is cached.
class ConstStore {
public:
    explicit ConstStore(engine::Dataset& tableConst) : table_(tableConst) {}

    // False, with value untouched, while the table is closed; false with an empty value when
    // the key is missing. The row found stays the table's current row.
    bool ReadConst(const QString& key, QString& value);
    // Writes a value, creating the row (with the display name) when the key is missing; an
    // existing row keeps its display name. False while the table is closed.
    bool WriteConst(const QString& key, const QString& value, const QString& displayName);

private:
    engine::Dataset& table_;
};

}  // namespace store
