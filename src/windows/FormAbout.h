#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QVariantAnimation;

namespace windows {

// The About window: a modal dialog without caption buttons, 428 x 298, white, centred on the
// screen, with the program's picture, its name and a "Закрыть" button. Every time it is shown
// it unfolds from its centre outwards.
class TFormAbout : public QDialog {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 428;
    static constexpr int kClientHeight = 298;
    static constexpr int kPictureWidth = 300;
    static constexpr int kPictureHeight = 152;
    static inline const QString kCaption = QStringLiteral("О программе");
    static constexpr int kUnfoldingTime = 1500;  // ms
    // The picture, compiled into the program.
    static inline const QString kPicture = QStringLiteral(":/about/about.png");

    explicit TFormAbout(QWidget* parent = nullptr);

    QLabel* Image1 = nullptr;
    QLabel* LabelName = nullptr;
    QPushButton* BitBtn1 = nullptr;

    // Plays the unfolding.
    void FormShow();
    // The part of the window shown while it unfolds; the whole window once it has.
    QRect unfoldedPart() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QVariantAnimation* unfolding_;
};

}  // namespace windows
