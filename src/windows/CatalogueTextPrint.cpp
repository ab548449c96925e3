#include "CatalogueTextPrint.h"

#include <QPrinter>
#include <QPrinterInfo>
#include <QTextDocument>
#include <memory>

#include "Dialogs.h"
#include "engine/EngineError.h"

namespace windows {

void printCatalogueText(const QTextDocument& listing, store::Dialogs& dialogs) {
    QPrinterInfo current = QPrinterInfo::defaultPrinter();
    if (current.isNull() && !QPrinterInfo::availablePrinters().isEmpty()) current = QPrinterInfo::availablePrinters().first();
    if (current.isNull()) {
        dialogs.messageBox(QStringLiteral("Не установлен ни один принтер.\n\rСправочник статей затрат напечатать нельзя."),
                           QStringLiteral("Ошибка"), store::MB_ICONHAND);
        return;
    }
    QPrinter printer(current, QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Справочник статей затрат"));
    const std::unique_ptr<QTextDocument> copy(listing.clone());
    copy->print(&printer);
    if (printer.printerState() == QPrinter::Error)
        throw engine::EngineError(QStringLiteral("Ошибка печати на принтере «%1».").arg(current.printerName()));
}

}  // namespace windows
