#include "PlatformPrinter.h"

#include <QPrinterInfo>

#include "EngineError.h"

namespace windows {

PlatformPrinter::~PlatformPrinter() {
    if (painter_) painter_->end();  // a document left unfinished by an error
}

void PlatformPrinter::BeginDoc() {
    painter_.emplace();
    if (!painter_->begin(&printer_)) {
        painter_.reset();
        throw base::EngineError(QStringLiteral("Не удалось начать печать на принтере «%1».").arg(printer_.printerName()));
    }
    pageNumber_ = 1;
    aborted_ = false;
}

void PlatformPrinter::NewPage() {
    if (!printer_.newPage()) throw base::EngineError(QStringLiteral("Ошибка печати: не удалось начать новую страницу."));
    ++pageNumber_;
}

void PlatformPrinter::EndDoc() {
    if (!painter_) return;
    const bool ended = painter_->end();
    painter_.reset();
    // A job that failed (a printer gone, a file that could not be written) is not done.
    if (printer_.printerState() == QPrinter::Error || (!ended && !aborted_)) {
        const QString name = printer_.outputFileName().isEmpty() ? printer_.printerName()
                                                                 : printer_.outputFileName();
        throw base::EngineError(QStringLiteral("Ошибка печати на принтере «%1».").arg(name));
    }
}

void PlatformPrinter::Abort() {
    aborted_ = true;
    printer_.abort();
}

print::PageMetrics PlatformPrinter::metricsOf(const QPrinter& printer) {
    print::PageMetrics m;
    m.dpiX = printer.logicalDpiX();
    m.dpiY = printer.logicalDpiY();
    const QRectF paper = printer.paperRect(QPrinter::DevicePixel);
    const QRectF page = printer.pageRect(QPrinter::DevicePixel);
    m.fullPageWidth = static_cast<int>(paper.width());
    m.fullPageHeight = static_cast<int>(paper.height());
    m.pageWidth = static_cast<int>(page.width());
    m.pageHeight = static_cast<int>(page.height());
    return m;
}

print::PageMetrics PlatformPrinter::Metrics() const {
    return metricsOf(printer_);
}

bool PlatformPrinter::anyPrinterInstalled() {
    return !QPrinterInfo::availablePrinterNames().isEmpty();
}

bool PlatformPrinter::Printers() const {
    return anyPrinterInstalled();
}

}  // namespace windows
