#pragma once

#include <QPainter>
#include <QPrinter>
#include <optional>

#include "VirtualPrinter.h"

namespace windows {

// The printer target that goes to a platform printer (or to a PDF file when the print dialog
// says so).
class PlatformPrinter : public print::TVirtualPrinter {
public:
    // Prints on the given printer (not owned), as set up by a print dialog.
    explicit PlatformPrinter(QPrinter& printer) : printer_(printer) {}
    ~PlatformPrinter() override;

    void BeginDoc() override;
    void NewPage() override;
    void EndDoc() override;
    void Abort() override;
    bool Aborted() const override { return aborted_; }
    bool Printing() const override { return painter_.has_value(); }
    QPainter& Canvas() override { return *painter_; }
    QPaintDevice& Handle() override { return printer_; }
    int PageNumber() const override { return pageNumber_; }
    print::PageMetrics Metrics() const override;
    bool Printers() const override;
    void setTitle(const QString& title) override { printer_.setDocName(title); }
    QString Title() const override { return printer_.docName(); }

    static print::PageMetrics metricsOf(const QPrinter& printer);
    static bool anyPrinterInstalled();

private:
    QPrinter& printer_;
    std::optional<QPainter> painter_;
    int pageNumber_ = 0;
    bool aborted_ = false;
};

}  // namespace windows
