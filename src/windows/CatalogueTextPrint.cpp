#include "CatalogueTextPrint.h"

#include <QPrinter>
#include <QTextEdit>

#include "Dialogs.h"
#include "PlainTextPrintout.h"
#include "PlatformPrinter.h"
#include "ProgramPrinter.h"

namespace windows {

print::TextLook screenLookOf(const QTextEdit& edit) {
    print::TextLook look;
    look.font = edit.document()->defaultFont();
    // A font given in the screen's pixels keeps its size in points on paper.
    if (look.font.pixelSize() > 0)
        look.font.setPointSizeF(look.font.pixelSize() * 72.0 / edit.logicalDpiY());
    look.color = edit.palette().color(QPalette::Text);
    look.tabStopInches = edit.tabStopDistance() / edit.logicalDpiX();
    return look;
}

void printCatalogueText(const QTextEdit& edit, print::TVirtualPrinter& target) {
    print::printPlainText(target, QStringLiteral("Справочник статей затрат"), edit.toPlainText(),
                          screenLookOf(edit));
}

void printCatalogueText(const QTextEdit& edit, base::Dialogs& dialogs) {
    QPrinter& printer = programPrinter();
    if (!PlatformPrinter::anyPrinterInstalled() ||
        printer.outputFormat() != QPrinter::NativeFormat) {
        dialogs.messageBox(QStringLiteral("Не установлен ни один принтер.\n\rСправочник статей затрат напечатать нельзя."),
                           QStringLiteral("Ошибка"), base::MB_ICONHAND);
        return;
    }
    PlatformPrinter target(printer);
    printCatalogueText(edit, target);
}

}  // namespace windows
