#pragma once

namespace engine {
class Dataset;
}

namespace reg {

class RegisterCore;

// Choosing the current day and opening its data.
class CurrentDay {
public:
    explicit CurrentDay(RegisterCore& core) : core_(core) {}

    // Closes every table, asks for a date, creates the day folder when new, packs and
    // re-indexes the day's payment table, reopens both groups (healing them from the
    // templates), refreshes the constants, initialises a new day, reopens the catalogue,
    // fills the pick lists and recounts the sums and the balance.
    void ActionDateSelectExecute();

    // Packs an open table held exclusively (dBase: removes deleted records and rebuilds the
    // indexes) and opens it again. False, doing nothing, for a table that is closed or shared.
    static bool PackTable(engine::Dataset& table);

private:
    void reindexDayData();

    RegisterCore& core_;
};

}  // namespace reg
