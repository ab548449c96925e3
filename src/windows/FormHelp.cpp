#include "FormHelp.h"

#include <QShowEvent>

#include "TitleBar.h"
#include "WindowLook.h"

namespace windows {

TFormHelp::TFormHelp(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("FormHelp"));
    setWindowTitle(kCaption);
    widgets::setTitleBarButtons(this, widgets::TitleBarButtons::Close);
    setModal(true);
    setFixedSize(kClientWidth, kClientHeight);
    widgets::setWindowLook(this, widgets::sansSerifFont(13, true));
    widgets::centreOnScreen(this);
}

void TFormHelp::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) widgets::centreOnScreen(this);
    QDialog::showEvent(event);
}

}  // namespace windows
