#include "FormAbout.h"

#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

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

    // The picture's place; the picture itself is the program's artwork.
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setFixedSize(kPictureWidth, kPictureHeight);
    Image1->setAlignment(Qt::AlignCenter);

    LabelName = new QLabel(store::kApplicationTitle, this);
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

    widgets::centreOnScreen(this);
}

void TFormAbout::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) widgets::centreOnScreen(this);
    QDialog::showEvent(event);
}

}  // namespace windows
