#include "PlainTextPrintout.h"

#include <QAbstractTextDocumentLayout>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>

#include "RichTextPages.h"
#include "VirtualPrinter.h"

// The resolution Qt's text layout measures tab stops against: it scales a tab stop distance by
// the paint device's resolution over this one.
Q_GUI_EXPORT int qt_defaultDpiX();

namespace print {

void printPlainText(TVirtualPrinter& target, const QString& title, const QString& text,
                    const TextLook& look) {
    target.setTitle(title);
    target.BeginDoc();
    try {
        // Laid out for the printer, so that the font's points and the tab stops' inches are
        // measured in the printer's pixels.
        QTextDocument document;
        document.documentLayout()->setPaintDevice(&target.Handle());
        document.setDocumentMargin(0);
        document.setDefaultFont(look.font);
        QTextOption option = document.defaultTextOption();
        option.setTabStopDistance(look.tabStopInches * qt_defaultDpiX());
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        document.setDefaultTextOption(option);
        document.setPlainText(text);
        QTextCursor all(&document);
        all.select(QTextCursor::Document);
        QTextCharFormat color;
        color.setForeground(look.color);
        all.mergeCharFormat(color);

        RichTextPages pages(document, target.PageWidth());
        for (bool first = true; !pages.done(); first = false) {
            if (!first) target.NewPage();
            pages.drawNext(target.Canvas(), QRectF(0, 0, target.PageWidth(), target.PageHeight()),
                           true);
        }
    } catch (...) {
        try {
            target.EndDoc();
        } catch (...) {
        }
        throw;
    }
    target.EndDoc();
}

}  // namespace print
