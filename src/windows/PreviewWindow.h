#pragma once

#include <QMainWindow>
#include <functional>

#include "PrinterPreview.h"

class QAction;
class QLabel;
class QMenu;
class QPrinter;
class QToolBar;
class QToolButton;

namespace base {
class Dialogs;
}

namespace windows {

class TPreviewBox;

// The print preview window: not modal, maximised, titled "Предварительный просмотр - " and
// the document's title. A toolbar with captions (print, printer setup, scale, previous, next,
// stop, close), the page viewer, and the status line "Страница %d из %d". It shows the pages
// the preview target records as soon as the first page is complete, and keeps them after it
// is closed until the next layout begins.
//
// Esc stops a layout in progress, otherwise closes the window; closing it during a layout stops
// the layout and closes it once the layout has ended. Holding "Предыдущая" or "Следующая"
// repeats after 400 ms every 100 ms. Dragging the bar under the toolbar switches the toolbar
// between captions only, large pictures only, and pictures with captions.
class PreviewWindow : public QMainWindow, public print::PreviewViewer {
    Q_OBJECT
public:
    explicit PreviewWindow(print::TPrinterPreview& preview, QWidget* parent = nullptr);
    ~PreviewWindow() override;

    // Where an error of printing is shown (without dialogs it is only logged).
    void setDialogs(base::Dialogs* dialogs) { dialogs_ = dialogs; }

    // The print dialog on the program's printer, with the page range (Qt's own, unless a test
    // replaces it): true with from and to set when the user chose to print. A printer, paper
    // or orientation chosen in it is taken into the program's printer.
    std::function<bool(QPrinter& printer, int pageCount, int& from, int& to)> printDialog;

    void documentBegun() override;
    void pageCompleted() override;
    void documentEnded(print::DocumentSource source) override;

    TPreviewBox* box() const { return box_; }
    QLabel* statusText() const { return status_; }
    QToolBar* toolBar() const { return toolBar_; }
    QAction *ActionPrint, *ActionSetup, *ActionScale, *ActionPrevious, *ActionNext, *ActionStop, *ActionClose;

    // Sends the pages the print dialog gives to the program's printer. When the printer, paper
    // or orientation chosen there differs from what the pages were laid out for, they are laid
    // out again first (the window then shows the new layout); a range of all pages then covers
    // all the new pages.
    void printPages();
    // The toolbar look the splitter sets: 0 captions, 1 large pictures, 2 pictures and captions.
    void setToolBarLook(int look);
    int toolBarLook() const { return look_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void updateState();
    void showPreview();

    print::TPrinterPreview& preview_;
    TPreviewBox* box_;
    QToolBar* toolBar_;
    QLabel* status_;
    QMenu* scaleMenu_;
    print::DocumentSource source_;
    base::Dialogs* dialogs_ = nullptr;
    bool closeWhenDone_ = false;
    int look_ = 2;
};

// Makes the shared preview show its pages in a PreviewWindow, and take the page metrics from
// the program's printer; errors of printing are shown through the dialogs.
void installPreviewWindow(base::Dialogs* dialogs);

}  // namespace windows
