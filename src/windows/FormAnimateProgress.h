#pragma once

#include <QWidget>

class QLabel;
class QTimer;

namespace windows {

// A running picture of files being copied: sheets fly in an arc from one folder to another.
// It runs while it is visible.
class CopyAnimation : public QWidget {
    Q_OBJECT
public:
    explicit CopyAnimation(QWidget* parent = nullptr);

    bool isRunning() const;
    int frame() const { return frame_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void paintFolder(QPainter& p, const QRectF& r) const;

    QTimer* timer_;
    int frame_ = 0;
};

// The copy progress window: a tool window without caption buttons, centred on the screen, with
// a 429 x 86 client area: a centred, word-wrapping label at the top and the copy animation
// below it. Created hidden.
class TFormAnimateProgress : public QWidget {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 429;
    static constexpr int kClientHeight = 86;
    static constexpr int kAnimationHeight = 60;

    explicit TFormAnimateProgress(QWidget* parent = nullptr);

    QLabel* label() const { return label_; }
    CopyAnimation* animation() const { return animation_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void centreOnScreen();

    QLabel* label_;
    CopyAnimation* animation_;
};

}  // namespace windows
