#include "PickListEdit.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCompleter>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QListView>
#include <QPainter>
#include <QScrollBar>
#include <QSizeGrip>
#include <QStringListModel>
#include <QValidator>

namespace widgets {

namespace {

QIcon arrowIcon(const QColor& color) {
    QPixmap pixmap(12, 12);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    const QPointF points[] = {{2.0, 4.0}, {10.0, 4.0}, {6.0, 9.0}};
    p.drawPolygon(points, 3);
    return QIcon(pixmap);
}

constexpr int kDefaultVisibleEntries = 12;
constexpr int kWidestList = 600;

}  // namespace

PickListEdit::PickListEdit(QWidget* parent) : QLineEdit(parent) {
    connect(this, &QLineEdit::textEdited, this, &PickListEdit::onTextEdited);
}

PickListEdit::~PickListEdit() {
    if (view_) view_->deleteLater();
}

void PickListEdit::setEditMask(const gridmodel::EditMask& mask) {
    mask_ = mask;
    setInputMask(mask.inputMask());
    updateDropButton();
}

void PickListEdit::setPickList(const ColumnPickList& list) {
    list_ = list;
    if (!list_.entries) return;
    if (!completer_) {
        entries_ = new QStringListModel(this);
        completer_ = new QCompleter(entries_, this);
        completer_->setCaseSensitivity(Qt::CaseInsensitive);
        completer_->setMaxVisibleItems(kDefaultVisibleEntries);
        view_ = new QListView;
        view_->setObjectName(QStringLiteral("PickList"));
        completer_->setPopup(view_);
        completer_->setWidget(this);
        view_->setUniformItemSizes(true);
        // Installed after the completer's own filter, so it sees the keys first.
        view_->installEventFilter(this);
        connect(completer_, qOverload<const QModelIndex&>(&QCompleter::activated), this,
                [this](const QModelIndex& index) {
                    pick(index.data().toString());
                    closeUp();
                });
        dropButton_ =
            addAction(arrowIcon(palette().color(QPalette::Text)), QLineEdit::TrailingPosition);
        dropButton_->setObjectName(QStringLiteral("DropDownButton"));
        connect(dropButton_, &QAction::triggered, this,
                [this] { isDroppedDown() ? closeUp() : dropDown(); });
        updateDropButton();
    }
    if (list_.sizable) {
        view_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        view_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        auto* grip = new QSizeGrip(view_);
        grip->installEventFilter(this);
        view_->setCornerWidget(grip);
    }
}

QString PickListEdit::value() const {
    return mask_.isEmpty() ? text() : mask_.valueOf(displayText());
}

void PickListEdit::setValue(const QString& value) {
    setText(value);
    setCursorPosition(mask_.isEmpty() ? static_cast<int>(text().size()) : 0);
}

bool PickListEdit::isDroppedDown() const {
    return view_ && view_->isVisible();
}

void PickListEdit::dropDown() {
    if (!hasPickList()) return;
    showList(mask_.isEmpty() ? text() : mask_.filledPrefix(displayText()), false);
}

void PickListEdit::closeUp() {
    if (view_ && view_->isVisible()) view_->hide();
}

void PickListEdit::pickRow(int row) {
    if (!completer_) return;
    const QModelIndex index = completer_->completionModel()->index(row, 0);
    if (!index.isValid()) return;
    pick(index.data().toString());
    closeUp();
}

QRect PickListEdit::listRect() const {
    int width =
        userSize_.isValid() ? userSize_.width() : std::max(list_.dropDownWidth, this->width());
    if (!userSize_.isValid() && list_.dropDownWidth <= 0 && list_.entries) {
        // Wide enough for the entries, within reason: a narrow column still shows whole names.
        const QFontMetrics fm(view_->font());
        int widest = 0;
        for (const QString& entry : *list_.entries)
            widest = std::max(widest, fm.horizontalAdvance(entry));
        const int chrome =
            2 * view_->frameWidth() + view_->verticalScrollBar()->sizeHint().width() + 12;
        width = std::max(width, std::min(widest + chrome, kWidestList));
    }
    // The list starts below the editor's last line of pixels, not on it.
    return QRect(0, 0, width, height() + 1);
}

void PickListEdit::updateDropButton() {
    if (!dropButton_) return;
    // The arrow goes where it would cover part of a masked value (a code fills its cell).
    bool fits = true;
    if (!mask_.isEmpty()) {
        const int needed = fontMetrics().horizontalAdvance(displayText()) + 8;
        fits = needed + height() <= width();
    }
    dropButton_->setVisible(fits);
}

void PickListEdit::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    updateDropButton();
}

