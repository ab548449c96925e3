#include "DbLookupComboBox.h"

#include <QFocusEvent>
#include <QSignalBlocker>

#include "ErrorBoundary.h"

namespace widgets {

DbLookupComboBox::DbLookupComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    connect(this, &QComboBox::activated, this, &DbLookupComboBox::pick);
    reload();
}

DbLookupComboBox::~DbLookupComboBox() = default;

void DbLookupComboBox::setDataSource(engine::Dataset* view) {
    hooks_.clear();
    view_ = view;
    attach();
    reload();
}

void DbLookupComboBox::setDataField(const QString& fieldName) {
    fieldName_ = fieldName;
    reload();
}

void DbLookupComboBox::setListSource(engine::Dataset* view) {
    list_ = view;
    reload();
}

void DbLookupComboBox::setListField(const QString& fieldName) {
    listField_ = fieldName;
    reload();
}

void DbLookupComboBox::attach() {
    if (!view_) return;
    auto follow = [this] {
        if (!writing_) reload();
    };
    hooks_ += view_->onDataChange.add([follow](engine::Dataset&, engine::Field*) { follow(); });
    hooks_ += view_->onStateChange.add([follow](engine::Dataset&) { follow(); });
}

QStringList DbLookupComboBox::listValues() const {
    QStringList values;
    if (!list_ || !list_->isOpen() || listField_.isEmpty()) return values;
    const engine::Field* field = list_->findField(listField_);
    if (!field) return values;
    size_t index = 0;
    while (index < list_->fields().size() && list_->fields()[index].get() != field) ++index;
    for (int recNo = 1; recNo <= list_->recordCount(); ++recNo) {
        const engine::Record record = list_->recordAt(recNo);
        values << (index < record.size() ? record[index].toString() : QString());
    }
    return values;
}

QString DbLookupComboBox::storedValue() const {
    if (!view_ || !view_->isOpen() || fieldName_.isEmpty()) return {};
    const engine::Field* field = view_->findField(fieldName_);
    return field ? field->asString() : QString();
}

void DbLookupComboBox::reload() {
    const QSignalBlocker quiet(this);
    const bool open = view_ && view_->isOpen();
    setEnabled(open);
    QStringList values;
    QString value;
    base::runGuarded(dialogs_, [&] {
        values = listValues();
        value = storedValue();
    });
    // Unchanged entries stay as they are: the list may be in the middle of a pick.
    QStringList shown;
    for (int i = 0; i < count(); ++i) shown << itemText(i);
    if (shown != values) {
        clear();
        addItems(values);
    }
    const int index = values.indexOf(value);
    setCurrentIndex(index);
    // A stored value the list does not hold is still shown.
    setPlaceholderText(index < 0 ? value : QString());
}

void DbLookupComboBox::showPopup() {
    reload();
    QComboBox::showPopup();
}

void DbLookupComboBox::focusInEvent(QFocusEvent* event) {
    // Back from its own list or from another window nothing has changed that matters here.
    if (event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason)
        reload();
    QComboBox::focusInEvent(event);
}

void DbLookupComboBox::pick(int index) {
    if (!view_ || !view_->isOpen() || index < 0) return;
    const QString value = itemText(index);
    writing_ = true;
    const bool ok = base::runGuarded(dialogs_, [&] {
        view_->edit();
        view_->fieldByName(fieldName_).setAsString(value);
    });
    writing_ = false;
    if (!ok) {
        reload();
        return;
    }
    emit clicked();
}

}  // namespace widgets
