#pragma once

#include <QHash>
#include <QString>
#include <memory>
#include <vector>

#include "DataViews.h"
#include "Dialogs.h"

namespace store {

// Opens and closes whole groups of views (by tag) in a folder. Opening heals the data store:
// a table whose files are missing is copied in from the template folder, and a table whose
// structure no longer fits its view (a field missing or of another kind, a field narrower
// than the template's, or a damaged file) is rebuilt from the template with its old records
// carried over, the old files being kept in the folder's "Update" subfolder. A table that
// cannot be reached (held by another program, unreadable, missing its index file) is
// reported and left untouched.
//
// The rebuilt table is made complete in a staging folder and only then put in place of the
// old files (StagedFiles), so a kill or a full disk during an update leaves either the old
// table or the whole new one. What an interrupted update left is finished or undone the next
// time the folder is opened, before anything reads it, and the user is told once.
class TableGroups {
public:
    TableGroups(DataViews& views, base::Dialogs& dialogs) : views_(views), dialogs_(dialogs) {}

    // Closes every plain-table view of the tag; with `open` also points it at the folder and
    // opens it (restoring from templateFolder when `restore`). False when it stopped at a
    // failure, which it has reported; the views after the failing one stay closed.
    bool SwitchTableGroup(int tag, const QString& folder, bool open, bool restore, const QString& templateFolder);

    // Finishes or undoes a structure update of the folder that was interrupted, and says so.
    // Runs at every opening of a group; day opening calls it before it packs the day's table.
    void recoverInterruptedUpdate(const QString& folder);

    // True while a structure update copies old records into a new table: those records were
    // stored before and are carried over as they are, without the checks of new input.
    bool carryingOver() const { return carryingOver_; }

private:
    bool updateStructure(engine::Dataset& view, const QString& folder, const QString& templateFolder,
                         const QString& tablePath, const QString& mask);
    bool copyRecords(engine::Dataset& view, engine::Dataset& old, const QString& tablePath);
    // True when a field of the open view's file is narrower (or has fewer decimals) than the
    // same field of the template: a table of an older version that would cut what is typed.
    bool olderThanTemplate(const engine::Dataset& view, const QString& templateFolder);
    void error(const QString& text);

    DataViews& views_;
    base::Dialogs& dialogs_;
    bool carryingOver_ = false;
    // The templates' field definitions by path; the templates do not change during a run.
    QHash<QString, std::vector<engine::FieldDef>> templateFields_;
};

}  // namespace store
