#include "PreviewBox.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "PrinterPreview.h"

namespace windows {

namespace {

constexpr int kZoomPercent[] = {500, 200, 150, 100, 75, 50, 25, 10};
const QColor kBackground(64, 64, 64);
constexpr int kWholePageSpare = 16;
constexpr int kPageWidthMargin = 8;

}  // namespace

const QString& TPreviewBox::modeCaption(int mode) {
    static const QString captions[kModeCount] = {
        QStringLiteral("500%"), QStringLiteral("200%"), QStringLiteral("150%"), QStringLiteral("100%"),
        QStringLiteral("75%"),  QStringLiteral("50%"),  QStringLiteral("25%"),  QStringLiteral("10%"),
        QStringLiteral("По ширине страницы"), QStringLiteral("Страница целиком")};
    return captions[std::clamp(mode, 0, kModeCount - 1)];
}

TPreviewBox::TPreviewBox(print::TPrinterPreview& preview, QWidget* parent) : QAbstractScrollArea(parent), preview_(preview) {
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::OpenHandCursor);
    verticalScrollBar()->setSingleStep(20);
    horizontalScrollBar()->setSingleStep(20);
}

int TPreviewBox::pageCount() const {
    return preview_.pageCount();
}

void TPreviewBox::setCurrentPage(int page) {
    page = std::clamp(page, 1, std::max(1, pageCount()));
    if (page == page_) return;
    page_ = page;
    viewport()->update();
    emit stateChanged();
}

void TPreviewBox::setViewMode(int mode) {
    mode = std::clamp(mode, 0, kModeCount - 1);
    if (mode == mode_) return;
    mode_ = mode;
    updateScrollBars();
    viewport()->update();
    emit stateChanged();
}

void TPreviewBox::pagesChanged() {
    const int pages = pageCount();
    if (page_ > std::max(1, pages)) page_ = std::max(1, pages);
    const bool shownChanged = pages != shownPages_ && (page_ >= shownPages_ - 1 || page_ >= pages - 1);
    shownPages_ = pages;
    if (shownChanged || !preview_.Printing()) {
        updateScrollBars();
        viewport()->update();
    }
    emit stateChanged();
}

QSizeF TPreviewBox::sheetMillimetres() const {
    const print::PageMetrics m = preview_.Metrics();
    return QSizeF(m.fullPageWidth * 25.4 / std::max(1, m.dpiX), m.fullPageHeight * 25.4 / std::max(1, m.dpiY));
}

double TPreviewBox::naturalScale() const {
    return logicalDpiX() / 25.4;
}

QSize TPreviewBox::sheetSize() const {
    const QSizeF mm = sheetMillimetres();
    double scale = naturalScale();
    if (mode_ < PageWidth) {
        scale *= kZoomPercent[mode_] / 100.0;
    } else if (mode_ == PageWidth) {
        const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        scale = std::max(1.0, width() - scrollBar - 20.0) / mm.width();
    } else {
        scale = std::min((viewport()->width() - kWholePageSpare) / mm.width(), (viewport()->height() - kWholePageSpare) / mm.height());
    }
    scale = std::max(scale, 0.05);
    return QSize(std::max(1, static_cast<int>(mm.width() * scale)), std::max(1, static_cast<int>(mm.height() * scale)));
}

QRect TPreviewBox::sheetRect() const {
    const QSize size = sheetSize();
    const int margin = mode_ == PageWidth ? kPageWidthMargin : kWholePageSpare / 2;
    const int x = size.width() + 2 * margin <= viewport()->width() ? (viewport()->width() - size.width()) / 2
                                                                   : margin - horizontalScrollBar()->value();
    const int y = size.height() + 2 * margin <= viewport()->height() ? (viewport()->height() - size.height()) / 2
                                                                     : margin - verticalScrollBar()->value();
    return QRect(QPoint(x, y), size);
}

void TPreviewBox::updateScrollBars() {
    const QSize size = sheetSize();
    const int margin = mode_ == PageWidth ? kPageWidthMargin : kWholePageSpare / 2;
    const int extraX = size.width() + 2 * margin - viewport()->width();
    const int extraY = size.height() + 2 * margin - viewport()->height();
    horizontalScrollBar()->setRange(0, std::max(0, extraX));
    verticalScrollBar()->setRange(0, std::max(0, extraY));
    horizontalScrollBar()->setPageStep(viewport()->width());
    verticalScrollBar()->setPageStep(viewport()->height());
}

