#include "FormAbout.h"

#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>
#include <QVariantAnimation>
#include <algorithm>

#include "ErrorBoundary.h"
#include "TitleBar.h"
#include "WindowLook.h"

namespace windows {

TFormAbout::TFormAbout(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("FormAbout"));
    setWindowTitle(kCaption);
    widgets::setTitleBarButtons(this, widgets::TitleBarButtons::None);
    setModal(true);
    setFixedSize(kClientWidth, kClientHeight);
    widgets::setWindowLook(this, widgets::serifFont(16, true));
    QPalette background = palette();
    background.setColor(QPalette::Window, Qt::white);
    setPalette(background);
    setAutoFillBackground(true);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setFixedSize(kPictureWidth, kPictureHeight);
    Image1->setAlignment(Qt::AlignCenter);
    Image1->setPixmap(QPixmap(kPicture));

    LabelName = new QLabel(base::kApplicationTitle, this);
    LabelName->setObjectName(QStringLiteral("LabelName"));
    LabelName->setFont(widgets::serifFont(21, true));
    LabelName->setAlignment(Qt::AlignCenter);

    BitBtn1 = new QPushButton(QStringLiteral("Закрыть"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Image1, 0, Qt::AlignHCenter);
    layout->addWidget(LabelName);
    layout->addStretch(1);
    layout->addWidget(BitBtn1, 0, Qt::AlignHCenter);

    unfolding_ = new QVariantAnimation(this);
    unfolding_->setDuration(kUnfoldingTime);
    unfolding_->setStartValue(0.0);
    unfolding_->setEndValue(1.0);
    connect(unfolding_, &QVariantAnimation::valueChanged, this,
            [this] { setMask(unfoldedPart()); });
    connect(unfolding_, &QVariantAnimation::finished, this, [this] {
        clearMask();
        update();
    });

    widgets::centreOnScreen(this);
}

QRect TFormAbout::unfoldedPart() const {
    if (unfolding_->state() != QAbstractAnimation::Running) return rect();
    const double share = unfolding_->currentValue().toDouble();
    // Never empty: an empty mask would show the whole window.
    const int w = std::max(2, static_cast<int>(width() * share));
    const int h = std::max(2, static_cast<int>(height() * share));
    return QRect((width() - w) / 2, (height() - h) / 2, w, h);
}

void TFormAbout::FormShow() {
    unfolding_->stop();
    unfolding_->start();
    setMask(unfoldedPart());
}

void TFormAbout::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        widgets::centreOnScreen(this);
        FormShow();
    }
    QDialog::showEvent(event);
}

}  // namespace windows
