#include "GridPrinter.h"

#include <QTextDocument>

#include "Dialogs.h"
#include "DisplayText.h"
#include "ErrorBoundary.h"
#include "GridLayout.h"
#include "GridRows.h"
#include "PrinterPreview.h"
#include "TextSubstitution.h"
#include "engine/Dataset.h"

namespace print {

namespace {

// Margins as the setup dialog shows them, and back.
QString marginText(gridmodel::TenThousandths m) {
    return gridmodel::generalNumberText(m.toDouble());
}

std::optional<gridmodel::TenThousandths> marginOf(QString text) {
    text = text.trimmed().replace(u',', u'.');
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok) return std::nullopt;
    return gridmodel::TenThousandths::fromCount(std::llround(v * 10000.0));
}

}  // namespace

GridPrinter::GridPrinter() : before_(std::make_unique<QTextDocument>()), after_(std::make_unique<QTextDocument>()) {}

GridPrinter::~GridPrinter() = default;

void GridPrinter::Preview() {
    TPrinterPreview& preview = TPrinterPreview::shared();
    DocumentSource source;
    source.owner = this;
    source.setupHook = OnPrinterSetup ? OnPrinterSetup : std::function<void()>([this] {
        base::runGuarded(dialogs_, [this] { PrinterSetupDialogPreview(); });
    });
    source.layOutAgain = [this] { return base::runGuarded(dialogs_, [this] { Preview(); }); };
    preview.setDocumentSource(std::move(source));
    PrintTo(preview);
}

void GridPrinter::PrintTo(TVirtualPrinter& target) {
    if (!grid_ || !grid_->dataSource || !grid_->dataSource->isOpen()) return;
    gridmodel::GridRows::storePendingEdit(*grid_->dataSource);
    PageMacros macros;
    macros.takeClock();
    macros.pages = 1;

    target.BeginDoc();
    if (OnBeforePrint) OnBeforePrint();
    // The layout prints copies of the texts with the substitutions made; the texts keep their
    // placeholders.
    std::unique_ptr<QTextDocument> before(before_->clone()), after(after_->clone());
    substitute(*before, substitutes_);
    substitute(*after, substitutes_);
    auto finish = [&] {
        if (OnAfterPrint) OnAfterPrint();
        target.EndDoc();
    };
    try {
        target.setTitle(QStringLiteral("Табличная информация"));
        if (needsPageCount(settings.PageHeader.allText() + settings.PageFooter.allText())) {
            // A first pass that draws nothing counts the pages for "&[Pages]".
            GridLayout counting(*grid_, settings, target, macros, true);
            macros.pages = counting.run(*before, *after);
            macros.takeClock();
        }
        GridLayout layout(*grid_, settings, target, macros, false);
        layout.run(*before, *after);
    } catch (...) {
        try {
            finish();
        } catch (...) {
        }
        throw;
    }
    finish();
}

bool GridPrinter::PrinterSetupDialog() {
    if (!dialogs_) return false;
    base::PrintSetupRequest r;
    r.top = marginText(settings.Page.TopMargin);
    r.bottom = marginText(settings.Page.BottomMargin);
    r.left = marginText(settings.Page.LeftMargin);
    r.right = marginText(settings.Page.RightMargin);
    r.fitToPageWidth = settings.has(pghFitGridToPageWidth);
    r.fitByColumnWidths = settings.has(pghFitingByColWidths);
    r.optimalColumnWidths = settings.has(pghOptimalColWidths);
    r.rowAutoStretch = settings.has(pghRowAutoStretch);
    r.colored = settings.has(pghColored);
    r.printFontName = settings.PrintFontName;
    if (!dialogs_->printSetup(r)) return false;
    const auto top = marginOf(r.top), bottom = marginOf(r.bottom), left = marginOf(r.left), right = marginOf(r.right);
    if (!top || !bottom || !left || !right) return false;  // the dialog lets no such text through
    settings.Page.TopMargin = *top;
    settings.Page.BottomMargin = *bottom;
    settings.Page.LeftMargin = *left;
    settings.Page.RightMargin = *right;
    int options = 0;
    if (r.fitToPageWidth) options |= pghFitGridToPageWidth;
    if (r.fitByColumnWidths) options |= pghFitingByColWidths;
    if (r.optimalColumnWidths) options |= pghOptimalColWidths;
    if (r.rowAutoStretch) options |= pghRowAutoStretch;
    if (r.colored) options |= pghColored;
    settings.Options = options;
    settings.PrintFontName = r.printFontName;
    return true;
}

void GridPrinter::PrinterSetupDialogPreview() {
    if (PrinterSetupDialog()) Preview();
}

}  // namespace print
