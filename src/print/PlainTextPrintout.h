#pragma once

#include <QColor>
#include <QFont>
#include <QString>

namespace print {

class TVirtualPrinter;

// How a plain text looks on the screen, to be printed the same: the font with its size in
// points, the colour, and the distance between tab stops in inches.
struct TextLook {
    QFont font;
    QColor color = Qt::black;
    qreal tabStopInches = 0.5;
};

// Prints a plain text on the target as one document with the given title: in the look's font
// at its size in points and in its colour, with tab stops at the look's distance on paper.
// Each page uses the target's printable area; a line wider than it goes on in the next line,
// and the text goes on over as many pages as it needs. There are no page numbers. An empty
// text prints one empty page.
void printPlainText(TVirtualPrinter& target, const QString& title, const QString& text,
                    const TextLook& look);

}  // namespace print
