#include "FormSprav.h"

#include "WindowLook.h"

namespace windows {

TFormSprav::TFormSprav(QWidget* parent) : widgets::FixedMdiChild(parent) {
    setObjectName(QStringLiteral("FormSprav"));
    setWindowTitle(kCaption);
    widgets::setWindowLook(this, widgets::monospaceFont(15, true));
}

}  // namespace windows
