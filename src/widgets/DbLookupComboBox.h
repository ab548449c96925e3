#pragma once

#include <QComboBox>

#include "engine/Dataset.h"

namespace base {
class Dialogs;
}

namespace widgets {

// A drop-down list bound to one text field of a view's current record (the value), offering
// the values of one field of another view (the list) in that view's order.
//
// The box shows the stored value, also one the list does not hold. Picking an entry, with the
// mouse or with the arrow keys, puts it into the field (the record goes into edit state; a
// view without records gets a new one) and then reports `clicked`; storing the record is the
// business of whoever handles that. The list is read afresh whenever it is about to be used,
// so that entries added meanwhile are offered. The box is disabled while the value's view is
// closed. Errors are shown as the application-wide error report shows them.
class DbLookupComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit DbLookupComboBox(QWidget* parent = nullptr);
    ~DbLookupComboBox() override;

    void setDataSource(engine::Dataset* view);
    void setDataField(const QString& fieldName);
    void setListSource(engine::Dataset* view);
    void setListField(const QString& fieldName);
    void setDialogs(base::Dialogs* dialogs) { dialogs_ = dialogs; }

    // The values the list view holds now, in its order.
    QStringList listValues() const;
    // Reads the list and the stored value again.
    void reload();

    void showPopup() override;

signals:
    // An entry was picked and put into the field.
    void clicked();

protected:
    void focusInEvent(QFocusEvent* event) override;

private:
    void attach();
    void pick(int index);
    QString storedValue() const;

    engine::Dataset* view_ = nullptr;
    QString fieldName_;
    engine::Dataset* list_ = nullptr;
    QString listField_;
    base::Dialogs* dialogs_ = nullptr;
    engine::Connections hooks_;  // on the value's view
    bool writing_ = false;
};

}  // namespace widgets
