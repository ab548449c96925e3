#pragma once

#include "MdiChild.h"

namespace windows {

// The reference directories window, an MDI child of the main window that stays open and
// maximised for the whole run.
class TFormSprav : public widgets::FixedMdiChild {
    Q_OBJECT
public:
    static inline const QString kCaption = QStringLiteral("Справочники");

    explicit TFormSprav(QWidget* parent = nullptr);
};

}  // namespace windows
