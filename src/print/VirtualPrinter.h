#pragma once

#include <QString>

class QPainter;
class QPaintDevice;

namespace print {

// The size and resolution of a printer's page: the printable area and the whole sheet in
// device pixels, and the pixels per inch.
struct PageMetrics {
    int pageWidth = 0, pageHeight = 0;          // printable area
    int fullPageWidth = 0, fullPageHeight = 0;  // the whole sheet
    int dpiX = 0, dpiY = 0;

    // A4 portrait at 600 pixels per inch printable to its edges: what pages are laid out for
    // when no printer is installed (600 dpi is what office laser printers print at).
    static PageMetrics defaultA4();
    bool operator==(const PageMetrics&) const = default;
};

// A printer target: what a layout draws its pages on. One implementation goes to the
// platform's printer; the preview records the pages to show them first.
class TVirtualPrinter {
public:
    virtual ~TVirtualPrinter() = default;

    virtual void BeginDoc() = 0;
    virtual void NewPage() = 0;
    virtual void EndDoc() = 0;
    virtual void Abort() = 0;
    virtual bool Aborted() const = 0;
    virtual bool Printing() const = 0;
    // The painter of the page being drawn (between BeginDoc and EndDoc).
    virtual QPainter& Canvas() = 0;
    // A device with the page's metrics, for measuring texts at any time.
    virtual QPaintDevice& Handle() = 0;
    virtual int PageNumber() const = 0;
    virtual PageMetrics Metrics() const = 0;
    // Whether any printer is installed.
    virtual bool Printers() const = 0;
    virtual void setTitle(const QString& title) = 0;
    virtual QString Title() const = 0;

    int PageWidth() const { return Metrics().pageWidth; }
    int PageHeight() const { return Metrics().pageHeight; }
    int FullPageWidth() const { return Metrics().fullPageWidth; }
    int FullPageHeight() const { return Metrics().fullPageHeight; }
    int PixelsPerInchX() const { return Metrics().dpiX; }
    int PixelsPerInchY() const { return Metrics().dpiY; }
};

}  // namespace print