void TPreviewBox::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void TPreviewBox::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), kBackground);
    const QRect sheet = sheetRect();
    painter.fillRect(sheet, Qt::white);
    painter.setPen(QPen(Qt::black, 0));
    painter.drawRect(sheet.adjusted(0, 0, -1, -1));
    if (page_ < 1 || page_ > pageCount()) return;
    const print::PageMetrics m = preview_.Metrics();
    const double scale = static_cast<double>(sheet.width()) / std::max(1, m.fullPageWidth);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setClipRect(sheet);
    painter.translate(sheet.topLeft());
    painter.scale(scale, scale);
    // The printable area at its place on the sheet.
    painter.translate((m.fullPageWidth - m.pageWidth) / 2.0, (m.fullPageHeight - m.pageHeight) / 2.0);
    preview_.DrawPage(painter, page_);
}

void TPreviewBox::keyPressEvent(QKeyEvent* event) {
    QScrollBar* v = verticalScrollBar();
    QScrollBar* h = horizontalScrollBar();
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
        case Qt::Key_PageUp: v->setValue(ctrl ? v->minimum() : v->value() - v->pageStep()); break;
        case Qt::Key_PageDown: v->setValue(ctrl ? v->maximum() : v->value() + v->pageStep()); break;
        case Qt::Key_Up: v->setValue(v->value() - (ctrl ? v->pageStep() : v->singleStep())); break;
        case Qt::Key_Down: v->setValue(v->value() + (ctrl ? v->pageStep() : v->singleStep())); break;
        case Qt::Key_Left: h->setValue(h->value() - (ctrl ? h->pageStep() : h->singleStep())); break;
        case Qt::Key_Right: h->setValue(h->value() + (ctrl ? h->pageStep() : h->singleStep())); break;
        case Qt::Key_Home:
            h->setValue(h->minimum());
            if (ctrl) v->setValue(v->minimum());
            break;
        case Qt::Key_End:
            h->setValue(h->maximum());
            if (ctrl) v->setValue(v->maximum());
            break;
        default: QAbstractScrollArea::keyPressEvent(event); return;
    }
    viewport()->update();
}

void TPreviewBox::wheelEvent(QWheelEvent* event) {
    // With the whole sheet in view, the wheel turns the pages.
    if (verticalScrollBar()->maximum() == 0) {
        const int steps = event->angleDelta().y();
        if (steps < 0) setCurrentPage(page_ + 1);
        if (steps > 0) setCurrentPage(page_ - 1);
        event->accept();
        return;
    }
    QAbstractScrollArea::wheelEvent(event);
}

void TPreviewBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    pressed_ = true;
    dragged_ = false;
    pressAt_ = event->position().toPoint();
    scrollAtPress_ = QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
    viewport()->setCursor(Qt::ClosedHandCursor);
}

void TPreviewBox::mouseMoveEvent(QMouseEvent* event) {
    if (!pressed_) return;
    const QPoint delta = event->position().toPoint() - pressAt_;
    if (delta.manhattanLength() > 3) dragged_ = true;
    horizontalScrollBar()->setValue(scrollAtPress_.x() - delta.x());
    verticalScrollBar()->setValue(scrollAtPress_.y() - delta.y());
    viewport()->update();
}

void TPreviewBox::mouseReleaseEvent(QMouseEvent* event) {
    if (!pressed_ || event->button() != Qt::LeftButton) return;
    pressed_ = false;
    viewport()->setCursor(Qt::OpenHandCursor);
    if (dragged_) return;
    // A click: from the whole page to 150 % at the clicked point, else back to the whole page.
    if (mode_ != WholePage) {
        setViewMode(WholePage);
        return;
    }
    const QRect before = sheetRect();
    const QPointF at = event->position();
    const double fx = (at.x() - before.left()) / std::max(1, before.width());
    const double fy = (at.y() - before.top()) / std::max(1, before.height());
    setViewMode(Zoom150);
    const QSize size = sheetSize();
    horizontalScrollBar()->setValue(static_cast<int>(fx * size.width() - at.x()));
    verticalScrollBar()->setValue(static_cast<int>(fy * size.height() - at.y()));
    viewport()->update();
}

}  // namespace windows
