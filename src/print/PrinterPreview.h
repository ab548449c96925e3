#pragma once

#include <QPainter>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "PagePicture.h"
#include "VirtualPrinter.h"

namespace print {

class TPrinterPreview;

// Who laid a document out: its "Настройка принтера" (the setup hook), how it lays the pages out
// again (for another printer, paper or orientation; false when that was stopped or failed, the
// failure reported), and the component itself. Any part may be empty.
struct DocumentSource {
    std::function<void()> setupHook;
    std::function<bool()> layOutAgain;
    const void* owner = nullptr;
};

// What shows the preview's pages (the preview window). The preview tells it when a document
// begins, when a page is complete and when the document ends.
class PreviewViewer {
public:
    virtual ~PreviewViewer() = default;
    virtual void documentBegun() = 0;
    // A page was started; the first call comes when page 2 begins, when page 1 is complete.
    virtual void pageCompleted() = 0;
    // The document is complete; the viewer takes over who laid it out.
    virtual void documentEnded(DocumentSource source) = 0;
};

// The print preview target: every page of a document is recorded as a picture at the
// printer's resolution, for the viewer to show and for the platform printer to print later.
// The page metrics come from the program's printer (its printer, paper and orientation), or
// are A4 at 600 pixels per inch when no printer source is installed.
class TPrinterPreview : public TVirtualPrinter {
public:
    TPrinterPreview();
    ~TPrinterPreview() override;

    // The one preview of the program, made with its viewer (through the factory the window
    // layer installs) on first use and kept until the program ends.
    static TPrinterPreview& shared();
    static void setViewerFactory(std::function<std::unique_ptr<PreviewViewer>(TPrinterPreview&)> factory);
    // Where the preview takes the page metrics and whether a printer is installed from;
    // without them, the default A4 page and no printer.
    struct PrinterSource {
        std::function<PageMetrics()> metrics;
        std::function<bool()> installed;
    };
    static void setPrinterSource(PrinterSource source);

    void BeginDoc() override;
    void NewPage() override;
    void EndDoc() override;
    void Abort() override { aborted_ = true; }
    bool Aborted() const override { return aborted_; }
    bool Printing() const override { return printing_; }
    QPainter& Canvas() override { return *painter_; }
    QPaintDevice& Handle() override { return measuring_; }
    int PageNumber() const override { return pageNumber_; }
    PageMetrics Metrics() const override { return metrics_; }
    bool Printers() const override;
    void setTitle(const QString& title) override { title_ = title; }
    QString Title() const override { return title_; }

    // The recorded pages, counted from 1.
    int pageCount() const { return static_cast<int>(pages_.size()); }
    const PagePicture& page(int number) const { return *pages_.at(static_cast<size_t>(number - 1)); }
    // Draws a recorded page at the painter's origin, one page pixel per painter unit.
    void DrawPage(QPainter& painter, int number) const;
    // Draws pages from..to onto another printer target (the platform printer) as one
    // document, one page per sheet, scaled from this resolution to the target's.
    void Print(TVirtualPrinter& target, int from, int to) const;

    // Who lays the next document out. The grid printer installs itself before a layout; the
    // viewer takes it over when the document ends.
    void setDocumentSource(DocumentSource source) { source_ = std::move(source); }

    PreviewViewer* viewer() const { return viewer_.get(); }
    void setViewer(std::unique_ptr<PreviewViewer> viewer) { viewer_ = std::move(viewer); }

private:
    void startPage();
    void finishPage();

    std::vector<std::unique_ptr<PagePicture>> pages_;
    std::optional<QPainter> painter_;
    PageMetrics metrics_ = PageMetrics::defaultA4();
    PagePicture measuring_{metrics_};
    int pageNumber_ = 0;
    bool printing_ = false;
    bool aborted_ = false;
    QString title_;
    DocumentSource source_;
    std::unique_ptr<PreviewViewer> viewer_;
};

}  // namespace print
