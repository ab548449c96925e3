#include "InputHint.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <algorithm>

namespace widgets {

namespace {

constexpr int kShownMs = 6000;
constexpr int kWidest = 460;

struct Hint {
    QPointer<QLabel> label;
    QPointer<QTimer> timer;
    QPointer<QWidget> anchor;
    QMetaObject::Connection anchorGone;
};

Hint& hint() {
    static Hint h;
    return h;
}

// The note is a window of its own; it goes with the application.
void deleteLabel() {
    delete hint().label.data();
}

QLabel* label() {
    Hint& h = hint();
    if (!h.label) {
        h.label = new QLabel(nullptr,
                             Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
        qAddPostRoutine(deleteLabel);
        h.label->setObjectName(QStringLiteral("InputHint"));
        h.label->setAttribute(Qt::WA_ShowWithoutActivating);
        h.label->setWordWrap(true);
        h.label->setMargin(4);
        h.label->setStyleSheet(QStringLiteral(
            "QLabel { background: #ffffe1; color: #000000; border: 1px solid #7f7f7f; }"));
        h.timer = new QTimer(h.label);
        h.timer->setSingleShot(true);
        QObject::connect(h.timer, &QTimer::timeout, h.label, &QLabel::hide);
    }
    return h.label;
}

}  // namespace

void InputHint::show(QWidget* anchor, const QString& text) {
    if (!anchor) return;
    QApplication::beep();
    QLabel* l = label();
    Hint& h = hint();
    if (h.anchor != anchor) {
        QObject::disconnect(h.anchorGone);
        h.anchor = anchor;
        h.anchorGone = QObject::connect(anchor, &QObject::destroyed, l, &QLabel::hide);
    }
    l->setText(text);
    // As wide as the text up to a readable measure, then wrapped.
    const int margins = 2 * l->margin() + 2 * l->frameWidth() + 4;
    l->setFixedWidth(std::min(kWidest, l->fontMetrics().horizontalAdvance(text) + margins));
    l->setFixedHeight(l->heightForWidth(l->width()));
    // Below the control, or above it where the screen ends.
    QPoint at = anchor->mapToGlobal(QPoint(0, anchor->height() + 2));
    if (const QScreen* screen = anchor->screen()) {
        const QRect area = screen->availableGeometry();
        if (at.y() + l->height() > area.bottom())
            at.setY(anchor->mapToGlobal(QPoint(0, 0)).y() - l->height() - 2);
        at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() - l->width())));
    }
    l->move(at);
    l->show();
    l->raise();
    h.timer->start(kShownMs);
}

void InputHint::hide() {
    if (hint().label) hint().label->hide();
}

QString InputHint::shownText() {
    const Hint& h = hint();
    return h.label && h.label->isVisible() ? h.label->text() : QString();
}

}  // namespace widgets
