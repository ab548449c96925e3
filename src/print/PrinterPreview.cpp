#include "PrinterPreview.h"

#include <QPainter>
#include <utility>

namespace print {

namespace {

std::function<std::unique_ptr<PreviewViewer>(TPrinterPreview&)>& viewerFactory() {
    static std::function<std::unique_ptr<PreviewViewer>(TPrinterPreview&)> factory;
    return factory;
}

TPrinterPreview::PrinterSource& printerSource() {
    static TPrinterPreview::PrinterSource source;
    return source;
}

}  // namespace

TPrinterPreview::TPrinterPreview() = default;

TPrinterPreview::~TPrinterPreview() {
    if (painter_) painter_->end();
}

TPrinterPreview& TPrinterPreview::shared() {
    static TPrinterPreview* preview = [] {
        auto* p = new TPrinterPreview;  // kept until the program ends
        if (viewerFactory()) p->setViewer(viewerFactory()(*p));
        return p;
    }();
    return *preview;
}

void TPrinterPreview::setViewerFactory(std::function<std::unique_ptr<PreviewViewer>(TPrinterPreview&)> factory) {
    viewerFactory() = std::move(factory);
}

void TPrinterPreview::setPrinterSource(PrinterSource source) {
    printerSource() = std::move(source);
}

bool TPrinterPreview::Printers() const {
    return printerSource().installed && printerSource().installed();
}

void TPrinterPreview::BeginDoc() {
    if (painter_) painter_->end();
    painter_.reset();
    pages_.clear();
    metrics_ = printerSource().metrics ? printerSource().metrics() : PageMetrics::defaultA4();
    measuring_ = PagePicture(metrics_);
    pageNumber_ = 1;
    aborted_ = false;
    printing_ = true;
    startPage();
    if (viewer_) viewer_->documentBegun();
}

void TPrinterPreview::startPage() {
    pages_.push_back(std::make_unique<PagePicture>(metrics_));
    painter_.emplace(pages_.back().get());
}

void TPrinterPreview::finishPage() {
    if (painter_) painter_->end();
    painter_.reset();
}

void TPrinterPreview::NewPage() {
    finishPage();
    startPage();
    ++pageNumber_;
    if (viewer_) viewer_->pageCompleted();
}

void TPrinterPreview::EndDoc() {
    finishPage();
    printing_ = false;
    DocumentSource source = std::exchange(source_, DocumentSource{});
    if (viewer_) viewer_->documentEnded(std::move(source));
}

void TPrinterPreview::DrawPage(QPainter& painter, int number) const {
    playPage(painter, page(number));
}

void TPrinterPreview::Print(TVirtualPrinter& target, int from, int to) const {
    from = std::max(from, 1);
    to = std::min(to, pageCount());
    if (from > to) return;
    target.setTitle(title_);
    target.BeginDoc();
    const PageMetrics m = target.Metrics();
    for (int n = from; n <= to; ++n) {
        if (n > from) target.NewPage();
        QPainter& p = target.Canvas();
        p.save();
        p.scale(static_cast<qreal>(m.dpiX) / metrics_.dpiX, static_cast<qreal>(m.dpiY) / metrics_.dpiY);
        DrawPage(p, n);
        p.restore();
    }
    target.EndDoc();
}

}  // namespace print
