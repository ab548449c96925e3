#pragma once

#include "MdiChild.h"

namespace reg {

// The window of the current day's register, an MDI child of the main window that stays open
// and maximised for the whole run. Until a day is chosen its caption asks for one.
class TFormDayData : public widgets::FixedMdiChild {
    Q_OBJECT
public:
    static inline const QString kInitialCaption = QStringLiteral("Выберите дату");

    explicit TFormDayData(QWidget* parent = nullptr);
};

}  // namespace reg
