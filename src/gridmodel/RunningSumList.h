#pragma once

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

#include "Money.h"
#include "engine/Dataset.h"
#include "engine/EventList.h"

namespace gridmodel {

// What a sum item computes over the records of its view.
//   goSum    the sum of the field (a record without a value counts as 0)
//   goAvg    the average over the records where the field has a value
//   goCount  the number of records; with a field named, of the records where it has a value
enum GroupOperation { goSum, goAvg, goCount };

// One summed column of a RunningSumList. The list keeps SumValue current; a handler of
// OnRecalcAll on a list with ExternalRecalc supplies it with setSumValue.
class SumItem {
public:
    explicit SumItem(QString fieldName = {}, gridmodel::GroupOperation operation = goSum)
        : FieldName(std::move(fieldName)), GroupOperation(operation) {}

    QString FieldName;
    gridmodel::GroupOperation GroupOperation;

    // The current result, exact to four decimals. A count reads as a whole number.
    TenThousandths SumValue() const { return value_; }
    // Sets the result from outside the list (external recounts). A goSum item keeps
    // tracking posts and deletes from this value on; an average or a count keeps the value
    // until the next recount, since the figures it is made of are unknown.
    void setSumValue(TenThousandths value);

private:
    friend class RunningSumList;

    // A record's part in the item: its value (0 without one) and whether it has one.
    struct Part {
        TenThousandths value;
        bool hasValue = false;
    };

    void reset();
    void add(const Part& part);
    void take(const Part& part);
    void settle();

    TenThousandths value_;
    TenThousandths runningSum_;
    int64_t valueCount_ = 0;   // records with a value
    int64_t recordCount_ = 0;  // records
    bool tracking_ = true;     // false after setSumValue on an average or a count
    Part preEdit_;             // the record as it was when editing began
    Part deleting_;            // the record about to be deleted
};

// Keeps the sums of some fields over the records one view shows. The sums are recounted
// from scratch when the view opens, when its filter changes and on RecalcAll; posts and
// deletes made through the view itself update them without a scan. Changes made through
// another view of the same table are not seen until the next RecalcAll.
//
// To follow its view the list hooks nine of the view's events. The view's handlers already
// installed keep running, around the list's own work: after edit, insert, post, delete, open
// and close the list works first; before delete, after scroll and after cancel the earlier
// handlers run first. Handlers installed after the list attached run after it. Detaching
// removes the hooks and leaves the other handlers as they were.
//
// Lifetime: the owner detaches the list (setDataSet(nullptr) or setActive(false)) before it
// destroys the view. A view destroyed while the list is attached takes the list's handlers
// along; the list then has no view and its values are 0. The list's destructor detaches it.
//
// A view with a master view would also need the master's scrolls watched; no view of this
// program has a master, so that is not built.
class RunningSumList {
public:
    // Immediately: the list attaches as soon as it is active and has a view.
    // WhenLoaded: it waits for Loaded(), so that the owner can install its own handlers on
    // the view first and they count as the earlier handlers.
    enum class Attaching { Immediately, WhenLoaded };

    explicit RunningSumList(Attaching attaching = Attaching::Immediately);
    ~RunningSumList();
    RunningSumList(const RunningSumList&) = delete;
    RunningSumList& operator=(const RunningSumList&) = delete;

    // The view whose records are summed; null when none or when the attached view was
    // destroyed. Setting another view detaches from the old one (the values become 0) and,
    // if the list is active, attaches to the new one and recounts.
    engine::Dataset* DataSet() const;
    void setDataSet(engine::Dataset* view);

    // An inactive list is detached and its values are 0. Switching on attaches to the view
    // and recounts; switching off detaches and clears the values.
    bool Active() const { return active_; }
    void setActive(bool active);

    // The owner has finished setting up: an active list with a view attaches and recounts.
    void Loaded();

    // True while the list's hooks are installed on its view.
    bool attached() const;
    // True while a recount runs; the recount's own scrolling then triggers no recount.
    bool changing() const { return changing_; }

    // When set, a recount does not scan the view: an OnRecalcAll handler supplies the values.
    bool ExternalRecalc = false;
    // Position bookkeeping for views without record numbers. Every view of the table engine
    // has record numbers, so the list needs none and the flag has no effect.
    bool VirtualRecords = false;

    // The summed items, in the order they were added. A new item counts from the next
    // recount on.
    SumItem& add(const QString& fieldName, GroupOperation operation = goSum);
    const std::vector<std::unique_ptr<SumItem>>& SumCollection() const { return items_; }
    // The first item with this operation and field (letter case ignored), or null.
    SumItem* find(GroupOperation operation, const QString& fieldName) const;

    // Recounts every item from the view, leaving the view on its first record. Does nothing
    // unless the list is active and attached to an open view, nor while a recount runs. Errors of
    // the view reach the caller after the list has stopped changing and has raised SumListChanged;
    // the sums then hold what was counted before the error.
    void RecalcAll();
    // Sets every item to 0 and raises SumListChanged.
    void ClearSumValues();

    // Raised after every change of the values.
    engine::EventList<RunningSumList&> SumListChanged;
    // Raised at the start of every recount, after the values were set to 0.
    engine::EventList<RunningSumList&> OnRecalcAll;
    // Raised at the end of a scanning recount, before the final SumListChanged.
    engine::EventList<RunningSumList&> OnAfterRecalcAll;

private:
    enum class Editing { None, Edit, Insert };

    void attach();
    void detach();
    void attachIfReady();
    bool viewGone() const { return !hooks_.empty() && !hooks_.connected(); }
    void forgetDestroyedView();

    void onAfterEdit(engine::Dataset& view);
    void onAfterInsert(engine::Dataset& view);
    void onAfterPost(engine::Dataset& view);
    void onBeforeDelete(engine::Dataset& view);
    void onAfterDelete(engine::Dataset& view);
    void onAfterScroll(engine::Dataset& view);
    void onAfterOpen(engine::Dataset& view);
    void onAfterClose(engine::Dataset& view);
    void onAfterCancel(engine::Dataset& view);

    std::vector<engine::Field*> itemFields(engine::Dataset& view) const;
    static SumItem::Part partOf(const engine::Field* field);
    static SumItem::Part partOf(const QVariant& value);
    bool postedRecordIsCurrent(engine::Dataset& view, Editing was) const;
    void scan(engine::Dataset& view);
    void recordFilter(const engine::Dataset& view);
    void zeroValues();

    std::vector<std::unique_ptr<SumItem>> items_;
    engine::Dataset* view_ = nullptr;
    bool active_ = true;
    bool loading_ = false;
    bool changing_ = false;
    engine::Connections hooks_;  // the list's handlers on its view while attached
    Editing editing_ = Editing::None;
    int editSlot_ = -1;
    bool deletePending_ = false;
    bool recordedFiltered_ = true;
    QString recordedFilter_;
};

}  // namespace gridmodel
