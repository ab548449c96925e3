#include "FormAnimateProgress.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>
#include <numbers>

#include "TitleBar.h"

namespace windows {

namespace {
constexpr int kFrameMs = 40;
constexpr int kFramesPerSheet = 30;  // one sheet crosses in 1.2 s
constexpr int kSheetsInFlight = 2;
}  // namespace

CopyAnimation::CopyAnimation(QWidget* parent) : QWidget(parent), timer_(new QTimer(this)) {
    timer_->setInterval(kFrameMs);
    connect(timer_, &QTimer::timeout, this, [this] {
        frame_ = (frame_ + 1) % kFramesPerSheet;
        update();
    });
}

bool CopyAnimation::isRunning() const {
    return timer_->isActive();
}

void CopyAnimation::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    timer_->start();
}

void CopyAnimation::hideEvent(QHideEvent* event) {
    timer_->stop();
    QWidget::hideEvent(event);
}

void CopyAnimation::paintFolder(QPainter& p, const QRectF& r) const {
    QPainterPath folder;
    const qreal tab = r.height() * 0.2;
    folder.moveTo(r.left(), r.top() + tab);
    folder.lineTo(r.left(), r.bottom());
    folder.lineTo(r.right(), r.bottom());
    folder.lineTo(r.right(), r.top() + tab);
    folder.lineTo(r.left() + r.width() * 0.45, r.top() + tab);
    folder.lineTo(r.left() + r.width() * 0.35, r.top());
    folder.lineTo(r.left(), r.top());
    folder.closeSubpath();
    p.setPen(QPen(QColor(0x8a, 0x6d, 0x1e), 1));
    p.setBrush(QColor(0xf2, 0xc9, 0x4c));
    p.drawPath(folder);
}

void CopyAnimation::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal h = height();
    const QSizeF folderSize(h * 0.75, h * 0.55);
    const qreal margin = width() * 0.12;
    const QRectF source(QPointF(margin, h - folderSize.height() - 4), folderSize);
    const QRectF target(QPointF(width() - margin - folderSize.width(), source.top()), folderSize);
    paintFolder(p, source);
    paintFolder(p, target);

    // Sheets leave the source folder and land in the target folder along an arc.
    const QSizeF sheet(h * 0.22, h * 0.28);
    const QPointF from(source.center().x(), source.top() + sheet.height() / 2);
    const QPointF to(target.center().x(), target.top() + sheet.height() / 2);
    for (int s = 0; s < kSheetsInFlight; ++s) {
        const int f = (frame_ + s * kFramesPerSheet / kSheetsInFlight) % kFramesPerSheet;
        const qreal t = qreal(f) / kFramesPerSheet;
        const QPointF at(
            from.x() + (to.x() - from.x()) * t,
            from.y() - std::sin(t * std::numbers::pi) * (from.y() - sheet.height() / 2 - 2));
        p.save();
        p.translate(at);
        p.rotate(-20 + 40 * t);
        const QRectF r(QPointF(-sheet.width() / 2, -sheet.height() / 2), sheet);
        p.setPen(QPen(palette().color(QPalette::WindowText), 1));
        p.setBrush(Qt::white);
        p.drawRect(r);
        for (int line = 1; line <= 3; ++line) {
            const qreal y = r.top() + r.height() * line / 4.0;
            p.drawLine(QPointF(r.left() + 2, y), QPointF(r.right() - 2, y));
        }
        p.restore();
    }
}

TFormAnimateProgress::TFormAnimateProgress(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("FormAnimateProgress"));
    setWindowTitle(QStringLiteral("Копирование файлов:"));
    widgets::setTitleBarButtons(this, widgets::TitleBarButtons::None);
    setFixedSize(kClientWidth, kClientHeight);

    auto* panel = new QFrame(this);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Raised);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(panel);

    label_ = new QLabel(panel);
    label_->setAlignment(Qt::AlignCenter);
    label_->setWordWrap(true);
    animation_ = new CopyAnimation(panel);
    animation_->setFixedHeight(kAnimationHeight);

    auto* inner = new QVBoxLayout(panel);
    inner->setContentsMargins(4, 2, 4, 2);
    inner->setSpacing(0);
    inner->addWidget(label_, 1);
    inner->addWidget(animation_);

    centreOnScreen();
}

void TFormAnimateProgress::showEvent(QShowEvent* event) {
    centreOnScreen();
    QWidget::showEvent(event);
}

void TFormAnimateProgress::centreOnScreen() {
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!s) return;
    QRect frame = frameGeometry();
    frame.moveCenter(s->availableGeometry().center());
    move(frame.topLeft());
}

}  // namespace windows
