#pragma once

#include <QAbstractScrollArea>
#include <QPoint>

namespace print {
class TPrinterPreview;
}

namespace windows {

// The page viewer of the preview window: the current page as a white sheet with a thin border
// on a dark grey background, proportioned like the printer's sheet, the recorded page drawn on
// it at its place on the sheet. Ten view modes: eight zoom factors relative to the sheet's
// natural size on the screen, the page's width, and the whole page (the default).
//
// Dragging the sheet scrolls it; a click without dragging goes from the whole page to 150 %
// at the clicked point, and from any other mode back to the whole page. Page Up and Page Down
// scroll by a screen (with Ctrl to the top or bottom), the arrows by a step (with Ctrl by a
// screen), Home and End to the left or right edge (with Ctrl also to the top or bottom). The
// wheel scrolls, or turns the page when the whole sheet fits.
class TPreviewBox : public QAbstractScrollArea {
    Q_OBJECT
public:
    enum ViewMode { Zoom500, Zoom200, Zoom150, Zoom100, Zoom75, Zoom50, Zoom25, Zoom10, PageWidth, WholePage };
    static const QString& modeCaption(int mode);
    static constexpr int kModeCount = 10;

    explicit TPreviewBox(print::TPrinterPreview& preview, QWidget* parent = nullptr);

    int pageCount() const;
    int currentPage() const { return page_; }
    void setCurrentPage(int page);
    int viewMode() const { return mode_; }
    void setViewMode(int mode);
    // The sheet's size on the screen in the current mode.
    QSize sheetSize() const;
    // Called when the pages changed (a layout began, a page was added, the layout ended). A
    // page once complete does not change, so the sheet is drawn again only when the page it
    // shows may have.
    void pagesChanged();

signals:
    void stateChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QSizeF sheetMillimetres() const;
    double naturalScale() const;  // screen pixels per millimetre at 100 %
    QRect sheetRect() const;      // in viewport coordinates
    void updateScrollBars();

    print::TPrinterPreview& preview_;
    int page_ = 1;
    int shownPages_ = 0;  // the page count when the sheet was last drawn
    int mode_ = WholePage;
    QPoint pressAt_;
    QPoint scrollAtPress_;
    bool dragged_ = false;
    bool pressed_ = false;
};

}  // namespace windows
