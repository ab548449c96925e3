#include "ProgramPrinter.h"

#include <QPageSetupDialog>
#include <QPrinter>
#include <QPrinterInfo>

namespace windows {

namespace {

PageSetupDialog& replacedDialog() {
    static PageSetupDialog dialog;
    return dialog;
}

QPrinter* makePrinter() {
    QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull() && !QPrinterInfo::availablePrinters().isEmpty())
        info = QPrinterInfo::availablePrinters().first();
    if (!info.isNull()) return new QPrinter(info, QPrinter::HighResolution);
    auto* printer = new QPrinter(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setResolution(600);
    printer->setPageSize(QPageSize(QPageSize::A4));
    printer->setPageOrientation(QPageLayout::Portrait);
    return printer;
}

}  // namespace

QPrinter& programPrinter() {
    static QPrinter* printer = makePrinter();  // kept until the program ends
    return *printer;
}

bool programPageSetup(QWidget* parent) {
    QPrinter& printer = programPrinter();
    const QPageLayout before = printer.pageLayout();
    const bool accepted = replacedDialog()
                              ? replacedDialog()(printer, parent)
                              : QPageSetupDialog(&printer, parent).exec() == QDialog::Accepted;
    if (accepted) return true;
    printer.setPageLayout(before);
    return false;
}

void setPageSetupDialog(PageSetupDialog dialog) {
    replacedDialog() = std::move(dialog);
}

void forgetOutputFile(QPrinter& printer) {
    if (printer.outputFileName().isEmpty()) return;
    const QPageLayout layout = printer.pageLayout();
    const int resolution = printer.resolution();
    printer.setOutputFileName(QString());
    // Going back from the file to the printer keeps the paper, orientation and resolution.
    printer.setPageLayout(layout);
    if (printer.resolution() != resolution) printer.setResolution(resolution);
}

}  // namespace windows
