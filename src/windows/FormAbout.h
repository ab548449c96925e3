#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace windows {

// The About window: a modal dialog without caption buttons, 428 x 298, white, centred on the
// screen, with the program's picture, its name and a "Закрыть" button.
class TFormAbout : public QDialog {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 428;
    static constexpr int kClientHeight = 298;
    static constexpr int kPictureWidth = 300;
    static constexpr int kPictureHeight = 152;
    static inline const QString kCaption = QStringLiteral("О программе");

    explicit TFormAbout(QWidget* parent = nullptr);

    QLabel* Image1 = nullptr;
    QLabel* LabelName = nullptr;
    QPushButton* BitBtn1 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
};

}  // namespace windows
