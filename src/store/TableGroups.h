#pragma once

#include <QString>
#include <memory>

#include "DataViews.h"
#include "Dialogs.h"

namespace store {

// Opens and closes whole groups of views (by tag) in a folder. Opening heals the data store:
// a table whose files are missing is copied in from the template folder, and a table whose
// structure no longer fits its view (or whose file is damaged) is rebuilt from the template
// with its old records carried over, the old files being kept in the folder's "Update"
// subfolder. A table that cannot be reached (held by another program, unreadable, missing
// its index file) is reported and left untouched.
class TableGroups {
public:
    TableGroups(DataViews& views, Dialogs& dialogs) : views_(views), dialogs_(dialogs) {}

    // Closes every plain-table view of the tag; with `open` also points it at the folder and
    // opens it (restoring from templateFolder when `restore`). False when it stopped at a
    // failure, which it has reported; the views after the failing one stay closed.
    bool SwitchTableGroup(int tag, const QString& folder, bool open, bool restore, const QString& templateFolder);

    // True while a structure update copies old records into a new table: those records were
    // stored before and are carried over as they are, without the checks of new input.
    bool carryingOver() const { return carryingOver_; }

private:
    bool updateStructure(engine::Dataset& view, const QString& folder, const QString& templateFolder,
                         const QString& tablePath, const QString& mask);
    void error(const QString& text);

    DataViews& views_;
    Dialogs& dialogs_;
    bool carryingOver_ = false;
};

}  // namespace store
