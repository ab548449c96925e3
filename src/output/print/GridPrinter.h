#pragma once

#include <QStringList>
#include <functional>
#include <memory>

#include "PrintSettings.h"

class QTextDocument;

namespace store {
class Dialogs;
}

namespace print {

class TVirtualPrinter;

// Lays one data grid out on pages: a rich text before the grid, the column titles (repeated on
// every page), one line per record, the footer rows with their sums, a rich text after the
// grid, and on every page a header and a footer with the page macros. A grid wider than the
// page can be fitted to it. The grid is read through its column model, as export reads it.
class GridPrinter {
public:
    GridPrinter();
    ~GridPrinter();
    GridPrinter(const GridPrinter&) = delete;
    GridPrinter& operator=(const GridPrinter&) = delete;

    // The grid printed (not owned; its owner clears it before the grid goes). Nothing is
    // printed without one, or when its view is closed.
    void setGrid(const gridmodel::GridModel* grid) { grid_ = grid; }
    const gridmodel::GridModel* grid() const { return grid_; }

    GridPrintSettings settings;
    QTextDocument& BeforeGridText() { return *before_; }
    QTextDocument& AfterGridText() { return *after_; }

    // The substitution list: placeholder, replacement, placeholder, replacement... It replaces
    // the list before; it is applied to both texts whenever pages are laid out, and the texts
    // get their placeholders back afterwards.
    void SetSubstitutes(const QStringList& pairs) { substitutes_ = pairs; }
    const QStringList& substitutes() const { return substitutes_; }

    // The dialogs the setup dialog is shown through.
    void setDialogs(store::Dialogs* dialogs) { dialogs_ = dialogs; }

    // Lays the pages out on the shared preview, with this printer's setup as its
    // "Настройка принтера".
    void Preview();
    // Lays out and draws all pages on the target. A layout stopped in the preview ends with a
    // silent abort that goes on to the caller; the view is back on its record and its
    // controls enabled either way.
    void PrintTo(TVirtualPrinter& target);
    // The setup dialog filled from the settings; OK stores them (true), Cancel none.
    bool PrinterSetupDialog();
    // The setup dialog, and on OK a new layout on the preview.
    void PrinterSetupDialogPreview();

    // A setup handler of the owner's, used by the preview instead of PrinterSetupDialogPreview.
    std::function<void()> OnPrinterSetup;
    std::function<void()> OnBeforePrint, OnAfterPrint;

private:
    const gridmodel::GridModel* grid_ = nullptr;
    std::unique_ptr<QTextDocument> before_, after_;
    QStringList substitutes_;
    store::Dialogs* dialogs_ = nullptr;
};

}  // namespace print