void PickListEdit::showList(const QString& prefix, bool filtered) {
    if (!list_.entries || list_.entries->isEmpty()) {
        closeUp();
        return;
    }
    if (entries_->stringList() != *list_.entries) entries_->setStringList(*list_.entries);
    view_->setFont(font());
    completer_->setFilterMode(mask_.isEmpty() ? Qt::MatchContains : Qt::MatchStartsWith);
    completer_->setCompletionMode(filtered ? QCompleter::PopupCompletion
                                           : QCompleter::UnfilteredPopupCompletion);
    completer_->setCompletionPrefix(filtered ? prefix : QString());
    if (filtered && completer_->completionCount() == 0) {
        closeUp();
        return;
    }
    if (userSize_.isValid()) {
        const int row = std::max(1, view_->sizeHintForRow(0));
        completer_->setMaxVisibleItems(
            std::max(3, (userSize_.height() - 2 * view_->frameWidth()) / row));
    }
    completer_->complete(listRect());
    if (!filtered) {
        // The whole list, with the entry that holds the current value chosen.
        const QString current = prefix.trimmed();
        QAbstractItemModel* model = completer_->completionModel();
        view_->setCurrentIndex(QModelIndex());
        if (!current.isEmpty()) {
            for (int row = 0; row < model->rowCount(); ++row) {
                const QString entry = model->index(row, 0).data().toString();
                if (entry.startsWith(current, Qt::CaseInsensitive)) {
                    view_->setCurrentIndex(model->index(row, 0));
                    view_->scrollTo(model->index(row, 0), QAbstractItemView::PositionAtCenter);
                    break;
                }
            }
        }
    }
}

bool PickListEdit::pick(const QString& entry) {
    QString value = list_.pickLength > 0 ? entry.left(list_.pickLength) : entry;
    // An entry the field cannot keep whole (a name longer than the field) is not taken; the
    // validator says why.
    int cursor = 0;
    if (validator() && validator()->validate(value, cursor) == QValidator::Invalid) return false;
    setValue(value);
    setModified(true);
    emit picked(this->value());
    return true;
}

void PickListEdit::onTextEdited() {
    if (!hasPickList() || !list_.autoDropDown) return;
    const QString prefix = mask_.isEmpty() ? text() : mask_.filledPrefix(displayText());
    if (prefix.trimmed().isEmpty()) {
        closeUp();
        return;
    }
    showList(prefix, true);
}

void PickListEdit::keyPressEvent(QKeyEvent* event) {
    const bool altDown = event->key() == Qt::Key_Down && (event->modifiers() & Qt::AltModifier);
    if (hasPickList() &&
        (altDown || (event->key() == Qt::Key_F4 && event->modifiers() == Qt::NoModifier))) {
        isDroppedDown() ? closeUp() : dropDown();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

bool PickListEdit::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view_ && event->type() == QEvent::KeyPress && view_->isVisible()) {
        auto* key = static_cast<QKeyEvent*>(event);
        const QModelIndex current = view_->currentIndex();
        switch (key->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
            case Qt::Key_Tab:
            case Qt::Key_Backtab: {
                // The chosen entry (or, with none chosen, what was typed) is taken at once, and
                // the key goes on to the editor, so that one press also moves on as it does
                // without the list. An entry the field cannot keep stops there, with its note.
                if (current.isValid() && !pick(current.data().toString())) {
                    closeUp();
                    return true;
                }
                closeUp();
                QKeyEvent forwarded(QEvent::KeyPress, key->key(), key->modifiers(), key->text());
                QCoreApplication::sendEvent(this, &forwarded);
                return true;
            }
            case Qt::Key_Escape:
                closeUp();
                return true;
            default:
                break;
        }
    }
    if (view_ && watched == view_->cornerWidget() && event->type() == QEvent::MouseButtonRelease)
        userSize_ = view_->size();
    return QLineEdit::eventFilter(watched, event);
}

}  // namespace widgets
