#include "FormHelp.h"

#include <QPushButton>
#include <QShowEvent>
#include <QTextBrowser>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "ProgramFolders.h"
#include "TitleBar.h"
#include "WindowLook.h"

namespace windows {

namespace {

constexpr int kToolBarHeight = 29;
constexpr QSize kToolButtonSize{153, 24};

}  // namespace

TFormHelp::TFormHelp(const QString& programDir, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      programDir_(programDir) {
    setObjectName(QStringLiteral("FormHelp"));
    setWindowTitle(kCaption);
    widgets::setTitleBarButtons(this, widgets::TitleBarButtons::Close);
    setModal(true);
    setFixedSize(kClientWidth, kClientHeight);
    widgets::setWindowLook(this, widgets::sansSerifFont(13, true));

    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setFixedHeight(kToolBarHeight);
    ToolBar1->setMovable(false);
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto button = [this](const char* name, const QString& text, void (TFormHelp::*handler)()) {
        auto* b = new QToolButton(ToolBar1);
        b->setObjectName(QString::fromLatin1(name));
        b->setText(text);
        b->setAutoRaise(true);
        b->setFixedSize(kToolButtonSize);
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QToolButton::clicked, this, handler);
        ToolBar1->addWidget(b);
        return b;
    };
    ToolButton1 = button("ToolButton1", QStringLiteral("     К содержанию     "),
                         &TFormHelp::ToolButton1Click);
    ToolBar1->addSeparator();
    ToolButton3 = button("ToolButton3", QStringLiteral("Назад"), &TFormHelp::ToolButton3Click);
    ToolBar1->addSeparator();
    ToolButton5 = button("ToolButton5", QStringLiteral("Закрыть"), &TFormHelp::ToolButton5Click);

    WebBrowser1 = new QTextBrowser(this);
    WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
    WebBrowser1->setOpenExternalLinks(true);
    // The pages are drawn in plain text of their own, not in the window's bold navy.
    WebBrowser1->setFont(widgets::sansSerifFont(13, false));
    QPalette text = WebBrowser1->palette();
    text.setColor(QPalette::Text, Qt::black);
    WebBrowser1->setPalette(text);
    ToolButton3->setEnabled(false);
    connect(WebBrowser1, &QTextBrowser::backwardAvailable, ToolButton3, &QToolButton::setEnabled);

    BitBtn1 = new QPushButton(QStringLiteral("Закрыть"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setAutoDefault(false);
    BitBtn1->hide();
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ToolBar1);
    layout->addWidget(WebBrowser1, 1);

    widgets::centreOnScreen(this);
}

QString TFormHelp::helpPage() const {
    return base::joinPath(base::joinPath(programDir_, QStringLiteral("Help")),
                           QStringLiteral("Zorvel.html"));
}

void TFormHelp::FormShow() {
    const QUrl page = QUrl::fromLocalFile(helpPage());
    // The page shown already is loaded again, from its top.
    if (WebBrowser1->source() == page)
        WebBrowser1->reload();
    else
        WebBrowser1->setSource(page);
}

void TFormHelp::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        widgets::centreOnScreen(this);
        FormShow();
        // A new visit starts at the help page with nothing to go back to.
        WebBrowser1->clearHistory();
        WebBrowser1->setFocus();
    }
    QDialog::showEvent(event);
}

void TFormHelp::ToolButton1Click() {
    FormShow();
}

void TFormHelp::ToolButton3Click() {
    WebBrowser1->backward();
}

void TFormHelp::ToolButton5Click() {
    close();
}

}  // namespace windows
