#include "PreviewWindow.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPrintDialog>
#include <QPrinter>
#include <QScopeGuard>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "ErrorBoundary.h"
#include "PlatformPrinter.h"
#include "PreviewBox.h"
#include "ProgramPrinter.h"

namespace windows {

namespace {

// The bar under the toolbar: dragging it down or up steps through the toolbar's looks.
class ToolBarSplitter : public QFrame {
public:
    ToolBarSplitter(PreviewWindow& window, QWidget* parent) : QFrame(parent), window_(window) {
        setFixedHeight(6);
        setFrameShape(QFrame::HLine);
        setFrameShadow(QFrame::Raised);
        setCursor(Qt::SplitVCursor);
    }

protected:
    void mousePressEvent(QMouseEvent* e) override { start_ = e->globalPosition().toPoint().y(); }
    void mouseMoveEvent(QMouseEvent* e) override {
        const int dy = e->globalPosition().toPoint().y() - start_;
        if (std::abs(dy) < kStep) return;
        window_.setToolBarLook(std::clamp(window_.toolBarLook() + (dy > 0 ? 1 : -1), 0, 2));
        start_ = e->globalPosition().toPoint().y();
    }

private:
    static constexpr int kStep = 16;
    PreviewWindow& window_;
    int start_ = 0;
};

QIcon commandIcon(const QString& resource, QStyle::StandardPixmap fallback) {
    const QIcon icon(resource);
    return icon.availableSizes().isEmpty() ? QApplication::style()->standardIcon(fallback) : icon;
}

}  // namespace

PreviewWindow::PreviewWindow(print::TPrinterPreview& preview, QWidget* parent) : QMainWindow(parent), preview_(preview) {
    setObjectName(QStringLiteral("PreviewWindow"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSize(8);
    setFont(font);

    toolBar_ = addToolBar(QStringLiteral("Просмотр"));
    toolBar_->setMovable(false);
    toolBar_->setFloatable(false);
    toolBar_->setIconSize(QSize(32, 32));
    auto action = [&](const QString& caption, const QString& hint, const QIcon& icon) {
        QAction* a = toolBar_->addAction(icon, caption);
        a->setToolTip(hint);
        return a;
    };
    ActionPrint = action(QStringLiteral("Печатать"), QStringLiteral("Печатать"),
                         commandIcon(QStringLiteral(":/icons/printer.png"), QStyle::SP_DialogSaveButton));
    ActionSetup = action(QStringLiteral("Настройка принтера"), QStringLiteral("Настройка принтера"),
                         QApplication::style()->standardIcon(QStyle::SP_FileDialogDetailedView));
    ActionScale = action(QStringLiteral("Масштаб"), QStringLiteral("Масштаб"),
                         QApplication::style()->standardIcon(QStyle::SP_FileDialogContentsView));
    ActionPrevious = action(QStringLiteral("Предыдущая"), QStringLiteral("Предыдущая страница"),
                            QApplication::style()->standardIcon(QStyle::SP_ArrowLeft));
    ActionNext = action(QStringLiteral("Следующая"), QStringLiteral("Следующая страница"),
                        QApplication::style()->standardIcon(QStyle::SP_ArrowRight));
    ActionStop = action(QStringLiteral("Стоп"), QString(), QApplication::style()->standardIcon(QStyle::SP_BrowserStop));
    ActionClose = action(QStringLiteral("Закрыть"), QStringLiteral("Закрыть окно предварительного просмотра"),
                         QApplication::style()->standardIcon(QStyle::SP_DialogCloseButton));
    // The toolbar's buttons take no focus: printing from the keyboard is Ctrl+P.
    ActionPrint->setShortcut(QKeySequence::Print);

    box_ = new TPreviewBox(preview_, this);
    scaleMenu_ = new QMenu(this);
    auto* modes = new QActionGroup(scaleMenu_);
    for (int mode = 0; mode < TPreviewBox::kModeCount; ++mode) {
        QAction* a = scaleMenu_->addAction(TPreviewBox::modeCaption(mode));
        a->setCheckable(true);
        a->setData(mode);
        modes->addAction(a);
        connect(a, &QAction::triggered, this, [this, mode] { box_->setViewMode(mode); });
    }
    ActionScale->setMenu(scaleMenu_);
    if (auto* b = qobject_cast<QToolButton*>(toolBar_->widgetForAction(ActionScale)))
        b->setPopupMode(QToolButton::InstantPopup);
    for (QAction* step : {ActionPrevious, ActionNext})
        if (auto* b = qobject_cast<QToolButton*>(toolBar_->widgetForAction(step))) {
            b->setAutoRepeat(true);
            b->setAutoRepeatDelay(400);
            b->setAutoRepeatInterval(100);
        }

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(new ToolBarSplitter(*this, central));
    layout->addWidget(box_, 1);
    setCentralWidget(central);
    status_ = new QLabel(this);
    statusBar()->addWidget(status_, 1);
    setToolBarLook(0);

    connect(ActionPrint, &QAction::triggered, this,
            [this] { base::runGuarded(dialogs_, [this] { printPages(); }); });
    connect(ActionSetup, &QAction::triggered, this, [this] {
        // A new layout replaces the source: the call runs on copies.
        const print::DocumentSource source = source_;
        if (source.setupHook)
            source.setupHook();
        else if (programPageSetup(this) && source.layOutAgain)
            source.layOutAgain();
    });
    connect(ActionPrevious, &QAction::triggered, this, [this] { box_->setCurrentPage(box_->currentPage() - 1); });
    connect(ActionNext, &QAction::triggered, this, [this] { box_->setCurrentPage(box_->currentPage() + 1); });
    connect(ActionStop, &QAction::triggered, this, [this] { preview_.Abort(); });
    connect(ActionClose, &QAction::triggered, this, [this] { close(); });
    connect(box_, &TPreviewBox::stateChanged, this, [this] { updateState(); });

    printDialog = [this](QPrinter& printer, int pageCount, int& from, int& to) {
        QPrintDialog dialog(&printer, this);
        dialog.setWindowTitle(QStringLiteral("Печать"));
        dialog.setMinMax(1, pageCount);
        dialog.setFromTo(1, pageCount);
        dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
        if (dialog.exec() != QDialog::Accepted) return false;
        from = 1;
        to = pageCount;
        if (dialog.printRange() == QAbstractPrintDialog::PageRange) {
            from = dialog.fromPage();
            to = dialog.toPage();
        } else if (dialog.printRange() == QAbstractPrintDialog::CurrentPage) {
            from = to = box_->currentPage();
        }
        return true;
    };
    updateState();
}

PreviewWindow::~PreviewWindow() = default;

void PreviewWindow::setToolBarLook(int look) {
    look_ = look;
    static const Qt::ToolButtonStyle styles[] = {Qt::ToolButtonTextOnly, Qt::ToolButtonIconOnly, Qt::ToolButtonTextUnderIcon};
    toolBar_->setToolButtonStyle(styles[std::clamp(look, 0, 2)]);
}

void PreviewWindow::updateState() {
    const bool laying = preview_.Printing();
    const int pages = preview_.pageCount();
    // Qt's print dialog also prints to a PDF file, the way to paper where no printer is set up.
    ActionPrint->setEnabled(!laying && pages > 0);
    ActionSetup->setEnabled(!laying && source_.setupHook && source_.owner);
    ActionPrevious->setEnabled(box_->currentPage() > 1);
    ActionNext->setEnabled(box_->currentPage() < pages);
    ActionStop->setEnabled(laying);
    ActionClose->setEnabled(!laying);
    for (QAction* a : scaleMenu_->actions()) a->setChecked(a->data().toInt() == box_->viewMode());
    status_->setText(QString::asprintf("Страница %d из %d", pages > 0 ? box_->currentPage() : 0, pages));
    setWindowTitle(QStringLiteral("Предварительный просмотр - ") + preview_.Title());
}

void PreviewWindow::showPreview() {
    if (isMinimized()) showNormal();
    if (!isVisible()) showMaximized();
    raise();
    activateWindow();
}

void PreviewWindow::documentBegun() {
    source_ = {};
    box_->setCurrentPage(1);
    box_->pagesChanged();
    updateState();
}

void PreviewWindow::pageCompleted() {
    box_->pagesChanged();
    showPreview();
    updateState();
}

void PreviewWindow::documentEnded(print::DocumentSource source) {
    source_ = std::move(source);
    box_->pagesChanged();
    if (closeWhenDone_) {
        closeWhenDone_ = false;
        updateState();
        close();
        return;
    }
    showPreview();
    updateState();
}

void PreviewWindow::printPages() {
    if (preview_.Printing() || preview_.pageCount() == 0) return;
    QPrinter& printer = programPrinter();
    printer.setDocName(preview_.Title());
    const int laidOut = preview_.pageCount();
    int from = 1, to = laidOut;
    if (!printDialog || !printDialog(printer, laidOut, from, to)) return;
    // The file a print dialog chose is for this printout only.
    const auto forgetFile = qScopeGuard([&printer] { forgetOutputFile(printer); });
    const bool allPages = from <= 1 && to >= laidOut;
    if (PlatformPrinter::metricsOf(printer) != preview_.Metrics() && source_.layOutAgain) {
        const print::DocumentSource source = source_;  // the new layout replaces it
        if (!source.layOutAgain()) return;             // stopped, or failed and reported
        if (allPages) to = preview_.pageCount();
    }
    PlatformPrinter target(printer);
    preview_.Print(target, from, to);
}

void PreviewWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        if (preview_.Printing())
            preview_.Abort();
        else
            close();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void PreviewWindow::closeEvent(QCloseEvent* event) {
    if (preview_.Printing()) {
        // The layout stops at its next look at the target; the window closes when it has.
        preview_.Abort();
        closeWhenDone_ = true;
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

void installPreviewWindow(base::Dialogs* dialogs) {
    print::TPrinterPreview::setPrinterSource(
        {[] { return PlatformPrinter::metricsOf(programPrinter()); },
         [] { return PlatformPrinter::anyPrinterInstalled(); }});
    print::TPrinterPreview::setViewerFactory(
        [dialogs](print::TPrinterPreview& preview) -> std::unique_ptr<print::PreviewViewer> {
            auto window = std::make_unique<PreviewWindow>(preview);
            window->setDialogs(dialogs);
            return window;
        });
}

}  // namespace windows
