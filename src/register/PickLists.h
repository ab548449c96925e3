#pragma once

#include <QStringList>

namespace engine {
class Dataset;
class Field;
}  // namespace engine

namespace reg {

class RegisterCore;

// The drop-down lists one grid of the day window offers, as plain lists of texts.
struct GridPickLists {
    QStringList codes;       // "code  name" entries of the cost-item column
    QStringList recipients;  // KOMU
    QStringList purposes;    // SUBJECT
    QStringList banks;       // BANK or BANK_NAME
};

// Cost-item codes and the drop-down lists: the list of valid (leaf) codes and what the
// expense, opening-balance and income grids offer.
class PickLists {
public:
    explicit PickLists(RegisterCore& core) : core_(core) {}

    GridPickLists expenseGrid;       // DataGrid1
    GridPickLists startMoneyGrid;    // DataGrid2 (banks only)
    GridPickLists incomeGrid;        // DataGrid3

    // Rebuilds every list and the core's KindCodeList from the open reference tables and
    // catalogue query. Engine errors (a closed table) go to the caller; lists filled before
    // the failure stay filled.
    bool FillPickLists();
    // Calculated-fields handler of the catalogue query: CodeLine "1.2.0.0.0".
    void TableKindListCalcFields(engine::Dataset& dataset);

    // The code of a catalogue row: five levels written with at least three digits, joined
    // by points; `name` gets the name of the deepest level above 0.
    static QString codeOf(const int levels[5], const QString names[5], QString* name);
    // Removes every code that is the parent of a code listed after it (all-zero codes and
    // duplicates stay), in one pass over the list.
    static QStringList pruneToLeaves(const QStringList& codes);

private:
    RegisterCore& core_;
    engine::Dataset* calcDataset_ = nullptr;
    engine::Field* calcLevels_[5] = {};
    engine::Field* calcCodeLine_ = nullptr;
};

}  // namespace reg
