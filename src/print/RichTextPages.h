#pragma once

#include <QRectF>

class QPainter;
class QTextDocument;

namespace print {

// Prints a rich text over as many pages as it needs: each call draws, into an area of a page,
// the whole lines that fit from where the last call stopped. A line that does not fit below
// what a page holds already is left for the next page; at the top of a page at least one line
// is drawn, cut at the area's bottom when a single line is taller than the area.
class RichTextPages {
public:
    // The document is laid out for the width of the areas it is drawn into; its layout's
    // paint device must be the page's.
    RichTextPages(QTextDocument& document, qreal width);

    // Done when nothing but empty lines is left: they would only open an empty page.
    bool done() const;
    // Draws the next part into the area; returns the height used (0 when the next line is left
    // for the next page). `atTop`: the area begins at the top of the page's body.
    qreal drawNext(QPainter& painter, const QRectF& area, bool atTop);
    // Goes past the next part as drawNext would, drawing nothing.
    qreal skipNext(qreal height, bool atTop);

private:
    // Where the next part ends: the bottom of the last line that ends within `height` from
    // where the last part stopped; without one, the first line's bottom at the top of a page,
    // else where the last part stopped (nothing fits).
    qreal cutAt(qreal height, bool atTop) const;

    QTextDocument& document_;
    qreal from_ = 0;
    qreal height_ = 0;
};

}  // namespace print
