#include "RichTextPages.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

namespace print {

RichTextPages::RichTextPages(QTextDocument& document, qreal width) : document_(document) {
    document_.setDocumentMargin(0);
    document_.setTextWidth(width);
    height_ = document_.documentLayout()->documentSize().height();
}

bool RichTextPages::done() const {
    if (from_ >= height_) return true;
    for (QTextBlock block = document_.begin(); block.isValid(); block = block.next()) {
        if (document_.documentLayout()->blockBoundingRect(block).bottom() <= from_ + 0.5) continue;
        if (!block.text().trimmed().isEmpty()) return false;
    }
    return true;
}

qreal RichTextPages::cutAt(qreal height, bool atTop) const {
    const qreal limit = from_ + height;
    qreal cut = -1, first = -1;
    for (QTextBlock block = document_.begin(); block.isValid(); block = block.next()) {
        const QRectF box = document_.documentLayout()->blockBoundingRect(block);
        const QTextLayout* layout = block.layout();
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            const qreal bottom = box.top() + line.y() + line.height();
            if (bottom <= from_ + 0.5) continue;
            if (first < 0) first = bottom;
            if (bottom > limit + 0.5) return cut > 0 ? cut : (atTop ? first : from_);
            cut = bottom;
        }
        // The block's spacing below its last line belongs to it.
        if (box.bottom() > from_ && box.bottom() <= limit + 0.5) cut = std::max(cut, box.bottom());
    }
    return cut > 0 ? cut : (first > 0 ? first : height_);
}

qreal RichTextPages::drawNext(QPainter& painter, const QRectF& area, bool atTop) {
    if (done()) return 0;
    const qreal cut = std::min(cutAt(area.height(), atTop), height_);
    if (cut <= from_) return 0;
    const qreal used = std::min(cut - from_, area.height());
    painter.save();
    painter.translate(area.left(), area.top() - from_);
    // Only the lines of this part are drawn, the others not merely clipped away: a line that
    // ends where this part begins, or begins where it ends, would otherwise be drawn here too
    // (unseen, but a PDF would hold its text twice).
    constexpr qreal kInside = 0.01;
    document_.drawContents(&painter, QRectF(0, from_ + kInside, area.width(), used - 2 * kInside));
    painter.restore();
    from_ = cut;
    return used;
}

qreal RichTextPages::skipNext(qreal height, bool atTop) {
    if (done()) return 0;
    const qreal cut = std::min(cutAt(height, atTop), height_);
    const qreal used = std::min(cut - from_, height);
    from_ = cut;
    return used;
}

}  // namespace print
