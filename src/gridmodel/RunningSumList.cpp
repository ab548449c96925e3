#include "RunningSumList.h"

#include "GridRows.h"
#include "engine/TableRegistry.h"

namespace gridmodel {

using engine::Dataset;

namespace {

// a / b rounded to the nearest whole number, ties to even (b > 0), as every other amount
// of the sums is rounded.
int64_t divideRounded(int64_t a, int64_t b) {
    int64_t q = a / b;
    int64_t r = a % b;
    if (r < 0) {
        q -= 1;
        r += b;
    }
    if (2 * r > b || (2 * r == b && q % 2 != 0)) q += 1;
    return q;
}

}  // namespace

// SumItem

void SumItem::setSumValue(TenThousandths value) {
    value_ = value;
    if (GroupOperation == goSum)
        runningSum_ = value;
    else
        tracking_ = false;
}

void SumItem::reset() {
    value_ = {};
    runningSum_ = {};
    valueCount_ = 0;
    recordCount_ = 0;
    tracking_ = true;
}

void SumItem::add(const Part& part) {
    runningSum_ += part.value;
    if (part.hasValue) ++valueCount_;
    ++recordCount_;
}

void SumItem::take(const Part& part) {
    runningSum_ -= part.value;
    if (part.hasValue) --valueCount_;
    --recordCount_;
}

void SumItem::settle() {
    if (!tracking_) return;
    switch (GroupOperation) {
        case goSum:
            value_ = runningSum_;
            break;
        case goAvg:
            value_ =
                valueCount_ > 0
                    ? TenThousandths::fromCount(divideRounded(runningSum_.count(), valueCount_))
                    : TenThousandths();
            break;
        case goCount:
            value_ = TenThousandths::fromCount((FieldName.isEmpty() ? recordCount_ : valueCount_) *
                                               10000);
            break;
    }
}

// RunningSumList: set-up

RunningSumList::RunningSumList(Attaching attaching)
    : loading_(attaching == Attaching::WhenLoaded) {}

// No notifications from the destructor: their listeners may be gone already.
RunningSumList::~RunningSumList() = default;

Dataset* RunningSumList::DataSet() const {
    return viewGone() ? nullptr : view_;
}

void RunningSumList::setDataSet(Dataset* view) {
    forgetDestroyedView();
    if (view == view_) return;
    if (attached()) {
        detach();
        ClearSumValues();
    }
    view_ = view;
    attachIfReady();
}

void RunningSumList::setActive(bool active) {
    forgetDestroyedView();
    if (active == active_) return;
    active_ = active;
    if (active) {
        attachIfReady();
    } else {
        detach();
        ClearSumValues();
    }
}

void RunningSumList::Loaded() {
    loading_ = false;
    forgetDestroyedView();
    attachIfReady();
}

bool RunningSumList::attached() const {
    return hooks_.connected();
}

SumItem& RunningSumList::add(const QString& fieldName, GroupOperation operation) {
    items_.push_back(std::make_unique<SumItem>(fieldName, operation));
    return *items_.back();
}

SumItem* RunningSumList::find(GroupOperation operation, const QString& fieldName) const {
    for (const auto& item : items_)
        if (item->GroupOperation == operation &&
            item->FieldName.compare(fieldName, Qt::CaseInsensitive) == 0)
            return item.get();
    return nullptr;
}

// Attaching

void RunningSumList::attachIfReady() {
    if (!active_ || loading_ || !view_ || attached()) return;
    attach();
    RecalcAll();
}

void RunningSumList::attach() {
    using Member = void (RunningSumList::*)(Dataset&);
    auto hook = [this](Member member) {
        return [this, member](Dataset& view) { (this->*member)(view); };
    };
    Dataset& v = *view_;
    // addFront: the list works before the handlers already there; add: after them.
    hooks_ += v.afterEdit.addFront(hook(&RunningSumList::onAfterEdit));
    hooks_ += v.afterInsert.addFront(hook(&RunningSumList::onAfterInsert));
    hooks_ += v.afterPost.addFront(hook(&RunningSumList::onAfterPost));
    hooks_ += v.beforeDelete.add(hook(&RunningSumList::onBeforeDelete));
    hooks_ += v.afterDelete.addFront(hook(&RunningSumList::onAfterDelete));
    hooks_ += v.afterScroll.add(hook(&RunningSumList::onAfterScroll));
    hooks_ += v.afterOpen.addFront(hook(&RunningSumList::onAfterOpen));
    hooks_ += v.afterClose.addFront(hook(&RunningSumList::onAfterClose));
    hooks_ += v.afterCancel.add(hook(&RunningSumList::onAfterCancel));
    editing_ = Editing::None;
    deletePending_ = false;
}

void RunningSumList::detach() {
    // Also a hook of an event that is running now no longer reaches the list.
    hooks_.clear();
    editing_ = Editing::None;
    deletePending_ = false;
}

void RunningSumList::forgetDestroyedView() {
    if (!viewGone()) return;
    detach();
    view_ = nullptr;
    changing_ = false;
    zeroValues();
}

// Hooks

void RunningSumList::onAfterEdit(Dataset& view) {
    editing_ = Editing::Edit;
    editSlot_ = view.bookmark().slot;
    const auto fields = itemFields(view);
    for (size_t i = 0; i < items_.size(); ++i) items_[i]->preEdit_ = partOf(fields[i]);
}

void RunningSumList::onAfterInsert(Dataset&) {
    editing_ = Editing::Insert;
    for (auto& item : items_) item->preEdit_ = {};
}

void RunningSumList::onAfterPost(Dataset& view) {
    const Editing was = editing_;
    editing_ = Editing::None;
    // A post made by a recount's own first() is counted by the scan. A post without a known
    // edit cannot happen: attaching recounts, and the recount posts or cancels an open edit.
    if (changing_ || was == Editing::None) return;
    const bool shown = postedRecordIsCurrent(view, was);
    const auto fields = shown ? itemFields(view) : std::vector<engine::Field*>();
    for (size_t i = 0; i < items_.size(); ++i) {
        SumItem& item = *items_[i];
        if (was == Editing::Edit) item.take(item.preEdit_);
        if (shown) item.add(partOf(fields[i]));
        item.settle();
    }
    SumListChanged(*this);
}

void RunningSumList::onBeforeDelete(Dataset& view) {
    // The record's part is taken once it is really gone (after delete), so a delete that a
    // later handler refuses or that fails in the file leaves the sums as they are. A record
    // deleted while being edited counts with the values it was counted with.
    const bool edited = editing_ == Editing::Edit && view.state() == Dataset::State::Edit;
    const auto fields = edited ? std::vector<engine::Field*>() : itemFields(view);
    for (size_t i = 0; i < items_.size(); ++i)
        items_[i]->deleting_ = edited ? items_[i]->preEdit_ : partOf(fields[i]);
    deletePending_ = true;
}

void RunningSumList::onAfterDelete(Dataset&) {
    if (!deletePending_) return;
    deletePending_ = false;
    editing_ = Editing::None;
    if (changing_) return;
    for (auto& item : items_) {
        item->take(item->deleting_);
        item->settle();
    }
    SumListChanged(*this);
}

void RunningSumList::onAfterScroll(Dataset& view) {
    if (changing_) return;
    if (view.filtered() != recordedFiltered_ ||
        (view.filtered() && view.filter() != recordedFilter_))
        RecalcAll();
}

void RunningSumList::onAfterOpen(Dataset&) {
    editing_ = Editing::None;
    RecalcAll();
}

void RunningSumList::onAfterClose(Dataset&) {
    editing_ = Editing::None;
    deletePending_ = false;
    ClearSumValues();
    SumListChanged(*this);
    changing_ = false;
}

void RunningSumList::onAfterCancel(Dataset&) {
    editing_ = Editing::None;
}

// Counting

std::vector<engine::Field*> RunningSumList::itemFields(Dataset& view) const {
    std::vector<engine::Field*> fields;
    fields.reserve(items_.size());
    for (const auto& item : items_)
        fields.push_back(item->FieldName.isEmpty() ? nullptr : &view.fieldByName(item->FieldName));
    return fields;
}

SumItem::Part RunningSumList::partOf(const engine::Field* field) {
    return field ? partOf(field->value()) : SumItem::Part{};
}

SumItem::Part RunningSumList::partOf(const QVariant& value) {
    if (value.isNull()) return {};
    return {TenThousandths::fromDouble(value.toDouble()), true};
}

bool RunningSumList::postedRecordIsCurrent(Dataset& view, Editing was) const {
    // A posted record that no longer passes the view's filter has left the view, and the
    // view then stands on another record: that one must not be read as the posted one.
    const int slot = view.bookmark().slot;
    if (slot < 0) return false;
    if (was == Editing::Edit) return slot == editSlot_;
    // An inserted record takes the table's last slot.
    const auto table = engine::TableRegistry::find(view.tablePath());
    return !table || slot == table->slotCount() - 1;
}

void RunningSumList::scan(Dataset& view) {
    bool counts = false;
    for (const auto& item : items_)
        counts = counts || !item->FieldName.isEmpty() || item->GroupOperation == goCount;
    if (!counts) return;
    const auto fields = itemFields(view);
    // The records are read by position; a pending edit is stored first and counted by the scan.
    GridRows::storePendingEdit(view);
    GridRows rows(&view);
    for (int row = 0; row < rows.count(); ++row) {
        rows.read(row);
        for (size_t i = 0; i < items_.size(); ++i) {
            items_[i]->add(partOf(fields[i] ? rows.value(fields[i]) : QVariant()));
            items_[i]->settle();
        }
    }
    view.first();
}

void RunningSumList::recordFilter(const Dataset& view) {
    recordedFiltered_ = view.filtered();
    recordedFilter_ = view.filter();
}

void RunningSumList::zeroValues() {
    for (auto& item : items_) item->reset();
}

void RunningSumList::ClearSumValues() {
    zeroValues();
    SumListChanged(*this);
}

void RunningSumList::RecalcAll() {
    forgetDestroyedView();
    // A recount asked for while one runs (by a listener, say) is left to the running one.
    if (changing_ || !active_ || !attached() || !view_->isOpen()) return;
    // Set for the whole recount, so that neither its own scrolling nor a post it causes
    // (moving to the first record stores a pending edit) changes the sums on the side.
    changing_ = true;
    try {
        ClearSumValues();
        OnRecalcAll(*this);
        // A handler may have let go of the view or closed it.
        if (attached() && view_->isOpen()) {
            Dataset& view = *view_;
            if (ExternalRecalc) {
                recordFilter(view);
            } else {
                scan(view);
                OnAfterRecalcAll(*this);
                recordFilter(view);
            }
        }
    } catch (...) {
        changing_ = false;
        // The recount's error is the one the caller gets, not one of a listener here.
        try {
            SumListChanged(*this);
        } catch (...) {
        }
        throw;
    }
    changing_ = false;
    SumListChanged(*this);
}

}  // namespace gridmodel
