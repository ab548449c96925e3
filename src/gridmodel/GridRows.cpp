#include "GridRows.h"

#include <algorithm>

#include "DisplayText.h"
#include "engine/Field.h"

namespace gridmodel {

GridRows::GridRows(engine::Dataset* view) : view_(view) {
    if (!view_) return;
    for (const auto& f : view_->fields()) order_.push_back(f.get());
}

void GridRows::storePendingEdit(engine::Dataset& view) {
    view.checkBrowseMode();
}

int GridRows::count() const {
    return view_ && view_->isOpen() ? view_->recordCount() : 0;
}

void GridRows::read(int row) {
    record_ = view_->recordAt(row + 1);
}

void GridRows::readCurrent() {
    record_.clear();
    if (view_ && view_->isOpen() && !view_->isEmpty() && view_->recNo() > 0)
        read(view_->recNo() - 1);
}

QVariant GridRows::value(const engine::Field* field) const {
    const auto at = std::find(order_.begin(), order_.end(), field);
    const size_t i = static_cast<size_t>(at - order_.begin());
    return field && i < record_.size() ? record_[i] : QVariant();
}

QString GridRows::text(const engine::Field* field, const QString& columnFormat, TextTarget target) const {
    return field ? displayText(*field, value(field), columnFormat, target) : QString();
}

}  // namespace gridmodel
