#include "DbEdit.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QTimer>

#include "DisplayText.h"
#include "ErrorBoundary.h"
#include "FieldValidators.h"

namespace widgets {

DbEdit::DbEdit(QWidget* parent) : QLineEdit(parent) {
    connect(this, &QLineEdit::textEdited, this, &DbEdit::onTextEdited);
    reset();
}

DbEdit::~DbEdit() = default;

void DbEdit::setDataSource(engine::Dataset* view) {
    if (view == view_) return;
    hooks_.clear();
    view_ = view;
    attach();
    reset();
}

void DbEdit::setDataField(const QString& fieldName) {
    fieldName_ = fieldName;
    reset();
}

engine::Field* DbEdit::field() const {
    return view_ && !fieldName_.isEmpty() ? view_->findField(fieldName_) : nullptr;
}

void DbEdit::attach() {
    if (!view_) return;
    hooks_ += view_->onDataChange.add([this](engine::Dataset&, engine::Field* changed) {
        if (enteringEdit_) return;
        if (!changed || changed == field()) reset();
    });
    // Before the record is posted or left, what was typed goes into the field; a value that
    // cannot be stored stops the post after its message.
    hooks_ += view_->onUpdateRecord.add([this](engine::Dataset&) {
        if (typed_) writeField();
    });
}

void DbEdit::reset() {
    typed_ = false;
    engine::Field* f = field();
    const bool open = view_ && view_->isOpen() && f;
    setReadOnly(!open || view_->isReadOnly() || f->isCalculated());
    QString text;
    if (open) {
        try {
            text = hasFocus() ? gridmodel::editText(*f, f->value()) : gridmodel::displayText(*f, f->value());
        } catch (...) {
        }
        // What the field cannot keep is refused as it is typed or pasted, with a note why.
        if (f->kind() != engine::FieldKind::Boolean) guardFieldInput(this, *f);
    }
    // A box that was ready to be typed over stays so when shown afresh (the grid just left
    // stores the day on the way in).
    const bool wholeSelected =
        hasFocus() && !QLineEdit::text().isEmpty() && selectedText() == QLineEdit::text();
    setText(text);
    setModified(false);
    if (wholeSelected) selectAll();
}

void DbEdit::writeField() {
    engine::Field* f = field();
    if (!f || !typed_) return;
    f->setValue(text());  // may throw: the caller's boundary shows it
    typed_ = false;
}

bool DbEdit::updateRecord() {
    return base::runGuarded(dialogs_, [&] { writeField(); });
}

bool DbEdit::postEdit() {
    if (!view_ || !view_->isOpen() || !field() || (!typed_ && !view_->isEditing())) return true;
    const bool ok = base::runGuarded(dialogs_, [&] {
        writeField();
        if (view_->isEditing()) view_->post();
    });
    if (!ok || view_->isEditing()) return false;
    if (!hasFocus()) reset();
    emit posted();
    return true;
}

void DbEdit::onTextEdited() {
    if (typed_) return;
    engine::Field* f = field();
    if (!f || !view_->isOpen()) return;
    if (view_->state() == engine::Dataset::State::Browse) {
        const QString typed = text();
        const int cursor = cursorPosition();
        enteringEdit_ = true;
        const bool ok = base::runGuarded(dialogs_, [&] { view_->edit(); });
        enteringEdit_ = false;
        if (!ok) {
            reset();
            return;
        }
        setText(typed);
        setCursorPosition(cursor);
    }
    typed_ = true;
}

int DbEdit::windowsKeyCode(int qtKey) {
    switch (qtKey) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return 13;
        case Qt::Key_Escape:
            return 27;
        case Qt::Key_Tab:
            return 9;
        case Qt::Key_Backspace:
            return 8;
        case Qt::Key_Delete:
            return 46;
        case Qt::Key_Insert:
            return 45;
        case Qt::Key_Left:
            return 37;
        case Qt::Key_Up:
            return 38;
        case Qt::Key_Right:
            return 39;
        case Qt::Key_Down:
            return 40;
        default:
            return qtKey;
    }
}

void DbEdit::keyPressEvent(QKeyEvent* event) {
    emit keyDown(windowsKeyCode(event->key()), event->modifiers());
    if (event->key() == Qt::Key_Escape && (typed_ || (view_ && view_->isEditing()))) {
        // What was typed goes first; a change already in the record (kept by a refused post)
        // goes with the next Esc.
        if (!typed_) base::runGuarded(dialogs_, [&] { view_->cancel(); });
        reset();
        selectAll();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void DbEdit::focusInEvent(QFocusEvent* event) {
    // Coming back from a message box or another program leaves the text as it is.
    if (!typed_ && event->reason() != Qt::ActiveWindowFocusReason &&
        event->reason() != Qt::PopupFocusReason) {
        reset();
        QLineEdit::focusInEvent(event);
        if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason ||
            event->reason() == Qt::ShortcutFocusReason || event->reason() == Qt::OtherFocusReason)
            selectAll();
        return;
    }
    QLineEdit::focusInEvent(event);
}

void DbEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // A message box, another program or a menu takes the focus only for a while; a command
    // chosen in the menu stores the box itself.
    if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason ||
        event->reason() == Qt::MenuBarFocusReason)
        return;
    if (!postEdit()) {
        // Refused: the text stays, and so does the user, once the focus change under way has
        // ended.
        QTimer::singleShot(0, this, [this] { setFocus(Qt::OtherFocusReason); });
        return;
    }
    reset();
}

}  // namespace widgets
