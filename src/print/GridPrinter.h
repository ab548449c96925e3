#pragma once

#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

#include "PrintSettings.h"

class QTextDocument;

namespace base {
class Dialogs;
}

namespace print {

class TVirtualPrinter;

// Lays one data grid out on pages: a rich text before the grid, the column titles (repeated on
// every page), one line per record, the footer rows with their sums, a rich text after the
// grid, and on every page a header and a footer with the page macros. A grid wider than the
// page can be fitted to it. The printer keeps its own column model of the grid, and reads the
// records through it by position, as export does: the view's current record and the grids on
// the screen stay as they are.
class GridPrinter {
public:
    GridPrinter();
    ~GridPrinter();
    GridPrinter(const GridPrinter&) = delete;
    GridPrinter& operator=(const GridPrinter&) = delete;

    // The column model printed (the printer's own copy; its view must outlive the printer or
    // be cleared with clearGrid). Nothing is printed without one, or when its view is closed.
    void setGrid(gridmodel::GridModel grid) { grid_ = std::move(grid); }
    void clearGrid() { grid_.reset(); }
    const gridmodel::GridModel* grid() const { return grid_ ? &*grid_ : nullptr; }

    GridPrintSettings settings;
    QTextDocument& BeforeGridText() { return *before_; }
    QTextDocument& AfterGridText() { return *after_; }

    // The substitution list: placeholder, replacement, placeholder, replacement... It replaces
    // the list before; it is applied to both texts whenever pages are laid out, and the texts
    // get their placeholders back afterwards.
    void SetSubstitutes(const QStringList& pairs) { substitutes_ = pairs; }
    const QStringList& substitutes() const { return substitutes_; }

    // The dialogs the setup dialog is shown through.
    void setDialogs(base::Dialogs* dialogs) { dialogs_ = dialogs; }

    // Lays the pages out on the shared preview, with this printer's setup as its
    // "Настройка принтера" and this printer as the one that lays them out again for another
    // printer, paper or orientation.
    void Preview();
    // Stores an edit pending in the view, then lays out and draws all pages on the target. A
    // layout stopped in the preview ends with a silent abort that goes on to the caller.
    void PrintTo(TVirtualPrinter& target);
    // The setup dialog filled from the settings; OK stores them (true), Cancel none.
    bool PrinterSetupDialog();
    // The setup dialog, and on OK a new layout on the preview.
    void PrinterSetupDialogPreview();

    // A setup handler of the owner's, used by the preview instead of PrinterSetupDialogPreview.
    std::function<void()> OnPrinterSetup;
    std::function<void()> OnBeforePrint, OnAfterPrint;

private:
    std::optional<gridmodel::GridModel> grid_;
    std::unique_ptr<QTextDocument> before_, after_;
    QStringList substitutes_;
    base::Dialogs* dialogs_ = nullptr;
};

}  // namespace print
