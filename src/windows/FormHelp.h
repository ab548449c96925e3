#pragma once

#include <QDialog>

namespace windows {

// The help window: a modal dialog with only a close button in its caption, 660 x 426,
// centred on the screen, that shows the program's user guide.
class TFormHelp : public QDialog {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 660;
    static constexpr int kClientHeight = 426;
    static inline const QString kCaption = QStringLiteral("Как пользоваться программой");

    explicit TFormHelp(QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;
};

}  // namespace windows
