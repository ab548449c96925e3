#pragma once

#include <QRectF>

class QPainter;
class QTextDocument;

namespace print {

// Prints a rich text over as many pages as it needs: each call draws, into an area of a page,
// the whole lines that fit from where the last call stopped (at least one line, cut at the
// area's bottom when a single line is taller than the area).
class RichTextPages {
public:
    // The document is laid out for the width of the areas it is drawn into; its layout's
    // paint device must be the page's.
    RichTextPages(QTextDocument& document, qreal width);

    // Done when nothing but empty lines is left: they would only open an empty page.
    bool done() const;
    // Draws the next part into the area; returns the height used.
    qreal drawNext(QPainter& painter, const QRectF& area);
    // Goes past the next part as drawNext would, drawing nothing.
    qreal skipNext(qreal height);

private:
    // The bottom of the last line that ends within `limit`, or the first line's bottom.
    qreal cutAt(qreal limit) const;

    QTextDocument& document_;
    qreal from_ = 0;
    qreal height_ = 0;
};

}  // namespace print
