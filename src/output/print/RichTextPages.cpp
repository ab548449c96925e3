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

qreal RichTextPages::cutAt(qreal limit) const {
    qreal cut = -1, first = -1;
    for (QTextBlock block = document_.begin(); block.isValid(); block = block.next()) {
        const QRectF box = document_.documentLayout()->blockBoundingRect(block);
        const QTextLayout* layout = block.layout();
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            const qreal bottom = box.top() + line.y() + line.height();
            if (bottom <= from_ + 0.5) continue;
            if (first < 0) first = bottom;
            if (bottom > limit + 0.5) return cut > 0 ? cut : first;
            cut = bottom;
        }
        // The block's spacing below its last line belongs to it.
        if (box.bottom() > from_ && box.bottom() <= limit + 0.5) cut = std::max(cut, box.bottom());
    }
    return cut > 0 ? cut : (first > 0 ? first : height_);
}

qreal RichTextPages::drawNext(QPainter& painter, const QRectF& area) {
    if (done()) return 0;
    const qreal cut = std::min(cutAt(from_ + area.height()), height_);
    const qreal used = std::min(cut - from_, area.height());
    painter.save();
    painter.translate(area.left(), area.top() - from_);
    document_.drawContents(&painter, QRectF(0, from_, area.width(), used));
    painter.restore();
    from_ = cut;
    return used;
}

qreal RichTextPages::skipNext(qreal height) {
    if (done()) return 0;
    const qreal cut = std::min(cutAt(from_ + height), height_);
    const qreal used = std::min(cut - from_, height);
    from_ = cut;
    return used;
}

}  // namespace print
