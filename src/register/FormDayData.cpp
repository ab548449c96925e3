#include "FormDayData.h"

#include "WindowLook.h"

namespace reg {

TFormDayData::TFormDayData(QWidget* parent) : widgets::FixedMdiChild(parent) {
    setObjectName(QStringLiteral("FormDayData"));
    setWindowTitle(kInitialCaption);
    widgets::setWindowLook(this, widgets::sansSerifFont(13, true));
}

}  // namespace reg
