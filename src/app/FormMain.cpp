#include "FormMain.h"

#include <QMdiArea>

#include "MdiChild.h"
#include "RegisterCore.h"
#include "WindowLook.h"

namespace app {

TFormMain::TFormMain(const QString& programDir, store::Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent),
      core_(std::make_unique<reg::RegisterCore>(programDir, dialogs)),
      mdiArea_(new QMdiArea(this)) {
    setObjectName(QStringLiteral("FormMain"));
    widgets::setWindowLook(this, widgets::sansSerifFont(13, true));
    mdiArea_->setObjectName(QStringLiteral("MdiArea"));
    setCentralWidget(mdiArea_);
    setWindowState(windowState() | Qt::WindowMaximized);
    FormCreate();
}

TFormMain::~TFormMain() {
    // The child windows show the core's views: they go first, the core after them.
    delete takeCentralWidget();
    mdiArea_ = nullptr;
}

QMdiSubWindow* TFormMain::addChildWindow(QWidget* child) {
    return widgets::addFixedMdiChild(mdiArea_, child);
}

void TFormMain::FormCreate() {
    setWindowTitle(QStringLiteral("Реестр платежей (версия ") + core_->ProgVersion +
                   QStringLiteral(")"));
}

}  // namespace app
